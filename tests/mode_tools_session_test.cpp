#include <algorithm>
#include <random>
#include <vector>

#include "display/pixmap.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/input.h"
#include "workbench/mode_tools.h"

using platform::BoxAnswer;

namespace {

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
