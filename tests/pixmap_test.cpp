#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "display/pixmap.h"
#include "formats/colour.h"
#include "state/editor_state.h"
#include "tests/support/pixel_compare.h"
#include "workbench/placement.h"

namespace {

using Grid = std::vector<uint16_t>;

class PixmapTest : public ::testing::Test {
  protected:
    void SetUp() override { BuildColourTables(0xF800, 0x07E0, 0x001F); }

    // A pixmap whose pixel (x, y) is 0x100 * y + x + 1: every pixel non-zero and
    // telling where it came from.
    static void FillNumbered(CPixmap& pixmap) {
        for (int y = 0; y < pixmap.Height(); ++y)
            for (int x = 0; x < pixmap.Width(); ++x)
                pixmap.GetBits()[y * pixmap.Width() + x] = static_cast<uint16_t>(0x100 * y + x + 1);
    }
    static void Load(CPixmap& pixmap, const Grid& pixels) {
        ASSERT_EQ(pixels.size(), static_cast<size_t>(pixmap.Width() * pixmap.Height()));
        std::copy(pixels.begin(), pixels.end(), pixmap.GetBits());
    }
    static uint16_t& At(Grid& screen, int x, int y) { return screen[y * SCREEN_WIDTH + x]; }
    static PixelView Screen(const Grid& screen) {
        return ViewOf(screen.data(), SCREEN_WIDTH, SCREEN_HEIGHT);
    }

    Grid screen = Grid(SCREEN_WIDTH * SCREEN_HEIGHT, 0);
};

TEST_F(PixmapTest, PutClippedDrawsOnlyThePartOnScreen) {
    CPixmap pixmap(20, 10);
    FillNumbered(pixmap);
    Grid expected = screen;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) At(expected, x, y) = 0x100 * (y + 5) + (x + 10) + 1;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) At(expected, 790 + x, 595 + y) = 0x100 * y + x + 1;
    pixmap.PutClipped(screen.data(), SCREEN_WIDTH, -10, -5);
    pixmap.PutClipped(screen.data(), SCREEN_WIDTH, 790, 595);
    EXPECT_TRUE(SamePixels(Screen(expected), Screen(screen), "put_clipped"));
}

TEST_F(PixmapTest, PutKeyedWorkStaysInsideTheWorkAreaAndSkipsZeros) {
    std::fill(screen.begin(), screen.end(), 0x1111);
    CPixmap pixmap(20, 30);
    FillNumbered(pixmap);
    for (int i = 0; i < 20 * 30; i += 7) pixmap.GetBits()[i] = 0;
    Grid expected = screen;
    for (int y = 10; y < 30; ++y)
        for (int x = 0; x < 10; ++x)
            if (const uint16_t p = pixmap.GetBits()[y * 20 + x]) At(expected, 590 + x, 20 + y) = p;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            if (const uint16_t p = pixmap.GetBits()[y * 20 + x]) At(expected, 5 + x, 490 + y) = p;
    pixmap.PutKeyedWork(screen.data(), SCREEN_WIDTH, 590, 20);
    pixmap.PutKeyedWork(screen.data(), SCREEN_WIDTH, 5, 490);
    EXPECT_TRUE(SamePixels(Screen(expected), Screen(screen), "put_keyed_work"));
}

TEST_F(PixmapTest, KeyedDrawsKeepTheDestinationUnderZeros) {
    CPixmap pixmap(3, 2);
    Grid block(SCREEN_WIDTH * 2, 5);
    const Grid before = block;
    pixmap.PutKeyed(block.data(), SCREEN_WIDTH, 10, 0);
    EXPECT_EQ(block, before);
    Load(pixmap, {9, 0, 9,  //
                  0, 9, 0});
    pixmap.PutKeyed(block.data(), SCREEN_WIDTH, 798, 0);
    EXPECT_EQ(Grid(block.begin() + 796, block.begin() + 800), Grid({5, 5, 9, 5}));
    EXPECT_EQ(Grid(block.begin() + 1596, block.begin() + 1600), Grid({5, 5, 5, 9}));
}

TEST_F(PixmapTest, FillRectClippedKeepsToTheScreen) {
    Grid expected = screen;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) At(expected, x, y) = 0xABCD;
    FillRectClipped(screen.data(), SCREEN_WIDTH, -5, -5, 5, 5, 0xABCD);
    FillRectClipped(screen.data(), SCREEN_WIDTH, 800, 0, 900, 10, 0xABCD);
    FillRectClipped(screen.data(), SCREEN_WIDTH, 10, 10, 10, 20, 0xABCD);
    EXPECT_TRUE(SamePixels(Screen(expected), Screen(screen)));
}

