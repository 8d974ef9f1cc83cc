// The colour tables, the PCX and PNG decoders, the reader that tells them apart,
// and opened pictures' colours under the ordered dither, matte and alpha threshold.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spng.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "cli/picture_source.h"
#include "formats/colour.h"
#include "formats/pcx.h"
#include "formats/picture.h"
#include "formats/png.h"
#include "tests/fuzz/guarded_block.h"
#include "tests/support/pcx_writer.h"

namespace {

class PictureTest : public ::testing::Test {
  protected:
    void SetUp() override { BuildColourTables(0xF800, 0x07E0, 0x001F); }
};

// Colours cut to the display's 5-6-5 layout, worked out without the tables.
std::vector<uint16_t> Rgb565Pixels(const std::vector<uint8_t>& rgb) {
    std::vector<uint16_t> pixels;
    for (size_t i = 0; i < rgb.size(); i += 3)
        pixels.push_back((rgb[i] >> 3) << 11 | (rgb[i + 1] >> 2) << 5 | rgb[i + 2] >> 3);
    return pixels;
}

// The block's top-left `columns` x `rows` holds `expected` (rows `stride`
// apart) and nothing else changed.
void ExpectCorner(const GuardedBlock& block, const std::vector<uint16_t>& expected, int stride,
                  int columns, int rows) {
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x)
            ASSERT_EQ(block.At(x, y), expected[y * stride + x]) << "at " << x << "," << y;
    EXPECT_TRUE(block.OnlyCornerWritten(columns, rows));
}

// Decoded from memory and as a stream read 5 bytes at a time (so runs
// straddle chunk ends), the block's corner holds the image; both report `shortfall`.
void ExpectPcx(const std::vector<uint8_t>& file, const RgbImage& image, int pitch, int width,
               int rows, PcxShortfall shortfall = PcxShortfall::None) {
    GuardedBlock block(pitch, width, rows), streamed(pitch, width, rows);
    const PcxOutcome outcome = DecodePcxBytes(file.data(), file.size(), block.Target());
    ASSERT_TRUE(outcome.Accepted());
    EXPECT_EQ(outcome.shortfall, shortfall);
    ExpectCorner(block, Rgb565Pixels(image.rgb), image.width, std::min(image.width, width),
                 std::min(image.height, rows));
    std::FILE* stream = fmemopen(const_cast<uint8_t*>(file.data()), file.size(), "rb");
    EXPECT_EQ(DecodePcxFrom(stream, streamed.Target(), 5).shortfall, shortfall);
    std::fclose(stream);
    EXPECT_TRUE(streamed.storage == block.storage);
}

// Odd widths padded (with bytes that must not show) or not, runs going on
// across lines, and pictures clipped by the block on either side.
TEST_F(PictureTest, PcxRoundTripsInEveryLineLayoutClippedToTheBlock) {
    const PcxWriteOptions layouts[] = {{true, 0xEE, false}, {false, 0, false}, {true, 0xC7, true}};
    const int cases[][5] = {// width, height, pitch, block width, block rows
                            {1, 1, 4, 3, 3},    {16, 17, 40, 33, 33},   {33, 32, 40, 33, 33},
                            {9, 31, 12, 9, 30}, {64, 700, 64, 64, 480}, {641, 3, 800, 640, 3}};
    uint32_t seed = 1;
    for (const auto& c : cases) {
        for (const PcxWriteOptions& layout : layouts) {
            SCOPED_TRACE(testing::Message() << c[0] << "x" << c[1] << " seed " << seed);
            const RgbImage image = MakeRandomImage(c[0], c[1], seed++);
            ExpectPcx(EncodePcx24(image, layout), image, c[2], c[3], c[4]);
        }
    }
}

