// Pixel primitives against literal pixels: what each draw leaves on an
// 800 x 600 screen, at its edges and the work area's (0, 30)-(600, 500).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "display/pixmap.h"
#include "formats/colour.h"
#include "state/editor_state.h"

namespace {

using Grid = std::vector<uint16_t>;
constexpr uint16_t kGround = 0x7777;

class PixmapTest : public ::testing::Test {
  protected:
    void SetUp() override { BuildColourTables(0xF800, 0x07E0, 0x001F); }
    // "x,y=value" of every pixel that changed, in reading order.
    std::string Changed() const {
        std::string dots;
        for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i)
            if (screen[i] != kGround)
                dots += std::to_string(i % SCREEN_WIDTH) + "," + std::to_string(i / SCREEN_WIDTH) +
                        "=" + std::to_string(screen[i]) + " ";
        return dots;
    }
    Grid screen = Grid(SCREEN_WIDTH * SCREEN_HEIGHT, kGround);
};

TEST_F(PixmapTest, DrawsClipToTheScreenAndTheWorkArea) {
    CPixmap p(3, 2);
    const Grid bits = {1, 0, 3,  //
                       4, 5, 6};
    std::copy(bits.begin(), bits.end(), p.GetBits());
    uint16_t* s = screen.data();
    // clang-format off
    const struct { std::function<void()> draw; std::string changed; } cases[] = {
        {[&] { p.PutClipped(s, 800, 798, 598); }, "798,598=1 799,598=0 798,599=4 799,599=5 "},
        {[&] { p.PutClipped(s, 800, -2, -1); }, "0,0=6 "},
        {[&] { p.PutClipped(s, 800, 800, 0); }, ""},
        {[&] { p.PutKeyed(s, 800, 798, 598); }, "798,598=1 798,599=4 799,599=5 "},
        {[&] { p.PutKeyedWork(s, 800, 598, 498); }, "598,498=1 598,499=4 599,499=5 "},
        {[&] { p.PutKeyedWork(s, 800, -1, 29); }, "0,30=5 1,30=6 "},
        {[&] { p.PutAdditive(s, 800, 599, 499, 0, 0, 0); }, "599,499=1 "},
        {[&] { p.PutAdditive(s, 800, 10, 500, 0, 0, 0); }, ""},
        {[&] { FillRectClipped(s, 800, 799, 598, 900, 700, 9); }, "799,598=9 799,599=9 "},
        {[&] { FillRectClipped(s, 800, -5, -5, 1, 1, 9); }, "0,0=9 "},
        {[&] { FillRectClipped(s, 800, 10, 10, 10, 20, 9); }, ""},
        {[&] { FrameRect(s, 797, 598, 800, 600, 7); }, "797,598=7 798,598=7 799,598=7 797,599=7 798,599=7 799,599=7 "},
        {[&] { FrameRect(s, 20, 20, 23, 23, 7); }, "20,20=7 21,20=7 22,20=7 20,21=7 22,21=7 20,22=7 21,22=7 22,22=7 "},
        {[&] { FrameRect(s, 40, 40, 40, 45, 7); }, ""},
        {[&] { FrameRect(s, 40, 40, 45, 40, 7); }, ""},
        {[&] { PutPixel(s, 799, 599, 0xFEDC); }, "799,599=65244 "},
    };
    // clang-format on
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::fill(screen.begin(), screen.end(), kGround);
        cases[i].draw();
        EXPECT_EQ(Changed(), cases[i].changed) << "case " << i;
    }
}

TEST_F(PixmapTest, BadSizesGiveAnEmptyPixmapThatDrawsNothing) {
    CPixmap fresh(5, 3);
    EXPECT_EQ(Grid(fresh.GetBits(), fresh.GetBits() + 15), Grid(15, 0));
    for (const auto& size : {std::pair{0, 5}, {5, 0}, {-3, 4}, {1 << 13, 1 << 13}}) {
        CPixmap empty(size.first, size.second);
        EXPECT_EQ(empty.Width() + empty.Height(), 0) << size.first << "x" << size.second;
        EXPECT_EQ(empty.GetBits(), nullptr);
        empty.PutClipped(screen.data(), SCREEN_WIDTH, 0, 0);
        empty.PutKeyedWork(screen.data(), SCREEN_WIDTH, 0, 30);
    }
    EXPECT_EQ(CPixmap(4096, 4096).Width(), 4096) << "the largest picture is allowed";
    EXPECT_EQ(Changed(), "");
}

// One channel 8 bits wide at a time shows the amounts without truncation.
TEST_F(PixmapTest, ColourShiftAmountsAreExact) {
    const uint32_t masks[3][3] = {
        {0xFF00, 0x00F0, 0x000F}, {0x000F, 0xFF00, 0x00F0}, {0x00F0, 0x000F, 0xFF00}};
    for (int c = 0; c < 3; ++c) {
        BuildColourTables(masks[c][0], masks[c][1], masks[c][2]);
        const auto drawn = [&](int value, int tint, int add = 0) {  // tint 0: added, -1: darkened
            CPixmap p(1, 1);
            p.GetBits()[0] = static_cast<uint16_t>(value << 8);
            int amounts[3] = {0, 0, 0};
            amounts[c] = add;
            if (tint > 0) p.PutTinted(screen.data(), 800, 0, 40, tint);
            if (tint < 0) p.PutDarkened(screen.data(), 800, 0, 40);
            if (tint == 0)
                p.PutAdditive(screen.data(), 800, 0, 40, amounts[0], amounts[1], amounts[2]);
            return screen[40 * 800] >> 8;
        };
        const int own = c + 1, other = c % 3 + 2;
        EXPECT_EQ((std::vector<int>{drawn(101, own), drawn(136, own), drawn(201, other),
                                    drawn(101, -1), drawn(60, -1), drawn(101, 0, 7),
                                    drawn(101, 0, 155), drawn(101, 0, -102), drawn(101, 0, -100)}),
                  (std::vector<int>{221, 255, 201, c ? 31 : 1, 0, 108, 255, 0, 1}))
            << "channel " << c;  // darkening takes 100 from red, 70 from green and blue
    }
}

TEST_F(PixmapTest, GrabPictureWritesNoMoreThanThePixmapHolds) {
    Grid picture(PICTURE_WIDTH * PICTURE_HEIGHT);
    for (int i = 0; i < PICTURE_WIDTH * 4; ++i) picture[i] = static_cast<uint16_t>(i + 1);
    CPixmap p(3, 2);
    p.GrabPicture(picture.data(), 1, 0, 2, 3);  // 2 x 3 fits the 6 pixels exactly
    EXPECT_EQ(Grid(p.GetBits(), p.GetBits() + 6), Grid({2, 3, 642, 643, 1282, 1283}));
#ifdef NDEBUG
    p.GrabPicture(picture.data(), 0, 0, 4, 4);  // only the one whole row that fits
    EXPECT_EQ(Grid(p.GetBits(), p.GetBits() + 6), Grid({1, 2, 3, 4, 1282, 1283}));
#else
    EXPECT_DEATH(p.GrabPicture(picture.data(), 0, 0, 4, 4), "capacity");
#endif
}

}  // namespace
