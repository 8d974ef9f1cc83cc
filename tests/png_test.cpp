#include <gtest/gtest.h>
#include <spng.h>

#include <cstdlib>
#include <filesystem>

#include "formats/colour.h"
#include "formats/picture.h"
#include "formats/png.h"
#include "tests/fuzz/guarded_block.h"
#include "tests/support/pcx_writer.h"

namespace {

constexpr uint16_t kMagenta = 0xF81F;

struct PngPlan {
    uint32_t width, height;
    uint8_t colourType, depth, interlace;
    std::vector<uint8_t> raw;  // rows as the file stores them, before filtering
};

// Paletted pictures get red, green and a colour made transparent by tRNS.
std::vector<uint8_t> Encode(const PngPlan& plan) {
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{plan.width, plan.height, plan.depth, plan.colourType, 0, 0, plan.interlace};
    spng_set_ihdr(ctx, &ihdr);
    spng_plte plte{3, {{255, 0, 0, 255}, {0, 255, 0, 255}, {10, 20, 30, 255}}};
    spng_trns trns{0, 0, 0, 0, 3, {200, 200, 0}};
    if (plan.colourType == SPNG_COLOR_TYPE_INDEXED)
        spng_set_plte(ctx, &plte), spng_set_trns(ctx, &trns);
    int error = spng_encode_image(ctx, plan.raw.data(), plan.raw.size(), SPNG_FMT_PNG,
                                  SPNG_ENCODE_FINALIZE);
    size_t size = 0;
    auto* png = static_cast<uint8_t*>(error ? nullptr : spng_get_png_buffer(ctx, &size, &error));
    EXPECT_NE(png, nullptr) << spng_strerror(error);
    std::vector<uint8_t> bytes(png, png + size);
    std::free(png);
    spng_ctx_free(ctx);
    return bytes;
}

// An RGB picture of noise, and the pixels it must decode to.
struct NoisePicture {
    PngPlan plan;
    std::vector<uint16_t> pixels;
    NoisePicture(uint32_t width, uint32_t height, uint8_t interlace)
        : plan{width, height,    SPNG_COLOR_TYPE_TRUECOLOR,
               8,     interlace, MakeRandomImage(width, height, width * 31 + height).rgb} {
        for (size_t i = 0; i < plan.raw.size(); i += 3) pixels.push_back(Rgb565(&plan.raw[i]));
    }
};

// The block's top-left `columns` x `rows` holds `expected` (rows `stride`
// apart) and nothing else changed.
void ExpectCorner(const GuardedBlock& block, const std::vector<uint16_t>& expected, int stride,
                  int columns, int rows) {
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x)
            ASSERT_EQ(block.At(x, y), expected[y * stride + x]) << "at " << x << "," << y;
    EXPECT_TRUE(block.OnlyCornerWritten(columns, rows));
}

class PngTest : public ::testing::Test {
  protected:
    void SetUp() override { BuildColourTables(0xF800, 0x07E0, 0x001F); }
};

constexpr uint8_t kIndexed = SPNG_COLOR_TYPE_INDEXED, kGrey = SPNG_COLOR_TYPE_GRAYSCALE,
                  kGreyAlpha = SPNG_COLOR_TYPE_GRAYSCALE_ALPHA, kRgb = SPNG_COLOR_TYPE_TRUECOLOR,
                  kRgba = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;

