#include "workbench/directions.h"

#include <cstdint>

#include "display/pixmap.h"
#include "state/skin.h"
#include "state/work.h"
#include "workbench/input.h"
#include "workbench/work_guard.h"

using platform::Point;

// The compass of the bottom pane: top row LeftUp, Up, RightUp; middle row
// Left, No Direction, Right; bottom row LeftDown, Down, RightDown.
const DirectionInfo DIRECTIONS[DIRECTION_COUNT] = {
    {"No Direction", {177, 282, 555, 574}, {205, 530}, {200, 200, 200}, 0, 9, true, 90},
    {"Left", {73, 175, 555, 574}, {105, 530}, {0, 0, 200}, 1, 1, true, 20},
    {"Right", {284, 381, 555, 574}, {305, 530}, {0, 0, 100}, 5, 5, true, 100},
    {"Up", {177, 282, 537, 553}, {205, 510}, {0, 100, 0}, 3, 3, true, 80},
    {"Down", {177, 282, 576, 593}, {205, 550}, {100, 0, 0}, 7, 7, false, FROZEN_STEP},
    {"LeftUp", {73, 175, 537, 553}, {105, 510}, {0, 200, 0}, 2, 2, false, 40},
    {"LeftDown", {73, 175, 576, 593}, {105, 550}, {200, 0, 0}, 8, 8, false, 60},
    {"RightUp", {284, 381, 537, 553}, {305, 510}, {0, 50, 0}, 4, 4, false, 120},
    {"RightDown", {284, 381, 576, 593}, {305, 550}, {50, 0, 0}, 6, 6, false, 140},
};

int SelectorForPreviewCode(int previewCode) {
    for (int i = 0; i < DIRECTION_COUNT; ++i)
        if (DIRECTIONS[i].previewCode == previewCode) return i + 1;
    return 0;
}

int SelectorForFilePosition(int filePosition) {
    for (int i = 0; i < DIRECTION_COUNT; ++i)
        if (DIRECTIONS[i].arrowCode == filePosition) return i + 1;
    return 0;
}

bool CellFitsSheet(int index) {
    const SheetState& sheet = g_state.sheet;
    if (index < 1 || sheet.sheetColumns <= 0) return false;
    // In 64 bits: an index far below the sheet must not overflow the origin.
    const int64_t row = (int64_t{index} - 1) / sheet.sheetColumns;
    return row * sheet.spriteHeight <= SHEET_HEIGHT - sheet.spriteHeight;
}

Point CellOnScreen(int index) {
    const Point origin = CellOrigin(index);
    return {origin.x - g_state.panes.sheetScrollX,
            origin.y + WORK_TOP - g_state.panes.sheetScrollY};
}

namespace {

constexpr int WORK_RIGHT = 600;
constexpr int WORK_BOTTOM = 500;

// Pictures wholly off the work area change nothing on screen; skipping them
// keeps a long range of tiny sprites cheap.
bool ShowsOnWorkArea(const Point& at, int width, int height) {
    return at.x < WORK_RIGHT && at.x + width > 0 && at.y < WORK_BOTTOM && at.y + height > WORK_TOP;
}

bool CellShows(int index) {
    return CellFitsSheet(index) && ShowsOnWorkArea(CellOnScreen(index), g_state.sheet.spriteWidth,
                                                   g_state.sheet.spriteHeight);
}

// The copy comes from the untouched sheet, so tinting a cell twice looks the
// same as tinting it once.
void TintCell(int index, const Tint& tint) {
    if (!CellShows(index)) return;
    const Point origin = CellOrigin(index);
    const Point at = CellOnScreen(index);
    g_spritePictures.cell->GrabSheet(g_sheet, origin.x, origin.y);
    g_spritePictures.cell->PutAdditive(g_screenBuf, SCREEN_WIDTH, at.x, at.y, tint.red, tint.green,
                                       tint.blue);
}

// An arrow may be larger than its cell, so it shows whenever its own
// picture reaches the work area, even from a cell just off it.
void DrawArrow(int index, int selector) {
    if (!CellFitsSheet(index)) return;
    const CPixmap* arrow = g_skin.arrow[selector - 1];
    const Point at = CellOnScreen(index);
    if (!ShowsOnWorkArea(at, arrow->Width(), arrow->Height())) return;
    arrow->PutKeyedWork(g_screenBuf, SCREEN_WIDTH, at.x, at.y);
}

void DrawConfirmedRange(int selector) {
    const DirectionRange& range = g_state.directions.directionRanges[selector - 1];
    const int span = g_state.directions.directionCount[selector - 1];
    if (range.state != RANGE_CONFIRMED || span < 2) return;
    const Tint& tint = DIRECTIONS[selector - 1].tint;
    TintCell(range.firstCell, tint);
    for (int step = 1; step <= span; ++step) {
        DrawArrow(range.firstCell + step, selector);
        g_state.preview.previewError = PREVIEW_RANGE_SEEN;
    }
    TintCell(range.firstCell + span, tint);
}

void CommitMarking(int slot, const DirectionRange& before, int countBefore) {
    RangeDraft& draft = g_state.directions.drafts[slot];
    const RangeEdit edit{
        slot, draft.open ? draft.range : before, g_state.directions.directionRanges[slot],
        draft.open ? draft.count : countBefore, g_state.directions.directionCount[slot]};
    draft.open = false;
    if (edit.before == edit.after && edit.countBefore == edit.countAfter) {
        g_changeLog.Dirt().extras = true;  // the marking ended; the work is as it was
        return;
    }
    Change change;
    change.kind = ChangeKind::MarkRanges;
    change.ranges.push_back(edit);
    g_changeLog.Do(std::move(change));
}

// Space and the right button while a range is being marked; a confirmed
// range is one change in the log.
void ConfirmOrReset(int slot, DirectionRange& range, int& span) {
    const DirectionRange before = range;
    const int countBefore = span;
    const bool confirmed = KeyActive(platform::kKeySpace);
    if (confirmed) {
        range.lastCell = TrackCellUnderCursor();
        span = range.lastCell - range.firstCell;
        range.state = RANGE_CONFIRMED;
    }
    if (KeyPressed(platform::kKeyRightButton)) {
        range.state = RANGE_AWAIT_FIRST;
        span = 0;
    } else if (confirmed) {
        CommitMarking(slot, before, countBefore);
    }
}

void ContinueMarking(int selector) {
    DirectionRange& range = g_state.directions.directionRanges[selector - 1];
    int& span = g_state.directions.directionCount[selector - 1];
    const bool held = KeyDown(platform::kKeyLeftButton);
    if (held) {
        DrawLiveRange(selector);
        range.lastCell = TrackCellUnderCursor();
        span = range.lastCell - range.firstCell;
    }
    if (held || !DIRECTIONS[selector - 1].confirmsOnlyWhileHeld)
        ConfirmOrReset(selector - 1, range, span);
}

}  // namespace

