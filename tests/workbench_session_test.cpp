#include <algorithm>
#include <vector>

#include "display/pixmap.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/pixel_compare.h"
#include "tests/support/session.h"
#include "workbench/input.h"
#include "workbench/placement.h"

using platform::BoxAnswer;

namespace {

class WorkbenchTest : public SessionTest {
  protected:
    void Start(int width, int height) { StartWith(WriteGradient("first.pcx", width, height)); }
    static uint16_t Screen(int x, int y) { return g_screenBuf[y * SCREEN_WIDTH + x]; }
};

// A sheet row is 1400 pixels: a row takes as many cells as fit whole.
TEST_F(WorkbenchTest, PlacingFillsTheMarkedCellAndRowsWrapBeforeACellWouldNotFit) {
    for (auto [width, perRow] : {std::pair{100, 14}, {300, 4}, {640, 2}}) {
        TearDown();
        SetUp();
        Start(width, 40);
        Tick();
        EXPECT_EQ(g_sheet[0], PLACEMENT_MARK);
        Click(5, WORK_TOP + 5);
        EXPECT_TRUE(SamePixels(ViewOf(g_workingImage->GetBits(), width, 40),
                               ViewOf(g_sheet, width, 40, SHEET_WIDTH)));
        int cells = 1;
        for (; g_state.sheet.cellY == 0; ++cells) AdvanceCell();
        EXPECT_EQ(cells, perRow) << width;
        EXPECT_EQ(g_state.sheet.cellBottom, 80);
    }
}

// Full once the next cell and one more row would reach the last two rows.
TEST_F(WorkbenchTest, SheetFullThresholdAndItsNoticeAt200InPlaceModeOnly) {
    Start(64, 480);  // full past cellY + 960 > 2500 - 960
    std::fill_n(g_imgSheetFull->GetBits(), 200 * 50, uint16_t{0x1234});
    for (auto [cellY, mode, room] :
         {std::tuple{580, MODE_PLACE, 1}, {581, MODE_PLACE, 0}, {581, MODE_EDIT, 0}}) {
        g_state.sheet.cellY = cellY;
        g_state.sheet.sheetHasRoom = 1;
        g_state.edit.workMode = mode;
        MoveTo(300, 596);
        Tick();
        EXPECT_EQ(g_state.sheet.sheetHasRoom, room) << cellY;
        const bool shows = room == 0 && mode == MODE_PLACE;
        EXPECT_EQ(Screen(200, 200) == 0x1234 && Screen(399, 249) == 0x1234, shows) << cellY;
        for (auto [x, y] : {std::pair{199, 200}, {200, 199}, {400, 249}, {399, 250}})
            EXPECT_NE(Screen(x, y), 0x1234) << x << ", " << y;
    }
    g_state.edit.workMode = MODE_PLACE;
    g_state.panes.sheetScrollY = 581;
    Click(10, WORK_TOP + 10);
    EXPECT_EQ(g_state.sheet.placedCount, 0) << "a full sheet counts no more frames";
    EXPECT_EQ(g_state.sheet.cellX, 0);
    EXPECT_EQ(g_sheet[591 * SHEET_WIDTH + 10], g_workingImage->GetBits()[10 * 64 + 10]);
}

// The sheet steps 20 a tick, forward up to 800 and then settles on 799; the
// picture pane steps 4 sideways up to 440, 1 up and none down, in Place mode only.
TEST_F(WorkbenchTest, ScrollStepsAndStops) {
    Start(32, 32);
    PaneState& p = g_state.panes;
    int *sx = &p.sheetScrollX, *sy = &p.sheetScrollY, *px = &p.pictureScrollX,
        *py = &p.pictureScrollY;
    using platform::kKeyDown, platform::kKeyLeft, platform::kKeyRight, platform::kKeyUp;
    const WorkMode P = MODE_PLACE, E = MODE_EDIT;
    const FocusPane S = FOCUS_SHEET, F = FOCUS_PICTURE;
    const struct {
        WorkMode mode;
        FocusPane focus;
        int key, *value, from, to;
    } cases[] = {
        // clang-format off
        {P, S, kKeyUp, sy, 100, 80},    {E, S, kKeyUp, sy, 15, 0},       {P, S, kKeyDown, sy, 100, 120},
        {P, S, kKeyDown, sy, 1990, 2000}, {P, S, kKeyDown, sy, 2000, 1999}, {P, S, kKeyLeft, sx, 100, 80},
        {P, S, kKeyRight, sx, 780, 800}, {P, S, kKeyRight, sx, 800, 799}, {P, S, kKeyRight, sx, 799, 799},
        {P, F, kKeyLeft, px, 100, 96},  {P, F, kKeyLeft, px, 3, 0},      {P, F, kKeyRight, px, 438, 440},
        {P, F, kKeyUp, py, 5, 4},       {P, F, kKeyDown, py, 5, 5},      {E, F, kKeyLeft, px, 100, 100},
        // clang-format on
    };
    MoveTo(300, 596);
    for (const auto& c : cases) {
        p = {};
        g_state.edit.workMode = c.mode;
        p.focusPane = c.focus;
        *c.value = c.from;
        Hold(c.key, true);
        Tick();
        Hold(c.key, false);
        EXPECT_EQ(*c.value, c.to) << "key " << c.key << " from " << c.from;
    }
}

TEST_F(WorkbenchTest, TapReadsDownForTheRestOfItsTickAndPressedOnce) {
    Start(32, 32);
    BeginInputTick();
    script.TapKey(platform::kKeySpace);
    EXPECT_TRUE(KeyPressed(platform::kKeySpace));
    EXPECT_FALSE(KeyPressed(platform::kKeySpace));
    EXPECT_TRUE(KeyDown(platform::kKeySpace));
    EXPECT_TRUE(KeyActive(platform::kKeySpace));
    BeginInputTick();
    EXPECT_FALSE(KeyActive(platform::kKeySpace));
    script.SetKey(platform::kKeySpace, true);
    EXPECT_TRUE(KeyPressed(platform::kKeySpace));
    EXPECT_FALSE(KeyPressed(platform::kKeySpace));
    EXPECT_TRUE(KeyDown(platform::kKeySpace));
}

// Turning off a clipboard that waits for a cell ends the frame before it is
// copied out: the presented frame is still the one before.
TEST_F(WorkbenchTest, ClipboardToggledOffEndsItsFrameEarly) {
    Start(32, 32);
    g_state.edit.workMode = MODE_EDIT;
    g_state.edit.clipboardOpen = 1;
    g_state.edit.clipboardState = CLIPBOARD_AWAIT_STORE;
    Tick();
    g_sheet[100 * SHEET_WIDTH + 300] = 0x1234;
    Click(650, 255);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_IDLE);
    EXPECT_EQ(Screen(300, 130), 0x1234);
    EXPECT_NE(script.LastFrame()[130 * SCREEN_WIDTH + 300], 0x1234);
    Tick();
    EXPECT_EQ(script.LastFrame()[130 * SCREEN_WIDTH + 300], 0x1234);
}

