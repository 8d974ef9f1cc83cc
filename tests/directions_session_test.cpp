#include <algorithm>
#include <random>
#include <vector>

#include "display/pixmap.h"
#include "formats/colour.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "tests/support/pixel_compare.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/input.h"

using platform::kKeyLeftButton;
using platform::kKeyRightButton;
using platform::kKeySpace;
using platform::Point;

namespace {

enum Selector { LEFT = 2, RIGHT = 3, UP = 4, DOWN = 5 };

class RangeTest : public SessionTest {
  protected:
    // The first frame placed, seeded noise over the sheet, no placement mark,
    // seeded arrows with holes, and Animate mode.
    void Start(int width, int height) {
        StartWith(WriteGradient("first.pcx", width, height));
        Click(width / 2, WORK_TOP + height / 2);
        std::mt19937 random(11);
        for (uint16_t& pixel : g_sheet) pixel = static_cast<uint16_t>(random());
        for (CPixmap* arrow : g_imgArrow)
            for (int i = 0; i < arrow->Width() * arrow->Height(); ++i)
                arrow->GetBits()[i] = i % 3 == 0 ? 0 : static_cast<uint16_t>(random() | 1);
        g_state.sheet.sheetHasRoom = 0;
        Click(740, 520);
        ASSERT_EQ(g_state.edit.workMode, MODE_ANIMATE);
    }
    void Choose(int selector) {
        const Area& b = DIRECTIONS[selector - 1].button;
        Click((b.x0 + b.x1) / 2, (b.y0 + b.y1) / 2);
        Tick();
    }
    void MoveToCell(int index) {
        const Point at = CellOnScreen(index);
        MoveTo(at.x + g_state.sheet.spriteWidth / 2, at.y + g_state.sheet.spriteHeight / 2);
    }
    // Press on `first`, drag to `last`; the left button stays down.
    void PressAndDrag(int first, int last) {
        MoveToCell(first);
        Hold(kKeyLeftButton, true);
        Tick();
        MoveToCell(last);
        Tick();
    }
    void TapSpace() {
        Hold(kKeySpace, true);
        Tick();
        Hold(kKeySpace, false);
    }
    const DirectionRange& Range(int selector) {
        return g_state.directions.directionRanges[selector - 1];
    }
    int Span(int selector) { return g_state.directions.directionCount[selector - 1]; }

