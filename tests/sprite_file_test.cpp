#include <gtest/gtest.h>

#include "display/pixmap.h"
#include "formats/sprite_file.h"
#include "state/editor_state.h"
#include "state/work.h"
#include "workbench/sprite_save.h"

namespace {

void AppendLe32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> 8 * i));
}

const char kHeaderText[] =
    "Brisk_Kite(Brisk_Wren)\0"  // signature, zero-terminated: 23 bytes
    "Ver.1\0\0\0\0\0\0\0";      // version, zero-padded to 12 bytes

TEST(SpriteFileHeader, FieldsLieAtTheirOffsetsLittleEndian) {
    const SpriteFileHeader header =
        MakeSpriteHeader(SPRITE_ANIMATION, 32, 48, 0x1F7E0, {11, 12, 13, 14, 15, 16, 17, 18, 19});
    std::vector<uint8_t> expected(kHeaderText, kHeaderText + 35);
    AppendLe32(expected, 1);       // type: animation
    AppendLe32(expected, 32);      // width
    AppendLe32(expected, 48);      // height
    AppendLe32(expected, 16);      // colour bits
    AppendLe32(expected, 0xF7E0);  // key colour: only its low 16 bits
    for (uint32_t frames = 11; frames <= 19; ++frames)
        AppendLe32(expected, frames);  // per direction
    const auto bytes = EncodeSpriteHeader(header);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), expected);
    // Each direction's count on its own line.
    EXPECT_EQ(FormatSpriteReport(header),
              "Sprite Type = Animation \nSprite Width =  32\nSprite Height =  48\n"
              "Color System = 16\nKey Color =  63456\nNumber of No Direction Frame = 11\n"
              "Number of Left Direction Frame = 12\nNumber of LeftUp Direction Frame = 13\n"
              "Number of Up Direction Frame = 14\nNumber of RightUp Direction Frame = 15\n"
              "Number of Right Direction Frame = 16\nNumber of RightDown Direction Frame = 17\n"
              "Number of Down Direction Frame = 18\nNumber of LeftDiown Direction Frame = 19");
}

class GrabFramesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 0; i < SHEET_WIDTH * SHEET_HEIGHT; ++i)
            g_sheet[i] = Marker(i % SHEET_WIDTH, i / SHEET_WIDTH);
    }
    void TearDown() override { ResetEditorState(); }
    static uint16_t Marker(int x, int y) { return static_cast<uint16_t>(y * 1409 + x + 1); }
    static void UseSpriteSize(int width, int height) {
        g_state.sheet.spriteWidth = width;
        g_state.sheet.spriteHeight = height;
        g_state.sheet.sheetColumns = SHEET_WIDTH / width;
    }
};

// Three cells from the last of a row on, so the run wraps into the next row.
// The sheet is 2500 rows: 50-row cells fill it exactly, 48-row ones leave a
// partial 53rd row whose cells, like those below the sheet, hold no frame.
TEST_F(GrabFramesTest, FramesAreTheSheetCellsInReadingOrderAndNoneBelowIt) {
    const struct {
        int width, height, row;  // of the cells; the first gathered is the row's last
        bool below[3];           // of the three cells
    } cases[] = {{1, 1, 0, {}},           {7, 9, 0, {}},          {33, 33, 0, {}},
                 {640, 480, 0, {}},       {32, 50, 48, {}},       {32, 50, 49, {0, 1, 1}},
                 {32, 48, 51, {0, 1, 1}}, {32, 48, 52, {1, 1, 1}}};
    for (const auto& c : cases) {
        const int w = c.width, h = c.height, columns = SHEET_WIDTH / w;
        UseSpriteSize(w, h);
        CPixmap strip(3 * w, h);
        const int first = (c.row + 1) * columns;  // cells count from 1
        GrabFrames(strip, g_sheet, SHEET_WIDTH, first, first + 2, w, h);
        const int cellX[] = {columns - 1, 0, 1}, cellY[] = {c.row, c.row + 1, c.row + 1};
        for (int f = 0; f < 3; ++f)
            for (int i = 0; i < w * h; ++i)
                ASSERT_EQ(strip.GetBits()[f * w * h + i],
                          c.below[f] ? 0 : Marker(cellX[f] * w + i % w, cellY[f] * h + i / w))
                    << w << " x " << h << ", frame " << f << ", pixel " << i;
    }
}

}  // namespace
