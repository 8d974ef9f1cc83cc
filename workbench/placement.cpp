#include "workbench/placement.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "display/pixmap.h"
#include "formats/picture.h"
#include "state/change_log.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "workbench/colour_mark.h"
#include "workbench/file_dialogs.h"
#include "workbench/input.h"
#include "workbench/picture_boxes.h"
#include "workbench/queue_flow.h"

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

void PlaceWorkingImage() {
    if (g_state.edit.workMode != MODE_PLACE) return;
    ScrollSheet();
    const platform::Point cursor = RefreshCursor();
    const int sx = cursor.x + g_state.panes.sheetScrollX;
    const int sy = cursor.y - WORK_TOP + g_state.panes.sheetScrollY;
    if (g_state.sheet.cellX < sx && sx < g_state.sheet.cellRight && g_state.sheet.cellY < sy &&
        sy < g_state.sheet.cellBottom) {
        if (platform::Current().HeldModifiers() & platform::kModShift) {
            PlaceQueuedBatch();
            return;
        }
        const PlacementMark before = CurrentPlacementMark();
        const int cell = MarkedCell(before);
        Change change;
        change.cells.push_back({cell, CellPixels(cell), WorkingPixels()});
        AddMarkMove(change, before, MarkAfterPlacing(before));
        g_changeLog.Do(std::move(change));
        g_state.panes.carrying = 0;
        if (before.sheetHasRoom == 1) PicturePlaced(cell);
    }
}

PlacementMark MarkAfterPlacing(PlacementMark mark) {
    if (mark.sheetHasRoom != 1) return mark;
    ++mark.placedCount;
    mark.cellX += g_state.sheet.spriteWidth;
    if (mark.cellX + g_state.sheet.spriteWidth > SHEET_WIDTH) {
        mark.cellX = 0;
        mark.cellY += g_state.sheet.spriteHeight;
    }
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
    CellEdit marking{cell, CellPixels(cell), {}};
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
    g_state.panes.pictureChanged = true;
    if (answer.paths.size() > 1) {
        OpenChosenPictures(answer.paths);
        return true;
    }
    // A file refused while decoding has already cleared the pane, which is
    // written again all the same.
    if (!LoadPictureIntoBuffer(g_pictureBuf, answer.path)) return true;
    g_spritePictures.working->GrabPicture(g_pictureBuf, 0, 0, g_state.sheet.spriteWidth,
                                          g_state.sheet.spriteHeight);
    g_state.queue.shown = answer.path;
    g_state.queue.shownPlaced = false;
    return true;
}

void MarkPlacementCell(uint16_t* block, int pitch) {
    g_state.sheet.cellRight = g_state.sheet.cellX + g_state.sheet.spriteWidth;
    g_state.sheet.cellBottom = g_state.sheet.cellY + g_state.sheet.spriteHeight;
    FillRect(block, pitch, g_state.sheet.cellX, g_state.sheet.cellY, g_state.sheet.cellRight,
             g_state.sheet.cellBottom, PLACEMENT_MARK);
}
