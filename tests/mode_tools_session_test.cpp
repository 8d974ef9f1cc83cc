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
#include "workbench/mode_tools.h"

using platform::BoxAnswer;
using platform::kKeyLeftButton;

namespace {

// Skin pictures get seeded noise with some zeros, so the checks below do not
// depend on the skin files and keyed draws show where they let the floor through.
void PaintNoise(CPixmap* image, std::mt19937& random) {
    for (int i = 0; i < image->Width() * image->Height(); ++i) {
        const uint16_t value = static_cast<uint16_t>(random());
        image->GetBits()[i] = (value & 3) == 0 ? 0 : value;
    }
}

class EditTest : public SessionTest {
  protected:
    void Start(int width, int height) {
        StartWith(WriteGradient("first.pcx", width, height));
        std::mt19937 random(77);
        for (CPixmap* skin : {g_imgTopToolBar, g_imgRightToolBar, g_imgBottomBar, g_imgEditBar,
                              g_imgEditBar2, g_imgModeBar, g_imgModeButton[0], g_imgModeButton[1],
                              g_imgModeButton[2], g_imgKeyColourPane, g_imgPickerOn, g_imgSMaker,
                              g_imgSingleTitle, g_imgClipboard, g_imgCheck})
            PaintNoise(skin, random);
    }
    // Places the first frame, then lays seeded noise over the sheet and stops
    // the placement mark so the sheet holds the noise alone.
    void PlaceAndFillSheet() {
        Click(g_state.sheet.spriteWidth / 2, WORK_TOP + g_state.sheet.spriteHeight / 2);
        ASSERT_EQ(g_state.sheet.placedCount, 1);
        std::mt19937 random(5);
        for (uint16_t& pixel : g_sheet) pixel = static_cast<uint16_t>(random());
        g_state.sheet.sheetHasRoom = 0;
    }
    void ChooseMode(int mode) { Click(602 + 56 * (mode - 1) + 26, 520); }
    platform::Point CellCentre(int index) {
        const platform::Point at = CellOnScreen(index);
        return {at.x + g_state.sheet.spriteWidth / 2, at.y + g_state.sheet.spriteHeight / 2};
    }
    void ClickCell(int index) {
        const platform::Point p = CellCentre(index);
        Click(p.x, p.y);
    }
    std::vector<uint16_t> CellPixels(int index) {
        const platform::Point o = CellOrigin(index);
        std::vector<uint16_t> pixels;
        for (int y = 0; y < g_state.sheet.spriteHeight; ++y)
            pixels.insert(pixels.end(), g_sheet + (o.y + y) * SHEET_WIDTH + o.x,
                          g_sheet + (o.y + y) * SHEET_WIDTH + o.x + g_state.sheet.spriteWidth);
        return pixels;
    }
    ::testing::AssertionResult CellHolds(int index, const std::vector<uint16_t>& pixels) {
        return SamePixels(
            ViewOf(pixels.data(), g_state.sheet.spriteWidth, g_state.sheet.spriteHeight),
            ViewOf(CellPixels(index).data(), g_state.sheet.spriteWidth,
                   g_state.sheet.spriteHeight));
    }
    void OpenAndArmClipboard() {
        Click(650, 55);
        Click(650, 255);
        ASSERT_EQ(g_state.edit.clipboardState, 1);
    }
    uint16_t Screen(int x, int y) const { return g_screenBuf[y * SCREEN_WIDTH + x]; }
};

TEST_F(EditTest, ModeBarWaitsForTheFirstPlacementThenOnlySwitchesTheMode) {
    Start(40, 30);
    Tick();
    const uint16_t paneUnderBar = Screen(700, 450);
    ChooseMode(MODE_ANIMATE);
    EXPECT_EQ(g_state.edit.workMode, MODE_PLACE);
    EXPECT_EQ(Screen(700, 450), paneUnderBar) << "no mode bar before the first placement";

    PlaceAndFillSheet();
    const std::vector<uint16_t> sheet(g_sheet, g_sheet + SHEET_WIDTH * SHEET_HEIGHT);
    const int focus = g_state.panes.focusPane;
    for (int mode : {MODE_EDIT, MODE_ANIMATE, MODE_PLACE, MODE_ANIMATE}) {
        ChooseMode(mode);
        EXPECT_EQ(g_state.edit.workMode, mode);
        EXPECT_EQ(g_state.panes.focusPane, focus);
        EXPECT_EQ(g_state.directions.direction, 0);
        EXPECT_EQ(g_state.edit.clipboardOpen, 0);
        EXPECT_EQ(g_state.edit.colourPickOn, 0);
        EXPECT_EQ(g_state.preview.previewOpen, 0);
        EXPECT_EQ(g_state.sheet.placedCount, 1);
    }
    EXPECT_TRUE(SamePixels(ViewOf(sheet.data(), SHEET_WIDTH, SHEET_HEIGHT),
                           ViewOf(g_sheet, SHEET_WIDTH, SHEET_HEIGHT)));
    EXPECT_TRUE(script.Shown().size() == 1) << "only the first picture's dialog";
}

// A touchpad tap goes down and up between two ticks; the buttons that ask
// only "down" must still take it, once.
TEST_F(EditTest, TapsBetweenTicksActOnModeAndDirectionButtons) {
    Start(40, 30);
    PlaceAndFillSheet();
    const auto tap = [&](int x, int y) {
        MoveTo(x, y);
        script.TapKey(kKeyLeftButton);
        Tick();
    };
    for (int mode : {MODE_EDIT, MODE_ANIMATE, MODE_PLACE, MODE_ANIMATE}) {
        tap(602 + 56 * (mode - 1) + 26, 520);
        EXPECT_EQ(g_state.edit.workMode, mode);
    }
    for (int i = 0; i < DIRECTION_COUNT; ++i) {
        const Area& b = DIRECTIONS[i].button;
        tap((b.x0 + b.x1) / 2, (b.y0 + b.y1) / 2);
        EXPECT_EQ(g_state.directions.direction, i + 1) << DIRECTIONS[i].name;
    }
    Tick();
    EXPECT_FALSE(KeyDown(kKeyLeftButton)) << "a tap reads as down for one tick only";
}

TEST_F(EditTest, PickerFlipsEveryHeldTickAndTakesTheComposedPixel) {
    Start(40, 30);
    PlaceAndFillSheet();
    ChooseMode(MODE_EDIT);
    MoveTo(350, 560);
    Hold(kKeyLeftButton, true);
    std::vector<int> states;
    for (int i = 0; i < 5; ++i) {
        Tick();
        states.push_back(g_state.edit.colourPickOn);
    }
    EXPECT_EQ(states, (std::vector<int>{1, 0, 1, 0, 1}));
    Hold(kKeyLeftButton, false);
    Tick();
    EXPECT_EQ(g_state.edit.colourPickOn, 1) << "a release keeps what the last tick left";

    Click(123, 217);
    EXPECT_EQ(g_state.edit.keyColour, g_sheet[(217 - WORK_TOP) * SHEET_WIDTH + 123]);
    EXPECT_NE(g_sheet[(217 - WORK_TOP) * SHEET_WIDTH + 122], g_state.edit.keyColour);

    // With the single-sprite window open the pixel is the window's picture.
    g_state.edit.singleImage = new CPixmap(640, 480);
    for (int i = 0; i < PICTURE_WIDTH * PICTURE_HEIGHT; ++i)
        g_singleBuf[i] = static_cast<uint16_t>(i * 7 + 1);
    g_state.edit.singleState = SINGLE_OPEN;
    Click(300, 200);
    EXPECT_EQ(g_state.edit.keyColour, g_singleBuf[(200 - 49 + 1) * PICTURE_WIDTH + 250]);
    Click(300, 500);  // below the picking area, though still on the window
    EXPECT_EQ(g_state.edit.keyColour, g_singleBuf[(200 - 49 + 1) * PICTURE_WIDTH + 250]);
}

TEST_F(EditTest, SwatchShowsTheKeyColourAndItsValue) {
    Start(40, 30);
    PlaceAndFillSheet();
    ChooseMode(MODE_EDIT);
    g_state.edit.keyColour = 31;
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Click(80, 560);
    ASSERT_EQ(script.Shown().size(), 2u);
    EXPECT_EQ(script.Shown().back().text, "31");
    EXPECT_EQ(script.Shown().back().caption, "It's Color : ");
    EXPECT_EQ(Screen(52, 540), 31);
    EXPECT_EQ(Screen(118, 588), 31);
    const uint16_t* pane = g_imgKeyColourPane->GetBits();
    EXPECT_EQ(Screen(119, 588), pane[58 * 479 + 119]);
    EXPECT_EQ(Screen(52, 539), pane[9 * 479 + 52]);
}

TEST_F(EditTest, ClipboardExchangesTheStoredCopy) {
    Start(40, 30);
    PlaceAndFillSheet();
    ChooseMode(MODE_EDIT);
    OpenAndArmClipboard();
    const std::vector<uint16_t> cell3 = CellPixels(3), cell7 = CellPixels(7);
    const int beeps = script.BeepCount();

    script.QueueBoxAnswer(BoxAnswer::Yes);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    ClickCell(3);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_EXCHANGE);
    EXPECT_EQ(script.BeepCount() - beeps, 2);
    script.QueueBoxAnswer(BoxAnswer::Yes);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    ClickCell(7);
    EXPECT_EQ(script.BeepCount() - beeps, 3);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_STORE);
    EXPECT_TRUE(CellHolds(3, cell7));
    EXPECT_TRUE(CellHolds(7, cell3));

    const auto& shown = script.Shown();
    ASSERT_GE(shown.size(), 4u);
    const std::vector<std::string> texts{shown[shown.size() - 4].text, shown[shown.size() - 3].text,
                                         shown[shown.size() - 2].text, shown.back().text};
    EXPECT_EQ(texts, (std::vector<std::string>{
                         " 이 스프라이트를  선택하시겠습니까?",
                         "선택하신 ( 3 )번째 스프라이트가 클립보드에 저장되었습니다.",
                         "지금 선택하신 스프라이트와 ( 3 )번째 스프라이트가 교환 됩니다 ",
                         "교환 되었습니다"}));
    EXPECT_EQ(shown[shown.size() - 2].buttons, platform::BoxButtons::YesNo);
    EXPECT_EQ(shown[shown.size() - 2].caption, "선택");
    EXPECT_EQ(shown.back().caption, "확인");

    // Stored, then changed in the sheet, then exchanged with itself: the
    // stored copy comes back.
    const std::vector<uint16_t> stored = CellPixels(3);
    script.QueueBoxAnswer(BoxAnswer::Yes);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    ClickCell(3);
    FillRect(g_sheet, SHEET_WIDTH, 80, 0, 120, 30, 4321);
    script.QueueBoxAnswer(BoxAnswer::Yes);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    ClickCell(3);
    EXPECT_TRUE(CellHolds(3, stored));
}

