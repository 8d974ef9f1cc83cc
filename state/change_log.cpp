#include "state/change_log.h"

#include <algorithm>
#include <cstdio>

#include "state/editor_state.h"

ChangeLog g_changeLog;

namespace {

struct CellRect {
    int x = 0, y = 0, width = 0, height = 0;
};

CellRect RectOf(int cell) {
    const SheetState& sheet = g_state.sheet;
    if (cell < 0 || sheet.sheetColumns <= 0 || sheet.spriteWidth <= 0 || sheet.spriteHeight <= 0)
        return {};
    return {(cell % sheet.sheetColumns) * sheet.spriteWidth,
            (cell / sheet.sheetColumns) * sheet.spriteHeight, sheet.spriteWidth,
            sheet.spriteHeight};
}

// Only the rows of the cell inside the sheet are touched; a cell's pixels of
// another size (a damaged stored log) change nothing.
void WriteCell(int cell, const std::vector<uint16_t>& pixels) {
    const CellRect r = RectOf(cell);
    if (r.width == 0 || pixels.size() != size_t(r.width) * r.height) return;
    for (int row = 0; row < r.height && r.y + row < SHEET_HEIGHT; ++row)
        std::copy_n(pixels.data() + size_t(row) * r.width, r.width,
                    g_sheet + size_t(r.y + row) * SHEET_WIDTH + r.x);
}

void ApplyMark(const PlacementMark& mark) {
    SheetState& sheet = g_state.sheet;
    sheet.cellX = mark.cellX;
    sheet.cellY = mark.cellY;
    sheet.sheetHasRoom = mark.sheetHasRoom;
    sheet.placedCount = mark.placedCount;
    sheet.cellRight = sheet.cellX + sheet.spriteWidth;
    sheet.cellBottom = sheet.cellY + sheet.spriteHeight;
}

void NameCell(int cell, const std::string& name) {
    std::vector<std::string>& names = g_state.queue.placedNames;
    if (cell < 0) return;
    if (static_cast<size_t>(cell) >= names.size()) {
        if (name.empty()) return;
        names.resize(cell + 1);
    }
    names[cell] = name;
}

void RemoveFirst(std::vector<std::string>& pictures, const std::string& name) {
    const auto at = std::find(pictures.begin(), pictures.end(), name);
    if (at != pictures.end()) pictures.erase(at);
}

void ApplyQueueMove(const QueueMove& move, bool after) {
    std::vector<std::string> unplaced = UnplacedPictures(g_state.queue);
    if (after) {
        for (const std::string& name : move.taken) RemoveFirst(unplaced, name);
    } else {
        unplaced.insert(unplaced.begin(), move.taken.begin(), move.taken.end());
    }
    SetUnplacedPictures(g_state.queue, std::move(unplaced),
                        after ? move.restAfter : move.restBefore);
}

bool MovesNames(const Change& change) {
    if (change.queue) return true;
    return std::any_of(change.cells.begin(), change.cells.end(),
                       [](const CellEdit& e) { return e.nameBefore != e.nameAfter; });
}

void NoteDirt(LogDirt& dirt, const Change& change) {
    for (const CellEdit& edit : change.cells) dirt.cells.push_back(edit.cell);
    if (change.markAfter || !change.ranges.empty() || change.keyAfter) dirt.work = true;
    if (MovesNames(change)) dirt.names = true;
    dirt.log = true;
}

}  // namespace

PlacementMark CurrentPlacementMark() {
    const SheetState& sheet = g_state.sheet;
    return {sheet.cellX, sheet.cellY, sheet.sheetHasRoom, sheet.placedCount};
}

std::vector<uint16_t> CellPixels(int cell) {
    const CellRect r = RectOf(cell);
    std::vector<uint16_t> pixels(size_t(r.width) * r.height, 0);
    for (int row = 0; row < r.height && r.y + row < SHEET_HEIGHT; ++row)
        std::copy_n(g_sheet + size_t(r.y + row) * SHEET_WIDTH + r.x, r.width,
                    pixels.data() + size_t(row) * r.width);
    return pixels;
}