TEST_F(PixmapTest, FrameRectOutlinesTheRectangle) {
    FrameRect(screen.data(), 10, 10, 13, 12, 7);
    FrameRect(screen.data(), 20, 20, 25, 24, 9);
    FrameRect(screen.data(), 40, 40, 40, 45, 9);  // empty: nothing, not a column at 39
    Grid expected(screen.size(), 0);
    const Grid small = {7, 7, 7,  //
                        7, 7, 7};
    const Grid large = {9, 9, 9, 9, 9,  //
                        9, 0, 0, 0, 9,  //
                        9, 0, 0, 0, 9,  //
                        9, 9, 9, 9, 9};
    for (int i = 0; i < 6; ++i) At(expected, 10 + i % 3, 10 + i / 3) = small[i];
    for (int i = 0; i < 20; ++i) At(expected, 20 + i % 5, 20 + i / 5) = large[i];
    EXPECT_TRUE(SamePixels(Screen(expected), Screen(screen)));
}

TEST_F(PixmapTest, MarkPlacementCellFillsTheNextCellOfTheSheet) {
    Grid sheet(SHEET_WIDTH * SHEET_HEIGHT, 0);
    g_state.sheet.cellX = 1398;
    g_state.sheet.cellY = 2;
    g_state.sheet.spriteWidth = 2;
    g_state.sheet.spriteHeight = 3;
    MarkPlacementCell(sheet.data(), SHEET_WIDTH);
    EXPECT_EQ(g_state.sheet.cellRight, 1400);
    EXPECT_EQ(g_state.sheet.cellBottom, 5);
    Grid expected(sheet.size(), 0);
    for (int y = 2; y < 5; ++y)
        expected[y * SHEET_WIDTH + 1398] = expected[y * SHEET_WIDTH + 1399] = 33000;
    EXPECT_TRUE(
        SamePixels(ViewOf(expected.data(), SHEET_WIDTH, 8), ViewOf(sheet.data(), SHEET_WIDTH, 8)));
    ResetEditorState();
}

TEST_F(PixmapTest, TintedAndDarkenedDrawsShiftChannels) {
    CPixmap pixmap(2, 1);
    Load(pixmap, {PackRgb(50, 200, 60), PackRgb(255, 0, 100)});
    Grid block(PICTURE_WIDTH * PICTURE_HEIGHT, 0);
    const auto drawn = [&](int x) { return UnpackPixel(block[PICTURE_WIDTH * 2 + x]); };
    const auto expectRgb = [](Rgb got, int red, int green, int blue) {
        EXPECT_EQ(got.red, red);
        EXPECT_EQ(got.green, green);
        EXPECT_EQ(got.blue, blue);
    };
    pixmap.PutTinted(block.data(), PICTURE_WIDTH, 3, 2, 2);
    expectRgb(drawn(3), 48, 252, 56);  // green 200 + 120 caps at 255
    expectRgb(drawn(4), 248, 120, 96);
    pixmap.PutTinted(block.data(), PICTURE_WIDTH, 3, 2, 1);
    expectRgb(drawn(3), 168, 200, 56);
    expectRgb(drawn(4), 248, 0, 96);
    pixmap.PutTinted(block.data(), PICTURE_WIDTH, 3, 2, 3);
    expectRgb(drawn(3), 48, 200, 176);
    expectRgb(drawn(4), 248, 0, 216);
    pixmap.PutTinted(block.data(), PICTURE_WIDTH, 3, 2, 7);
    EXPECT_EQ(block[PICTURE_WIDTH * 2 + 3], pixmap.GetBits()[0]);
    EXPECT_EQ(block[PICTURE_WIDTH * 2 + 4], pixmap.GetBits()[1]);
    pixmap.PutDarkened(block.data(), PICTURE_WIDTH, 3, 2);
    expectRgb(drawn(3), 0, 128, 0);  // red 50 - 100 floors at 0
    expectRgb(drawn(4), 144, 0, 24);
    EXPECT_EQ(block[PICTURE_WIDTH * 2 + 2], 0);
    EXPECT_EQ(block[PICTURE_WIDTH * 2 + 5], 0);
}

