#include "workbench/preview.h"

#include <algorithm>

#include "display/pixmap.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "workbench/directions.h"
#include "workbench/input.h"

using platform::Point;

namespace {

// The pad's three-by-three cells, row by row, with their preview codes.
constexpr int PAD_COLUMNS[3] = {145, 161, 177};
constexpr int PAD_ROWS[3] = {150, 165, 180};
constexpr int PAD_CODES[3][3] = {{2, 3, 4}, {1, 9, 5}, {8, 7, 6}};

bool HitInWindow(const Point& cursor, int x0, int x1, int y0, int y1) {
    return HitArea(cursor, g_state.preview.previewX + x0, g_state.preview.previewX + x1,
                   g_state.preview.previewY + y0, g_state.preview.previewY + y1);
}

// The cell the step counter names; the counter goes back to 1 once it has
// run through the range's span + 1 frames.
int CellForStep(int span, int firstCell) {
    if (g_state.preview.previewStep < 1 || g_state.preview.previewStep > span + 1)
        g_state.preview.previewStep = 1;
    return firstCell + g_state.preview.previewStep - 1;
}

}  // namespace

void PollPreviewButton(int x, int y) {
    if (!HitArea({x, y}, 396, 458, 536, 556) || !KeyActive(platform::kKeyLeftButton)) return;
    if (g_state.preview.previewError == PREVIEW_NOTHING_SEEN)
        g_state.preview.previewError = PREVIEW_NOTICE_SHOWING;
    if (g_state.preview.previewError == PREVIEW_NOTICE_SHOWING)
        ShowPreviewNotice();
    else
        g_state.preview.previewOpen = 1;
}

void ShowPreviewNotice() {
    g_skin.tvError->PutKeyedWork(g_screenBuf, SCREEN_WIDTH, 200, 150);
}

int PreviewWindowTick(int open) {
    DrawPreviewFrame(g_state.preview.previewX, g_state.preview.previewY);
    PlayPreview();
    const Point cursor = RefreshCursor();
    if (KeyDown(platform::kKeyLeftButton)) {
        if (HitInWindow(cursor, 16, 45, 1, 22))
            g_state.preview.previewDelay =
                std::min(g_state.preview.previewDelay + PREVIEW_DELAY_STEP, PREVIEW_DELAY_MAX);
        if (HitInWindow(cursor, 16, 45, 182, 201))
            g_state.preview.previewDelay =
                std::max(g_state.preview.previewDelay - PREVIEW_DELAY_STEP, PREVIEW_DELAY_MIN);
        if (HitInWindow(cursor, 149, 183, 3, 31)) open = 0;
    }
    if (KeyDown(platform::kKeyRightButton)) {
        const Point at = RefreshCursor();
        g_state.preview.previewX = at.x + 30;
        g_state.preview.previewY = at.y + 30;
    }
    return open;
}

void DrawPreviewFrame(int x, int y) {
    g_skin.tv->PutClipped(g_screenBuf, SCREEN_WIDTH, x, y);
    FillRectClipped(g_screenBuf, SCREEN_WIDTH, x + 200, y - 6, x + 221 + g_state.sheet.spriteWidth,
                    y + 10 + g_state.sheet.spriteHeight, PREVIEW_PANEL_COLOUR);
}

void PlayPreview() {
    PollPreviewPad();
    const int knobOffset = -((g_state.preview.previewDelay - 100) / 90);
    const int selector = SelectorForPreviewCode(g_state.preview.previewDirection);
    if (selector == 0) return;
    const int span = g_state.directions.directionCount[selector - 1];
    if (span >= 1)
        g_state.preview.previewDelay =
            PreviewStep(knobOffset, g_state.preview.previewDelay, span,
                        g_state.directions.directionRanges[selector - 1].firstCell);
}

void PollPreviewPad() {
    const Point cursor = RefreshCursor();
    if (!KeyDown(platform::kKeyLeftButton)) return;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const int x0 = PAD_COLUMNS[column];
            const int y0 = PAD_ROWS[row];
            if (HitInWindow(cursor, x0, x0 + 14, y0, y0 + 13))
                g_state.preview.previewDirection = PAD_CODES[row][column];
        }
    }
}

int PreviewWaitMs(int delay) {
    return std::clamp(delay, PREVIEW_DELAY_MIN, PREVIEW_DELAY_MAX) / PREVIEW_DELAY_STEP;
}

// A cell below the sheet's last full row has no frame: the panel stays empty.
int PreviewStep(int knobOffset, int delay, int span, int firstCell) {
    const int cell = CellForStep(span, firstCell);
    const bool hasFrame = CellFitsSheet(cell);
    if (hasFrame) {
        const Point origin = CellOrigin(cell);
        g_spritePictures.preview->GrabSheet(g_sheet, origin.x, origin.y);
    }
    g_skin.delay->PutKeyed(g_screenBuf, SCREEN_WIDTH, g_state.preview.previewX + 8,
                           g_state.preview.previewY + 140 + knobOffset);
    platform::Current().Sleep(static_cast<uint32_t>(PreviewWaitMs(delay)));
    if (hasFrame)
        g_spritePictures.preview->PutClipped(
            g_screenBuf, SCREEN_WIDTH, g_state.preview.previewX + 211, g_state.preview.previewY);
    ++g_state.preview.previewStep;
    return delay;
}
