#include <algorithm>
#include <random>

#include "display/pixmap.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/pixel_compare.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/input.h"
#include "workbench/preview.h"

using platform::kKeyLeftButton;
using platform::Point;

namespace {

constexpr int LEFT = 2;

class PreviewTest : public SessionTest {
  protected:
    // Animate mode over a sheet of seeded noise; the notice and the knob are flat.
    void Start() {
        StartWith(WriteGradient("first.pcx", 40, 30));
        Click(20, WORK_TOP + 15);
        std::mt19937 random(21);
        for (uint16_t& pixel : g_sheet) pixel = static_cast<uint16_t>(random());
        std::fill_n(g_imgTvError->GetBits(), 300 * 200, uint16_t{0x1234});
        std::fill_n(g_imgDelay->GetBits(), 49 * 41, uint16_t{0x4321});
        g_state.sheet.sheetHasRoom = 0;
        Click(740, 520);
        ASSERT_EQ(g_state.edit.workMode, MODE_ANIMATE);
    }
    void SetRange(int first, int last) {
        g_state.directions.directionRanges[LEFT - 1] = {RANGE_CONFIRMED, first, last};
        g_state.directions.directionCount[LEFT - 1] = last - first;
    }
    void OpenOnLeft(int first, int last) {
        SetRange(first, last);
        Tick();
        Click(420, 545);
        Click(100 + 150, 120 + 170);  // the pad's Left
        ASSERT_EQ(g_state.preview.previewOpen, 1);
        ASSERT_EQ(g_state.preview.previewDirection, 1);
        g_state.preview.previewStep = 1;
        MoveTo(300, 596);
    }
    ::testing::AssertionResult FrameShows(int cell) {
        const Point o = CellOrigin(cell);
        return SamePixels(ViewOf(g_sheet + o.y * SHEET_WIDTH + o.x, 40, 30, SHEET_WIDTH),
                          ViewOf(g_screenBuf + 120 * SCREEN_WIDTH + 311, 40, 30, SCREEN_WIDTH));
    }
};

// The notice stands at (200, 150) while the button is held, until a range of
// more than one step has been shown; then the button opens the window.
TEST_F(PreviewTest, NoticeUntilARangeIsShownThenTheWindowOpens) {
    Start();
    const auto notice = [] { return g_screenBuf[150 * SCREEN_WIDTH + 200] == 0x1234; };
    MoveTo(420, 545);
    Hold(kKeyLeftButton, true);
    Tick();
    EXPECT_TRUE(notice());
    EXPECT_NE(g_screenBuf[149 * SCREEN_WIDTH + 200], 0x1234);
    EXPECT_EQ(g_state.preview.previewOpen, 0);
    Hold(kKeyLeftButton, false);
    Tick();
    EXPECT_FALSE(notice()) << "the notice goes with the button";
    SetRange(3, 4);  // a span of 1 is not shown
    Tick();
    Click(420, 545);
    EXPECT_EQ(g_state.preview.previewOpen, 0);
    SetRange(3, 5);
    Tick();
    SetRange(3, 3);  // reset after it was shown
    Tick();
    Click(420, 545);
    EXPECT_EQ(g_state.preview.previewOpen, 1);
}

// The delay runs 0 to 10000 in steps of 100, one step a held tick; the wait
// is a hundredth of it and the knob stands 140 rows down, less delay / 90.
TEST_F(PreviewTest, SpeedButtonsKnobAndWait) {
    Start();
    OpenOnLeft(3, 5);
    const struct {
        int from, y, to, knobY;
        uint32_t waitMs;
    } cases[] = {{9900, 10, 10000, 150, 100},
                 {10000, 10, 10000, 150, 100},
                 {100, 190, 0, 261, 0},
                 {0, 190, 0, 261, 0},
                 {5000, 190, 4900, 207, 49}};
    for (const auto& c : cases) {
        g_state.preview.previewDelay = c.from;
        Click(130, 120 + c.y);
        EXPECT_EQ(g_state.preview.previewDelay, c.to) << c.from;
        const uint32_t slept = script.SleptMs();
        Tick();
        EXPECT_EQ(script.SleptMs() - slept, c.waitMs) << c.from;
        EXPECT_EQ(g_screenBuf[c.knobY * SCREEN_WIDTH + 108], 0x4321) << c.from;
        EXPECT_NE(g_screenBuf[(c.knobY - 1) * SCREEN_WIDTH + 108], 0x4321) << c.from;
    }
}

// The range plays in order and starts over; a cell below the sheet's last
// full row shows the empty panel (83 full rows of 35 cells: 2906 is below).
TEST_F(PreviewTest, RangePlaysInOrderAndCellsBelowTheSheetShowThePanel) {
    Start();
    OpenOnLeft(10, 12);
    for (int cell : {10, 11, 12, 10, 11}) {
        Tick();
        EXPECT_TRUE(FrameShows(cell)) << cell;
    }
    SetRange(2904, 2906);
    g_state.preview.previewStep = 1;
    Ticks(2);
    EXPECT_TRUE(FrameShows(2905));
    Tick();
    EXPECT_EQ(g_screenBuf[120 * SCREEN_WIDTH + 311], PREVIEW_PANEL_COLOUR);
    EXPECT_EQ(g_state.preview.previewStep, 4);
}

TEST_F(PreviewTest, RightButtonMovesTheWindowWhichKeepsItsStateWhenClosed) {
    Start();
    OpenOnLeft(3, 5);
    MoveTo(300, 200);
    Hold(platform::kKeyRightButton, true);
    Tick();
    Hold(platform::kKeyRightButton, false);
    EXPECT_EQ(g_state.preview.previewX, 330);
    EXPECT_EQ(g_state.preview.previewY, 230);
    g_state.preview.previewDelay = 700;
    Click(330 + 160, 230 + 15);  // close
    EXPECT_EQ(g_state.preview.previewOpen, 0);
    Click(420, 545);
    EXPECT_EQ(g_state.preview.previewOpen, 1);
    EXPECT_EQ(g_state.preview.previewX, 330);
    EXPECT_EQ(g_state.preview.previewDelay, 700);
    EXPECT_EQ(g_state.preview.previewDirection, 1);
}

}  // namespace