TEST_F(PixmapTest, ColourShiftsAreExactOnAnEightBitChannel) {
    // One channel 8 bits wide at a time shows the arithmetic without truncation.
    const uint32_t masks[3][3] = {
        {0xFF00, 0x00F0, 0x000F}, {0x000F, 0xFF00, 0x00F0}, {0x00F0, 0x000F, 0xFF00}};
    const int darkening[3] = {100, 70, 70};
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE(::testing::Message() << "channel " << c);
        BuildColourTables(masks[c][0], masks[c][1], masks[c][2]);
        const auto channelOf = [c](uint16_t pixel) {
            const Rgb rgb = UnpackPixel(pixel);
            return c == 0 ? rgb.red : c == 1 ? rgb.green : rgb.blue;
        };
        CPixmap pixmap(1, 1);
        uint16_t drawn[SCREEN_WIDTH * 31] = {};
        const auto drawnWith = [&](int value, auto draw) {
            pixmap.GetBits()[0] = static_cast<uint16_t>(value << 8);
            draw();
            return channelOf(drawn[30 * SCREEN_WIDTH]);
        };
        const auto tinted = [&](int mode) { pixmap.PutTinted(drawn, SCREEN_WIDTH, 0, 30, mode); };
        EXPECT_EQ(drawnWith(101, [&] { tinted(c + 1); }), 221);
        EXPECT_EQ(drawnWith(201, [&] { tinted(c + 1); }), 255);
        EXPECT_EQ(drawnWith(201, [&] { tinted((c + 1) % 3 + 1); }), 201);
        EXPECT_EQ(drawnWith(101, [&] { pixmap.PutDarkened(drawn, SCREEN_WIDTH, 0, 30); }),
                  101 - darkening[c]);
        int amounts[3] = {0, 0, 0};
        amounts[c] = 7;
        EXPECT_EQ(drawnWith(101,
                            [&] {
                                pixmap.PutAdditive(drawn, SCREEN_WIDTH, 0, 30, amounts[0],
                                                   amounts[1], amounts[2]);
                            }),
                  108);
    }
}

TEST_F(PixmapTest, PutAdditiveCapsChannelsAndKeepsToTheWorkArea) {
    CPixmap pixmap(4, 4);
    std::fill_n(pixmap.GetBits(), 16, PackRgb(200, 100, 40));
    Grid expected = screen;
    for (int y = 30; y < 32; ++y)
        for (int x = 598; x < 600; ++x) At(expected, x, y) = PackRgb(230, 220, 40);
    for (int y = 498; y < 500; ++y)
        for (int x = 0; x < 2; ++x) At(expected, x, y) = PackRgb(255, 0, 0);
    pixmap.PutAdditive(screen.data(), SCREEN_WIDTH, 598, 28, 30, 120, 0);
    pixmap.PutAdditive(screen.data(), SCREEN_WIDTH, -2, 498, 100, -300, -40);
    EXPECT_TRUE(SamePixels(Screen(expected), Screen(screen), "put_additive"));
}

TEST_F(PixmapTest, GrabAndPutRoundTripAwkwardSizes) {
    const int sizes[] = {1, 7, 8, 9, 15, 16, 17, 31, 32, 33};
    std::mt19937 random(1234);
    Grid sheet(SHEET_WIDTH * SHEET_HEIGHT), picture(PICTURE_WIDTH * PICTURE_HEIGHT);
    for (Grid* block : {&screen, &sheet, &picture})
        for (uint16_t& p : *block) p = static_cast<uint16_t>(random());
    for (int w : sizes) {
        for (int h : sizes) {
            SCOPED_TRACE(::testing::Message() << w << "x" << h);
            CPixmap pixmap(w, h);
            pixmap.Grab(screen.data(), SCREEN_WIDTH, 800 - w, 600 - h);
            pixmap.Put(screen.data(), 3, 40);
            EXPECT_TRUE(
                SamePixels(ViewOf(&screen[(600 - h) * SCREEN_WIDTH + 800 - w], w, h, SCREEN_WIDTH),
                           ViewOf(&screen[40 * SCREEN_WIDTH + 3], w, h, SCREEN_WIDTH)));
            pixmap.GrabSheet(sheet.data(), 1400 - w, 2500 - h);
            pixmap.PutSheet(sheet.data(), 700, 9);
            EXPECT_TRUE(
                SamePixels(ViewOf(&sheet[(2500 - h) * SHEET_WIDTH + 1400 - w], w, h, SHEET_WIDTH),
                           ViewOf(&sheet[9 * SHEET_WIDTH + 700], w, h, SHEET_WIDTH)));
            pixmap.GrabPicture(picture.data(), 640 - w, 480 - h, w, h);
            pixmap.PutPicture(picture.data(), 1, 2);
            EXPECT_TRUE(SamePixels(
                ViewOf(&picture[(480 - h) * PICTURE_WIDTH + 640 - w], w, h, PICTURE_WIDTH),
                ViewOf(&picture[2 * PICTURE_WIDTH + 1], w, h, PICTURE_WIDTH)));
        }
    }
}