// Undo walks the cell edits backwards, so a cell edited twice in one change
// ends as it was before the first edit.
void ApplyChange(const Change& change, bool after) {
    if (after) {
        for (const CellEdit& edit : change.cells) {
            WriteCell(edit.cell, edit.after);
            NameCell(edit.cell, edit.nameAfter);
        }
    } else {
        for (auto edit = change.cells.rbegin(); edit != change.cells.rend(); ++edit) {
            WriteCell(edit->cell, edit->before);
            NameCell(edit->cell, edit->nameBefore);
        }
    }
    const std::optional<PlacementMark>& mark = after ? change.markAfter : change.markBefore;
    if (mark) ApplyMark(*mark);
    for (const RangeEdit& edit : change.ranges) {
        if (edit.slot < 0 || edit.slot >= DIRECTION_COUNT) continue;
        g_state.directions.directionRanges[edit.slot] = after ? edit.after : edit.before;
        g_state.directions.directionCount[edit.slot] = after ? edit.countAfter : edit.countBefore;
    }
    const std::optional<uint32_t>& key = after ? change.keyAfter : change.keyBefore;
    if (key) g_state.edit.keyColour = *key;
    if (change.queue) ApplyQueueMove(*change.queue, after);
}

std::string CellName(int cell) {
    const std::vector<std::string>& names = g_state.queue.placedNames;
    return cell >= 0 && static_cast<size_t>(cell) < names.size() ? names[cell] : std::string();
}

size_t ChangeBytes(const Change& change) {
    size_t bytes = sizeof(Change) + change.ranges.size() * sizeof(RangeEdit);
    for (const CellEdit& edit : change.cells)
        bytes += sizeof(CellEdit) + (edit.before.size() + edit.after.size()) * sizeof(uint16_t) +
                 edit.nameBefore.size() + edit.nameAfter.size();
    if (change.queue) {
        bytes +=
            sizeof(QueueMove) + change.queue->restBefore.size() + change.queue->restAfter.size();
        for (const std::string& name : change.queue->taken)
            bytes += sizeof(std::string) + name.size();
    }
    return bytes;
}

namespace {

size_t BytesOf(std::vector<Change>::const_iterator from, std::vector<Change>::const_iterator to) {
    size_t bytes = 0;
    for (; from != to; ++from) bytes += ChangeBytes(*from);
    return bytes;
}

}  // namespace

void ChangeLog::Do(Change change) {
    ApplyChange(change, true);
    NoteDirt(dirt_, change);
    bytes_ -= BytesOf(records_.begin() + long(cursor_), records_.end());
    records_.resize(cursor_);
    bytes_ += ChangeBytes(change);
    records_.push_back(std::move(change));
    cursor_ = records_.size();
    Trim();
}

void ChangeLog::SetBudget(size_t bytes) {
    budget_ = bytes;
    Trim();
}

void ChangeLog::Trim() {
    size_t drop = 0;
    size_t bytes = bytes_;
    while (bytes > budget_ && drop + 1 < records_.size()) bytes -= ChangeBytes(records_[drop++]);
    if (drop == 0) return;
    if (!toldTrim_)
        std::fprintf(stderr,
                     "celforge: the undo history outgrew its %zu MiB budget; the oldest steps "
                     "are dropped\n",
                     budget_ >> 20);
    toldTrim_ = true;
    records_.erase(records_.begin(), records_.begin() + long(drop));
    bytes_ = bytes;
    cursor_ -= std::min(cursor_, drop);
    firstSequence_ += drop;
    dirt_.log = true;
}

bool ChangeLog::Undo() {
    if (cursor_ == 0) return false;
    --cursor_;
    ApplyChange(records_[cursor_], false);
    NoteDirt(dirt_, records_[cursor_]);
    return true;
}

bool ChangeLog::Redo() {
    if (cursor_ == records_.size()) return false;
    ApplyChange(records_[cursor_], true);
    NoteDirt(dirt_, records_[cursor_]);
    ++cursor_;
    return true;
}

void ChangeLog::Restore(std::vector<Change> records, size_t cursor) {
    records_ = std::move(records);
    cursor_ = std::min(cursor, records_.size());
    firstSequence_ = 0;
    bytes_ = BytesOf(records_.begin(), records_.end());
    Trim();
}

void ChangeLog::Open(const Change& opened) {
    records_.clear();
    cursor_ = 0;
    bytes_ = 0;
    ApplyChange(opened, true);
    NoteDirt(dirt_, opened);
}

void ChangeLog::Clear() {
    records_.clear();
    cursor_ = 0;
    bytes_ = 0;
    dirt_ = LogDirt{};
    dirt_.log = true;
}
