#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "formats/colour.h"

namespace {

TEST(ColourModel, PacksAndUnpacksWorkedValuesAndEveryPixel) {
    using Masks = std::array<uint32_t, 3>;
    const Masks k565{0xF800, 0x07E0, 0x001F}, k555{0x7C00, 0x03E0, 0x001F};
    // clang-format off
    const struct { Masks masks; std::array<int, 3> rgb; uint16_t packed; std::array<int, 3> back; } cases[] = {
        {k565, {255, 255, 255}, 0xFFFF, {248, 252, 248}},
        {k565, {8, 4, 8}, 0x0821, {8, 4, 8}},
        {k565, {7, 3, 7}, 0x0000, {0, 0, 0}},
        {k565, {201, 103, 47}, 0xCB25, {200, 100, 40}},
        {k555, {255, 255, 255}, 0x7FFF, {248, 248, 248}},
        {k555, {201, 103, 47}, 0x6585, {200, 96, 40}},
        {{0x001F, 0x07E0, 0xF800}, {255, 0, 100}, 0x601F, {248, 0, 96}},  // blue on top
        {{0xFF0000 | 0xF800, 0x07E0, 0}, {255, 255, 255}, 0xFFE0, {248, 252, 0}},  // bits above 15 unread
    };
    // clang-format on
    for (const auto& c : cases) {
        BuildColourTables(c.masks[0], c.masks[1], c.masks[2]);
        EXPECT_EQ(PackRgb(c.rgb[0], c.rgb[1], c.rgb[2]), c.packed) << c.rgb[0];
        const Rgb rgb = UnpackPixel(c.packed);
        EXPECT_EQ((std::array<int, 3>{rgb.red, rgb.green, rgb.blue}), c.back) << c.packed;
        EXPECT_EQ(g_pixelToRgb[c.packed], uint32_t(c.back[2] << 16 | c.back[1] << 8 | c.back[0]));
        // Every pixel packs back to itself without the bits no channel uses.
        const uint32_t used = (c.masks[0] | c.masks[1] | c.masks[2]) & 0xFFFF;
        for (uint32_t p = 0; p < 0x10000; ++p) {
            const Rgb back = UnpackPixel(p);
            ASSERT_EQ(PackRgb(back.red, back.green, back.blue), p & used) << p;
        }
    }
}

}  // namespace
