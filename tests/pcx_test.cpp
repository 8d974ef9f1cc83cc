#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "formats/colour.h"
#include "formats/pcx.h"
#include "tests/fuzz/guarded_block.h"
#include "tests/support/pcx_writer.h"

namespace {

class PcxTest : public ::testing::Test {
  protected:
    void SetUp() override { BuildColourTables(0xF800, 0x07E0, 0x001F); }
    static std::string TempPath(const std::string& name) { return ::testing::TempDir() + name; }
};

// Decoded from memory and as a stream read 5 bytes at a time (so runs
// straddle chunk ends), the block's corner holds `pixels` (rows `columns`
// apart), nothing else changed, and both report `shortfall`.
void ExpectPixels(const std::vector<uint8_t>& file, const std::vector<uint16_t>& pixels,
                  int columns, int pitch, int width, int rows,
                  PcxShortfall shortfall = PcxShortfall::None) {
    GuardedBlock block(pitch, width, rows), streamed(pitch, width, rows);
    const PcxOutcome outcome = DecodePcxBytes(file.data(), file.size(), block.Target());
    ASSERT_TRUE(outcome.Accepted());
    EXPECT_EQ(outcome.shortfall, shortfall);
    const int shown = std::min(columns, width),
              height = std::min<int>(pixels.size() / columns, rows);
    for (int i = 0; i < shown * height; ++i)
        ASSERT_EQ(block.At(i % shown, i / shown), pixels[i / shown * columns + i % shown])
            << i % shown << "," << i / shown;
    EXPECT_TRUE(block.OnlyCornerWritten(shown, height));
    std::FILE* stream = fmemopen(const_cast<uint8_t*>(file.data()), file.size(), "rb");
    EXPECT_EQ(DecodePcxFrom(stream, streamed.Target(), 5).shortfall, shortfall);
    std::fclose(stream);
    EXPECT_TRUE(streamed.storage == block.storage);
}

void ExpectDecodesTo(const std::vector<uint8_t>& file, const RgbImage& image, int pitch, int width,
                     int rows, PcxShortfall shortfall = PcxShortfall::None) {
    std::vector<uint16_t> pixels;
    for (size_t i = 0; i < image.rgb.size(); i += 3) pixels.push_back(Rgb565(&image.rgb[i]));
    ExpectPixels(file, pixels, image.width, pitch, width, rows, shortfall);
}

// Odd widths padded (with bytes that must not show) or not, runs going on
// across lines, and pictures clipped by the block on either side.
TEST_F(PcxTest, RoundTripsInEveryLineLayoutClippedToTheBlock) {
    const PcxWriteOptions layouts[] = {{true, 0xEE, false}, {false, 0, false}, {true, 0xC7, true}};
    const int cases[][5] = {// width, height, pitch, block width, block rows
                            {1, 1, 4, 3, 3},        {7, 9, 40, 33, 33},   {16, 17, 40, 33, 33},
                            {33, 32, 40, 33, 33},   {33, 8, 40, 32, 8},   {9, 31, 12, 9, 30},
                            {64, 700, 64, 64, 480}, {641, 3, 800, 640, 3}};
    uint32_t seed = 1;
    for (const auto& c : cases) {
        for (const PcxWriteOptions& layout : layouts) {
            SCOPED_TRACE(testing::Message() << c[0] << "x" << c[1] << " seed " << seed);
            const RgbImage image = MakeRandomImage(c[0], c[1], seed++);
            ExpectDecodesTo(EncodePcx24(image, layout), image, c[2], c[3], c[4]);
        }
    }
}

// Without its palette a picture is black and reported as cut short.
TEST_F(PcxTest, PalettedPicturesGoThroughTheirPaletteOrComeOutBlack) {
    for (int width : {1, 7, 16, 33}) {
        SCOPED_TRACE(width);
        std::array<uint8_t, 768> palette;
        std::vector<uint8_t> indices;
        RgbImage truth(width, 5);
        for (int i = 0; i < 768; ++i) palette[i] = static_cast<uint8_t>(i * 37 + i / 3);
        for (int i = 0; i < width * 5; ++i) {
            indices.push_back(static_cast<uint8_t>((i * 73) ^ (i >> 2)));
            std::copy_n(&palette[indices.back() * 3], 3, &truth.rgb[i * 3]);
        }
        std::vector<uint8_t> file = EncodePcx8(width, 5, indices, palette);
        ExpectDecodesTo(file, truth, 40, 40, 8);
        const RgbImage black = MakeFlatImage(width, 5, 0, 0, 0);
        const std::vector<uint8_t> oneShort(file.begin(), file.end() - 1);
        ExpectDecodesTo(oneShort, black, 40, 40, 8, PcxShortfall::PaletteMissing);
        file[file.size() - 769] = 0;  // no marker: no palette, every index black
        ExpectDecodesTo(file, black, 40, 40, 8, PcxShortfall::PaletteMissing);
        // Nor is the palette read as image data when the data is missing.
        file.erase(file.begin() + 128, file.end() - 769);
        file[128] = 12;
        ExpectDecodesTo(file, black, 40, 40, 8, PcxShortfall::RowsCutShort);
    }
}

// A 39 x 5 picture whose 15 plane lines (40 bytes, padded) are each an
// empty run, then one run. A file cut inside the k-th line's codes keeps the
// first k - 1 lines, and a lone last byte 192 is a run cut off, not a literal.
// Every cut is reported.
TEST_F(PcxTest, TruncatedFilesKeepTheDecodedPrefixAndZeroTheRest) {
    std::vector<uint8_t> file = EncodePcxHeader(39, 5, 3, 40);
    for (int line = 0; line < 15; ++line) {
        AppendPcxRun(file, 0, 0x55);
        AppendPcxRun(file, 40, static_cast<uint8_t>(8 + line * 8));
    }
    for (size_t cut = 0; cut <= file.size(); ++cut) {
        SCOPED_TRACE(testing::Message() << "cut at " << cut);
        const std::vector<uint8_t> part(file.begin(), file.begin() + cut);
        GuardedBlock block(40, 39, 5);
        if (cut < 128) {
            EXPECT_FALSE(DecodePcxFile(part.data(), cut, block.Target()));
            EXPECT_TRUE(block.Untouched());
            continue;
        }
        RgbImage expected(39, 5);
        for (int line = 0; line < int(cut - 128) / 4; ++line)
            for (int x = 0; x < 39; ++x) expected.At(x, line / 3)[line % 3] = 8 + line * 8;
        ExpectDecodesTo(part, expected, 40, 39, 5,
                        cut < file.size() ? PcxShortfall::RowsCutShort : PcxShortfall::None);
    }
}

TEST_F(PcxTest, RefusedFilesNameTheirReasonLeaveTheBlockUntouchedAndHaveNoSize) {
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
                 {66, 5, PcxRefusal::LineShorterThanWidth}};
    const std::string path = TempPath("refused.pcx");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        std::vector<uint8_t> file = EncodePcxHeader(6, 2, 3, 6);
        AppendPcxRle(file, std::vector<uint8_t>(36, 9));
        c.value < 0 ? file.resize(c.offset) : void(file[c.offset] = static_cast<uint8_t>(c.value));
        EXPECT_EQ(ReadPcxLayout(file.data(), file.size()).refusal, c.reason);
        ASSERT_TRUE(WriteBytesToFile(path, file));
        GuardedBlock block(6, 6, 2);
        EXPECT_FALSE(LoadPcx(block.Pixels(), 6, 6, 2, path));
        EXPECT_TRUE(block.Untouched());
        EXPECT_EQ(GetPcxSize(path).width + GetPcxSize(path).height, 0);
    }
    // A line one byte longer than the width is fine.
    EXPECT_TRUE(ReadPcxLayout(EncodePcxHeader(6, 2, 3, 7).data(), 128).Accepted());
}

