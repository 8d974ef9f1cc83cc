#include <algorithm>
#include <random>

#include "display/pixmap.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/input.h"
#include "workbench/preview.h"

using platform::kKeyLeftButton;
using platform::kKeySpace;
using platform::Point;

namespace {

enum Selector { LEFT = 2, UP = 4, DOWN = 5 };

// The sheet is one flat grey (5-6-5 red 8, green 16, blue 8); Left adds 200
// blue, Down 100 red, saturating. Arrows are flat green with their left half
// a hole.
constexpr uint16_t kGrey = 0x4208, kLeftTint = 0x421F, kDownTint = 0xA208, kArrow = 0x07E0;

class AnimateTest : public SessionTest {
  protected:
    // The first frame placed, the sheet grey or seeded noise, flat skins, Animate mode.
    void Start(int width, int height, bool noise = false) {
        StartWith(WriteGradient("first.pcx", width, height));
        Click(width / 2, WORK_TOP + height / 2);
        std::mt19937 random(21);
        for (uint16_t& pixel : g_sheet) pixel = noise ? static_cast<uint16_t>(random()) : kGrey;
        for (CPixmap* arrow : g_imgArrow)
            for (int i = 0; i < arrow->Width() * arrow->Height(); ++i)
                arrow->GetBits()[i] = i % arrow->Width() < 10 ? 0 : kArrow;
        std::fill_n(g_imgTvError->GetBits(), 300 * 200, uint16_t{0x1234});
        std::fill_n(g_imgDelay->GetBits(), 49 * 41, uint16_t{0x4321});
        g_state.sheet.sheetHasRoom = 0;
        Click(740, 520);
        ASSERT_EQ(g_state.edit.workMode, MODE_ANIMATE);
    }
    static void SetRange(int selector, int first, int last) {
        g_state.directions.directionRanges[selector - 1] = {RANGE_CONFIRMED, first, last};
        g_state.directions.directionCount[selector - 1] = last - first;
    }
    void Choose(int selector) {
        Click(DIRECTIONS[selector - 1].button.x0 + 5, DIRECTIONS[selector - 1].button.y0 + 5);
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
        if (space) script.TapKey(kKeySpace), Tick();
    }
    // A pixel in the arrow's half of a cell.
    static uint16_t CellShows(int index) {
        const Point at = CellOnScreen(index);
        return g_screenBuf[(at.y + 5) * SCREEN_WIDTH + at.x + 15];
    }
};

TEST_F(AnimateTest, MarkedRunShowsTintedEndsAndArrowsBetween) {
    Start(40, 30);
    Choose(LEFT);
    Mark(5, 9, false);
    EXPECT_EQ(CellShows(8), kLeftTint) << "tinted while the button is held";
    EXPECT_EQ(CellShows(10), kGrey);
    script.TapKey(kKeySpace);
    Tick();
    EXPECT_EQ(g_state.directions.directionRanges[LEFT - 1].state, RANGE_CONFIRMED);
    EXPECT_EQ(g_state.directions.directionCount[LEFT - 1], 4) << "cells 5 to 9";
    Hold(kKeyLeftButton, false);
    MoveTo(300, 596);
    Tick();
    const uint16_t expected[] = {kGrey, kLeftTint, kArrow, kArrow, kArrow, kLeftTint, kGrey};
    for (int cell = 4; cell <= 10; ++cell) EXPECT_EQ(CellShows(cell), expected[cell - 4]) << cell;
    // A later direction over the same cells draws over the earlier one;
    // backwards, nothing is drawn.
    Choose(DOWN);
    Mark(7, 9);
    Choose(UP);
    Mark(40, 37);
    Hold(kKeyLeftButton, false);
    Tick();
    EXPECT_EQ(CellShows(6), kArrow);
    EXPECT_EQ(CellShows(7), kDownTint);
    EXPECT_EQ(CellShows(9), kDownTint);
    EXPECT_EQ(g_state.directions.directionCount[UP - 1], -3);
    for (int cell = 36; cell <= 41; ++cell) EXPECT_EQ(CellShows(cell), kGrey) << cell;
}

// Arrows are 20 pixels wide; a cell of a 10-pixel sprite scrolled just off
// the pane's left edge still shows the right half of its arrow, where cell
// 3's own arrow has its hole.
TEST_F(AnimateTest, ArrowOfACellJustOffThePaneStillShows) {
    Start(10, 10);
    SetRange(LEFT, 1, 4);
    g_state.panes.sheetScrollX = 20;  // cell 2 (x 10 to 19) lies at screen x -10 to -1
    MoveTo(300, 596);
    Tick();
    for (int x : {0, 9}) EXPECT_EQ(g_screenBuf[(WORK_TOP + 5) * SCREEN_WIDTH + x], kArrow) << x;
}

// The notice stands at (200, 150) while the button is held, until a range of
// more than one step shows; then the button opens the window.
TEST_F(AnimateTest, PreviewNoticeUntilARangeIsShownThenTheWindowOpens) {
    Start(40, 30);
    for (auto [first, last, opens] : {std::tuple{3, 3, 0}, {3, 4, 0}, {3, 5, 1}}) {
        SetRange(LEFT, first, last);
        MoveTo(420, 545);
        Hold(kKeyLeftButton, true);
        Tick();
        Hold(kKeyLeftButton, false);
        EXPECT_EQ(g_screenBuf[150 * SCREEN_WIDTH + 200] == 0x1234, !opens) << last;
        EXPECT_NE(g_screenBuf[149 * SCREEN_WIDTH + 200], 0x1234);
        EXPECT_EQ(g_state.preview.previewOpen, opens) << last;
    }
}

// The delay runs 0 to 10000 in steps of 100, one a held tick; the wait is a
// hundredth of it and the knob stands 140 rows down, less (delay - 100) / 90.
// The range plays in order and starts over; a cell below the sheet's last
// full row (83 rows of 35 cells: 2906) shows the empty panel.
TEST_F(AnimateTest, PreviewSpeedKnobWaitAndFrames) {
    Start(40, 30, true);
    SetRange(LEFT, 10, 12);
    Tick();
    Click(420, 545);
    Click(250, 290);  // the pad's Left
    ASSERT_EQ(g_state.preview.previewDirection, 1);
    // clang-format off
    for (auto [from, y, to, knobY, waitMs] : {std::tuple{9900, 130, 10000, 150, 100u},
         {10000, 130, 10000, 150, 100u}, {100, 310, 0, 261, 0u}, {5000, 310, 4900, 207, 49u}}) {
        // clang-format on
        g_state.preview.previewDelay = from;
        Click(130, y);
        EXPECT_EQ(g_state.preview.previewDelay, to) << from;
        const uint32_t slept = script.SleptMs();
        Tick();
        EXPECT_EQ(script.SleptMs() - slept, waitMs) << from;
        EXPECT_EQ(g_screenBuf[knobY * SCREEN_WIDTH + 108], 0x4321) << from;
        EXPECT_NE(g_screenBuf[(knobY - 1) * SCREEN_WIDTH + 108], 0x4321) << from;
    }
    const auto shows = [](int cell) {
        const Point o = CellOrigin(cell);
        return g_screenBuf[120 * SCREEN_WIDTH + 311] == g_sheet[o.y * SHEET_WIDTH + o.x] &&
               g_screenBuf[149 * SCREEN_WIDTH + 350] ==
                   g_sheet[(o.y + 29) * SHEET_WIDTH + o.x + 39];
    };
    g_state.preview.previewStep = 1;
    for (int cell : {10, 11, 12, 10}) {
        Tick();
        EXPECT_TRUE(shows(cell)) << cell;
    }
    SetRange(LEFT, 2904, 2906);
    g_state.preview.previewStep = 2;
    Tick();
    EXPECT_TRUE(shows(2905));
    Tick();
    EXPECT_EQ(g_screenBuf[120 * SCREEN_WIDTH + 311], PREVIEW_PANEL_COLOUR);
}

}  // namespace
