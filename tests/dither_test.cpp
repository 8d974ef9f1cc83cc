// Opened pictures' colours under the ordered dither, the matte and the alpha
// threshold: through the PCX and PNG decoders and celforge-spr's corners.

#include <gtest/gtest.h>

#include <vector>

#include "cli/export.h"
#include "cli/picture_source.h"
#include "formats/colour.h"
#include "formats/picture.h"
#include "tests/support/pcx_writer.h"

namespace {

constexpr int kSide = 8;

// red = 64 + x: 5-bit field 8 and x eighths of a step; green = 128 + y / 2:
// 6-bit field 32 and (y / 2) quarters of a step; blue 0, exact.
RgbImage Gradient() {
    RgbImage image(kSide, kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            image.At(x, y)[0] = static_cast<uint8_t>(64 + x);
            image.At(x, y)[1] = static_cast<uint8_t>(128 + y / 2);
        }
    return image;
}

// Worked by hand from the threshold matrix M (row y, column x): red steps up
// to field 9 (+0x0800) where M < 8x, green to field 33 (+0x0020) where
// M < 16 * (y / 2); the base pixel 8 << 11 | 32 << 5 is 0x4400. Row 0 is
// M = 0 32 8 40 2 34 10 42 against 0 8 16 24 32 40 48 56: up at x = 2, 4..7.
// Column 0 (red 64, exact) and rows 0-1 (green 128, exact) never step.
// clang-format off
const uint16_t kDitheredGradient[kSide * kSide] = {
    0x4400, 0x4400, 0x4C00, 0x4400, 0x4C00, 0x4C00, 0x4C00, 0x4C00,
    0x4400, 0x4400, 0x4400, 0x4400, 0x4400, 0x4C00, 0x4400, 0x4C00,
    0x4420, 0x4400, 0x4C20, 0x4400, 0x4C20, 0x4400, 0x4C20, 0x4C00,
    0x4400, 0x4400, 0x4400, 0x4C00, 0x4400, 0x4C00, 0x4400, 0x4C00,
    0x4420, 0x4400, 0x4C20, 0x4400, 0x4C20, 0x4C00, 0x4C20, 0x4C00,
    0x4400, 0x4420, 0x4400, 0x4420, 0x4400, 0x4C20, 0x4400, 0x4C20,
    0x4420, 0x4420, 0x4C20, 0x4420, 0x4C20, 0x4420, 0x4C20, 0x4C20,
    0x4400, 0x4420, 0x4400, 0x4C20, 0x4400, 0x4C20, 0x4400, 0x4C20,
};
// clang-format on

std::vector<uint8_t> RgbaOf(const RgbImage& image, uint8_t alpha) {
    std::vector<uint8_t> rgba;
    for (size_t i = 0; i < image.rgb.size(); i += 3)
        rgba.insert(rgba.end(), {image.rgb[i], image.rgb[i + 1], image.rgb[i + 2], alpha});
    return rgba;
}

std::vector<uint8_t> PngOf(const std::vector<uint8_t>& rgba, int width, int height) {
    std::string error;
    const std::optional<std::vector<uint8_t>> png = EncodePngRgba(rgba, width, height, &error);
    EXPECT_TRUE(png) << error;
    return png.value_or(std::vector<uint8_t>());
}

// Decodes into a block of `width` x `height` at (left, top) of a larger one.
std::vector<uint16_t> DecodeAt(const std::vector<uint8_t>& file, const ColourOptions& options,
                               int width, int height, int left = 0, int top = 0) {
    const int pitch = width + left + 5;
    std::vector<uint16_t> block(static_cast<size_t>(pitch) * (height + top));
    const ColourConverter colour(options);
    const PixelTarget target{&block[static_cast<size_t>(top) * pitch + left], pitch, width, height,
                             &colour};
    EXPECT_EQ(DecodePicture(file.data(), file.size(), target).status, PictureStatus::Complete);
    std::vector<uint16_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(block[static_cast<size_t>(top + y) * pitch + left + x]);
    return pixels;
}

class DitherTest : public ::testing::Test {
  protected:
    void SetUp() override { UseFileColourTables(); }
};

TEST_F(DitherTest, AGradientDithersToTheWorkedPixelsInEveryPath) {
    ColourOptions dither;
    dither.dither = true;
    const RgbImage image = Gradient();
    const std::vector<uint8_t> pcx = EncodePcx24(image);
    const std::vector<uint8_t> png = PngOf(RgbaOf(image, 255), kSide, kSide);
    const std::optional<PictureCorner> corner =
        CutPictureCorner(png, kSide, kSide, nullptr, dither);
    ASSERT_TRUE(corner);
    const std::vector<uint16_t> paths[] = {DecodeAt(pcx, dither, kSide, kSide),
                                           DecodeAt(png, dither, kSide, kSide, 13, 7),
                                           corner->pixels};
    for (const std::vector<uint16_t>& pixels : paths)
        EXPECT_EQ(pixels, std::vector<uint16_t>(kDitheredGradient, std::end(kDitheredGradient)));
    // Without the option the same picture truncates: 0x4400 everywhere.
    for (const uint16_t pixel : DecodeAt(pcx, ColourOptions{}, kSide, kSide))
        ASSERT_EQ(pixel, 0x4400);
}

// A colour is the key's own when each channel cuts to the key's field and is
// exact there (low bits 0) or in the channel's top step, which has no step up.
bool IsKeysOwnColour(int r, int g, int b, uint16_t key) {
    const auto own = [](int value, int field, int bits) {
        const int drop = 8 - bits, top = (1 << bits) - 1;
        return value >> drop == field && (value % (1 << drop) == 0 || field == top);
    };
    return own(r, key >> 11, 5) && own(g, key >> 5 & 63, 6) && own(b, key & 31, 5);
}

TEST_F(DitherTest, NoColourNearTheKeyDithersToItUnlessItIsTheKeysOwn) {
    ColourOptions dither;
    dither.dither = true;
    // Black, the transparent magenta, a middle grey, white, and one by the magenta.
    for (const uint16_t key : {0x0000, 0xF81F, 0x8410, 0xFFFF, 0xF01F}) {
        const ColourConverter colour(dither, key);
        const int r0 = (key >> 11) * 8, g0 = (key >> 5 & 63) * 4, b0 = (key & 31) * 8;
        int keys = 0;
        for (int r = std::max(r0 - 8, 0); r < std::min(r0 + 16, 256); ++r)
            for (int g = std::max(g0 - 4, 0); g < std::min(g0 + 8, 256); ++g)
                for (int b = std::max(b0 - 8, 0); b < std::min(b0 + 16, 256); ++b) {
                    const bool own = IsKeysOwnColour(r, g, b, key);
                    keys += own;
                    for (int at = 0; at < 64; ++at) {
                        const uint16_t pixel = colour.Pack(r, g, b, at % 8, at / 8);
                        ASSERT_EQ(pixel == key, own) << key << ": " << r << "," << g << "," << b;
                    }
                }
        EXPECT_GT(keys, 0) << key;
    }
}

TEST_F(DitherTest, MatteBlendsPartTransparentPixelsBeforeTheThresholdDecides) {
    const Rgb8 black{0, 0, 0}, red{255, 0, 0};
    // White at alpha 128 on black: (255 * 128 + 127) / 255 = 128, 5-6-5 16,32,16.
    // At 127: 127.5 rounds to 127, fields 15,31,15. Blue at alpha 64 on red:
    // red (255 * 191 + 127) / 255 = 191 (field 23), blue 64 (field 8).
    // clang-format off
    const struct { bool matte; Rgb8 colour; int threshold; uint8_t rgba[4]; uint16_t pixel; } cases[] = {
        {false, {}, 128, {255, 255, 255, 128}, 0xFFFF},
        {false, {}, 128, {255, 255, 255, 127}, 0xF81F},  // below the threshold: magenta
        {false, {}, 100, {255, 255, 255, 127}, 0xFFFF},
        {true, black, 128, {255, 255, 255, 128}, 0x8410},
        {true, black, 100, {255, 255, 255, 127}, 0x7BEF},
        {true, black, 1, {255, 255, 255, 0}, 0xF81F},      // alpha 0 is always below
        {true, black, 255, {255, 255, 255, 254}, 0xF81F},
        {true, black, 255, {10, 20, 30, 255}, 0x08A3},     // opaque: no blend
        {true, red, 64, {0, 0, 255, 64}, 0xB808},
        {false, red, 64, {0, 0, 255, 64}, 0x001F},
    };
    // clang-format on
    for (const auto& c : cases) {
        ColourOptions options;
        options.useMatte = c.matte;
        options.matte = c.colour;
        options.alphaThreshold = c.threshold;
        const std::vector<uint8_t> png = PngOf({c.rgba, c.rgba + 4}, 1, 1);
        EXPECT_EQ(DecodeAt(png, options, 1, 1)[0], c.pixel) << int(c.rgba[3]) << " " << c.threshold;
        const std::optional<PictureCorner> corner = CutPictureCorner(png, 1, 1, nullptr, options);
        ASSERT_TRUE(corner);
        EXPECT_EQ(corner->pixels[0], c.pixel) << int(c.rgba[3]) << " " << c.threshold;
    }
}

}  // namespace
