#include "workbench/input.h"

#include <algorithm>
#include <array>

#include "display/ddraw.h"
#include "display/pixmap.h"
#include "state/work.h"

using platform::Point;

namespace {

// Keys whose press the platform reported during this tick. A tap (down and
// up again between two ticks) is reported once, to the first poll; the latch
// makes every later poll of the same tick read it as down too, so a handler
// that asks only "down" still sees the click.
std::array<bool, 256> g_tappedThisTick{};

platform::KeyPoll Poll(int code) {
    platform::KeyPoll poll = platform::Current().PollKey(code);
    if (code < 0 || code >= static_cast<int>(g_tappedThisTick.size())) return poll;
    if (poll.pressed) g_tappedThisTick[code] = true;
    poll.down = poll.down || g_tappedThisTick[code];
    return poll;
}

}  // namespace

void BeginInputTick() {
    g_tappedThisTick.fill(false);
}

bool KeyDown(int code) {
    return Poll(code).down;
}

bool KeyPressed(int code) {
    return Poll(code).pressed;
}

bool PressedThisTick(int code) {
    Poll(code);
    return code >= 0 && code < static_cast<int>(g_tappedThisTick.size()) && g_tappedThisTick[code];
}

bool KeyActive(int code) {
    const platform::KeyPoll poll = Poll(code);
    return poll.down || poll.pressed;
}

Point RefreshCursor() {
    g_cursor = platform::Current().CursorPos();
    return g_cursor;
}

bool Hit(const Point& point, int left, int top, int right, int bottom) {
    return left < point.x && point.x < right && top < point.y && point.y < bottom;
}

bool Hit(const Point& point, const HitBox& box) {
    return Hit(point, box.left, box.top, box.right, box.bottom);
}

bool HitArea(const Point& point, int x0, int x1, int y0, int y1) {
    return Hit(point, x0 - 1, y0 - 1, x1 + 1, y1 + 1);
}

int CellIndexAt(int x, int y) {
    const int sx = x + g_state.panes.sheetScrollX;
    const int sy = y - WORK_TOP + g_state.panes.sheetScrollY;
    const SheetState& sheet = g_state.sheet;
    return sx / sheet.spriteWidth + 1 + (sy / sheet.spriteHeight) * sheet.sheetColumns;
}

int TrackCellUnderCursor() {
    g_state.directions.cellIndex = CellIndexAt(g_cursor.x, g_cursor.y);
    return g_state.directions.cellIndex;
}

Point CellOrigin(int index) {
    return {((index - 1) % g_state.sheet.sheetColumns) * g_state.sheet.spriteWidth,
            ((index - 1) / g_state.sheet.sheetColumns) * g_state.sheet.spriteHeight};
}

void PollScrollKeys(int focus) {
    if (g_state.edit.workMode == MODE_PLACE && focus == 2)
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
    if (KeyActive(platform::kKeyLeft))
        g_state.panes.sheetScrollX = StepBack(g_state.panes.sheetScrollX, 20);
    if (KeyActive(platform::kKeyRight))
        g_state.panes.sheetScrollX =
            StepForward(g_state.panes.sheetScrollX, 20, SHEET_SCROLL_MAX_X - 1, SHEET_SCROLL_MAX_X);
    if (KeyActive(platform::kKeyUp))
        g_state.panes.sheetScrollY = StepBack(g_state.panes.sheetScrollY, 20);
    if (KeyActive(platform::kKeyDown))
        g_state.panes.sheetScrollY =
            StepForward(g_state.panes.sheetScrollY, 20, SHEET_SCROLL_MAX_Y - 1, SHEET_SCROLL_MAX_Y);
}

void ScrollPicturePane() {
    if (KeyActive(platform::kKeyLeft))
        g_state.panes.pictureScrollX = StepBack(g_state.panes.pictureScrollX, 4);
    if (KeyActive(platform::kKeyRight))
        g_state.panes.pictureScrollX = StepForward(g_state.panes.pictureScrollX, 4,
                                                   PICTURE_SCROLL_MAX_X, PICTURE_SCROLL_MAX_X);
    if (KeyActive(platform::kKeyUp))
        g_state.panes.pictureScrollY = StepBack(g_state.panes.pictureScrollY, 1);
    // The pane is 500 rows high and the picture 480: there is nothing below to
    // scroll to, so Down does nothing here.
}

void SelectFocusPane() {
    if (KeyActive(platform::kKeyLeftButton)) {
        const Point cursor = RefreshCursor();
        if (g_state.edit.workMode == MODE_PLACE && cursor.x >= 601 && cursor.y <= 499)
            g_state.panes.focusPane = FOCUS_PICTURE;
        if (cursor.x <= 599 && cursor.y <= 529) g_state.panes.focusPane = FOCUS_SHEET;
    }
    CSurface* back = g_screen.GetBackSurface();
    if (!back) return;
    uint16_t* pixels = back->Lock();
    if (pixels) {
        if (g_state.panes.focusPane == FOCUS_SHEET)
            FrameRect(pixels, 0, 30, 600, 530, FOCUS_OUTLINE_COLOUR);
        if (g_state.edit.workMode == MODE_PLACE && g_state.panes.focusPane == FOCUS_PICTURE)
            FrameRect(pixels, 600, 30, 800, 530, FOCUS_OUTLINE_COLOUR);
    }
    back->Unlock();
}

void PollOpenPictureButton() {
    if (g_state.panes.focusPane == FOCUS_PICTURE && KeyActive(platform::kKeyLeftButton)) {
        if (HitArea(RefreshCursor(), 609, 689, 11, 24)) g_state.panes.openPictureRequest = 1;
    }
}

namespace {

struct ViewSeen {
    int mode = 0, direction = 0, scroll[4] = {};
    bool operator==(const ViewSeen& o) const {
        return mode == o.mode && direction == o.direction &&
               std::equal(scroll, scroll + 4, o.scroll);
    }
};
ViewSeen g_viewSeen;

}  // namespace

void NoteViewChanges() {
    const PaneState& panes = g_state.panes;
    const ViewSeen now{
        g_state.edit.workMode,
        g_state.directions.direction,
        {panes.sheetScrollX, panes.sheetScrollY, panes.pictureScrollX, panes.pictureScrollY}};
    if (now == g_viewSeen) return;
    g_viewSeen = now;
    g_changeLog.Dirt().extras = true;
}