TEST_F(EditTest, NoAnswersChangeNothingAndClosingDropsTheStoredFrame) {
    Start(40, 30);
    PlaceAndFillSheet();
    ChooseMode(MODE_EDIT);
    OpenAndArmClipboard();
    const std::vector<uint16_t> sheet(g_sheet, g_sheet + SHEET_WIDTH * SHEET_HEIGHT);
    script.QueueBoxAnswer(BoxAnswer::No);
    ClickCell(5);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_STORE);
    script.QueueBoxAnswer(BoxAnswer::Yes);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    ClickCell(5);
    script.QueueBoxAnswer(BoxAnswer::No);
    ClickCell(9);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_EXCHANGE);
    const size_t before = script.Shown().size();
    script.QueueBoxAnswer(BoxAnswer::No);
    ClickCell(9);
    EXPECT_EQ(script.Shown().size(), before + 1) << "the next click asks again";
    EXPECT_TRUE(SamePixels(ViewOf(sheet.data(), SHEET_WIDTH, SHEET_HEIGHT),
                           ViewOf(g_sheet, SHEET_WIDTH, SHEET_HEIGHT)));

    Click(780, 60);  // close the pane
    EXPECT_EQ(g_state.edit.clipboardOpen, 0);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_IDLE);
    OpenAndArmClipboard();
    script.QueueBoxAnswer(BoxAnswer::No);
    ClickCell(9);
    EXPECT_EQ(script.Shown().back().text, CLIPBOARD_STORE_QUESTION) << "nothing stored any more";
}