std::vector<uint8_t> UncompressedHeader(int width, int height, int planes, int bytesPerLine) {
    std::vector<uint8_t> file = EncodePcxHeader(width, height, planes, bytesPerLine);
    file[2] = 0;  // encoding: none
    return file;
}

// Encoding 0 stores plane lines as they are: bytes of 192 and more are
// values, not run codes.
TEST_F(PcxTest, UncompressedFilesAreReadAsRawLines) {
    std::vector<uint8_t> rgb = UncompressedHeader(3, 2, 3, 4);
    rgb.insert(rgb.end(), {0xF8, 0x00, 0xC8, 0xC3,    // row 0 red, then a pad byte
                           0x00, 0xFC, 0xC4, 0xC3,    // row 0 green
                           0x00, 0x00, 0xF8, 0xC3,    // row 0 blue
                           0x08, 0x10, 0xFF, 0xC3,    // row 1 red
                           0x04, 0x08, 0xFF, 0xC3,    // row 1 green
                           0x08, 0x10, 0xFF, 0xC3});  // row 1 blue
    std::vector<uint8_t> paletted = UncompressedHeader(2, 2, 1, 2);
    paletted.insert(paletted.end(), {0xC1, 0x00,  // row 0: indices 193, 0
                                     0x01, 0xFF,  // row 1: indices 1, 255
                                     12});        // the palette marker
    std::vector<uint8_t> palette(768, 0);
    palette[2] = 0xF8;                                           // 0: blue
    palette[3] = 0xF8;                                           // 1: red
    palette[193 * 3 + 1] = 0xFC;                                 // 193: green
    std::fill(palette.end() - 3, palette.end(), uint8_t{0xFF});  // 255: white
    paletted.insert(paletted.end(), palette.begin(), palette.end());
    const std::vector<uint16_t> rgbPixels = {0xF800, 0x07E0, 0xCE3F, 0x0821, 0x1042, 0xFFFF};
    ExpectPixels(rgb, rgbPixels, 3, 3, 3, 2);
    // Without the last pad byte the last line is not whole.
    ExpectPixels({rgb.begin(), rgb.end() - 1}, rgbPixels, 3, 3, 3, 2, PcxShortfall::RowsCutShort);
    ExpectPixels(paletted, {0x07E0, 0x001F, 0xF800, 0xFFFF}, 2, 2, 2, 2);
}

