#include <algorithm>

#include "display/pixmap.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/input.h"

using platform::kKeyLeftButton;
using platform::kKeyRightButton;
using platform::kKeySpace;
using platform::Point;

namespace {

enum Selector { LEFT = 2, UP = 4, DOWN = 5 };

// The sheet is one flat grey (5-6-5 red 8, green 16, blue 8); Left adds 200
// blue, Down 100 red, saturating. Arrows are flat green with their left half
// a hole.
constexpr uint16_t kGrey = 0x4208, kLeftTint = 0x421F, kDownTint = 0xA208, kArrow = 0x07E0;

class RangeTest : public SessionTest {
  protected:
    void Start(int width, int height) {
        StartWith(WriteGradient("first.pcx", width, height));
        Click(width / 2, WORK_TOP + height / 2);
        std::fill_n(g_sheet, SHEET_WIDTH * SHEET_HEIGHT, kGrey);
        for (CPixmap* arrow : g_imgArrow)
            for (int i = 0; i < arrow->Width() * arrow->Height(); ++i)
                arrow->GetBits()[i] = i % arrow->Width() < 10 ? 0 : kArrow;
        g_state.sheet.sheetHasRoom = 0;
        Click(740, 520);
        ASSERT_EQ(g_state.edit.workMode, MODE_ANIMATE);
    }
    void Choose(int selector) {
        const Area& b = DIRECTIONS[selector - 1].button;
        Click(b.x0 + 5, b.y0 + 5);
        Tick();
    }
    void MoveToCell(int index) {
        const Point at = CellOnScreen(index);
        MoveTo(at.x + g_state.sheet.spriteWidth / 2, at.y + g_state.sheet.spriteHeight / 2);
    }
    // Press on `first`, drag to `last`, Space; the left button stays down.
    void Mark(int first, int last, bool space = true) {
        MoveToCell(first);
        Hold(kKeyLeftButton, true);
        Tick();
        MoveToCell(last);
        Ticks(2);
        if (!space) return;
        script.TapKey(kKeySpace);
        Tick();
    }
    // A pixel in the arrow's half of a cell.
    static uint16_t CellShows(int index) {
        const Point at = CellOnScreen(index);
        return g_screenBuf[(at.y + 5) * SCREEN_WIDTH + at.x + 15];
    }
    const DirectionRange& Range(int selector) {
        return g_state.directions.directionRanges[selector - 1];
    }
    int Span(int selector) { return g_state.directions.directionCount[selector - 1]; }
};

TEST_F(RangeTest, MarkedRunShowsTintedEndsAndArrowsBetween) {
    Start(40, 30);
    Choose(LEFT);
    Mark(5, 9, false);
    EXPECT_EQ(CellShows(8), kLeftTint) << "tinted while the button is held";
    EXPECT_EQ(CellShows(10), kGrey);
    script.TapKey(kKeySpace);
    Tick();
    EXPECT_EQ(Range(LEFT).state, RANGE_CONFIRMED);
    EXPECT_EQ(Range(LEFT).firstCell, 5);
    EXPECT_EQ(Span(LEFT), 4);
    Hold(kKeyLeftButton, false);
    MoveTo(300, 596);
    Tick();
    const uint16_t expected[] = {kGrey, kLeftTint, kArrow, kArrow, kArrow, kLeftTint, kGrey};
    for (int cell = 4; cell <= 10; ++cell) EXPECT_EQ(CellShows(cell), expected[cell - 4]) << cell;
    // A later direction over the same cells draws over the earlier one.
    Choose(DOWN);
    Mark(7, 9);
    Hold(kKeyLeftButton, false);
    Tick();
    EXPECT_EQ(CellShows(6), kArrow);
    EXPECT_EQ(CellShows(7), kDownTint);
    EXPECT_EQ(CellShows(9), kDownTint);
    // Backwards, nothing is drawn.
    Choose(UP);
    Mark(40, 37);
    Hold(kKeyLeftButton, false);
    Tick();
    EXPECT_EQ(Span(UP), -3);
    for (int cell = 36; cell <= 41; ++cell) EXPECT_EQ(CellShows(cell), kGrey) << cell;
}

// Up and Left take Space and the right button only while the left is held;
// Down takes them always.
TEST_F(RangeTest, SpaceAndResetWhileHeldOrAlways) {
    Start(40, 30);
    for (int selector : {UP, LEFT, DOWN}) {
        const bool always = selector == DOWN;
        Choose(selector);
        Mark(5, 8, false);
        Hold(kKeyLeftButton, false);
        MoveToCell(11);
        script.TapKey(kKeySpace);
        Tick();
        EXPECT_EQ(Range(selector).state, always ? RANGE_CONFIRMED : RANGE_MARKING) << selector;
        EXPECT_EQ(Span(selector), always ? 6 : 3) << selector;
        Choose(selector);
        Mark(5, 8, false);
        Hold(kKeyLeftButton, false);
        Tick();
        script.TapKey(kKeyRightButton);
        Tick();
        EXPECT_EQ(Range(selector).state, always ? RANGE_AWAIT_FIRST : RANGE_MARKING) << selector;
    }
}

// Five full rows of 480-pixel cells; a sixth would end at 2880. Its part the
// sheet holds shows untinted.
TEST_F(RangeTest, RangeRunningBelowTheSheetSkipsTheMissingCells) {
    Start(40, 480);
    Choose(DOWN);
    g_state.panes.sheetScrollY = 2000;
    MoveTo(20, 100);  // row 4
    Hold(kKeyLeftButton, true);
    Tick();
    MoveTo(100, 480);  // row 5
    Ticks(2);
    script.TapKey(kKeySpace);
    Tick();
    Hold(kKeyLeftButton, false);
    Tick();
    EXPECT_EQ(Range(DOWN).firstCell, 141);
    EXPECT_EQ(Range(DOWN).lastCell, 178);
    for (int x : {20, 100, 599}) EXPECT_EQ(g_screenBuf[460 * SCREEN_WIDTH + x], kGrey) << x;
    EXPECT_EQ(g_screenBuf[WORK_TOP * SCREEN_WIDTH + 39], kDownTint);
    EXPECT_EQ(g_screenBuf[WORK_TOP * SCREEN_WIDTH + 40], kGrey);
}

// Arrows are 20 pixels wide; a cell of a 10-pixel sprite scrolled just off
// the pane's left edge still shows the right half of its arrow, where cell
// 3's own arrow has its hole.
TEST_F(RangeTest, ArrowOfACellJustOffThePaneStillShows) {
    Start(10, 10);
    g_state.directions.directionRanges[LEFT - 1] = {RANGE_CONFIRMED, 1, 4};
    g_state.directions.directionCount[LEFT - 1] = 3;
    g_state.panes.sheetScrollX = 20;  // cell 2 (x 10 to 19) lies at screen x -10 to -1
    MoveTo(300, 596);
    Tick();
    for (int x : {0, 9}) EXPECT_EQ(g_screenBuf[(WORK_TOP + 5) * SCREEN_WIDTH + x], kArrow) << x;
}

}  // namespace