TEST_F(EditTest, ClickBelowTheSheetsLastFullRowIsNotTaken) {
    Start(40, 480);  // five full rows; the sixth would end at 2880
    PlaceAndFillSheet();
    ChooseMode(MODE_EDIT);
    OpenAndArmClipboard();
    g_state.panes.sheetScrollY = 2000;
    const size_t before = script.Shown().size();
    Click(20, 480);  // sheet row 2450: the sixth row
    EXPECT_EQ(script.Shown().size(), before);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_STORE);
}

// Expected frames are assembled from the same layers in the documented order.
class EditFrameTest : public EditTest {
  protected:
    std::vector<uint16_t> BaseFrame(int mode) {
        std::vector<uint16_t> frame(SCREEN_WIDTH * SCREEN_HEIGHT, 0);
        for (int y = 0; y < 500; ++y)
            std::copy_n(g_sheet + (g_state.panes.sheetScrollY + y) * SHEET_WIDTH +
                            g_state.panes.sheetScrollX,
                        600, &frame[(WORK_TOP + y) * SCREEN_WIDTH]);
        g_imgTopToolBar->Put(frame.data(), 0, 0);
        g_imgBottomBar->Put(frame.data(), 0, 530);
        g_imgKeyColourPane->Put(frame.data(), 0, 530);
        FillRect(frame.data(), SCREEN_WIDTH, 52, 540, 119, 589,
                 static_cast<uint16_t>(g_state.edit.keyColour));
        g_imgEditBar->Put(frame.data(), 600, 0);
        g_imgEditBar2->Put(frame.data(), 600, 0);
        g_imgModeBar->Put(frame.data(), 600, 380);
        g_imgModeButton[mode - 1]->PutTinted(frame.data(), SCREEN_WIDTH, 600 + 56 * (mode - 1), 414,
                                             2);
        g_imgSMaker->Put(frame.data(), 453, 510);
        return frame;
    }
};

