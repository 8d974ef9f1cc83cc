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

using platform::BoxAnswer;
using platform::kKeyLeftButton;

namespace {

class EditTest : public SessionTest {
  protected:
    // The first frame placed, seeded noise over the sheet without the
    // placement mark, and Edit mode.
    void Start(int width, int height) {
        StartWith(WriteGradient("first.pcx", width, height));
        Click(684, 500);
        EXPECT_EQ(g_state.edit.workMode, MODE_PLACE) << "no mode bar before the first placement";
        Click(width / 2, WORK_TOP + height / 2);
        std::mt19937 random(5);
        for (uint16_t& pixel : g_sheet) pixel = static_cast<uint16_t>(random());
        g_state.sheet.sheetHasRoom = 0;
        Click(684, 500);
        ASSERT_EQ(g_state.edit.workMode, MODE_EDIT);
    }
    void ClickCell(int index, BoxAnswer first, BoxAnswer second = BoxAnswer::Ok) {
        script.QueueBoxAnswer(first);
        if (first == BoxAnswer::Yes) script.QueueBoxAnswer(second);
        const platform::Point at = CellOnScreen(index);
        Click(at.x + 20, at.y + 15);
    }
    std::vector<uint16_t> Cell(int index) {
        const platform::Point o = CellOrigin(index);
        std::vector<uint16_t> pixels;
        for (int y = 0; y < 30; ++y)
            pixels.insert(pixels.end(), g_sheet + (o.y + y) * SHEET_WIDTH + o.x,
                          g_sheet + (o.y + y) * SHEET_WIDTH + o.x + 40);
        return pixels;
    }
    void OpenAndArmClipboard() {
        Click(650, 55);
        Click(650, 255);
        ASSERT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_STORE);
    }
    std::vector<std::string> ShownTexts(size_t from) {
        std::vector<std::string> texts;
        for (size_t i = from; i < script.Shown().size(); ++i)
            texts.push_back(script.Shown()[i].text);
        return texts;
    }
};

TEST_F(EditTest, ClipboardExchangesTheStoredCopy) {
    Start(40, 30);
    std::fill_n(g_imgCheck->GetBits(), g_imgCheck->Width() * g_imgCheck->Height(), 0x0F0F);
    OpenAndArmClipboard();
    Tick();
    EXPECT_EQ(g_screenBuf[220 * SCREEN_WIDTH + 630], 0x0F0F) << "the check shows while armed";
    EXPECT_NE(g_screenBuf[219 * SCREEN_WIDTH + 630], 0x0F0F);
    const std::vector<uint16_t> cell3 = Cell(3), cell7 = Cell(7);
    const int beeps = script.BeepCount();
    const size_t shown = script.Shown().size();
    ClickCell(3, BoxAnswer::Yes);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_EXCHANGE);
    ClickCell(7, BoxAnswer::Yes);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_STORE);
    EXPECT_EQ(script.BeepCount() - beeps, 3);
    EXPECT_EQ(Cell(3), cell7);
    EXPECT_EQ(Cell(7), cell3);
    EXPECT_EQ(
        ShownTexts(shown),
        (std::vector<std::string>{" 이 스프라이트를  선택하시겠습니까?",
                                  "선택하신 ( 3 )번째 스프라이트가 클립보드에 저장되었습니다.",
                                  "지금 선택하신 스프라이트와 ( 3 )번째 스프라이트가 교환 됩니다 ",
                                  "교환 되었습니다"}));
    EXPECT_EQ(script.Shown().back().caption, "확인");
    // Stored, then changed in the sheet, then exchanged with itself: the
    // stored copy comes back.
    const std::vector<uint16_t> stored = Cell(3);
    ClickCell(3, BoxAnswer::Yes);
    FillRect(g_sheet, SHEET_WIDTH, 80, 0, 120, 30, 4321);
    ClickCell(3, BoxAnswer::Yes);
    EXPECT_EQ(Cell(3), stored);
}

