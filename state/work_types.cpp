#include "state/work_types.h"

bool PlacementMark::operator==(const PlacementMark& other) const {
    return cellX == other.cellX && cellY == other.cellY && sheetHasRoom == other.sheetHasRoom &&
           placedCount == other.placedCount;
}

std::vector<std::string> UnplacedPictures(const QueueState& queue) {
    std::vector<std::string> unplaced;
    if (!queue.shownPlaced && !queue.shown.empty()) unplaced.push_back(queue.shown);
    unplaced.insert(unplaced.end(), queue.waiting.begin(), queue.waiting.end());
    return unplaced;
}

void SetUnplacedPictures(QueueState& queue, std::vector<std::string> unplaced,
                         const std::string& rest) {
    if (unplaced.empty()) {
        queue.shown = rest;
        queue.shownPlaced = !rest.empty();
        queue.waiting.clear();
        return;
    }
    queue.shown = unplaced.front();
    queue.shownPlaced = false;
    queue.waiting.assign(unplaced.begin() + 1, unplaced.end());
}
