#include <algorithm>
#include <random>

#include "display/pixmap.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/input.h"
#include "workbench/preview.h"

using platform::Point;

namespace {

// Arrows are flat green with their left half a hole.
constexpr uint16_t kArrow = 0x07E0;

class WorkbenchTest : public SessionTest {
  protected:
    void Start(int width, int height) { StartWith(WriteGradient("first.pcx", width, height)); }
    // The first frame placed (the mode bar waits for it), the sheet seeded
    // noise without the placement mark, flat skins, and `mode`.
    void Begin(int width, int height, WorkMode mode) {
        Start(width, height);
        Click(width / 2, WORK_TOP + height / 2);
        std::mt19937 random(21);
        for (uint16_t& pixel : g_sheet) pixel = static_cast<uint16_t>(random());
        for (CPixmap* arrow : g_skin.arrow)
            for (int i = 0; i < arrow->Width() * arrow->Height(); ++i)
                arrow->GetBits()[i] = i % arrow->Width() < 10 ? 0 : kArrow;
        std::fill_n(g_skin.delay->GetBits(), 49 * 41, uint16_t{0x4321});
        g_state.sheet.sheetHasRoom = 0;
        Click(mode == MODE_EDIT ? 684 : 740, 500);
        ASSERT_EQ(g_state.edit.workMode, mode);
    }
    static uint16_t Screen(int x, int y) { return g_screenBuf[y * SCREEN_WIDTH + x]; }
    static void SetRange(int selector, int first, int last) {
        g_state.directions.directionRanges[selector - 1] = {RANGE_CONFIRMED, first, last};
        g_state.directions.directionCount[selector - 1] = last - first;
    }
};

// Full once the next cell and one more row would reach the last two rows.
TEST_F(WorkbenchTest, SheetFullThresholdAndItsNoticeAt200InPlaceModeOnly) {
    Start(64, 480);  // full past cellY + 960 > 2500 - 960
    std::fill_n(g_skin.sheetFull->GetBits(), 200 * 50, uint16_t{0x1234});
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
        {P, F, kKeyLeft, px, 5, 1},     {P, F, kKeyLeft, px, 3, 0},      {P, F, kKeyRight, px, 438, 440},
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
    EXPECT_TRUE(Screen(300, 130) == 0x1234 &&
                script.LastFrame()[130 * SCREEN_WIDTH + 300] != 0x1234);
    Tick();
    EXPECT_EQ(script.LastFrame()[130 * SCREEN_WIDTH + 300], 0x1234);
}

// Clicks in the first 20 closing frames do nothing; then the three figures
// take turns, ten frames each, until a click or the 1000th frame ends it.
TEST_F(WorkbenchTest, ClosingScreenFiguresTakeTurnsUntilAClickOrTheEnd) {
    Start(32, 32);
    uint16_t colour = 0;  // 0x1111, 0x2222, 0x3333
    for (CPixmap* figure : g_state.closing.closingFigures)
        std::fill_n(figure->GetBits(), figure->Width() * figure->Height(), colour += 0x1111);
    g_state.freeze.phase = PHASE_CLOSING;
    for (int i = 0; i < 20; ++i) Click(400, 300);
    EXPECT_FALSE(QuitPosted());
    std::string figures;
    for (int i = 0; i < 31; ++i) {
        Tick();
        figures += char('0' + g_state.closing.closingFigure);
        if (i == 0 || i == 10) {  // figures 0 and 1 at (120, 120) and (160, 140), jitter (3, -3)
            const int x = 123 + 4 * i, y = 117 + 2 * i, figure = 0x1111 * (1 + i / 10);
            EXPECT_TRUE(Screen(x, y) == figure && Screen(x - 1, y - 1) != figure) << i;
        }
    }
    EXPECT_EQ(figures, std::string(10, '0') + std::string(10, '1') + std::string(10, '2') + "0");
    Click(400, 300);
    EXPECT_TRUE(QuitPosted());
    g_state.closing.closingTicks = 0;
    Ticks(1000);
    EXPECT_FALSE(QuitPosted());
    Tick();
    EXPECT_TRUE(QuitPosted());
}

// Sprites of 2 x 2 on a blank sheet: a confirmed range, and one being
// marked, tint their cells with their own direction's colour.
TEST_F(WorkbenchTest, ConfirmedAndLiveRangesTintWithTheirOwnDirection) {
    Start(2, 2);
    std::fill_n(g_sheet, 8, uint16_t{0});
    std::fill_n(g_sheet + SHEET_WIDTH, 8, uint16_t{0});
    for (auto [selector, tint] : {std::pair{2, 0x0019}, {5, 0x6000}}) {
        SetRange(selector, 1, 3);
        g_screenBuf[WORK_TOP * SCREEN_WIDTH] = 0;
        DrawConfirmedRanges();
        EXPECT_EQ(Screen(0, WORK_TOP), tint) << selector;
        g_state.directions.directionRanges[selector - 1].state = RANGE_UNSET;
        g_screenBuf[WORK_TOP * SCREEN_WIDTH + 2] = 0;
        DrawLiveRange(selector);
        EXPECT_EQ(Screen(2, WORK_TOP), tint) << selector;
    }
}

// Arrows are 20 pixels wide; a cell of a 10-pixel sprite scrolled just off
// the pane's left edge still shows the right half of its arrow, where cell
// 3's own arrow has its hole.
TEST_F(WorkbenchTest, ArrowOfACellJustOffThePaneStillShows) {
    Begin(10, 10, MODE_ANIMATE);
    SetRange(2, 1, 4);                // Left
    g_state.panes.sheetScrollX = 20;  // cell 2 (x 10 to 19) lies at screen x -10 to -1
    MoveTo(300, 596);
    Tick();
    for (int x : {0, 9}) EXPECT_EQ(g_screenBuf[(WORK_TOP + 5) * SCREEN_WIDTH + x], kArrow) << x;
}

// The delay runs 0 to 10000 in steps of 100, one a held tick; the wait is a
// hundredth of it and the knob stands 140 rows down, less (delay - 100) / 90.
// The range plays in order and starts over; a cell below the sheet's last
// full row (83 rows of 35 cells: 2906) shows the empty panel. A cell counts
// only when it ends on the sheet: of 250-row cells the tenth row ends on the
// sheet's last row, the eleventh would not.
TEST_F(WorkbenchTest, PreviewSpeedKnobWaitFramesAndCellsBelowTheSheet) {
    Begin(40, 30, MODE_ANIMATE);
    SetRange(2, 10, 12);  // Left
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
        EXPECT_TRUE(Screen(108, knobY) == 0x4321 && Screen(108, knobY - 1) != 0x4321) << from;
    }
    const auto shows = [](int cell) {
        const Point o = CellOrigin(cell);
        return Screen(311, 120) == g_sheet[o.y * SHEET_WIDTH + o.x] &&
               Screen(350, 149) == g_sheet[(o.y + 29) * SHEET_WIDTH + o.x + 39];
    };
    g_state.preview.previewStep = 1;
    for (int cell : {10, 11, 12, 10}) {
        Tick();
        EXPECT_TRUE(shows(cell)) << cell;
    }
    SetRange(2, 2904, 2906);
    g_state.preview.previewStep = 2;
    Tick();
    EXPECT_TRUE(shows(2905));
    Tick();
    EXPECT_EQ(g_screenBuf[120 * SCREEN_WIDTH + 311], PREVIEW_PANEL_COLOUR);
    g_state.sheet.spriteHeight = 250;
    EXPECT_TRUE(CellFitsSheet(1) && CellFitsSheet(10 * 35));
    EXPECT_FALSE(CellFitsSheet(10 * 35 + 1) || CellFitsSheet(0) || CellFitsSheet(INT32_MAX));
}

}  // namespace