    // What a cell shows: the untouched sheet, tinted, or an arrow over it.
    enum class Look { Plain, Tinted, Arrow };
    std::vector<uint16_t> Expected(int index, Look look, int selector) {
        const Point o = CellOrigin(index);
        const Tint& t = DIRECTIONS[selector - 1].tint;
        const CPixmap* arrow = g_imgArrow[selector - 1];
        std::vector<uint16_t> cell;
        for (int y = 0; y < g_state.sheet.spriteHeight; ++y) {
            for (int x = 0; x < g_state.sheet.spriteWidth; ++x) {
                const uint16_t p = g_sheet[(o.y + y) * SHEET_WIDTH + o.x + x];
                const Rgb c = UnpackPixel(p);
                const bool onArrow = x < arrow->Width() && y < arrow->Height() &&
                                     arrow->GetBits()[y * arrow->Width() + x] != 0;
                if (look == Look::Tinted)
                    cell.push_back(PackRgb(std::min(c.red + t.red, 255),
                                           std::min(c.green + t.green, 255),
                                           std::min(c.blue + t.blue, 255)));
                else if (look == Look::Arrow && onArrow)
                    cell.push_back(arrow->GetBits()[y * arrow->Width() + x]);
                else
                    cell.push_back(p);
            }
        }
        return cell;
    }
    ::testing::AssertionResult Shows(int index, Look look, int selector) {
        const Point at = CellOnScreen(index);
        const std::vector<uint16_t> expected = Expected(index, look, selector);
        return SamePixels(
            ViewOf(expected.data(), g_state.sheet.spriteWidth, g_state.sheet.spriteHeight),
            ViewOf(g_screenBuf + at.y * SCREEN_WIDTH + at.x, g_state.sheet.spriteWidth,
                   g_state.sheet.spriteHeight, SCREEN_WIDTH));
    }
};

TEST_F(RangeTest, PressDragAndSpaceMarksTheRunWithTintedEndsAndArrows) {
    Start(40, 30);
    Choose(LEFT);
    EXPECT_EQ(Range(LEFT).state, RANGE_AWAIT_FIRST);
    EXPECT_EQ(Span(LEFT), 0);
    PressAndDrag(5, 7);
    EXPECT_TRUE(Shows(5, Look::Plain, LEFT)) << "a span of 0 draws nothing while marking";
    MoveToCell(9);
    Tick();
    EXPECT_TRUE(Shows(5, Look::Tinted, LEFT));
    EXPECT_TRUE(Shows(7, Look::Tinted, LEFT));
    EXPECT_TRUE(Shows(8, Look::Plain, LEFT)) << "drawn with the span before this tick";
    TapSpace();
    EXPECT_EQ(Range(LEFT).state, RANGE_CONFIRMED);
    EXPECT_EQ(Range(LEFT).firstCell, 5);
    EXPECT_EQ(Range(LEFT).lastCell, 9);
    EXPECT_EQ(Span(LEFT), 4);

    Hold(kKeyLeftButton, false);
    MoveTo(300, 596);
    Tick();
    EXPECT_TRUE(Shows(4, Look::Plain, LEFT));
    EXPECT_TRUE(Shows(5, Look::Tinted, LEFT));
    for (int cell : {6, 7, 8}) EXPECT_TRUE(Shows(cell, Look::Arrow, LEFT)) << cell;
    EXPECT_TRUE(Shows(9, Look::Tinted, LEFT)) << "the last cell's tint covers its arrow";
    EXPECT_TRUE(Shows(10, Look::Plain, LEFT));

    // A later direction over the same cells draws over the earlier one.
    Choose(DOWN);
    PressAndDrag(7, 9);
    TapSpace();
    Hold(kKeyLeftButton, false);
    Tick();
    EXPECT_TRUE(Shows(5, Look::Tinted, LEFT));
    EXPECT_TRUE(Shows(7, Look::Tinted, DOWN));
    EXPECT_TRUE(Shows(8, Look::Arrow, DOWN));
}

TEST_F(RangeTest, BackwardDragDrawsNothing) {
    Start(40, 30);
    Choose(RIGHT);
    PressAndDrag(9, 7);
    MoveToCell(5);
    Tick();
    TapSpace();
    EXPECT_EQ(Span(RIGHT), -4);
    EXPECT_EQ(Range(RIGHT).state, RANGE_CONFIRMED);
    Hold(kKeyLeftButton, false);
    Tick();
    for (int cell = 4; cell <= 10; ++cell) EXPECT_TRUE(Shows(cell, Look::Plain, RIGHT)) << cell;
}

TEST_F(RangeTest, UpTakesSpaceAndResetOnlyWhileHeldDownTakesThemAlways) {
    Start(40, 30);
    for (int selector : {UP, LEFT, DOWN}) {
        Choose(selector);
        PressAndDrag(5, 8);
        Hold(kKeyLeftButton, false);
        MoveToCell(11);
        TapSpace();
        const bool always = selector == DOWN;
        EXPECT_EQ(Range(selector).state, always ? RANGE_CONFIRMED : RANGE_MARKING) << selector;
        EXPECT_EQ(Span(selector), always ? 6 : 3) << selector;
    }
    for (int selector : {UP, DOWN}) {
        Choose(selector);
        PressAndDrag(5, 8);
        Hold(kKeyLeftButton, false);
        Tick();
        Hold(kKeyRightButton, true);
        Tick();
        Hold(kKeyRightButton, false);
        const bool always = selector == DOWN;
        EXPECT_EQ(Range(selector).state, always ? RANGE_AWAIT_FIRST : RANGE_MARKING) << selector;
        EXPECT_EQ(Span(selector), always ? 0 : 3) << selector;
    }
    // Held or not, only a fresh press of the right button resets.
    Choose(UP);
    PressAndDrag(5, 8);
    Hold(kKeyRightButton, true);
    Tick();
    EXPECT_EQ(Range(UP).state, RANGE_AWAIT_FIRST);
    Ticks(2);
    EXPECT_EQ(Range(UP).state, RANGE_MARKING) << "the held left button took a new first cell";
}

TEST_F(RangeTest, RangeWrapsToTheNextSheetRow) {
    Start(40, 30);  // 35 cells to a row
    Choose(LEFT);
    g_state.panes.sheetScrollX = 800;  // the sheet has the focus since the first placement
    PressAndDrag(34, 34);
    Hold(platform::kKeyLeft, true);
    Ticks(40);
    Hold(platform::kKeyLeft, false);
    ASSERT_EQ(g_state.panes.sheetScrollX, 0);
    MoveToCell(37);
    Tick();
    TapSpace();
    Hold(kKeyLeftButton, false);
    Tick();
    EXPECT_EQ(Range(LEFT).firstCell, 34);
    EXPECT_EQ(Span(LEFT), 3);
    EXPECT_TRUE(Shows(36, Look::Arrow, LEFT));
    EXPECT_TRUE(Shows(37, Look::Tinted, LEFT));
    EXPECT_TRUE(Shows(1, Look::Plain, LEFT));
}

TEST_F(RangeTest, HeldDirectionButtonRestartsItsRangeEveryTick) {
    Start(40, 30);
    Choose(LEFT);
    PressAndDrag(5, 9);
    TapSpace();
    Hold(kKeyLeftButton, false);
    const Area& b = DIRECTIONS[LEFT - 1].button;
    MoveTo(b.x0 + 5, b.y0 + 5);
    Hold(kKeyLeftButton, true);
    Tick();
    EXPECT_EQ(g_state.directions.directionPick, LEFT);
    Tick();
    EXPECT_EQ(Range(LEFT).state, RANGE_MARKING) << "the held button took a first cell";
    EXPECT_EQ(Span(LEFT), 0);
    Hold(kKeyLeftButton, false);
    Tick();
    EXPECT_EQ(Range(LEFT).state, RANGE_AWAIT_FIRST);
    EXPECT_EQ(g_state.directions.directionPick, DIRECTION_PICK_TAKEN);
    const CPixmap* check = g_imgCheck;
    const Point at = DIRECTIONS[LEFT - 1].check;
    for (int i = 0; i < check->Width() * check->Height(); ++i) {
        const uint16_t mark = check->GetBits()[i];
        const int x = at.x + i % check->Width(), y = at.y + i / check->Width();
        if (mark != 0) {
            ASSERT_EQ(g_screenBuf[y * SCREEN_WIDTH + x], mark) << x << ", " << y;
        }
    }
}

TEST_F(RangeTest, RangeRunningBelowTheSheetSkipsTheMissingCells) {
    Start(40, 480);  // five full rows of cells; a sixth would end at 2880
    Choose(DOWN);
    g_state.panes.sheetScrollY = 2000;
    MoveTo(20, 100);  // row 4
    Hold(kKeyLeftButton, true);
    Tick();
    MoveTo(100, 480);  // row 5, below the last full row
    Ticks(2);
    TapSpace();
    Hold(kKeyLeftButton, false);
    Tick();
    EXPECT_EQ(Range(DOWN).firstCell, 141);
    EXPECT_EQ(Range(DOWN).lastCell, 178);
    // Row 5's pixels that the sheet does hold show untinted; of row 4 only
    // the first cell is tinted, the arrows lie above the pane.
    const auto tinted = [](uint16_t pixel) {
        const Rgb c = UnpackPixel(pixel);
        return PackRgb(std::min(c.red + 100, 255), c.green, c.blue);
    };
    for (int x : {20, 100, 599}) {
        EXPECT_EQ(g_screenBuf[460 * SCREEN_WIDTH + x], g_sheet[2430 * SHEET_WIDTH + x]) << x;
        const uint16_t under = g_sheet[2000 * SHEET_WIDTH + x];
        EXPECT_EQ(g_screenBuf[WORK_TOP * SCREEN_WIDTH + x], x < 40 ? tinted(under) : under) << x;
    }
}

}  // namespace

// Arrows are 20 pixels wide; a cell of a 10-pixel sprite scrolled just off
// the pane's left edge still shows the right half of its arrow.
TEST_F(RangeTest, ArrowOfACellJustOffThePaneStillShows) {
    Start(10, 10);
    g_state.directions.directionRanges[LEFT - 1] = {RANGE_CONFIRMED, 1, 4};
    g_state.directions.directionCount[LEFT - 1] = 3;
    g_state.panes.sheetScrollX = 20;  // cell 2 (x 10 to 19) lies at screen x -10 to -1
    Tick();
    // Where cell 3's own arrow (drawn later, at x 0) has a hole, cell 2's shows.
    const CPixmap* arrow = g_imgArrow[LEFT - 1];
    const uint16_t* bits = arrow->GetBits() + 5 * arrow->Width();
    int compared = 0;
    for (int x = 0; x < 10; ++x) {
        if (bits[x] != 0 || bits[10 + x] == 0) continue;
        EXPECT_EQ(g_screenBuf[(WORK_TOP + 5) * SCREEN_WIDTH + x], bits[10 + x]) << "x " << x;
        ++compared;
    }
    EXPECT_GT(compared, 0);
}