// Without its palette a picture is black and reported as cut short.
TEST_F(PictureTest, PalettedPcxGoesThroughItsPaletteOrComesOutBlack) {
    for (int width : {1, 7, 16, 33}) {
        SCOPED_TRACE(width);
        std::array<uint8_t, 768> palette;
        std::vector<uint8_t> file = EncodePcxHeader(width, 5, 1, width + width % 2);
        RgbImage truth(width, 5);
        for (int i = 0; i < 768; ++i) palette[i] = static_cast<uint8_t>(i * 37 + i / 3);
        for (int y = 0; y < 5; ++y) {
            // Padded with index 0, which must not show.
            std::vector<uint8_t> line(width + width % 2);
            for (int x = 0, i = y * width; x < width; ++x, ++i) {
                line[x] = static_cast<uint8_t>((i * 73) ^ (i >> 2));
                std::copy_n(&palette[line[x] * 3], 3, truth.At(x, y));
            }
            AppendPcxRle(file, line);
        }
        file.push_back(12);  // the palette marker
        file.insert(file.end(), palette.begin(), palette.end());
        ExpectPcx(file, truth, 40, 40, 8);
        const RgbImage black = MakeFlatImage(width, 5, 0, 0, 0);
        ExpectPcx({file.begin(), file.end() - 1}, black, 40, 40, 8, PcxShortfall::PaletteMissing);
        file[file.size() - 769] = 0;  // no marker: no palette, every index black
        ExpectPcx(file, black, 40, 40, 8, PcxShortfall::PaletteMissing);
        // Nor is the palette read as image data when the data is missing.
        file.erase(file.begin() + 128, file.end() - 769);
        file[128] = 12;
        ExpectPcx(file, black, 40, 40, 8, PcxShortfall::RowsCutShort);
    }
}

// A 39 x 5 picture whose 15 plane lines (40 bytes, padded) each hold one
// value over 192: run-length encoded as an empty run then one run, or stored
// as they are (encoding 0), where such values are not run codes. A file cut
// inside a run-length line keeps the lines before it (a lone last byte 192
// is a run cut off, not a literal); a stored one keeps every byte before the
// cut. Every cut is reported, even one that takes only the last pad byte.
TEST_F(PictureTest, TruncatedPcxKeepsTheDecodedPrefixAndZeroesTheRest) {
    for (const bool stored : {false, true}) {
        std::vector<uint8_t> file = EncodePcxHeader(39, 5, 3, 40);
        file[2] = stored ? 0 : 1;  // encoding
        for (int line = 0; line < 15; ++line) {
            const uint8_t value = static_cast<uint8_t>(200 + line * 3);
            if (stored) {
                file.insert(file.end(), 40, value);
            } else {
                AppendPcxRun(file, 0, 0x55);
                AppendPcxRun(file, 40, value);
            }
        }
        for (size_t cut = 128; cut <= file.size(); ++cut) {
            SCOPED_TRACE(testing::Message() << "stored " << stored << " cut at " << cut);
            const std::vector<uint8_t> part(file.begin(), file.begin() + cut);
            RgbImage expected(39, 5);
            const int data = static_cast<int>(cut) - 128;
            for (int line = 0; line < 15; ++line) {
                const int reached =
                    stored ? std::clamp(data - line * 40, 0, 39) : (data >= line * 4 + 4 ? 39 : 0);
                for (int x = 0; x < reached; ++x)
                    expected.At(x, line / 3)[line % 3] = 200 + line * 3;
            }
            ExpectPcx(part, expected, 40, 39, 5,
                      cut < file.size() ? PcxShortfall::RowsCutShort : PcxShortfall::None);
        }
    }
}

// Every reader of PCX files refuses through this header check.
TEST_F(PictureTest, PcxHeadersAreRefusedWithTheirReason) {
    const struct {
        int offset, value;  // the header byte spoiled; value -1: the file cut there
        PcxRefusal reason;
    } cases[] = {{127, -1, PcxRefusal::TooShort},
                 {0, 11, PcxRefusal::Manufacturer},
                 {1, 4, PcxRefusal::Version},
                 {3, 4, PcxRefusal::BitsPerPixel},
                 {65, 2, PcxRefusal::Planes},
                 {65, 4, PcxRefusal::Planes},
                 {6, 2, PcxRefusal::NoPixels},     // Ymin 2 over Ymax 1: no rows
                 {9, 0xFF, PcxRefusal::NoPixels},  // Xmax -251: no columns
                 {66, 5, PcxRefusal::LineShorterThanWidth},
                 {66, 7, PcxRefusal::None}};  // a line one byte longer than the width
    for (const auto& c : cases) {
        std::vector<uint8_t> file = EncodePcxHeader(6, 2, 3, 6);
        c.value < 0 ? file.resize(c.offset) : void(file[c.offset] = static_cast<uint8_t>(c.value));
        EXPECT_EQ(ReadPcxLayout(file.data(), file.size()).refusal, c.reason) << c.offset;
    }
}