TEST_F(PixmapTest, GrabPictureWritesNoMoreThanThePixmapHolds) {
    Grid picture(PICTURE_WIDTH * PICTURE_HEIGHT);
    for (int i = 0; i < PICTURE_WIDTH * 4; ++i) picture[i] = static_cast<uint16_t>(i + 1);
    CPixmap pixmap(3, 2);
    pixmap.GrabPicture(picture.data(), 1, 0, 2, 3);  // 2 x 3 fits the 6 pixels exactly
    EXPECT_EQ(Grid(pixmap.GetBits(), pixmap.GetBits() + 6), Grid({2, 3, 642, 643, 1282, 1283}));
#ifdef NDEBUG
    pixmap.GrabPicture(picture.data(), 0, 0, 4, 4);  // only the one whole row that fits
    EXPECT_EQ(Grid(pixmap.GetBits(), pixmap.GetBits() + 6), Grid({1, 2, 3, 4, 1282, 1283}));
#else
    EXPECT_DEATH(pixmap.GrabPicture(picture.data(), 0, 0, 4, 4), "capacity");
#endif
}

TEST_F(PixmapTest, NewPixmapsAreClearAndBadSizesGiveAnEmptyOne) {
    CPixmap pixmap(5, 3);
    EXPECT_EQ(Grid(pixmap.GetBits(), pixmap.GetBits() + 15), Grid(15, 0));
    for (const auto& size : {std::pair{0, 5}, std::pair{-3, 4}, std::pair{1 << 13, 1 << 13}}) {
        CPixmap empty(size.first, size.second);
        EXPECT_EQ(empty.Width(), 0);
        EXPECT_EQ(empty.Height(), 0);
        EXPECT_EQ(empty.GetBits(), nullptr);
        empty.PutClipped(screen.data(), SCREEN_WIDTH, 0, 0);
    }
}

TEST_F(PixmapTest, SinglePixelsAndClearing) {
    PutPixel(screen.data(), 799, 599, 0xFEDC);
    EXPECT_EQ(screen.back(), 0xFEDC);
    EXPECT_EQ(GetPixel(screen.data(), SCREEN_WIDTH, 799, 599), 0xFEDCu);
    Grid block = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(GetPixel(block.data(), 3, 0, 2), 7u);
    ClearPixels(block.data(), 3, 2);
    EXPECT_EQ(block, Grid({0, 0, 0, 0, 0, 0, 7}));
}

TEST(BlockExtent, FixedCanvasesAreKnownByPitch) {
    EXPECT_TRUE(RectInsideBlock(SCREEN_WIDTH, 0, 0, 800, 600));
    EXPECT_FALSE(RectInsideBlock(SCREEN_WIDTH, 0, 0, 801, 1));
    EXPECT_FALSE(RectInsideBlock(SCREEN_WIDTH, 0, 599, 1, 601));
    EXPECT_FALSE(RectInsideBlock(SCREEN_WIDTH, -1, 0, 1, 1));
    EXPECT_TRUE(RectInsideBlock(SHEET_WIDTH, 1399, 2499, 1400, 2500));
    EXPECT_FALSE(RectInsideBlock(SHEET_WIDTH, 0, 2499, 1, 2501));
    EXPECT_FALSE(RectInsideBlock(PICTURE_WIDTH, 0, 479, 1, 481));
    EXPECT_TRUE(RectInsideBlock(33, 0, 5000, 33, 6000));  // a pixmap's block: columns only
    EXPECT_FALSE(RectInsideBlock(33, 1, 0, 34, 1));
    EXPECT_TRUE(RectInsideBlock(SCREEN_WIDTH, 900, 900, 900, 950));  // empty
}

}  // namespace
