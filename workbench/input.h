#pragma once
// The polling rules every workbench handler follows: key facts, hit tests,
// sheet cell numbering, the focus and the two arrow-key scrollers.

#include "platform/platform.h"

// Starts a tick: a key tapped during the previous tick reads as up again.
void BeginInputTick();

// One poll of a key; the pressed-since-last-poll fact is cleared by it. A
// key pressed since the tick began reads as down for the rest of the tick,
// even when it was released before the tick ran.
bool KeyDown(int code);     // held now
bool KeyPressed(int code);  // went down since the previous poll
bool KeyActive(int code);   // either of the two
// Went down during this tick, however often it was polled since.
bool PressedThisTick(int code);

// Reads the cursor into g_cursor and returns it.
platform::Point RefreshCursor();

// A button's rectangle, hit strictly inside all four edges.
struct HitBox {
    int left, top, right, bottom;
};

// Strict test on all four sides: left < x < right and top < y < bottom.
bool Hit(const platform::Point& point, int left, int top, int right, int bottom);
bool Hit(const platform::Point& point, const HitBox& box);
// The same for an area given as inclusive pixel ranges x0..x1, y0..y1.
bool HitArea(const platform::Point& point, int x0, int x1, int y0, int y1);

constexpr uint16_t FOCUS_OUTLINE_COLOUR = 25800;
constexpr int SHEET_SCROLL_MAX_X = 800;  // the 600 x 500 view stays inside 1400 x 2500
constexpr int SHEET_SCROLL_MAX_Y = 2000;
constexpr int PICTURE_SCROLL_MAX_X = 440;  // the pane shows 200 of the picture's 640 columns

// The 1-based sheet cell under a screen point, with the current sheet scroll.
int CellIndexAt(int x, int y);
// The cell under g_cursor, remembered as the directions' cellIndex.
int TrackCellUnderCursor();
platform::Point CellOrigin(int index);

void PollScrollKeys(int focus);
void ScrollSheet();
void ScrollPicturePane();
void SelectFocusPane();
void PollOpenPictureButton();

// At the end of a tick: the mode, the direction picked or a scroll position
// moved, so the store keeps them with the work.
void NoteViewChanges();
