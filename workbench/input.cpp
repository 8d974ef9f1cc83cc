#include "workbench/input.h"

#include "display/ddraw.h"
#include "display/pixmap.h"
#include "state/editor_state.h"

using platform::Point;

bool KeyDown(int code) {
    return platform::Current().PollKey(code).down;
}

bool KeyPressed(int code) {
    return platform::Current().PollKey(code).pressed;
}

bool KeyActive(int code) {
    const platform::KeyPoll poll = platform::Current().PollKey(code);
    return poll.down || poll.pressed;
}

Point RefreshCursor() {
    g_cursor = platform::Current().CursorPos();
    return g_cursor;
}

bool Hit(const Point& point, int left, int top, int right, int bottom) {
    return left < point.x && point.x < right && top < point.y && point.y < bottom;
}

bool HitArea(const Point& point, int x0, int x1, int y0, int y1) {
    return Hit(point, x0 - 1, y0 - 1, x1 + 1, y1 + 1);
}

int CellIndexAt(int x, int y) {
    const int sx = x + g_sheetScrollX;
    const int sy = y - WORK_TOP + g_sheetScrollY;
    g_cellIndex = sx / g_spriteWidth + 1 + (sy / g_spriteHeight) * g_sheetColumns;
    return g_cellIndex;
}

Point CellOrigin(int index) {
    return {((index - 1) % g_sheetColumns) * g_spriteWidth,
            ((index - 1) / g_sheetColumns) * g_spriteHeight};
}

void PollScrollKeys(int focus) {
    if (g_workMode == MODE_PLACE && focus == 2)
        ScrollPicturePane();
    else if (focus == 1)
        ScrollSheet();
}

namespace {

int StepBack(int value, int step) {
    return value - step > 0 ? value - step : 0;
}

// Forward steps stop at `max`; once at or past `turn` the value settles on
// `turn`, which is why the sheet goes 780, 800, then 799.
int StepForward(int value, int step, int turn, int max) {
    if (value >= turn) return turn;
    return value + step < max ? value + step : max;
}

}  // namespace

void ScrollSheet() {
    if (KeyActive(platform::kKeyLeft)) g_sheetScrollX = StepBack(g_sheetScrollX, 20);
    if (KeyActive(platform::kKeyRight))
        g_sheetScrollX =
            StepForward(g_sheetScrollX, 20, SHEET_SCROLL_MAX_X - 1, SHEET_SCROLL_MAX_X);
    if (KeyActive(platform::kKeyUp)) g_sheetScrollY = StepBack(g_sheetScrollY, 20);
    if (KeyActive(platform::kKeyDown))
        g_sheetScrollY =
            StepForward(g_sheetScrollY, 20, SHEET_SCROLL_MAX_Y - 1, SHEET_SCROLL_MAX_Y);
}

void ScrollPicturePane() {
    if (KeyActive(platform::kKeyLeft)) g_pictureScrollX = StepBack(g_pictureScrollX, 4);
    if (KeyActive(platform::kKeyRight))
        g_pictureScrollX =
            StepForward(g_pictureScrollX, 4, PICTURE_SCROLL_MAX_X, PICTURE_SCROLL_MAX_X);
    if (KeyActive(platform::kKeyUp)) g_pictureScrollY = StepBack(g_pictureScrollY, 1);
    // The pane is 500 rows high and the picture 480: there is nothing below to
    // scroll to, so Down does nothing here.
}

void SelectFocusPane() {
    if (KeyActive(platform::kKeyLeftButton)) {
        const Point cursor = RefreshCursor();
        if (g_workMode == MODE_PLACE && cursor.x >= 601 && cursor.y <= 499) g_focusPane = 2;
        if (cursor.x <= 599 && cursor.y <= 529) g_focusPane = 1;
    }
    CSurface* back = g_screen.GetBackSurface();
    if (!back) return;
    uint16_t* pixels = back->Lock();
    if (pixels) {
        if (g_focusPane == 1) FrameRect(pixels, 0, 30, 600, 530, FOCUS_OUTLINE_COLOUR);
        if (g_workMode == MODE_PLACE && g_focusPane == 2)
            FrameRect(pixels, 600, 30, 800, 530, FOCUS_OUTLINE_COLOUR);
    }
    back->Unlock();
}

void PollOpenPictureButton() {
    if (g_focusPane == 2 && KeyActive(platform::kKeyLeftButton)) {
        if (HitArea(RefreshCursor(), 609, 689, 11, 24)) g_openPictureRequest = 1;
    }
}
