// TEMPORARY: the few change-log definitions the session store's tests and
// benchmark link against until state/change_log.cpp lands. Delete this file
// when it does (the real definitions would clash with these).

#include "state/change_log.h"

ChangeLog g_changeLog;

bool PlacementMark::operator==(const PlacementMark& other) const {
    return cellX == other.cellX && cellY == other.cellY && sheetHasRoom == other.sheetHasRoom &&
           placedCount == other.placedCount;
}

void ChangeLog::Restore(std::vector<Change> records, size_t cursor) {
    records_ = std::move(records);
    cursor_ = cursor < records_.size() ? cursor : records_.size();
    dirt_ = LogDirt();
}

void ChangeLog::Clear() {
    Restore({}, 0);
}
