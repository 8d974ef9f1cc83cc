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
    const struct { int width, perRow; } cases[] = {{100, 14}, {300, 4}, {640, 2}};
    for (const auto& c : cases) {
        TearDown();
        SetUp();
        Start(c.width, 40);
        Tick();
        EXPECT_EQ(g_sheet[0], PLACEMENT_MARK);
        Click(5, WORK_TOP + 5);
        EXPECT_TRUE(SamePixels(ViewOf(g_workingImage->GetBits(), c.width, 40),
                               ViewOf(g_sheet, c.width, 40, SHEET_WIDTH)));
        int perRow = 1;
        for (; g_state.sheet.cellY == 0; ++perRow) AdvanceCell();
        EXPECT_EQ(perRow, c.perRow) << c.width;
        EXPECT_EQ(g_state.sheet.cellBottom, 80);
    }
}

// Full once the next cell and one more row would reach the last two rows.
TEST_F(WorkbenchTest, SheetFullThresholdAndItsNoticeAt200InPlaceModeOnly) {
    Start(64, 480);  // full past cellY + 960 > 2500 - 960
    std::fill_n(g_imgSheetFull->GetBits(), 200 * 50, uint16_t{0x1234});
    const struct {
        int cellY;
        WorkMode mode;
        bool room;
    } cases[] = {{580, MODE_PLACE, true}, {581, MODE_PLACE, false}, {581, MODE_EDIT, false}};
    for (const auto& c : cases) {
        g_state.sheet.cellY = c.cellY;
        g_state.sheet.sheetHasRoom = 1;
        g_state.edit.workMode = c.mode;
        MoveTo(300, 596);
        Tick();
        EXPECT_EQ(g_state.sheet.sheetHasRoom, c.room ? 1 : 0) << c.cellY;
        const bool shows = !c.room && c.mode == MODE_PLACE;
        for (auto [x, y, in] : {std::tuple{200, 200, true},
                                {399, 249, true},
                                {199, 200, false},
                                {200, 199, false},
                                {400, 249, false},
                                {399, 250, false}})
            EXPECT_EQ(Screen(x, y) == 0x1234, shows && in) << x << ", " << y << " " << c.mode;
    }
    g_state.edit.workMode = MODE_PLACE;
    g_state.panes.sheetScrollY = 581;
    Click(10, WORK_TOP + 10);
    EXPECT_EQ(g_state.sheet.placedCount, 0) << "a full sheet counts no more frames";
    EXPECT_EQ(g_state.sheet.cellX, 0);
    EXPECT_EQ(g_sheet[591 * SHEET_WIDTH + 10], g_workingImage->GetBits()[10 * 64 + 10]);
}

TEST_F(WorkbenchTest, ScrollStepsAndStops) {
    Start(32, 32);
    PaneState& p = g_state.panes;
    using platform::kKeyDown, platform::kKeyLeft, platform::kKeyRight, platform::kKeyUp;
    const struct {
        WorkMode mode;
        FocusPane focus;
        int key;
        int* value;
        int from, to;
    } cases[] = {
        {MODE_PLACE, FOCUS_SHEET, kKeyUp, &p.sheetScrollY, 100, 80},
        {MODE_EDIT, FOCUS_SHEET, kKeyUp, &p.sheetScrollY, 15, 0},
        {MODE_PLACE, FOCUS_SHEET, kKeyDown, &p.sheetScrollY, 100, 120},
        {MODE_PLACE, FOCUS_SHEET, kKeyDown, &p.sheetScrollY, 1990, 2000},
        {MODE_PLACE, FOCUS_SHEET, kKeyDown, &p.sheetScrollY, 2000, 1999},
        {MODE_PLACE, FOCUS_SHEET, kKeyLeft, &p.sheetScrollX, 100, 80},
        {MODE_PLACE, FOCUS_SHEET, kKeyRight, &p.sheetScrollX, 780, 800},
        {MODE_PLACE, FOCUS_SHEET, kKeyRight, &p.sheetScrollX, 800, 799},
        {MODE_PLACE, FOCUS_SHEET, kKeyRight, &p.sheetScrollX, 799, 799},
        {MODE_PLACE, FOCUS_PICTURE, kKeyLeft, &p.pictureScrollX, 100, 96},
        {MODE_PLACE, FOCUS_PICTURE, kKeyLeft, &p.pictureScrollX, 3, 0},
        {MODE_PLACE, FOCUS_PICTURE, kKeyRight, &p.pictureScrollX, 438, 440},
        {MODE_PLACE, FOCUS_PICTURE, kKeyUp, &p.pictureScrollY, 5, 4},
        {MODE_PLACE, FOCUS_PICTURE, kKeyDown, &p.pictureScrollY, 5, 5},
        {MODE_EDIT, FOCUS_PICTURE, kKeyLeft, &p.pictureScrollX, 100, 100},
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

// The outline is drawn on the presented frame, never in the composition.
TEST_F(WorkbenchTest, FocusOutlineFramesThePane) {
    Start(32, 32);
    Click(300, 300);
    for (auto [x, y] : {std::pair{300, 30}, {300, 529}, {0, 300}, {599, 300}})
        EXPECT_EQ(script.LastFrame()[y * SCREEN_WIDTH + x], FOCUS_OUTLINE_COLOUR) << x << ", " << y;
    EXPECT_NE(script.LastFrame()[31 * SCREEN_WIDTH + 300], FOCUS_OUTLINE_COLOUR);
    EXPECT_NE(Screen(300, 30), FOCUS_OUTLINE_COLOUR);
}

TEST_F(WorkbenchTest, NextPictureCancelledKeepsTheImageAndALargerOneIsClipped) {
    Start(40, 30);
    const std::vector<uint16_t> working(g_workingImage->GetBits(),
                                        g_workingImage->GetBits() + 40 * 30);
    g_state.panes.openPictureRequest = 1;
    script.QueueOpenAnswer(std::nullopt);
    Tick();
    EXPECT_EQ(g_state.panes.openPictureRequest, 0);
    EXPECT_EQ(script.Shown().back().caption,
              "Already Working Image Size Fixed!, Read Only 40 X 30 -Brisk_Wren :)");
    EXPECT_TRUE(
        SamePixels(ViewOf(working.data(), 40, 30), ViewOf(g_workingImage->GetBits(), 40, 30)));
    g_state.panes.openPictureRequest = 1;
    script.QueueOpenAnswer(WritePicture("wide.pcx", MakeFlatImage(900, 700, 248, 0, 0)));
    Tick();
    EXPECT_EQ(g_workingImage->GetBits()[0], 0xF800);
    EXPECT_EQ(g_pictureBuf[PICTURE_WIDTH * PICTURE_HEIGHT - 1], 0xF800);
}

TEST_F(WorkbenchTest, SaveWaitsForTheFreezeWhichAsksFirst) {
    Start(32, 32);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Click(100, 15);
    EXPECT_EQ(script.Shown().back().text, "Freeze를 하지 않으면 저장할수 없습니다");
    EXPECT_EQ(g_state.freeze.phase, PHASE_EDITING);
    for (BoxAnswer answer : {BoxAnswer::Cancel, BoxAnswer::Ok}) {
        script.QueueBoxAnswer(answer);
        Click(300, 550);
        EXPECT_EQ(script.Shown().back().buttons, platform::BoxButtons::OkCancel);
        EXPECT_EQ(g_state.freeze.freezeRequested, answer == BoxAnswer::Ok ? 1 : 0);
    }
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
