#include "workbench/placement.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "display/pixmap.h"
#include "formats/picture.h"
#include "state/skin.h"
#include "state/work.h"
#include "workbench/colour_mark.h"
#include "workbench/file_dialogs.h"
#include "workbench/input.h"
#include "workbench/picture_boxes.h"
#include "workbench/queue_flow.h"
#include "workbench/work_guard.h"

namespace {

constexpr int SHEET_PANE_WIDTH = 600;
constexpr int PICTURE_PANE_X = 600;
constexpr int PICTURE_PANE_WIDTH = 200;

// Copies `rows` rows of `width` pixels from (x, y) of a source block to (dx, dy)
// of the screen. Source rows outside the block show black.
void CopyPaneRows(const uint16_t* source, int pitch, int sourceRows, int x, int y, int width,
                  int dx, int dy) {
    for (int row = 0; row < PANE_ROWS; ++row) {
        uint16_t* target = g_screenBuf + (dy + row) * SCREEN_WIDTH + dx;
        const int sourceRow = y + row;
        if (sourceRow < 0 || sourceRow >= sourceRows) {
            std::fill(target, target + width, 0);
            continue;
        }
        std::memcpy(target, source + sourceRow * pitch + x, width * sizeof(uint16_t));
    }
}

}  // namespace

void DrawSheetPane() {
    if (g_state.sheet.sheetHasRoom == 1) MarkPlacementCell(g_sheet, SHEET_WIDTH);
    CopyPaneRows(g_sheet, SHEET_WIDTH, SHEET_HEIGHT, g_state.panes.sheetScrollX,
                 g_state.panes.sheetScrollY, SHEET_PANE_WIDTH, 0, WORK_TOP);
}

void DrawPicturePane() {
    if (g_state.edit.workMode == MODE_PLACE) {
        TestCarry(g_state.sheet.spriteWidth, g_state.sheet.spriteHeight);
        if (g_state.panes.carrying == 0)
            g_spritePictures.working->PutPicture(g_pictureBuf, 0, 0);
        else
            g_spritePictures.working->PutTinted(g_pictureBuf, PICTURE_WIDTH, 0, 0, 2);
    }
    CopyPaneRows(g_pictureBuf, PICTURE_WIDTH, PICTURE_HEIGHT, g_state.panes.pictureScrollX,
                 g_state.panes.pictureScrollY, PICTURE_PANE_WIDTH, PICTURE_PANE_X, WORK_TOP);
    if (g_state.edit.workMode == MODE_PLACE) DrawQueueCount();
    DrawColourMark();
}

void TestCarry(int width, int height) {
    if (g_state.panes.focusPane == FOCUS_PICTURE && KeyActive(platform::kKeyLeftButton)) {
        const platform::Point cursor = RefreshCursor();
        g_state.panes.carrying = HitArea(cursor, 601, 599 + width, 31, 29 + height) ? 1 : 0;
    }
}

void DrawCarried(int width, int height) {
    if (g_cursor.x + width + 5 > SCREEN_WIDTH) g_cursor.x = SCREEN_WIDTH - (width + 5);
    if (g_cursor.y + height + 5 > SCREEN_HEIGHT) g_cursor.y = SCREEN_HEIGHT - (height + 5);
    // A cursor above or left of the screen would draw outside it; the image
    // stays at the screen's edge instead.
    g_cursor.x = std::max(g_cursor.x, 0);
    g_cursor.y = std::max(g_cursor.y, 0);
    g_spritePictures.working->PutDarkened(g_screenBuf, SCREEN_WIDTH, g_cursor.x, g_cursor.y);
}

namespace {

int MarkedCell(const PlacementMark& mark) {
    return (mark.cellY / g_state.sheet.spriteHeight) * g_state.sheet.sheetColumns +
           mark.cellX / g_state.sheet.spriteWidth;
}

std::vector<uint16_t> WorkingPixels() {
    const CPixmap& working = *g_spritePictures.working;
    return {working.GetBits(), working.GetBits() + working.Width() * working.Height()};
}

}  // namespace