// Alpha 127 is transparent (magenta), 128 opaque; palette index 2 is
// transparent through tRNS.
TEST_F(PngTest, EveryColourTypeAndDepthBecomesDisplayPixels) {
    const std::pair<PngPlan, std::vector<uint16_t>> cases[] = {
        {{3, 1, kIndexed, 8, 0, {0, 1, 2}}, {0xF800, 0x07E0, kMagenta}},
        {{2, 1, kGrey, 8, 0, {128, 8}}, {0x8410, 0x0841}},
        {{2, 1, kGreyAlpha, 8, 0, {100, 127, 100, 128}}, {kMagenta, 0x632C}},
        {{2, 1, kRgb, 8, 0, {255, 128, 0, 8, 4, 248}}, {0xFC00, 0x083F}},
        {{2, 1, kRgba, 8, 0, {10, 20, 30, 127, 0, 0, 255, 128}}, {kMagenta, 0x001F}},
        // Interlaced and one row high: the last pass that holds a row is not the last pass.
        {{2, 1, kRgb, 8, 1, {255, 128, 0, 8, 4, 248}}, {0xFC00, 0x083F}},
        {{3, 1, kIndexed, 8, 1, {0, 1, 2}}, {0xF800, 0x07E0, kMagenta}}};
    for (const auto& [plan, expected] : cases) {
        SCOPED_TRACE(testing::Message() << int(plan.colourType) << " depth " << int(plan.depth));
        const std::vector<uint8_t> png = Encode(plan);
        const int width = static_cast<int>(expected.size());
        GuardedBlock block(width + 2, width, 1);
        ASSERT_EQ(DecodePng(png.data(), png.size(), block.Target()), PngRefusal::None);
        ExpectCorner(block, expected, width, width, 1);
    }
}

TEST_F(PngTest, ClipsToTheDestinationAndFillsEveryRowOfEveryPass) {
    const struct {  // the picture's size, interlaced, the destination's size
        uint32_t width, height;
        uint8_t interlace;
        int destWidth, destRows;
    } cases[] = {{1, 1, 0, 1, 1},     {3, 2, 0, 8, 8}, {641, 1, 0, 640, 1}, {5, 30, 0, 5, 7},
                 {9, 5, 1, 4, 3},     {9, 5, 1, 4, 2}, {17, 11, 1, 32, 32}, {1, 9, 1, 1, 9},
                 {12, 12, 1, 12, 12}, {1, 1, 1, 1, 1}, {9, 1, 1, 9, 1},     {9, 1, 1, 9, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " i" << int(c.interlace)
                                        << " into " << c.destWidth << "x" << c.destRows);
        const NoisePicture picture(c.width, c.height, c.interlace);
        const std::vector<uint8_t> png = Encode(picture.plan);
        GuardedBlock block(c.destWidth + 2, c.destWidth, c.destRows);
        ASSERT_TRUE(DecodePngFile(png.data(), png.size(), block.Target()));
        ExpectCorner(block, picture.pixels, c.width, std::min<int>(c.width, c.destWidth),
                     std::min<int>(c.height, c.destRows));
    }
}

