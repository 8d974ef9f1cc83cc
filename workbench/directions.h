#pragma once
// Animate mode: for each of the nine directions a run of consecutive sheet
// cells, chosen on the compass of the bottom pane, marked by press, drag and
// Space, and shown tinted with arrows on the sheet pane.

#include "platform/platform.h"
#include "state/editor_state.h"

enum RangeState : int {
    RANGE_UNSET = 0,
    RANGE_AWAIT_FIRST = 1,
    RANGE_MARKING = 2,
    RANGE_CONFIRMED = 3,
};

// g_state.directions.directionPick once UpdateDirectionRanges has taken the pick up.
constexpr int DIRECTION_PICK_TAKEN = 10;

struct Area {
    int x0, x1, y0, y1;  // inclusive pixel ranges
};

struct Tint {
    int red, green, blue;
};

// Everything that differs between the nine directions. The entries are in
// selector-code order (code = index + 1), the order of g_state.directions.directionRanges,
// g_state.directions.directionCount and g_skin.arrow.
struct DirectionInfo {
    const char* name;
    Area button;
    platform::Point check;
    Tint tint;
    int arrowCode;    // the sprite file's order, 0 = No Direction ... 8 = LeftDown
    int previewCode;  // the preview pad's code
    // No Direction, Left, Right and Up take Space and the right button only
    // while the left button is down; the others on every tick of the marking.
    bool confirmsOnlyWhileHeld;
    int gatherStep;  // the freeze step at which its strip is gathered
};

extern const DirectionInfo DIRECTIONS[DIRECTION_COUNT];

// The selector code (1 to 9) of a preview code, or 0 for none.
int SelectorForPreviewCode(int previewCode);
// The selector code (1 to 9) of a position in the sprite file's order.
int SelectorForFilePosition(int filePosition);

// The freeze step that gathers the last strip and makes saving possible.
constexpr int FROZEN_STEP = 150;

// Whether the cell lies wholly inside g_sheet. Indices below 1 or past the
// sheet's last full row name no cell, whatever CellOrigin makes of them.
bool CellFitsSheet(int index);
// Where a cell shows on screen with the current sheet scroll.
platform::Point CellOnScreen(int index);

// Picking a direction starts a new marking of its range; Space confirms it
// as one change in the log.
void UpdateDirectionRanges();
// Puts back what every marking under way replaced, leaving none half-done.
void DropMarkings();
void DrawLiveRange(int selector);
void DrawConfirmedRanges();
void DrawDirectionCheck();
