#include <random>
#include <vector>

#include "display/pixmap.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "tests/support/pixel_compare.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/input.h"
#include "workbench/preview.h"

using platform::kKeyLeftButton;
using platform::kKeyRightButton;
using platform::Point;

namespace {

constexpr int LEFT = 2, UP = 4, RIGHT_DOWN = 9;

class PreviewTest : public SessionTest {
  protected:
    // Animate mode over a sheet of seeded noise, with seeded skins that have
    // holes, so keyed draws show.
    void Start(int width, int height) {
        StartWith(WriteGradient("first.pcx", width, height));
        Click(width / 2, WORK_TOP + height / 2);
        std::mt19937 random(21);
        for (uint16_t& pixel : g_sheet) pixel = static_cast<uint16_t>(random());
        for (CPixmap* skin :
             {g_imgTv, g_imgDelay, g_imgTvError, g_imgAnimePane, g_imgCheck, g_imgEditBar,
              g_imgModeBar, g_imgModeButton[2], g_imgTopToolBar, g_imgBottomBar, g_imgRightToolBar,
              g_imgArrow[LEFT - 1], g_imgArrow[RIGHT_DOWN - 1]})
            for (int i = 0; i < skin->Width() * skin->Height(); ++i)
                skin->GetBits()[i] = i % 5 == 0 ? 0 : static_cast<uint16_t>(random() | 1);
        g_state.sheet.sheetHasRoom = 0;
        Click(740, 520);
        ASSERT_EQ(g_state.edit.workMode, MODE_ANIMATE);
    }
    void SetRange(int selector, int state, int first, int last) {
        g_state.directions.directionRanges[selector - 1] = {state, first, last};
        g_state.directions.directionCount[selector - 1] = last - first;
    }
    void OpenWindow() {
        SetRange(LEFT, RANGE_CONFIRMED, 3, 5);
        Tick();
        Click(420, 545);
        Tick();
        ASSERT_EQ(g_state.preview.previewOpen, 1);
    }
    // Clicks a point given relative to the window's corner.
    void ClickInWindow(int dx, int dy) {
        Click(g_state.preview.previewX + dx, g_state.preview.previewY + dy);
    }
    void HoldInWindow(int dx, int dy) {
        MoveTo(g_state.preview.previewX + dx, g_state.preview.previewY + dy);
        Hold(kKeyLeftButton, true);
    }
    // Whether every opaque pixel of `image` shows at (x, y) on screen.
    ::testing::AssertionResult KeyedAt(const CPixmap* image, int x, int y) {
        for (int i = 0; i < image->Width() * image->Height(); ++i) {
            const int sx = x + i % image->Width(), sy = y + i / image->Width();
            const uint16_t p = image->GetBits()[i];
            if (p != 0 && g_screenBuf[sy * SCREEN_WIDTH + sx] != p)
                return ::testing::AssertionFailure()
                       << "first differing pixel at " << sx << ", " << sy;
        }
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult FrameShows(int cell) {
        const Point o = CellOrigin(cell);
        return SamePixels(
            ViewOf(g_sheet + o.y * SHEET_WIDTH + o.x, g_state.sheet.spriteWidth,
                   g_state.sheet.spriteHeight, SHEET_WIDTH),
            ViewOf(g_screenBuf + g_state.preview.previewY * SCREEN_WIDTH +
                       g_state.preview.previewX + 211,
                   g_state.sheet.spriteWidth, g_state.sheet.spriteHeight, SCREEN_WIDTH));
    }
};

TEST_F(PreviewTest, NoticeWhileHeldUntilARangeIsShownThenTheWindowOpens) {
    Start(40, 30);
    MoveTo(420, 545);
    Hold(kKeyLeftButton, true);
    Tick();
    EXPECT_TRUE(KeyedAt(g_imgTvError, 200, 150));
    EXPECT_EQ(g_state.preview.previewOpen, 0);
    Hold(kKeyLeftButton, false);
    Tick();
    EXPECT_FALSE(KeyedAt(g_imgTvError, 200, 150)) << "the notice goes with the button";

    SetRange(LEFT, RANGE_CONFIRMED, 3, 4);  // a span of 1 is not shown
    Tick();
    Click(420, 545);
    EXPECT_EQ(g_state.preview.previewOpen, 0);
    SetRange(LEFT, RANGE_CONFIRMED, 3, 5);
    Tick();
    SetRange(LEFT, RANGE_AWAIT_FIRST, 3, 3);  // reset after it was shown
    Tick();
    Click(420, 545);
    EXPECT_EQ(g_state.preview.previewOpen, 1);
    Tick();
    EXPECT_TRUE(KeyedAt(g_imgTv, 100, 120)) << "drawn opaque, so every pixel shows";
}

TEST_F(PreviewTest, SpeedButtonsKnobAndWait) {
    Start(40, 30);
    OpenWindow();
    ClickInWindow(150, 170);  // the pad's Left
    ASSERT_EQ(g_state.preview.previewDirection, 1);
    HoldInWindow(30, 10);
    std::vector<int> delays;
    for (int i = 0; i < 100; ++i) {
        Tick();
        delays.push_back(g_state.preview.previewDelay);
    }
    EXPECT_EQ(delays[97], 9900);
    EXPECT_EQ(delays[98], 10000);
    EXPECT_EQ(delays[99], 10000);
    Hold(kKeyLeftButton, false);
    MoveTo(300, 596);
    uint32_t slept = script.SleptMs();
    Tick();
    EXPECT_EQ(script.SleptMs() - slept, 100u) << "about 100 ms a frame at the slowest";
    EXPECT_TRUE(KeyedAt(g_imgDelay, g_state.preview.previewX + 8, g_state.preview.previewY + 30));

    g_state.preview.previewDelay = 100;
    HoldInWindow(30, 190);
    Tick();
    EXPECT_EQ(g_state.preview.previewDelay, 0);
    Hold(kKeyLeftButton, false);
    MoveTo(300, 596);
    slept = script.SleptMs();
    Tick();
    EXPECT_EQ(script.SleptMs(), slept) << "no wait at the fastest";
    EXPECT_TRUE(KeyedAt(g_imgDelay, g_state.preview.previewX + 8, g_state.preview.previewY + 141));
}

TEST_F(PreviewTest, RightButtonDragsAndStateSurvivesClosing) {
    Start(40, 30);
    OpenWindow();
    MoveTo(500, 400);
    Hold(kKeyRightButton, true);
    Tick();
    Hold(kKeyRightButton, false);
    EXPECT_EQ(g_state.preview.previewX, 530);
    EXPECT_EQ(g_state.preview.previewY, 430);

    g_state.preview.previewX = 150;
    g_state.preview.previewY = 100;
    ClickInWindow(150, 170);
    g_state.preview.previewDelay = 700;
    const int step = g_state.preview.previewStep;
    ClickInWindow(160, 15);  // close
    EXPECT_EQ(g_state.preview.previewOpen, 0);
    Tick();
    Click(420, 545);
    EXPECT_EQ(g_state.preview.previewOpen, 1);
    EXPECT_EQ(g_state.preview.previewX, 150);
    EXPECT_EQ(g_state.preview.previewY, 100);
    EXPECT_EQ(g_state.preview.previewDelay, 700);
    EXPECT_EQ(g_state.preview.previewDirection, 1);
    EXPECT_EQ(g_state.preview.previewStep, step + 1)
        << "one frame shown since, on the reopening tick";
}

TEST_F(PreviewTest, PadChoosesTheRangeWhichPlaysInOrderAndRepeats) {
    Start(40, 30);
    OpenWindow();
    SetRange(RIGHT_DOWN, RANGE_MARKING, 10, 12);  // a range being marked plays too
    ClickInWindow(185, 185);
    ASSERT_EQ(g_state.preview.previewDirection, 6);
    g_state.preview.previewStep = 1;
    MoveTo(300, 596);
    for (int cell : {10, 11, 12, 10, 11}) {
        Tick();
        EXPECT_TRUE(FrameShows(cell)) << cell;
    }

    g_state.directions.directionCount[UP - 1] = 0;
    ClickInWindow(168, 155);  // the pad's Up
    ASSERT_EQ(g_state.preview.previewDirection, 3);
    MoveTo(300, 596);
    Tick();
    const int right = g_state.preview.previewX + 221 + g_state.sheet.spriteWidth,
              bottom = g_state.preview.previewY + 10 + g_state.sheet.spriteHeight;
    for (int y = g_state.preview.previewY - 6; y < bottom; ++y)
        for (int x = g_state.preview.previewX + 200; x < right; ++x)
            ASSERT_EQ(g_screenBuf[y * SCREEN_WIDTH + x], PREVIEW_PANEL_COLOUR) << x << ", " << y;
}

TEST_F(PreviewTest, CellsBelowTheSheetShowOnlyThePanel) {
    Start(40, 30);  // 83 full rows of 35 cells: cell 2906 starts below them
    OpenWindow();
    SetRange(LEFT, RANGE_CONFIRMED, 2903, 2908);
    ClickInWindow(150, 170);
    g_state.preview.previewStep = 1;
    MoveTo(300, 596);
    Tick();
    EXPECT_TRUE(FrameShows(2903));
    Ticks(2);
    EXPECT_TRUE(FrameShows(2905));
    Tick();
    EXPECT_EQ(g_screenBuf[g_state.preview.previewY * SCREEN_WIDTH + g_state.preview.previewX + 211],
              PREVIEW_PANEL_COLOUR);
    EXPECT_EQ(g_state.preview.previewStep, 5);
}

TEST_F(PreviewTest, AnimateFrameWithTwoRangesAndThePreview) {
    Start(40, 30);
    OpenWindow();
    SetRange(RIGHT_DOWN, RANGE_CONFIRMED, 20, 23);
    ClickInWindow(150, 170);
    Click(DIRECTIONS[RIGHT_DOWN - 1].button.x0 + 5, DIRECTIONS[RIGHT_DOWN - 1].button.y0 + 5);
    Tick();  // takes the choice up, which restarts the range
    SetRange(RIGHT_DOWN, RANGE_CONFIRMED, 20, 23);
    g_state.preview.previewStep = 2;
    MoveTo(300, 596);
    Tick();

    std::vector<uint16_t> expected(SCREEN_WIDTH * SCREEN_HEIGHT, 0);
    uint16_t* e = expected.data();
    for (int y = 0; y < 500; ++y) std::copy_n(g_sheet + y * SHEET_WIDTH, 600, e + (30 + y) * 800);
    g_imgTopToolBar->Put(e, 0, 0);
    g_imgBottomBar->Put(e, 0, 530);
    for (int selector : {LEFT, RIGHT_DOWN}) {
        const DirectionRange& r = g_state.directions.directionRanges[selector - 1];
        const Tint t = DIRECTIONS[selector - 1].tint;
        for (int cell = r.firstCell; cell <= r.lastCell; ++cell) {
            const Point o = CellOrigin(cell), at = CellOnScreen(cell);
            g_imgArrow[selector - 1]->PutKeyedWork(e, 800, at.x, at.y);
            if (cell != r.firstCell && cell != r.lastCell) continue;
            g_cellPixmap->GrabSheet(g_sheet, o.x, o.y);
            g_cellPixmap->PutAdditive(e, 800, at.x, at.y, t.red, t.green, t.blue);
        }
    }
    g_imgTv->Put(e, 100, 120);
    FillRect(e, 800, 300, 114, 361, 160, PREVIEW_PANEL_COLOUR);
    g_imgDelay->PutKeyed(e, 800, 108, 260);
    g_cellPixmap->GrabSheet(g_sheet, CellOrigin(4).x, CellOrigin(4).y);
    g_cellPixmap->Put(e, 311, 120);
    g_imgAnimePane->Put(e, 0, 530);
    g_imgCheck->PutKeyed(e, 800, 305, 550);
    g_imgEditBar->Put(e, 600, 0);
    g_imgModeBar->Put(e, 600, 380);
    g_imgModeButton[2]->PutTinted(e, 800, 712, 414, 2);
    EXPECT_TRUE(SamePixels(ViewOf(e, 800, 600), ViewOf(g_screenBuf, 800, 600), "animate"));
}

}  // namespace
