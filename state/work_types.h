#pragma once
// The small value types the work is made of, shared by the editor state and
// the change log so that neither has to include the other.

#include <cstdint>
#include <string>
#include <vector>

constexpr int DIRECTION_COUNT = 9;

struct DirectionRange {
    int state = 0;
    int firstCell = 0;
    int lastCell = 0;
    bool operator==(const DirectionRange& other) const {
        return state == other.state && firstCell == other.firstCell && lastCell == other.lastCell;
    }
};

// What a direction held before a new marking of it began; the marking is
// not part of the work until it is confirmed.
struct RangeDraft {
    bool open = false;
    DirectionRange range;
    int count = 1;
};

// Where the next frame goes, and how many were placed.
struct PlacementMark {
    int cellX = 0;
    int cellY = 0;
    int sheetHasRoom = 1;
    int placedCount = 0;
    bool operator==(const PlacementMark& other) const;
};

// The picture in the pane and those waiting for it. A picture leaves them
// only by being placed, or by a box that names it. While pictures wait the
// pane shows the first of them unplaced; `shownPlaced` is set only when
// nothing waits and the pane still shows the picture placed last.
struct QueueState {
    std::vector<std::string> waiting;
    std::string shown;                     // the picture in the pane; empty when not known
    bool shownPlaced = false;              // the pane's picture is on the sheet already
    std::vector<std::string> placedNames;  // by 0-based cell; empty: unknown
};

// The pictures not yet placed, the pane's first.
std::vector<std::string> UnplacedPictures(const QueueState& queue);
// Sets the queue from its unplaced pictures; with none, the pane shows
// `rest` as placed.
void SetUnplacedPictures(QueueState& queue, std::vector<std::string> unplaced,
                         const std::string& rest);
