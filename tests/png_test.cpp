#include <gtest/gtest.h>
#include <spng.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "formats/colour.h"
#include "formats/picture.h"
#include "formats/png.h"
#include "tests/support/pcx_writer.h"

namespace {

constexpr uint16_t kSentinel = 0xA5A5;
constexpr uint16_t kMagenta = 0xF81F;

// The display's 5-6-5 layout, worked out here rather than through the tables.
uint16_t Rgb565(int r, int g, int b) {
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

struct PngSpec {
    uint32_t width, height;
    uint8_t colourType, depth, interlace;
    std::vector<uint8_t> raw;  // rows as the file stores them, before filtering
};

// Paletted pictures get red, green and a colour made transparent by tRNS.
std::vector<uint8_t> Encode(const PngSpec& spec) {
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{spec.width, spec.height, spec.depth, spec.colourType, 0, 0, spec.interlace};
    spng_set_ihdr(ctx, &ihdr);
    spng_plte plte{3, {{255, 0, 0, 255}, {0, 255, 0, 255}, {10, 20, 30, 255}}};
    spng_trns trns{};
    trns.n_type3_entries = 3;
    trns.type3_alpha[0] = trns.type3_alpha[1] = 200;
    if (spec.colourType == SPNG_COLOR_TYPE_INDEXED) {
        spng_set_plte(ctx, &plte);
        spng_set_trns(ctx, &trns);
    }
    int error = spng_encode_image(ctx, spec.raw.data(), spec.raw.size(), SPNG_FMT_PNG,
                                  SPNG_ENCODE_FINALIZE);
    size_t size = 0;
    auto* png = static_cast<uint8_t*>(error ? nullptr : spng_get_png_buffer(ctx, &size, &error));
    EXPECT_NE(png, nullptr) << spng_strerror(error);
    std::vector<uint8_t> bytes(png, png + size);
    std::free(png);
    spng_ctx_free(ctx);
    return bytes;
}

// An RGB picture of noise and the pixels it must decode to.
struct NoisePicture {
    PngSpec spec;
    std::vector<uint16_t> pixels;
    NoisePicture(uint32_t width, uint32_t height, uint8_t interlace)
        : spec{width, height, SPNG_COLOR_TYPE_TRUECOLOR, 8, interlace, {}} {
        uint32_t state = 12345;
        for (uint32_t i = 0; i < width * height * 3; ++i) {
            spec.raw.push_back(static_cast<uint8_t>((state = state * 1103515245 + 12345) >> 16));
        }
        for (size_t i = 0; i < spec.raw.size(); i += 3) {
            pixels.push_back(Rgb565(spec.raw[i], spec.raw[i + 1], spec.raw[i + 2]));
        }
    }
};

// A destination with two guard pixels right of each row and guard rows
// above and below, all holding the sentinel.
struct Block {
    int width, rows, pitch;
    std::vector<uint16_t> storage;
    Block(int w, int h) : width(w), rows(h), pitch(w + 2), storage((h + 4) * pitch, kSentinel) {}
    PixelTarget Target() { return {storage.data() + 2 * pitch, pitch, width, rows}; }
    uint16_t At(int x, int y) const { return storage[(y + 2) * pitch + x]; }
    // The top-left `columns` x `height` holds `expected` (one row `stride`
    // apart) and every other pixel kept the sentinel.
    void Expect(const std::vector<uint16_t>& expected, int stride, int columns, int height) const {
        for (int y = -2; y < rows + 2; ++y) {
            for (int x = 0; x < pitch; ++x) {
                const bool inside = y >= 0 && y < height && x < columns;
                ASSERT_EQ(At(x, y), inside ? expected[y * stride + x] : kSentinel)
                    << "at " << x << "," << y;
            }
        }
    }
};

class PngTest : public ::testing::Test {
  protected:
    void SetUp() override { BuildColourTables(0xF800, 0x07E0, 0x001F); }
};

TEST_F(PngTest, EveryColourTypeAndDepthBecomesDisplayPixels) {
    struct Case {
        const char* name;
        PngSpec spec;
        std::vector<uint16_t> expected;
    } cases[] = {
        // Index 2 is fully transparent through the palette's alpha.
        {"palette", {3, 1, SPNG_COLOR_TYPE_INDEXED, 8, 0, {0, 1, 2}}, {0xF800, 0x07E0, kMagenta}},
        {"grey 1-bit 1 0", {2, 1, SPNG_COLOR_TYPE_GRAYSCALE, 1, 0, {0x80}}, {0xFFFF, 0x0000}},
        {"grey 2-bit 2 1", {2, 1, SPNG_COLOR_TYPE_GRAYSCALE, 2, 0, {0x90}}, {0xAD55, 0x52AA}},
        {"grey 4-bit 15 3", {2, 1, SPNG_COLOR_TYPE_GRAYSCALE, 4, 0, {0xF3}}, {0xFFFF, 0x3186}},
        {"grey 8-bit", {2, 1, SPNG_COLOR_TYPE_GRAYSCALE, 8, 0, {128, 8}}, {0x8410, 0x0841}},
        {"grey 16-bit", {1, 1, SPNG_COLOR_TYPE_GRAYSCALE, 16, 0, {0xC8, 0xC8}}, {0xCE59}},
        // Alpha 127 is transparent, 128 opaque.
        {"grey+alpha",
         {2, 1, SPNG_COLOR_TYPE_GRAYSCALE_ALPHA, 8, 0, {100, 127, 100, 128}},
         {kMagenta, 0x632C}},
        {"rgb 8-bit",
         {2, 1, SPNG_COLOR_TYPE_TRUECOLOR, 8, 0, {255, 128, 0, 8, 4, 248}},
         {0xFC00, 0x083F}},
        {"rgb 16-bit",
         {1, 1, SPNG_COLOR_TYPE_TRUECOLOR, 16, 0, {0xFF, 0xFF, 0x80, 0x80, 0x00, 0x00}},
         {0xFC00}},
        {"rgba",
         {2, 1, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 8, 0, {10, 20, 30, 127, 0, 0, 255, 128}},
         {kMagenta, 0x001F}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> png = Encode(c.spec);
        Block block(static_cast<int>(c.expected.size()), 1);
        ASSERT_EQ(DecodePng(png.data(), png.size(), block.Target()), PngRefusal::None);
        block.Expect(c.expected, block.width, block.width, 1);
    }
}

TEST_F(PngTest, ClipsToTheDestinationAndFillsEveryRowOfEveryPass) {
    struct Case {
        uint32_t width, height;
        uint8_t interlace;
        int destWidth, destRows;
    } cases[] = {{1, 1, 0, 1, 1},     {3, 2, 0, 8, 8}, {641, 1, 0, 640, 1},
                 {5, 30, 0, 5, 7},    {9, 5, 1, 4, 3}, {9, 5, 1, 4, 2},
                 {17, 11, 1, 32, 32}, {1, 9, 1, 1, 9}, {12, 12, 1, 12, 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " i" << int(c.interlace)
                                        << " into " << c.destWidth << "x" << c.destRows);
        const NoisePicture picture(c.width, c.height, c.interlace);
        const std::vector<uint8_t> png = Encode(picture.spec);
        Block block(c.destWidth, c.destRows);
        ASSERT_TRUE(DecodePngFile(png.data(), png.size(), block.Target()));
        block.Expect(picture.pixels, c.width, std::min<int>(c.width, c.destWidth),
                     std::min<int>(c.height, c.destRows));
    }
}

TEST_F(PngTest, MalformedFilesAreRefusedWithTheirReason) {
    // Large enough that the image data is read in several pieces.
    const NoisePicture picture(128, 64, 0);
    const std::vector<uint8_t> good = Encode(picture.spec);
    auto changed = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> bytes = good;
        bytes[at] = value;
        return bytes;
    };
    const std::vector<uint8_t> oneBitRow(2500);  // 20000 pixels of 1-bit grey
    // `cleared`: the header chunk passed, so the decoder cleared the block.
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        PngRefusal refusal;
        bool cleared;
    } cases[] = {
        {"empty", {}, PngRefusal::NotPng, false},
        {"signature's P is Q", changed(1, 'Q'), PngRefusal::NotPng, false},
        {"header chunk cut at 20 bytes",
         {good.begin(), good.begin() + 20},
         PngRefusal::BadHeader,
         false},
        {"20000 wide", Encode({20000, 1, SPNG_COLOR_TYPE_GRAYSCALE, 1, 0, oneBitRow}),
         PngRefusal::TooLarge, false},
        {"20000 tall",
         Encode({1, 20000, SPNG_COLOR_TYPE_GRAYSCALE, 1, 0, std::vector<uint8_t>(20000)}),
         PngRefusal::TooLarge, false},
        {"header checksum wrong", changed(32, good[32] ^ 1), PngRefusal::BadHeader, true},
        {"cut in the image data",
         {good.begin(), good.begin() + good.size() / 2},
         PngRefusal::Damaged,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PngHeader header = ReadPngHeader(c.bytes.data(), c.bytes.size());
        Block block(128, 64);
        EXPECT_EQ(DecodePng(c.bytes.data(), c.bytes.size(), block.Target()), c.refusal);
        EXPECT_EQ(header.refusal, c.cleared ? PngRefusal::None : c.refusal);
        EXPECT_EQ(header.size.width + header.size.height, c.cleared ? 192 : 0);
        if (!c.cleared) block.Expect({}, 0, 0, 0);
        // Rows before the damage are decoded; those it never reached are 0.
        const bool firstRowDecoded = c.refusal == PngRefusal::Damaged;
        for (int x = 0; c.cleared && x < 128; ++x) {
            EXPECT_EQ(block.At(x, 0), firstRowDecoded ? picture.pixels[x] : 0);
            EXPECT_EQ(block.At(x, 63), 0);
        }
    }
}

TEST_F(PngTest, TheFileContentNotItsNameChoosesTheReader) {
    const std::string folder = ::testing::TempDir();
    auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        std::FILE* file = std::fopen((folder + name).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        return folder + name;
    };
    const NoisePicture picture(3, 2, 0);
    RgbImage rgb(3, 2);
    rgb.rgb = picture.spec.raw;
    struct Case {
        std::string path;
        bool loads;
    } cases[] = {{write("png.pcx", Encode(picture.spec)), true},
                 {write("pcx.png", EncodePcx24(rgb)), true},
                 {write("text.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'}), false},
                 {folder + "missing.png", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const PictureSize size = GetPictureSize(c.path);
        EXPECT_EQ(size.width, c.loads ? 3 : 0);
        EXPECT_EQ(size.height, c.loads ? 2 : 0);
        Block block(3, 2);
        const PixelTarget target = block.Target();
        EXPECT_EQ(LoadPicture(target.pixels, target.pitch, 3, 2, c.path), c.loads);
        block.Expect(picture.pixels, 3, c.loads ? 3 : 0, c.loads ? 2 : 0);
    }
}

}  // namespace