// A stream that yields `bytes` and then fails instead of ending.
std::FILE* OpenFailingStream(std::vector<uint8_t> bytes) {
    cookie_io_functions_t io{};
    io.read = [](void* cookie, char* out, size_t room) -> ssize_t {
        auto* rest = static_cast<std::vector<uint8_t>*>(cookie);
        if (rest->empty()) return -1;
        const size_t got = std::min(room, rest->size());
        std::copy_n(rest->begin(), got, out);
        rest->erase(rest->begin(), rest->begin() + static_cast<ptrdiff_t>(got));
        return static_cast<ssize_t>(got);
    };
    io.close = [](void* cookie) { return delete static_cast<std::vector<uint8_t>*>(cookie), 0; };
    return fopencookie(new std::vector<uint8_t>(std::move(bytes)), "rb", io);
}

TEST_F(PcxTest, ReadErrorsFailTheLoad) {
    std::vector<uint8_t> file = EncodePcxHeader(4, 2, 3, 4);
    for (uint8_t plane : {255, 0, 0}) AppendPcxRun(file, 4, plane);  // row 0 red, then the error
    std::FILE* stream = OpenFailingStream(file);
    GuardedBlock block(4, 4, 2), untouched(4, 4, 2);
    EXPECT_FALSE(DecodePcxStream(stream, block.Target()));
    std::fclose(stream);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(block.At(i % 4, i / 4), i < 4 ? 0xF800 : 0) << i;
    // A folder opens but cannot be read.
    EXPECT_FALSE(LoadPcx(untouched.Pixels(), 4, 4, 2, ::testing::TempDir()));
    EXPECT_TRUE(untouched.Untouched());
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
        try {
            _exit(load() ? 0 : 1);
        } catch (...) {
            _exit(3);  // never back into the test runner from the child
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(PcxTest, HugeFilesLoadInBoundedMemoryAndTime) {
    constexpr off_t kSize = off_t{8} << 30;  // sparse: holes read as zeros
    const std::string zeros = TempPath("huge_zeros.pcx"), paletted = TempPath("huge_paletted.pcx");
    ASSERT_TRUE(WriteBytesToFile(zeros, {0}));
    ASSERT_EQ(truncate(zeros.c_str(), kSize), 0);
    ASSERT_TRUE(WriteBytesToFile(paletted, EncodePcxHeader(1400, 30000, 1, 1400)));
    ASSERT_EQ(truncate(paletted.c_str(), kSize - 769), 0);
    // The marker, then index 0 (the data's zeros) is red; the rest black.
    std::ofstream(paletted, std::ios::app) << '\x0C' << "\xFF" << std::string(767, '\0');
    GuardedBlock sheet(1400, 1400, 2500);
    const auto refused = [&] {
        return !LoadPcx(sheet.Pixels(), 1400, 1400, 2500, zeros) && sheet.Untouched() &&
               GetPcxSize(zeros).width == 0;
    };
    const auto allRed = [&] {
        return LoadPcx(sheet.Pixels(), 1400, 1400, 2500, paletted) &&
               std::count(sheet.storage.begin(), sheet.storage.end(), 0xF800) == 1400 * 2500 &&
               GetPcxSize(paletted).height == 30000;
    };
    EXPECT_EQ(RunLimited(refused), 0);
    EXPECT_EQ(RunLimited(allRed), 0);
    std::remove(zeros.c_str());
    std::remove(paletted.c_str());
}

}  // namespace