TEST_F(EditTest, NoAnswersChangeNothingAndClosingDropsTheStoredFrame) {
    Start(40, 30);
    OpenAndArmClipboard();
    const std::vector<uint16_t> sheet(g_sheet, g_sheet + SHEET_WIDTH * SHEET_HEIGHT);
    ClickCell(5, BoxAnswer::No);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_STORE);
    ClickCell(5, BoxAnswer::Yes);
    ClickCell(9, BoxAnswer::No);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_EXCHANGE);
    EXPECT_TRUE(std::equal(sheet.begin(), sheet.end(), g_sheet));
    Click(780, 60);  // close the pane
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_IDLE);
    OpenAndArmClipboard();
    ClickCell(9, BoxAnswer::No);
    EXPECT_EQ(script.Shown().back().text, CLIPBOARD_STORE_QUESTION) << "nothing stored any more";
    // Of 480-row cells five rows fit, the sixth is not taken; of 250-row
    // cells the tenth ends on the sheet's last row.
    g_state.panes.sheetScrollY = 2000;
    for (auto [height, y, taken] : {std::tuple{480, 480, false}, {250, 290, true}}) {
        g_state.sheet.spriteHeight = height;
        const size_t before = script.Shown().size();
        script.QueueBoxAnswer(BoxAnswer::No);
        Click(20, y);
        EXPECT_EQ(script.Shown().size() - before, taken ? 1u : 0u) << height;
    }
}

TEST_F(EditTest, PickerFlipsEveryHeldTickAndTakesTheComposedPixel) {
    Start(40, 30);
    MoveTo(350, 560);
    Hold(kKeyLeftButton, true);
    std::vector<int> states;
    for (int i = 0; i < 5; ++i) {
        Tick();
        states.push_back(g_state.edit.colourPickOn);
    }
    EXPECT_EQ(states, (std::vector<int>{1, 0, 1, 0, 1}));
    Hold(kKeyLeftButton, false);
    Click(123, 217);
    EXPECT_EQ(g_state.edit.keyColour, g_sheet[187 * SHEET_WIDTH + 123]);
    // With the single-sprite window open the pixel is the window's picture,
    // shown from its second row.
    g_state.edit.singleImage = new CPixmap(640, 480);
    for (int i = 0; i < PICTURE_WIDTH * PICTURE_HEIGHT; ++i)
        g_singleBuf[i] = static_cast<uint16_t>(i * 7 + 1);
    g_state.edit.singleState = SINGLE_OPEN;
    Click(300, 200);
    EXPECT_EQ(g_state.edit.keyColour, g_singleBuf[152 * PICTURE_WIDTH + 250]);
}

// The swatch fills (52, 540) to (118, 588) with the key colour; the window
// is the picture at (50, 49) over a shadow of colour 365 five pixels out,
// and its last row is black.
TEST_F(EditTest, SwatchAndSingleWindowPixels) {
    Start(40, 30);
    g_state.edit.keyColour = 31;
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Click(80, 560);
    EXPECT_EQ(script.Shown().back().text, "31");
    EXPECT_EQ(script.Shown().back().caption, "It's Color : ");
    g_state.edit.singleImage = new CPixmap(640, 480);
    for (int i = 0; i < PICTURE_WIDTH * PICTURE_HEIGHT; ++i) g_singleBuf[i] = 0x7000 + i % 97;
    g_state.edit.singleState = SINGLE_OPEN;
    MoveTo(300, 596);
    Tick();
    const auto at = [](int x, int y) { return g_screenBuf[y * SCREEN_WIDTH + x]; };
    EXPECT_EQ(at(52, 540), 31);
    EXPECT_EQ(at(118, 588), 31);
    EXPECT_NE(at(119, 588), 31);
    EXPECT_NE(at(52, 539), 31);
    EXPECT_EQ(at(50, 49), 0x7000 + 640 % 97);
    EXPECT_EQ(at(689, 527), 0x7000 + (480 * 640 - 1) % 97);
    EXPECT_EQ(at(50, 528), 0);
    EXPECT_EQ(at(689, 528), 0);
    for (auto [x, y] : {std::pair{690, 54}, {694, 533}, {55, 533}})
        EXPECT_EQ(at(x, y), 365) << x << ", " << y;
    for (auto [x, y] : {std::pair{695, 300}, {690, 53}, {54, 533}, {300, 534}})
        EXPECT_NE(at(x, y), 365) << x << ", " << y;
}

}  // namespace