TEST_F(EditFrameTest, SingleSpriteWindowFrame) {
    Start(40, 30);
    PlaceAndFillSheet();
    ChooseMode(MODE_EDIT);
    g_state.edit.keyColour = 0x1234;
    g_state.edit.singleImage = new CPixmap(640, 480);
    std::mt19937 random(9);
    for (int i = 0; i < PICTURE_WIDTH * PICTURE_HEIGHT; ++i)
        g_singleBuf[i] = static_cast<uint16_t>(random());
    g_state.edit.singleState = SINGLE_OPEN;
    MoveTo(300, 580);
    Tick();

    std::vector<uint16_t> expected = BaseFrame(MODE_EDIT);
    FillRect(expected.data(), SCREEN_WIDTH, 55, 54, 695, 534, 365);
    FillRect(expected.data(), SCREEN_WIDTH, 50, 49, 690, 529, 12);
    g_imgSingleTitle->Put(expected.data(), 50, 20);
    for (int row = 1; row < PICTURE_HEIGHT; ++row)
        std::copy_n(g_singleBuf + row * PICTURE_WIDTH, PICTURE_WIDTH,
                    &expected[(48 + row) * SCREEN_WIDTH + 50]);
    // The picture has no row for the window's last one: black, nothing read.
    FillRect(expected.data(), SCREEN_WIDTH, 50, 528, 690, 529, 0);
    EXPECT_TRUE(SamePixels(ViewOf(expected.data(), 800, 600), ViewOf(g_screenBuf, 800, 600),
                           "edit_single"));
}

TEST_F(EditFrameTest, ClipboardPaneFrame) {
    Start(40, 30);
    PlaceAndFillSheet();
    ChooseMode(MODE_EDIT);
    OpenAndArmClipboard();
    MoveTo(300, 580);
    Tick();

    std::vector<uint16_t> expected = BaseFrame(MODE_EDIT);
    g_imgClipboard->Put(expected.data(), 600, 0);
    g_imgCheck->PutKeyed(expected.data(), SCREEN_WIDTH, 630, 220);
    EXPECT_TRUE(SamePixels(ViewOf(expected.data(), 800, 600), ViewOf(g_screenBuf, 800, 600),
                           "edit_clipboard"));
}

}  // namespace
