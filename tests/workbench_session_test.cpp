#include <vector>

#include "display/pixmap.h"
#include "formats/colour.h"
#include "shell/frame.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "tests/support/pixel_compare.h"
#include "tests/support/session.h"
#include "workbench/input.h"
#include "workbench/placement.h"

using platform::BoxAnswer;
using platform::kKeyLeftButton;

namespace {

class WorkbenchTest : public SessionTest {
  protected:
    void Start(int width, int height) { StartWith(WriteGradient("first.pcx", width, height)); }
    // The screen point of a sheet pixel with the current scroll.
    static platform::Point OnSheet(int sx, int sy) {
        return {sx - g_state.panes.sheetScrollX, sy + WORK_TOP - g_state.panes.sheetScrollY};
    }
    void ClickSheet(int sx, int sy) {
        const platform::Point p = OnSheet(sx, sy);
        Click(p.x, p.y);
    }
    bool CellHoldsWorkingImage(int x, int y) {
        return SamePixels(ViewOf(g_workingImage->GetBits(), g_state.sheet.spriteWidth,
                                 g_state.sheet.spriteHeight),
                          ViewOf(g_sheet + y * SHEET_WIDTH + x, g_state.sheet.spriteWidth,
                                 g_state.sheet.spriteHeight, SHEET_WIDTH));
    }
};

TEST_F(WorkbenchTest, ClickingTheMarkedCellPlacesAndMovesTheMark) {
    Start(100, 80);
    Tick();
    EXPECT_EQ(g_sheet[0], PLACEMENT_MARK);
    ClickSheet(50, 40);
    EXPECT_TRUE(CellHoldsWorkingImage(0, 0));
    EXPECT_EQ(g_state.sheet.placedCount, 1);
    EXPECT_EQ(g_state.sheet.cellX, 100);
    Tick();
    EXPECT_EQ(g_sheet[100], PLACEMENT_MARK) << "the next cell is marked in the sheet itself";

    std::vector<int> xs{g_state.sheet.cellX};
    while (g_state.sheet.cellY == 0) {
        AdvanceCell();
        xs.push_back(g_state.sheet.cellX);
    }
    EXPECT_EQ(xs.size(), 14u);
    EXPECT_EQ(xs[13], 0);
    EXPECT_EQ(xs[12], 1300);
    EXPECT_EQ(g_state.sheet.cellY, 80);
}

TEST_F(WorkbenchTest, WideSpritesWrapAfterFourCells) {
    Start(300, 40);
    for (int i = 0; i < 4; ++i) AdvanceCell();
    EXPECT_EQ(g_state.sheet.cellX, 0);
    EXPECT_EQ(g_state.sheet.cellY, 40);
    EXPECT_EQ(g_state.sheet.cellBottom, 80);
}

TEST_F(WorkbenchTest, EdgePixelsOfTheMarkedCell) {
    Start(100, 80);
    Tick();
    const struct {
        int sx, sy;
        bool places;
    } cases[] = {{0, 40, false}, {99, 40, true}, {50, 79, true}, {50, 0, false}};
    for (const auto& c : cases) {
        const int before = g_state.sheet.placedCount;
        ClickSheet(g_state.sheet.cellX + c.sx, g_state.sheet.cellY + c.sy);
        Tick();
        EXPECT_EQ(g_state.sheet.placedCount - before, c.places ? 1 : 0) << c.sx << ", " << c.sy;
    }
}

TEST_F(WorkbenchTest, HeldButtonPlacesAgainOnlyOnTheNewMark) {
    Start(100, 80);
    MoveTo(50, 70);
    Hold(kKeyLeftButton, true);
    Ticks(5);
    EXPECT_EQ(g_state.sheet.placedCount, 1);
    MoveTo(150, 70);
    Ticks(1);
    EXPECT_EQ(g_state.sheet.placedCount, 2);
    EXPECT_TRUE(CellHoldsWorkingImage(100, 0));
}

TEST_F(WorkbenchTest, CarriedImageStaysOnScreenDarkened) {
    Start(100, 80);
    Click(700, 300);  // focus the picture pane
    EXPECT_EQ(g_state.panes.focusPane, FOCUS_PICTURE);
    Click(650, 60);  // on the working image in the pane's corner
    EXPECT_EQ(g_state.panes.carrying, 1);
    MoveTo(790, 100);
    Tick();
    const Rgb source = UnpackPixel(g_workingImage->GetBits()[0]);
    const Rgb shown = UnpackPixel(g_screenBuf[100 * SCREEN_WIDTH + 695]);
    EXPECT_EQ(shown.red, std::max(source.red - 100, 0));
    EXPECT_EQ(shown.green, std::max(source.green - 70, 0));
    Click(700, 300);  // a click elsewhere in the focused pane lets go
    EXPECT_EQ(g_state.panes.carrying, 0);
}

TEST_F(WorkbenchTest, SheetFullStopsTheMarkAndTheCount) {
    Start(64, 480);
    g_state.sheet.cellY = 960;  // 960 + 960 > 2500 - 960
    g_state.sheet.cellBottom = g_state.sheet.cellY + 480;
    Tick();
    EXPECT_EQ(g_state.sheet.sheetHasRoom, 0);
    g_state.panes.sheetScrollY = 960;
    ClickSheet(g_state.sheet.cellX + 10, g_state.sheet.cellY + 10);
    EXPECT_EQ(g_state.sheet.placedCount, 0);
    EXPECT_EQ(g_state.sheet.cellX, 0);
    EXPECT_TRUE(CellHoldsWorkingImage(0, 960)) << "the frame is still written";

    // The 200 x 50 notice stands at (200, 200), in Place mode only.
    std::fill_n(g_imgSheetFull->GetBits(), 200 * 50, uint16_t{0x1234});
    const auto screen = [](int x, int y) { return g_screenBuf[y * SCREEN_WIDTH + x]; };
    Tick();
    EXPECT_EQ(screen(200, 200), 0x1234);
    EXPECT_EQ(screen(399, 249), 0x1234);
    EXPECT_NE(screen(199, 200), 0x1234);
    EXPECT_NE(screen(400, 249), 0x1234);
    EXPECT_NE(screen(200, 250), 0x1234);
    g_state.edit.workMode = MODE_EDIT;
    Tick();
    EXPECT_NE(screen(200, 200), 0x1234);
}

TEST_F(WorkbenchTest, OpenButtonCancelledChangesNothingAndAPictureReplacesTheCorner) {
    Start(40, 30);
    Click(650, 17);  // focus the picture pane (the tool bar strip counts)
    Click(650, 17);  // the open-picture button
    EXPECT_EQ(g_state.panes.openPictureRequest, 1);
    const std::vector<uint16_t> working(g_workingImage->GetBits(),
                                        g_workingImage->GetBits() + 40 * 30);
    script.QueueOpenAnswer(std::nullopt);
    Tick();
    EXPECT_EQ(g_state.panes.openPictureRequest, 0);
    EXPECT_EQ(script.Shown().back().caption,
              "Already Working Image Size Fixed!, Read Only 40 X 30 -Brisk_Wren :)");
    EXPECT_TRUE(
        SamePixels(ViewOf(working.data(), 40, 30), ViewOf(g_workingImage->GetBits(), 40, 30)));

    // A larger picture is clipped into the buffer; its corner becomes the image.
    g_state.panes.openPictureRequest = 1;
    script.QueueOpenAnswer(WritePicture("wide.pcx", MakeFlatImage(900, 700, 248, 0, 0)));
    Tick();
    EXPECT_EQ(g_workingImage->GetBits()[0], 0xF800);
    EXPECT_EQ(g_pictureBuf[PICTURE_WIDTH * PICTURE_HEIGHT - 1], 0xF800);
}

TEST_F(WorkbenchTest, FocusRules) {
    Start(32, 32);
    Click(700, 515);  // picture pane, below row 499
    EXPECT_EQ(g_state.panes.focusPane, FOCUS_NONE);
    Click(700, 499);
    EXPECT_EQ(g_state.panes.focusPane, FOCUS_PICTURE);
    Click(300, 5);  // the tool bar strip above the sheet
    EXPECT_EQ(g_state.panes.focusPane, FOCUS_SHEET);
    // The outline is on the presented frame but never in the composition buffer.
    EXPECT_EQ(script.LastFrame()[30 * SCREEN_WIDTH + 300], FOCUS_OUTLINE_COLOUR);
    EXPECT_NE(g_screenBuf[30 * SCREEN_WIDTH + 300], FOCUS_OUTLINE_COLOUR);
}

TEST_F(WorkbenchTest, ScrollingSequences) {
    Start(32, 32);
    Click(300, 300);
    Hold(platform::kKeyRight, true);
    std::vector<int> xs;
    for (int i = 0; i < 43; ++i) {
        Tick();
        xs.push_back(g_state.panes.sheetScrollX);
    }
    EXPECT_EQ(xs[0], 20);
    EXPECT_EQ(xs[38], 780);
    EXPECT_EQ(xs[39], 800);
    EXPECT_EQ(xs[40], 799);
    EXPECT_EQ(xs[42], 799);
    Hold(platform::kKeyRight, false);

    Click(700, 300);  // the picture pane: 4 pixels a tick, up to 440
    Hold(platform::kKeyRight, true);
    Ticks(200);
    EXPECT_EQ(g_state.panes.pictureScrollX, 440);
    Hold(platform::kKeyRight, false);
    Hold(platform::kKeyDown, true);
    Ticks(3);
    EXPECT_EQ(g_state.panes.pictureScrollY, 0) << "nothing below the picture to scroll to";
    // The pane's 20 rows under the picture's last row show black.
    EXPECT_EQ(g_screenBuf[(WORK_TOP + 490) * SCREEN_WIDTH + 700], 0);
    Hold(platform::kKeyDown, false);

    g_state.edit.workMode = MODE_EDIT;  // focus 2 outside Place mode moves nothing
    Hold(platform::kKeyLeft, true);
    Ticks(3);
    EXPECT_EQ(g_state.panes.pictureScrollX, 440);
    EXPECT_EQ(g_state.panes.sheetScrollX, 799);
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

TEST_F(WorkbenchTest, CellNumbering) {
    Start(100, 80);
    EXPECT_EQ(CellIndexAt(0, WORK_TOP), 1);
    EXPECT_EQ(CellIndexAt(100, WORK_TOP), 2);
    EXPECT_EQ(CellIndexAt(0, WORK_TOP + 80), 15);
    g_cursor = {0, WORK_TOP + 80};
    EXPECT_EQ(TrackCellUnderCursor(), 15);
    EXPECT_EQ(g_state.directions.cellIndex, 15);
    EXPECT_EQ(CellOrigin(14).x, 1300);
    EXPECT_EQ(CellOrigin(28).y, 80);
    EXPECT_EQ(CellOrigin(28).x, 1300);
}

TEST_F(WorkbenchTest, SaveBeforeFreezeAndTheFreezeQuestion) {
    Start(32, 32);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Click(100, 15);
    ASSERT_EQ(script.Shown().back().caption, "Fuck you!");
    EXPECT_EQ(script.Shown().back().text, "Freeze를 하지 않으면 저장할수 없습니다");
    EXPECT_EQ(g_state.freeze.phase, PHASE_EDITING);

    script.QueueBoxAnswer(BoxAnswer::Cancel);
    Click(300, 550);
    EXPECT_EQ(script.Shown().back().caption, "동작을 확인합니다");
    EXPECT_EQ(script.Shown().back().buttons, platform::BoxButtons::OkCancel);
    EXPECT_EQ(g_state.freeze.freezeRequested, 0);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Click(300, 550);
    EXPECT_EQ(g_state.freeze.freezeRequested, 1);
}

TEST_F(WorkbenchTest, ClosingScreenIgnoresEarlyClicksAndEndsLater) {
    Start(32, 32);
    g_state.freeze.phase = PHASE_CLOSING;
    for (int i = 0; i < 20; ++i) Click(400, 300);
    EXPECT_FALSE(QuitPosted());
    Click(400, 300);
    EXPECT_TRUE(QuitPosted());

    g_state.closing.closingTicks = 0;
    Ticks(1000);
    EXPECT_FALSE(QuitPosted());
    Tick();
    EXPECT_TRUE(QuitPosted());
}

}  // namespace
