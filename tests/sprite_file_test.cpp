#include <gtest/gtest.h>

#include <random>

#include "display/pixmap.h"
#include "formats/sprite_file.h"
#include "state/editor_state.h"
#include "tests/support/file_faults.h"
#include "tests/support/pixel_compare.h"
#include "workbench/sprite_save.h"

namespace {

TEST(SpriteFileHeader, FieldsLieAtTheirOffsetsLittleEndian) {
    const SpriteFileHeader header =
        MakeSpriteHeader(SPRITE_ANIMATION, 32, 48, 0x1F7E0, {0, 4, 0, 0, 0, 0, 0, 3, 0});
    const auto a = EncodeSpriteHeader(header);
    const std::vector<uint8_t> bytes(a.begin(), a.end());
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 22), "Brisk_Kite(Brisk_Wren)");
    EXPECT_EQ(bytes[22], 0);
    EXPECT_EQ(std::string(bytes.begin() + 23, bytes.begin() + 28), "Ver.1");
    EXPECT_EQ(bytes[28], 0);
    const uint32_t expected[][2] = {{35, 1}, {39, 32}, {43, 48}, {47, 16}, {51, 0xF7E0}};
    for (const auto& field : expected) EXPECT_EQ(Le32At(bytes, field[0]), field[1]) << field[0];
    for (int d = 0; d < DIRECTION_COUNT; ++d)
        EXPECT_EQ(Le32At(bytes, 55 + 4 * d), d == 1 ? 4u : d == 7 ? 3u : 0u) << "direction " << d;
}

TEST(SpriteFileHeader, ReportStatesTheHeaderWithItsOwnSpelling) {
    const SpriteFileHeader header =
        MakeSpriteHeader(SPRITE_ANIMATION, 32, 48, 31, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(FormatSpriteReport(header),
              "Sprite Type = Animation \nSprite Width =  32\nSprite Height =  48\n"
              "Color System = 16\nKey Color =  31\nNumber of No Direction Frame = 1\n"
              "Number of Left Direction Frame = 2\nNumber of LeftUp Direction Frame = 3\n"
              "Number of Up Direction Frame = 4\nNumber of RightUp Direction Frame = 5\n"
              "Number of Right Direction Frame = 6\nNumber of RightDown Direction Frame = 7\n"
              "Number of Down Direction Frame = 8\nNumber of LeftDiown Direction Frame = 9");
}

class GrabFramesTest : public ::testing::Test {
  protected:
    void TearDown() override { ResetEditorState(); }
    void UseSpriteSize(int width, int height) {
        g_state.sheet.spriteWidth = width;
        g_state.sheet.spriteHeight = height;
        g_state.sheet.sheetColumns = SHEET_WIDTH / width;
    }
};

// Three cells from the last of a row on, so the run wraps into the next row.
TEST_F(GrabFramesTest, FramesAreTheSheetCellsInReadingOrder) {
    std::mt19937 random(7);
    for (uint16_t& pixel : g_sheet) pixel = static_cast<uint16_t>(random());
    for (int w : {1, 7, 8, 9, 15, 16, 17, 31, 32, 33}) {
        for (int h : {1, 9, 32, 33}) {
            UseSpriteSize(w, h);
            const int first = g_state.sheet.sheetColumns;
            CPixmap strip(3 * w, h);
            GrabFrames(strip, g_sheet, SHEET_WIDTH, first, first + 2, w, h);
            for (int f = 0; f < 3; ++f) {
                const int cell = first + f - 1;  // zero-based
                const uint16_t* origin = g_sheet + (cell / g_state.sheet.sheetColumns) * h * SHEET_WIDTH +
                                         (cell % g_state.sheet.sheetColumns) * w;
                EXPECT_TRUE(SamePixels(ViewOf(origin, w, h, SHEET_WIDTH),
                                       ViewOf(strip.GetBits() + f * w * h, w, h)))
                    << w << " x " << h << ", frame " << f;
            }
        }
    }
}

TEST_F(GrabFramesTest, CellsBelowTheSheetComeOutZero) {
    UseSpriteSize(32, 48);  // the 53rd row of cells starts at y 2496, 4 rows above the end
    for (uint16_t& pixel : g_sheet) pixel = 0x1234;
    const int cell = 53 * g_state.sheet.sheetColumns;  // the last cell of that row; the next lie below
    CPixmap strip(3 * 32, 48);
    GrabFrames(strip, g_sheet, SHEET_WIDTH, cell, cell + 2, 32, 48);
    // The partial row's cells hold no frame either: placement stops above them.
    const uint16_t* bits = strip.GetBits();
    for (int i = 0; i < 3 * 32 * 48; ++i) ASSERT_EQ(bits[i], 0) << "pixel " << i;
    const int above = cell - g_state.sheet.sheetColumns;
    GrabFrames(strip, g_sheet, SHEET_WIDTH, above, above, 32, 48);
    EXPECT_EQ(bits[47 * 32 + 31], 0x1234) << "the row above is whole";
}

}  // namespace