void UpdateDirectionRanges() {
    const int selector = g_state.directions.direction;
    if (selector < 1 || selector > DIRECTION_COUNT) return;
    DirectionRange& range = g_state.directions.directionRanges[selector - 1];
    if (g_state.directions.directionPick != DIRECTION_PICK_TAKEN &&
        g_state.directions.directionPick == selector) {
        if (RefusedWhileFrozen()) {
            g_state.directions.directionPick = DIRECTION_PICK_TAKEN;
            return;
        }
        g_changeLog.Dirt().extras = true;
        RangeDraft& draft = g_state.directions.drafts[selector - 1];
        if (!draft.open) draft = {true, range, g_state.directions.directionCount[selector - 1]};
        range.state = RANGE_AWAIT_FIRST;
        g_state.directions.directionCount[selector - 1] = 0;
        g_state.directions.directionPick = DIRECTION_PICK_TAKEN;
    }
    TrackCellUnderCursor();
    const DirectionRange live = range;
    const int liveCount = g_state.directions.directionCount[selector - 1];
    if (range.state == RANGE_AWAIT_FIRST && KeyDown(platform::kKeyLeftButton)) {
        range.firstCell = TrackCellUnderCursor();
        range.state = RANGE_MARKING;
    } else if (range.state == RANGE_MARKING) {
        ContinueMarking(selector);
    }
    // The range being marked is kept with the work, apart from it.
    if (!(live == range) || liveCount != g_state.directions.directionCount[selector - 1])
        g_changeLog.Dirt().extras = true;
}

void DropMarkings() {
    for (int slot = 0; slot < DIRECTION_COUNT; ++slot) {
        RangeDraft& draft = g_state.directions.drafts[slot];
        if (!draft.open) continue;
        g_changeLog.Dirt().extras = true;
        g_state.directions.directionRanges[slot] = draft.range;
        g_state.directions.directionCount[slot] = draft.count;
        draft.open = false;
    }
}

void DrawLiveRange(int selector) {
    const DirectionRange& range = g_state.directions.directionRanges[selector - 1];
    const int span = g_state.directions.directionCount[selector - 1];
    if (span < 1) return;
    for (int step = 0; step <= span; ++step)
        TintCell(range.firstCell + step, DIRECTIONS[selector - 1].tint);
}

void DrawConfirmedRanges() {
    for (int selector = 1; selector <= DIRECTION_COUNT; ++selector) DrawConfirmedRange(selector);
}

void DrawDirectionCheck() {
    if (g_state.directions.direction < 1 || g_state.directions.direction > DIRECTION_COUNT) return;
    const Point at = DIRECTIONS[g_state.directions.direction - 1].check;
    g_skin.check->PutKeyed(g_screenBuf, SCREEN_WIDTH, at.x, at.y);
}