// Read from a pipe left open and empty, the file fails instead of ending.
TEST_F(PictureTest, ReadErrorsFailThePcxLoadAndKeepTheRowsRead) {
    std::vector<uint8_t> file = EncodePcxHeader(4, 2, 3, 4);
    for (uint8_t plane : {255, 0, 0}) AppendPcxRun(file, 4, plane);  // row 0 red, then the error
    int pipeEnds[2];
    ASSERT_EQ(pipe2(pipeEnds, O_NONBLOCK), 0);
    ASSERT_EQ(write(pipeEnds[1], file.data(), file.size()), ssize_t(file.size()));
    std::FILE* stream = fdopen(pipeEnds[0], "rb");
    GuardedBlock block(4, 4, 2);
    EXPECT_FALSE(DecodePcxStream(stream, block.Target()));
    std::fclose(stream);
    close(pipeEnds[1]);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(block.At(i % 4, i / 4), i < 4 ? 0xF800 : 0) << i;
}

// Runs `load` in a child ended after 5 s, with 256 MiB of address space beyond
// what it starts with (not under the address sanitizer, which reserves
// terabytes). The child's exit code, or 128 + the signal that ended it.
int RunLimited(const std::function<bool()>& load) {
    const pid_t child = fork();
    if (child == 0) {
        alarm(5);
#ifndef __SANITIZE_ADDRESS__
        rlim_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t bytes = pages * sysconf(_SC_PAGESIZE) + (256 << 20);
        const rlimit addressSpace{bytes, bytes};
        if (pages == 0 || setrlimit(RLIMIT_AS, &addressSpace) != 0) _exit(11);
#endif
        const auto loaded = [&]() noexcept { return load(); };
        _exit(loaded() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(PictureTest, HugePcxFilesLoadInBoundedMemoryAndTime) {
    constexpr off_t kSize = off_t{8} << 30;  // sparse: holes read as zeros
    const std::string paletted = ::testing::TempDir() + "huge_paletted.pcx";
    ASSERT_TRUE(WriteBytesToFile(paletted, EncodePcxHeader(1400, 30000, 1, 1400)));
    ASSERT_EQ(truncate(paletted.c_str(), kSize - 769), 0);
    // The marker, then index 0 (the data's zeros) is red; the rest black.
    std::ofstream(paletted, std::ios::app) << '\x0C' << "\xFF" << std::string(767, '\0');
    GuardedBlock sheet(1401, 1400, 2500);
    const auto allRed = [&] {
        return LoadPcx(sheet.Pixels(), 1401, 1400, 2500, paletted) && sheet.OnlyBlockWritten() &&
               std::count(sheet.storage.begin(), sheet.storage.end(), 0xF800) == 1400 * 2500 &&
               GetPcxSize(paletted).height == 30000;
    };
    EXPECT_EQ(RunLimited(allRed), 0);
    std::remove(paletted.c_str());
}

constexpr uint16_t kMagenta = 0xF81F;
constexpr uint8_t kIndexed = SPNG_COLOR_TYPE_INDEXED, kGrey = SPNG_COLOR_TYPE_GRAYSCALE,
                  kGreyAlpha = SPNG_COLOR_TYPE_GRAYSCALE_ALPHA, kRgb = SPNG_COLOR_TYPE_TRUECOLOR,
                  kRgba = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;

struct PngPlan {
    uint32_t width, height;
    uint8_t colourType, depth, interlace;
    std::vector<uint8_t> raw;  // rows as the file stores them, before filtering
};

// Paletted pictures get red, green and a colour made transparent by tRNS.
std::vector<uint8_t> EncodePng(const PngPlan& plan) {
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{plan.width, plan.height, plan.depth, plan.colourType, 0, 0, plan.interlace};
    spng_set_ihdr(ctx, &ihdr);
    spng_plte plte{3, {{255, 0, 0, 255}, {0, 255, 0, 255}, {10, 20, 30, 255}}};
    spng_trns trns{0, 0, 0, 0, 3, {200, 200, 0}};
    if (plan.colourType == kIndexed) spng_set_plte(ctx, &plte), spng_set_trns(ctx, &trns);
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

PngPlan NoisePlan(uint32_t width, uint32_t height, uint8_t interlace) {
    return {width, height,    kRgb,
            8,     interlace, MakeRandomImage(width, height, width * 31 + height).rgb};
}

// Alpha 127 is transparent (magenta), 128 opaque; palette index 2 is
// transparent through tRNS. Pictures clipped by the destination on either
// side, and interlaced ones with every row of every pass filled.
TEST_F(PictureTest, EveryKindOfPngFillsItsCornerOfTheDestination) {
    const struct {
        PngPlan plan;
        int destWidth, destRows;
        std::vector<uint16_t> expected = {};  // none: the plan's RGB noise
    } cases[] = {
        // clang-format off
        {{3, 1, kIndexed, 8, 0, {0, 1, 2}}, 3, 1, {0xF800, 0x07E0, kMagenta}},
        {{2, 1, kGrey, 8, 0, {128, 8}}, 2, 1, {0x8410, 0x0841}},
        {{2, 1, kGreyAlpha, 8, 0, {100, 127, 100, 128}}, 2, 1, {kMagenta, 0x632C}},
        {{2, 1, kRgb, 8, 0, {255, 128, 0, 8, 4, 248}}, 2, 1, {0xFC00, 0x083F}},
        {{2, 1, kRgba, 8, 0, {10, 20, 30, 127, 0, 0, 255, 128}}, 2, 1, {kMagenta, 0x001F}},
        // Interlaced and one row high: the last pass that holds a row is not the last pass.
        {{2, 1, kRgb, 8, 1, {255, 128, 0, 8, 4, 248}}, 2, 1, {0xFC00, 0x083F}},
        {{3, 1, kIndexed, 8, 1, {0, 1, 2}}, 3, 1, {0xF800, 0x07E0, kMagenta}},
        {NoisePlan(1, 1, 0), 1, 1}, {NoisePlan(3, 2, 0), 8, 8}, {NoisePlan(641, 1, 0), 640, 1},
        {NoisePlan(5, 30, 0), 5, 7}, {NoisePlan(9, 5, 1), 4, 3}, {NoisePlan(9, 5, 1), 4, 2},
        {NoisePlan(17, 11, 1), 32, 32}, {NoisePlan(1, 9, 1), 1, 9}, {NoisePlan(12, 12, 1), 12, 12},
        {NoisePlan(1, 1, 1), 1, 1}, {NoisePlan(9, 1, 1), 9, 1}, {NoisePlan(9, 1, 1), 9, 4}};
    // clang-format on
    for (const auto& [plan, destWidth, destRows, expected] : cases) {
        SCOPED_TRACE(testing::Message() << plan.width << "x" << plan.height << " type "
                                        << int(plan.colourType) << " i" << int(plan.interlace));
        const std::vector<uint8_t> png = EncodePng(plan);
        GuardedBlock block(destWidth + 2, destWidth, destRows);
        ASSERT_EQ(DecodePng(png.data(), png.size(), block.Target()), PngRefusal::None);
        const int width = static_cast<int>(plan.width);
        ExpectCorner(block, expected.empty() ? Rgb565Pixels(plan.raw) : expected, width,
                     std::min(width, destWidth), std::min<int>(plan.height, destRows));
    }
    std::vector<uint8_t> badP = EncodePng(cases[0].plan);
    badP[1] = 'Q';
    GuardedBlock block(4, 2, 1);
    EXPECT_EQ(DecodePng(badP.data(), badP.size(), block.Target()), PngRefusal::NotPng);
}

// The reason shown to the user for every file that is refused or
// incomplete: the system's own text when the file cannot be read. Read from
// a path and from memory alike.
TEST_F(PictureTest, EveryRefusalAndShortfallNamesItsReason) {
    const std::string folder = ::testing::TempDir() + "reasons/";
    std::filesystem::create_directories(folder + "folder.pcx");
    const RgbImage rgb = MakeRandomImage(128, 64, 7);
    const std::vector<uint16_t> pixels = Rgb565Pixels(rgb.rgb);
    const std::vector<uint8_t> png = EncodePng({128, 64, kRgb, 8, 0, rgb.rgb});  // read in pieces
    std::vector<uint8_t> pcx = EncodePcx24(rgb), flat = pcx, badChecksum = png;
    flat[10] = 0xFF, flat[11] = 0xFF;  // Ymax -1: no rows
    badChecksum[32] ^= 1;              // the header chunk's
    const PictureStatus kRefused = PictureStatus::Refused, kIncomplete = PictureStatus::Incomplete;
    // clang-format off
    const struct {
        const char* name;  // the content, not the name, chooses the reader
        bool written;      // false: the path is left as it is
        std::vector<uint8_t> bytes;
        PictureStatus status;
        const char* reason;
        bool firstRowKept = false;  // when incomplete
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
        {"wide.png", true, EncodePng({20000, 1, kGrey, 1, 0, std::vector<uint8_t>(2500)}), kRefused,
         "the PNG picture is too large"},
        {"tall.png", true, EncodePng({1, 20000, kGrey, 1, 0, std::vector<uint8_t>(20000)}), kRefused,
         "the PNG picture is too large"},
        {"cut.pcx", true, {pcx.begin(), pcx.begin() + pcx.size() / 2}, kIncomplete,
         "the file is cut short: its image data ends before the last row", true},
        {"cut.png", true, {png.begin(), png.begin() + png.size() / 2}, kIncomplete,
         "the PNG picture's image data is damaged or cut short", true},
        {"checksum.png", true, badChecksum, kIncomplete, "the PNG picture's header is damaged", false},
        {"png.pcx", true, png, PictureStatus::Complete, ""},
        {"pcx.png", true, pcx, PictureStatus::Complete, ""}};
    // clang-format on
    const auto area = [](const PictureSize& size) { return size.width * 100 + size.height; };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder + c.name;
        if (c.written) {
            ASSERT_TRUE(WriteBytesToFile(path, c.bytes));
        }
        const PictureCheck check = CheckPictureFile(path);
        const bool refused = c.status == kRefused;
        EXPECT_EQ(check.refusal, refused ? c.reason : "");
        EXPECT_EQ(area(GetPictureSize(path)) + area(check.size), refused ? 0 : 2 * 12864);
        GuardedBlock block(130, 128, 64), fromBytes(130, 128, 64);
        const PictureLoad load = LoadPictureFile(path, block.Target());
        EXPECT_EQ(std::pair(load.status, load.reason), std::pair(c.status, std::string(c.reason)));
        EXPECT_EQ(std::pair(block.Untouched(), block.OnlyBlockWritten()), std::pair(refused, true));
        if (c.status == PictureStatus::Complete) ExpectCorner(block, pixels, 128, 128, 64);
        // Rows before the damage are decoded; those it never reached are 0.
        for (int x = 0; c.status == kIncomplete && x < 128; ++x) {
            EXPECT_EQ(block.At(x, 0), c.firstRowKept ? pixels[x] : 0);
            EXPECT_EQ(block.At(x, 63), 0);
        }
        if (!c.written) continue;
        const PictureCheck fromMemory = CheckPicture(c.bytes.data(), c.bytes.size());
        const PictureLoad decoded =
            DecodePicture(c.bytes.data(), c.bytes.size(), fromBytes.Target());
        EXPECT_EQ(
            std::tuple(fromMemory.refusal, area(fromMemory.size), decoded.status, decoded.reason),
            std::tuple(check.refusal, area(check.size), c.status, load.reason));
        EXPECT_TRUE(fromBytes.storage == block.storage);
    }
}

TEST(ColourModel, PacksAndUnpacksWorkedValuesAndEveryPixel) {
    using Masks = std::array<uint32_t, 3>;
    const Masks k565{0xF800, 0x07E0, 0x001F}, k555{0x7C00, 0x03E0, 0x001F};
    // clang-format off
    const struct { Masks masks; std::array<int, 3> rgb; uint16_t packed; std::array<int, 3> back; } cases[] = {
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

constexpr int kSide = 8;

// Worked by hand from the threshold matrix M (row y, column x): red steps up
// to field 9 (+0x0800) where M < 8x, green to field 33 (+0x0020) where
// M < 16 * (y / 2); the base pixel 8 << 11 | 32 << 5 is 0x4400. Row 0 is
// M = 0 32 8 40 2 34 10 42 against 0 8 16 24 32 40 48 56: up at x = 2, 4..7.
// Column 0 (red 64, exact) and rows 0-1 (green 128, exact) never step.
// clang-format off
const std::vector<uint16_t> kDithered = {
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

std::vector<uint16_t> DecodeWith(const std::vector<uint8_t>& file, const ColourOptions& options,
                                 int width, int height) {
    GuardedBlock block(width + 5, width, height);
    const ColourConverter colour(options);
    PixelTarget target = block.Target();
    target.colour = &colour;
    EXPECT_EQ(DecodePicture(file.data(), file.size(), target).status, PictureStatus::Complete);
    EXPECT_TRUE(block.OnlyBlockWritten());
    std::vector<uint16_t> pixels;
    for (int i = 0; i < width * height; ++i) pixels.push_back(block.At(i % width, i / width));
    EXPECT_EQ(CutPictureCorner(file, width, height, nullptr, options).value().pixels, pixels);
    return pixels;
}

TEST_F(PictureTest, AGradientDithersToTheWorkedPixelsInEveryPath) {
    const ColourOptions dither{true, false, {}, DEFAULT_ALPHA_THRESHOLD};
    // red = 64 + x: 5-bit field 8 and x eighths of a step; green = 128 + y / 2:
    // 6-bit field 32 and (y / 2) quarters of a step; blue 0, exact.
    RgbImage image(kSide, kSide);
    PngPlan rgba{kSide, kSide, kRgba, 8, 0, {}};
    for (int i = 0; i < kSide * kSide; ++i) {
        const uint8_t pixel[] = {uint8_t(64 + i % kSide), uint8_t(128 + i / kSide / 2), 0, 255};
        std::copy_n(pixel, 3, image.At(i % kSide, i / kSide));
        rgba.raw.insert(rgba.raw.end(), pixel, pixel + 4);
    }
    const std::vector<uint8_t> pcx = EncodePcx24(image), png = EncodePng(rgba);
    EXPECT_EQ(DecodeWith(pcx, dither, kSide, kSide), kDithered);
    EXPECT_EQ(DecodeWith(png, dither, kSide, kSide), kDithered);
    EXPECT_EQ(DecodeWith(pcx, {}, kSide, kSide), std::vector<uint16_t>(kSide * kSide, 0x4400));
}

TEST_F(PictureTest, NoColourNearTheKeyDithersToItUnlessItIsTheKeysOwn) {
    const ColourOptions dither{true, false, {}, DEFAULT_ALPHA_THRESHOLD};
    // A channel is the key's own when it cuts to the key's field and is exact
    // there (low bits 0) or in the channel's top step, which has no step up.
    const auto own = [](int value, int field, int bits) {
        const int drop = 8 - bits, top = (1 << bits) - 1;
        return value >> drop == field && (value % (1 << drop) == 0 || field == top);
    };
    // Black, the transparent magenta, a middle grey, white, and one by the magenta.
    for (const uint16_t key : {0x0000, 0xF81F, 0x8410, 0xFFFF, 0xF01F}) {
        const ColourConverter colour(dither, key);
        const int r0 = (key >> 11) * 8, g0 = (key >> 5 & 63) * 4, b0 = (key & 31) * 8;
        for (int r = std::max(r0 - 8, 0); r < std::min(r0 + 16, 256); ++r)
            for (int g = std::max(g0 - 4, 0); g < std::min(g0 + 8, 256); ++g)
                for (int b = std::max(b0 - 8, 0); b < std::min(b0 + 16, 256); ++b) {
                    const bool keys =
                        own(r, key >> 11, 5) && own(g, key >> 5 & 63, 6) && own(b, key & 31, 5);
                    for (int at = 0; at < 64; ++at) {
                        const uint16_t pixel = colour.Pack(r, g, b, at % 8, at / 8);
                        ASSERT_EQ(pixel == key, keys) << key << ": " << r << "," << g << "," << b;
                    }
                }
    }
}

TEST_F(PictureTest, MatteBlendsPartTransparentPixelsBeforeTheThresholdDecides) {
    const Rgb8 black{0, 0, 0}, red{255, 0, 0};
    // White at alpha 128 on black: (255 * 128 + 127) / 255 = 128, 5-6-5 16,32,16.
    // At 127: 127.5 rounds to 127, fields 15,31,15. Blue at alpha 64 on red:
    // red (255 * 191 + 127) / 255 = 191 (field 23), blue 64 (field 8).
    // clang-format off
    const struct { bool matte; Rgb8 colour; int threshold; uint8_t rgba[4]; uint16_t pixel; } cases[] = {
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
        SCOPED_TRACE(testing::Message() << int(c.rgba[3]) << " " << c.threshold);
        const ColourOptions options{false, c.matte, c.colour, c.threshold};
        const std::vector<uint8_t> png = EncodePng({1, 1, kRgba, 8, 0, {c.rgba, c.rgba + 4}});
        EXPECT_EQ(DecodeWith(png, options, 1, 1)[0], c.pixel);
    }
}

}  // namespace