TEST_F(PngTest, MalformedFilesAreRefusedWithTheirReason) {
    const NoisePicture picture(128, 64, 0);  // its image data is read in several pieces
    const std::vector<uint8_t> good = Encode(picture.plan);
    std::vector<uint8_t> badP = good, badChecksum = good;
    badP[1] = 'Q', badChecksum[32] ^= 1;
    const std::vector<uint8_t> cut20(good.begin(), good.begin() + 20),
        cutHalf(good.begin(), good.begin() + good.size() / 2),
        wide = Encode({20000, 1, kGrey, 1, 0, std::vector<uint8_t>(2500)}),
        tall = Encode({1, 20000, kGrey, 1, 0, std::vector<uint8_t>(20000)});
    const struct {
        const char* name;
        const std::vector<uint8_t>& bytes;
        PngRefusal refusal;
        bool cleared;  // the header chunk passed, so the block was cleared
    } cases[] = {{"signature's P is Q", badP, PngRefusal::NotPng, false},
                 {"header chunk cut at 20 bytes", cut20, PngRefusal::BadHeader, false},
                 {"20000 wide", wide, PngRefusal::TooLarge, false},
                 {"20000 tall", tall, PngRefusal::TooLarge, false},
                 {"header checksum wrong", badChecksum, PngRefusal::BadHeader, true},
                 {"cut in the image data", cutHalf, PngRefusal::Damaged, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PngHeader header = ReadPngHeader(c.bytes.data(), c.bytes.size());
        GuardedBlock block(130, 128, 64);
        EXPECT_EQ(DecodePng(c.bytes.data(), c.bytes.size(), block.Target()), c.refusal);
        EXPECT_EQ(header.refusal, c.cleared ? PngRefusal::None : c.refusal);
        EXPECT_EQ(header.size.width + header.size.height, c.cleared ? 192 : 0);
        EXPECT_TRUE(block.OnlyCornerWritten(c.cleared ? 128 : 0, c.cleared ? 64 : 0));
        // Rows before the damage are decoded; those it never reached are 0.
        for (int x = 0; c.cleared && x < 128; ++x) {
            EXPECT_EQ(block.At(x, 0), c.refusal == PngRefusal::Damaged ? picture.pixels[x] : 0);
            EXPECT_EQ(block.At(x, 63), 0);
        }
    }
}

// The reason shown to the user for every file that is refused or
// incomplete: the system's own text when the file cannot be read.
TEST_F(PngTest, EveryRefusalAndShortfallNamesItsReason) {
    const std::string folder = ::testing::TempDir() + "reasons/";
    std::filesystem::create_directories(folder + "folder.pcx");
    const NoisePicture picture(128, 64, 0);
    const std::vector<uint8_t> png = Encode(picture.plan);
    RgbImage rgb(128, 64);
    rgb.rgb = picture.plan.raw;
    std::vector<uint8_t> pcx = EncodePcx24(rgb), flat = pcx;
    flat[10] = 0xFF, flat[11] = 0xFF;  // Ymax -1: no rows
    const PictureStatus kRefused = PictureStatus::Refused, kIncomplete = PictureStatus::Incomplete;
    // clang-format off
    const struct {
        const char* name;  // the content, not the name, chooses the reader
        bool written;      // false: the path is left as it is
        std::vector<uint8_t> bytes;
        PictureStatus status;
        const char* reason;
    } cases[] = {
        {"missing.png", false, {}, kRefused, "No such file or directory"},
        {"folder.pcx", false, {}, kRefused, "Is a directory"},
        {"empty.pcx", true, {}, kRefused, "the file is empty"},
        {"README.png", true, {'#', ' ', 'H', 'i', '\n'}, kRefused,
         "the file is neither a PCX nor a PNG picture"},
        {"flat.pcx", true, flat, kRefused,
         "the header gives the picture no pixels (a width or height below 1)"},
        {"cut20.png", true, {png.begin(), png.begin() + 20}, kRefused,
         "the PNG picture's header is damaged"},
        {"cut.pcx", true, {pcx.begin(), pcx.end() - 1}, kIncomplete,
         "the file is cut short: its image data ends before the last row"},
        {"cut.png", true, {png.begin(), png.begin() + png.size() / 2}, kIncomplete,
         "the PNG picture's image data is damaged or cut short"},
        {"png.pcx", true, png, PictureStatus::Complete, ""},
        {"pcx.png", true, pcx, PictureStatus::Complete, ""}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder + c.name;
        if (c.written) {
            ASSERT_TRUE(WriteBytesToFile(path, c.bytes));
        }
        const PictureCheck check = CheckPictureFile(path);
        const bool refused = c.status == kRefused;
        EXPECT_EQ(check.refusal, refused ? c.reason : "");
        EXPECT_EQ(GetPictureSize(path).width * 100 + check.size.height, refused ? 0 : 12864);
        GuardedBlock block(130, 128, 64), fromBytes(130, 128, 64);
        const PictureLoad load = LoadPictureFile(path, block.Target());
        EXPECT_EQ(load.status, c.status);
        EXPECT_EQ(load.reason, c.reason);
        EXPECT_EQ(block.Untouched(), refused);
        if (c.status == PictureStatus::Complete) ExpectCorner(block, picture.pixels, 128, 128, 64);
        if (!c.written) continue;
        EXPECT_EQ(CheckPicture(c.bytes.data(), c.bytes.size()).refusal, check.refusal);
        const PictureLoad decoded =
            DecodePicture(c.bytes.data(), c.bytes.size(), fromBytes.Target());
        EXPECT_EQ(std::pair(decoded.status, decoded.reason), std::pair(c.status, load.reason));
        EXPECT_TRUE(fromBytes.storage == block.storage);
    }
}

}  // namespace
