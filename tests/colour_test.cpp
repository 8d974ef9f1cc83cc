#include <gtest/gtest.h>

#include <cstdint>

#include "formats/colour.h"

namespace {

struct Layout {
    const char* name;
    uint32_t redMask;
    uint32_t greenMask;
    uint32_t blueMask;
    int redBits;
    int greenBits;
    int blueBits;
};

constexpr Layout k565{"5-6-5", 0xF800, 0x07E0, 0x001F, 5, 6, 5};
constexpr Layout k555{"5-5-5", 0x7C00, 0x03E0, 0x001F, 5, 5, 5};

void Build(const Layout& layout) {
    BuildColourTables(layout.redMask, layout.greenMask, layout.blueMask);
}

int LowBitsCleared(int value, int bits) {
    return value & ~((1 << (8 - bits)) - 1) & 255;
}

TEST(ColourModel, WorkedValuesOf565) {
    Build(k565);
    EXPECT_EQ(g_redTable[255], 0xF800);
    EXPECT_EQ(g_greenTable[255], 0x07E0);
    EXPECT_EQ(g_blueTable[255], 0x001F);
    EXPECT_EQ(PackRgb(255, 255, 255), 0xFFFF);
    EXPECT_EQ(PackRgb(8, 4, 8), 0x0821);
    EXPECT_EQ(PackRgb(7, 3, 7), 0);
    const Rgb white = UnpackPixel(0xFFFF);
    EXPECT_EQ(white.red, 248);
    EXPECT_EQ(white.green, 252);
    EXPECT_EQ(white.blue, 248);
    EXPECT_EQ(g_pixelToRgb[0xFFFF], 0x00F8FCF8u);
}

TEST(ColourModel, WorkedValuesOf555) {
    Build(k555);
    EXPECT_EQ(g_redTable[255], 0x7C00);
    EXPECT_EQ(g_greenTable[255], 0x03E0);
    EXPECT_EQ(g_blueTable[255], 0x001F);
    EXPECT_EQ(PackRgb(255, 255, 255), 0x7FFF);
    EXPECT_EQ(PackRgb(8, 8, 8), 0x0421);
    EXPECT_EQ(PackRgb(7, 7, 7), 0);
    const Rgb white = UnpackPixel(0x7FFF);
    EXPECT_EQ(white.red, 248);
    EXPECT_EQ(white.green, 248);
    EXPECT_EQ(white.blue, 248);
}

TEST(ColourModel, Bit15IsIgnoredIn555) {
    Build(k555);
    for (uint32_t p = 0; p < 0x8000; ++p)
        ASSERT_EQ(g_pixelToRgb[p | 0x8000], g_pixelToRgb[p]) << "pixel " << p;
}

TEST(ColourModel, UnpackThenPackGivesEveryPixelBack) {
    for (const Layout& layout : {k565, k555}) {
        Build(layout);
        const uint32_t pixelCount = 1u << (layout.redBits + layout.greenBits + layout.blueBits);
        for (uint32_t p = 0; p < pixelCount; ++p) {
            const Rgb rgb = UnpackPixel(p);
            ASSERT_EQ(PackRgb(rgb.red, rgb.green, rgb.blue), p) << layout.name << " pixel " << p;
            ASSERT_EQ(g_pixelToRgb[p] >> 24, 0u) << layout.name << " pixel " << p;
        }
    }
}

TEST(ColourModel, PackThenUnpackClearsLowBitsOfEachChannel) {
    for (const Layout& layout : {k565, k555}) {
        Build(layout);
        for (int v = 0; v < 256; ++v) {
            // Different values per channel catch channels leaking into each other.
            const int red = v, green = 255 - v, blue = v ^ 0x5A;
            const Rgb rgb = UnpackPixel(PackRgb(red, green, blue));
            ASSERT_EQ(rgb.red, LowBitsCleared(red, layout.redBits)) << layout.name << " " << v;
            ASSERT_EQ(rgb.green, LowBitsCleared(green, layout.greenBits))
                << layout.name << " " << v;
            ASSERT_EQ(rgb.blue, LowBitsCleared(blue, layout.blueBits)) << layout.name << " " << v;
        }
    }
}

TEST(ColourModel, ChannelsAreFoundWhereverTheMasksPutThem) {
    // Blue on top and red at the bottom, as some displays report.
    BuildColourTables(0x001F, 0x07E0, 0xF800);
    EXPECT_EQ(PackRgb(255, 0, 0), 0x001F);
    EXPECT_EQ(PackRgb(0, 0, 255), 0xF800);
    EXPECT_EQ(UnpackPixel(0x001F).red, 248);
    EXPECT_EQ(UnpackPixel(0xF800).blue, 248);
}

TEST(ColourModel, EmptyMaskAndHighMaskBits) {
    // Bits above 15 are not looked at; a channel with no bits contributes 0.
    BuildColourTables(0xFF0000 | 0xF800, 0x07E0, 0);
    EXPECT_EQ(PackRgb(255, 255, 255), 0xFFE0);
    EXPECT_EQ(UnpackPixel(0xFFFF).blue, 0);
    EXPECT_EQ(UnpackPixel(0xFFFF).red, 248);
}

}  // namespace