namespace {

constexpr const char* SHEET_FULL_TEXT =
    "The sheet is full: no more frames can be placed. Freeze and save this sprite.";

// A placement of the pane's picture into the marked cell, and of each
// picture behind it while `batch` and the sheet has room: one change.
void PlacePictures(bool batch) {
    const PlacementMark before = CurrentPlacementMark();
    QueueState& queue = g_state.queue;
    const std::vector<std::string> unplaced = UnplacedPictures(queue);
    Change change;
    change.queue = QueueMove{};
    QueueMove& move = *change.queue;
    move.restBefore = queue.shown;
    size_t next = 0;
    if (!queue.shownPlaced && !queue.shown.empty()) move.taken.push_back(unplaced[next++]);
    std::string name = queue.shown;
    std::vector<std::string> skipped;
    PlacementMark mark = before;
    for (;;) {
        const int cell = MarkedCell(mark);
        change.cells.push_back({cell, CellPixels(cell), WorkingPixels(), CellName(cell), name});
        move.restAfter = name;
        mark = MarkAfterPlacing(mark);
        if (!batch || mark.sheetHasRoom != 1) break;
        bool loaded = false;
        while (!loaded && next < unplaced.size()) {
            const std::string& path = unplaced[next++];
            move.taken.push_back(path);
            const std::optional<std::string> refusal = PictureRefusal(path);
            if (refusal)
                skipped.push_back(RefusalLine(path, *refusal));
            else if ((loaded = LoadIntoPane(path)))
                name = path;
        }
        if (!loaded) break;
    }
    AddMarkMove(change, before, mark);
    g_changeLog.Do(std::move(change));
    g_state.panes.carrying = 0;
    SyncPicturePane();
    ShowSkipped(skipped);
}

}  // namespace

void PlaceWorkingImage() {
    if (g_state.edit.workMode != MODE_PLACE) return;
    ScrollSheet();
    const platform::Point cursor = RefreshCursor();
    const int sx = cursor.x + g_state.panes.sheetScrollX;
    const int sy = cursor.y - WORK_TOP + g_state.panes.sheetScrollY;
    if (!(g_state.sheet.cellX < sx && sx < g_state.sheet.cellRight && g_state.sheet.cellY < sy &&
          sy < g_state.sheet.cellBottom))
        return;
    // One box a press: the button may stay down over the mark for many ticks.
    const bool pressed = PressedThisTick(platform::kKeyLeftButton);
    if (!WorkCanChange()) {
        if (pressed) RefusedWhileFrozen();
        return;
    }
    if (g_state.sheet.sheetHasRoom != 1 || !RowHasRoom(g_state.sheet.cellY)) {
        if (pressed)
            platform::Current().MessageBox(SHEET_FULL_TEXT, "The sheet is full",
                                           platform::BoxButtons::Ok);
        return;
    }
    PlacePictures((platform::Current().HeldModifiers() & platform::kModShift) != 0);
}

PlacementMark MarkAfterPlacing(PlacementMark mark) {
    if (mark.sheetHasRoom != 1) return mark;
    ++mark.placedCount;
    mark.cellX += g_state.sheet.spriteWidth;
    if (mark.cellX + g_state.sheet.spriteWidth > SHEET_WIDTH) {
        mark.cellX = 0;
        mark.cellY += g_state.sheet.spriteHeight;
    }
    if (!RowHasRoom(mark.cellY)) mark.sheetHasRoom = 0;
    return mark;
}

PlacementMark MarkAfterFrames(int64_t frames) {
    PlacementMark mark;
    const int columns = SHEET_WIDTH / g_state.sheet.spriteWidth;
    mark.placedCount = static_cast<int>(frames);
    mark.cellX = static_cast<int>(frames % columns) * g_state.sheet.spriteWidth;
    mark.cellY = static_cast<int>(frames / columns) * g_state.sheet.spriteHeight;
    mark.sheetHasRoom = RowHasRoom(mark.cellY) ? 1 : 0;
    return mark;
}

bool RowHasRoom(int cellY) {
    return cellY + 2 * g_state.sheet.spriteHeight <= SHEET_HEIGHT - 2 * g_state.sheet.spriteHeight;
}

void AddMarkMove(Change& change, const PlacementMark& before, const PlacementMark& after) {
    change.markBefore = before;
    change.markAfter = after;
    if (after.sheetHasRoom != 1) return;
    const int cell = MarkedCell(after);
    CellEdit marking{cell, CellPixels(cell), {}, CellName(cell), CellName(cell)};
    marking.after.assign(marking.before.size(), PLACEMENT_MARK);
    change.cells.push_back(std::move(marking));
}

std::string NextPictureTitle() {
    char title[128];
    std::snprintf(title, sizeof title,
                  "Already Working Image Size Fixed!, Read Only %d X %d -Brisk_Wren :)",
                  g_state.sheet.spriteWidth, g_state.sheet.spriteHeight);
    return title;
}

bool OpenNextPicture() {
    const platform::DialogResult answer = AskPictureFileNames(NextPictureTitle());
    g_state.panes.openPictureRequest = 0;
    if (answer.outcome != platform::DialogOutcome::Chosen) return false;
    OpenChosenPictures(answer.paths.empty() ? std::vector<std::string>{answer.path} : answer.paths);
    return true;
}

void MarkPlacementCell(uint16_t* block, int pitch) {
    g_state.sheet.cellRight = g_state.sheet.cellX + g_state.sheet.spriteWidth;
    g_state.sheet.cellBottom = g_state.sheet.cellY + g_state.sheet.spriteHeight;
    FillRect(block, pitch, g_state.sheet.cellX, g_state.sheet.cellY, g_state.sheet.cellRight,
             g_state.sheet.cellBottom, PLACEMENT_MARK);
}
