#include <algorithm>
#include <random>
#include <vector>

#include "display/pixmap.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/pixel_compare.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/input.h"
#include "workbench/mode_tools.h"
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

class EditTest : public SessionTest {
  protected:
    // The first 40 x 30 frame placed (the mode bar waits for it), seeded noise
    // over the sheet without the placement mark, and Edit mode.
    void SetUp() override {
        SessionTest::SetUp();
        StartWith(WriteGradient("first.pcx", 40, 30));
        Click(684, 500);
        EXPECT_EQ(g_state.edit.workMode, MODE_PLACE) << "no mode bar before the first placement";
        Click(20, WORK_TOP + 15);
        std::mt19937 random(5);
        for (uint16_t& pixel : g_sheet) pixel = static_cast<uint16_t>(random());
        g_state.sheet.sheetHasRoom = 0;
        Click(684, 500);
        ASSERT_EQ(g_state.edit.workMode, MODE_EDIT);
    }
    void ClickCell(int index, BoxAnswer answer) {
        script.QueueBoxAnswer(answer);
        if (answer == BoxAnswer::Yes) script.QueueBoxAnswer(BoxAnswer::Ok);
        Click(CellOnScreen(index).x + 20, CellOnScreen(index).y + 15);
    }
    static std::vector<uint16_t> Cell(int index) {
        std::vector<uint16_t> pixels;
        for (int y = 0; y < 30; ++y) {
            const uint16_t* row = g_sheet + (CellOrigin(index).y + y) * SHEET_WIDTH;
            pixels.insert(pixels.end(), row + CellOrigin(index).x, row + CellOrigin(index).x + 40);
        }
        return pixels;
    }
    static uint16_t At(int x, int y) { return g_screenBuf[y * SCREEN_WIDTH + x]; }
};

// The second cell receives the copy taken when the first was stored. No
// answers change nothing; a cell below the sheet's last full row is not taken.
TEST_F(EditTest, ClipboardExchangesTheStoredCopy) {
    std::fill_n(g_imgCheck->GetBits(), g_imgCheck->Width() * g_imgCheck->Height(), 0x0F0F);
    Click(650, 55);   // open
    Click(650, 255);  // arm
    Tick();
    EXPECT_TRUE(At(630, 220) == 0x0F0F && At(629, 219) != 0x0F0F) << "the check shows while armed";
    const std::vector<uint16_t> cell3 = Cell(3), cell7 = Cell(7), sheet(g_sheet, g_sheet + 35000);
    ClickCell(5, BoxAnswer::No);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_STORE);
    const size_t shown = script.Shown().size();
    ClickCell(3, BoxAnswer::Yes);
    ClickCell(9, BoxAnswer::No);
    EXPECT_TRUE(std::equal(sheet.begin(), sheet.end(), g_sheet));
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_EXCHANGE);
    FillRect(g_sheet, SHEET_WIDTH, 80, 0, 120, 30, 4321);  // cell 3 changes after the store
    ClickCell(7, BoxAnswer::Yes);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_STORE);
    EXPECT_EQ(Cell(3), cell7);
    EXPECT_EQ(Cell(7), cell3);
    std::vector<std::string> texts;
    for (size_t i = shown; i < script.Shown().size(); ++i) texts.push_back(script.Shown()[i].text);
    EXPECT_EQ(texts, (std::vector<std::string>{
                         " 이 스프라이트를  선택하시겠습니까?",
                         "선택하신 ( 3 )번째 스프라이트가 클립보드에 저장되었습니다.",
                         "지금 선택하신 스프라이트와 ( 3 )번째 스프라이트가 교환 됩니다 ",
                         "지금 선택하신 스프라이트와 ( 3 )번째 스프라이트가 교환 됩니다 ",
                         "교환 되었습니다"}));
    // Of 480-row cells five rows fit, the sixth is not taken; of 250-row
    // cells the tenth ends on the sheet's last row.
    g_state.panes.sheetScrollY = 2000;
    for (auto [height, y, taken] : {std::tuple{480, 480, 0u}, {250, 290, 1u}}) {
        g_state.sheet.spriteHeight = height;
        const size_t before = script.Shown().size();
        script.QueueBoxAnswer(BoxAnswer::No);
        Click(20, y);
        EXPECT_EQ(script.Shown().size() - before, taken) << height;
    }
}

// The picker flips on every held tick and takes the composed pixel: the
// sheet's, or the single-sprite window's picture shown from its second row.
// The swatch fills (52, 540) to (118, 588); the window's shadow (365) lies
// five pixels out and its last row is black.
TEST_F(EditTest, PickerSwatchAndWindowPixels) {
    MoveTo(350, 560);
    std::vector<int> states;
    for (int i = 0; i < 5; ++i) {
        Hold(platform::kKeyLeftButton, true);
        Tick();
        states.push_back(g_state.edit.colourPickOn);
    }
    EXPECT_EQ(states, (std::vector<int>{1, 0, 1, 0, 1}));
    Click(123, 217);
    EXPECT_EQ(g_state.edit.keyColour, g_sheet[187 * SHEET_WIDTH + 123]);
    g_state.edit.singleImage = new CPixmap(640, 480);
    for (int i = 0; i < PICTURE_WIDTH * PICTURE_HEIGHT; ++i) g_singleBuf[i] = 0x7000 + i % 97;
    g_state.edit.singleState = SINGLE_OPEN;
    Click(300, 200);
    EXPECT_EQ(g_state.edit.keyColour, 0x7000 + (152 * 640 + 250) % 97);
    g_state.edit.keyColour = 31;
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Click(80, 560);
    EXPECT_EQ(script.Shown().back().text, "31");
    for (auto [x, y, want] : {std::tuple{52, 540, 31},
                              {118, 588, 31},
                              {50, 49, 0x7000 + 640 % 97},
                              {689, 527, 0x7000 + (480 * 640 - 1) % 97},
                              {50, 528, 0},
                              {689, 528, 0},
                              {690, 54, 365},
                              {694, 533, 365},
                              {55, 533, 365}})
        EXPECT_EQ(At(x, y), want) << x << ", " << y;
    for (auto [x, y, not_] : {std::tuple{119, 588, 31},
                              {52, 539, 31},
                              {695, 300, 365},
                              {690, 53, 365},
                              {54, 533, 365},
                              {300, 534, 365}})
        EXPECT_NE(At(x, y), not_) << x << ", " << y;
}

}  // namespace
