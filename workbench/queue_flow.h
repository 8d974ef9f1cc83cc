#pragma once
// The picture pane and the queue of pictures waiting for it: what joins the
// queue, what the pane shows, the count in the pane's corner, and
// directions read from the placed pictures' names. A picture leaves the
// pane or the queue only by being placed, or by a box that names it.

#include <optional>
#include <string>
#include <vector>

// Why a file cannot go into the picture pane; nothing when it can. Only a
// regular file is ever opened: a pipe, socket, device or folder is refused
// from its stat alone, which never blocks.
std::optional<std::string> PictureRefusal(const std::string& path);
// The same for any file the editor is asked to open (a sprite or a picture).
std::optional<std::string> NotAFileRefusal(const std::string& path);
// "name: reason" lines for a box.
std::string RefusalLine(const std::string& path, const std::string& reason);
// One box naming every picture refused from one addition; none when empty.
void ShowSkipped(const std::vector<std::string>& lines);

// Pictures added together (a drop, a dialog's choice, the command line):
// ordered naturally among themselves and put behind those waiting; those
// that cannot be used are named in `refused` (or in one box when null). When
// the pane's picture is placed already, the first of them shows at once.
void AddPictures(std::vector<std::string> paths, std::vector<std::string>* refused = nullptr);
// `paths` chosen with the Open button: the first usable goes into the pane
// and the others wait at the queue's front; the picture that waited in the
// pane, unless placed, goes back to the front behind them.
void OpenChosenPictures(std::vector<std::string> paths);

// The pane's pixels follow g_state.queue.shown: loads it when another file
// is in the pane, skipping waiting pictures that can no longer be read (one
// box names them). Call after every change of the queue.
void SyncPicturePane();
// The file whose pixels the pane holds, as SyncPicturePane last loaded it.
void SetPaneFile(const std::string& path);
const std::string& PaneFile();
// Loads a picture's sprite-size corner into the working image (and the
// pane). False when it could not be read.
bool LoadIntoPane(const std::string& path);

// Ctrl+D in Animate mode: each direction named by the placed pictures' file
// names gets its range over the cells holding them, as one change; the
// directions left unmarked are listed in one box.
void MarkDirectionsFromNames();
// True when the key was Ctrl+D.
bool HandleQueueKey(int key, int modifiers);

// The number still waiting, at the picture pane's top-right corner.
void DrawQueueCount();
