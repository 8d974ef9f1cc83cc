#pragma once
// The queue of pictures waiting for the picture pane: what joins it, what
// shows next after each placement, the count in the pane's corner, placing
// them all with one Shift+click, and directions read from their names.

#include <optional>
#include <string>
#include <vector>

// Why a file cannot go into the picture pane; nothing when it can.
std::optional<std::string> PictureRefusal(const std::string& path);

// Joins `paths` to the waiting pictures, keeping natural name order; those
// that cannot be used are named in one box and left out.
void QueuePictures(const std::vector<std::string>& paths);
// The first usable picture of `paths` (in natural order) for the sheet's
// first picture; the rest wait in the queue. Pictures that cannot be used
// are named in one box. Empty when none can.
std::string TakeFirstPicture(std::vector<std::string> paths);
// Puts the first readable waiting picture into the pane, naming those
// skipped on the way in one box. False when none was left.
bool ShowNextQueued();
// `paths` chosen with the Open button: the first usable goes into the pane
// in place of the one there, the rest wait.
void OpenChosenPictures(const std::vector<std::string>& paths);

// After the pane's picture went into `cell` (0-based) and counted: its name
// is kept for that cell and the next waiting picture takes its place.
void PicturePlaced(int cell);

// A file or folder dropped on the window: a picture joins the queue (and
// shows at once when the pane's picture is placed already); a folder is
// refused with a box.
void HandleDroppedPath(const std::string& path);

// Shift+click on the mark: the pane's picture and every waiting one go into
// the next cells in order until the queue is empty or the sheet is full;
// one change in the log.
void PlaceQueuedBatch();
// An undo or redo of a change that moved the queue moves it back or again.
void QueueFollowsUndo();
void QueueFollowsRedo();

// Ctrl+D in Animate mode: each direction named by the placed pictures' file
// names gets its range over the cells holding them, as one change; the
// directions left unmarked are listed in one box.
void MarkDirectionsFromNames();
// True when the key was Ctrl+D.
bool HandleQueueKey(int key, int modifiers);

// The number still waiting, at the picture pane's top-right corner.
void DrawQueueCount();