// Clicks in the first 20 closing frames do nothing; then the three figures
// take turns, ten frames each, until a click or the 1000th frame ends it.
TEST_F(WorkbenchTest, ClosingScreenFiguresTakeTurnsUntilAClickOrTheEnd) {
    Start(32, 32);
    for (int i = 0; i < 3; ++i) {
        CPixmap* figure = g_state.closing.closingFigures[i];
        std::fill_n(figure->GetBits(), figure->Width() * figure->Height(), 0x1111 * (i + 1));
    }
    g_state.freeze.phase = PHASE_CLOSING;
    for (int i = 0; i < 20; ++i) Click(400, 300);
    EXPECT_FALSE(QuitPosted());
    std::vector<int> figures;
    for (int i = 0; i < 31; ++i) {
        Tick();
        figures.push_back(g_state.closing.closingFigure);
        if (i == 0 || i == 10) {  // figures 0 and 1 at (120, 120) and (160, 140), jitter (3, -3)
            const int x = i == 0 ? 123 : 163, y = i == 0 ? 117 : 137;
            const uint16_t colour = i == 0 ? 0x1111 : 0x2222;
            EXPECT_EQ(Screen(x, y), colour) << i;
            EXPECT_NE(Screen(x - 1, y - 1), colour) << i;
        }
    }
    std::vector<int> expected(10, 0);
    expected.insert(expected.end(), 10, 1);
    expected.insert(expected.end(), 10, 2);
    expected.push_back(0);
    EXPECT_EQ(figures, expected);
    Click(400, 300);
    EXPECT_TRUE(QuitPosted());
    g_state.closing.closingTicks = 0;
    Ticks(1000);
    EXPECT_FALSE(QuitPosted());
    Tick();
    EXPECT_TRUE(QuitPosted());
}

}  // namespace
