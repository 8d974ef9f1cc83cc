// Our decoder against SDL2_image on the same generated files, pixel for pixel
// once both are truncated to 5-6-5.

#include <SDL_image.h>
#include <gtest/gtest.h>

#include "formats/colour.h"
#include "formats/pcx.h"
#include "tests/support/pcx_writer.h"
#include "tests/support/pixel_compare.h"

namespace {

// SDL2_image's reading of the file, as 5-6-5 pixels; empty when it refuses.
std::vector<uint16_t> DecodeWithSdlImage(const std::vector<uint8_t>& file) {
    SDL_RWops* stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    SDL_Surface* loaded = IMG_Load_RW(stream, 1);
    if (loaded == nullptr) return {};
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    if (rgb == nullptr) return {};
    std::vector<uint16_t> pixels;
    for (int y = 0; y < rgb->h; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch;
        for (int x = 0; x < rgb->w; ++x) {
            pixels.push_back(PackRgb(row[3 * x], row[3 * x + 1], row[3 * x + 2]));
        }
    }
    SDL_FreeSurface(rgb);
    return pixels;
}

void ExpectSameAsSdlImage(const RgbImage& image, const PcxWriteOptions& options) {
    const std::vector<uint8_t> file = EncodePcx24(image, options);
    const std::vector<uint16_t> reference = DecodeWithSdlImage(file);
    ASSERT_EQ(reference.size(), static_cast<size_t>(image.width) * image.height)
        << "SDL2_image refused the file: " << IMG_GetError();
    std::vector<uint16_t> ours(reference.size());
    ASSERT_TRUE(DecodePcxFile(file.data(), file.size(),
                              {ours.data(), image.width, image.width, image.height}));
    EXPECT_TRUE(SamePixels(ViewOf(reference.data(), image.width, image.height),
                           ViewOf(ours.data(), image.width, image.height)));
}

// SDL2_image reads padded and unpadded lines and runs across lines as we do;
// it misreads runs of count 0, so the writer's default encoding is used.
TEST(PcxAgainstSdlImage, AgreesOnAwkwardSizes) {
    BuildColourTables(0xF800, 0x07E0, 0x001F);
    PcxWriteOptions layouts[3];
    layouts[1].padOddWidth = false;
    layouts[2].runsCrossLines = true;
    layouts[2].padValue = 0xEE;
    const int sizes[] = {1, 7, 8, 9, 15, 16, 17, 31, 32, 33};
    uint32_t seed = 100;
    for (int width : sizes) {
        for (int height : sizes) {
            for (const PcxWriteOptions& options : layouts) {
                SCOPED_TRACE(testing::Message() << width << " x " << height << " seed " << seed);
                ExpectSameAsSdlImage(MakeRandomImage(width, height, seed++), options);
                ExpectSameAsSdlImage(MakeFlatImage(width, height, 0xC3, 0x81, 0x3E), options);
            }
        }
    }
}

}  // namespace
