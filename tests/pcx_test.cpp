#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>

#include "formats/colour.h"
#include "formats/pcx.h"
#include "tests/fuzz/guarded_block.h"
#include "tests/support/pcx_writer.h"

namespace {

// The display's 5-6-5 layout, worked out here rather than through the tables.
uint16_t Rgb565(const uint8_t* rgb) {
    return static_cast<uint16_t>((rgb[0] >> 3) << 11 | (rgb[1] >> 2) << 5 | rgb[2] >> 3);
}

class PcxTest : public ::testing::Test {
  protected:
    void SetUp() override { BuildColourTables(0xF800, 0x07E0, 0x001F); }
    static std::string TempPath(const std::string& name) { return ::testing::TempDir() + name; }

    // Decoded from memory and as a stream read 5 bytes at a time (so runs
    // straddle chunk ends), the block's corner holds `image` and nothing
    // else changed.
    static void ExpectDecodesTo(const std::vector<uint8_t>& file, const RgbImage& image, int pitch,
                                int width, int rows) {
        GuardedBlock block(pitch, width, rows), streamed(pitch, width, rows);
        ASSERT_TRUE(DecodePcxFile(file.data(), file.size(), block.Target()));
        const int columns = std::min(image.width, width), height = std::min(image.height, rows);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < columns; ++x)
                ASSERT_EQ(block.At(x, y), Rgb565(image.At(x, y))) << x << "," << y;
        EXPECT_TRUE(block.OnlyCornerWritten(columns, height));
        std::FILE* stream = fmemopen(const_cast<uint8_t*>(file.data()), file.size(), "rb");
        EXPECT_TRUE(DecodePcxStream(stream, streamed.Target(), 5));
        std::fclose(stream);
        EXPECT_TRUE(streamed.storage == block.storage);
    }
};

// Odd widths with and without padding (nonzero pad bytes must not show),
// runs going on across lines, and pictures clipped by the block on each side.
TEST_F(PcxTest, RoundTripsInEveryLineLayoutClippedToTheBlock) {
    const PcxWriteOptions layouts[] = {{true, 0xEE, false}, {false, 0, false}, {true, 0xC7, true}};
    const struct {
        int width, height, pitch, blockWidth, blockRows;
    } cases[] = {{1, 1, 4, 3, 3},        {7, 9, 40, 33, 33},   {16, 17, 40, 33, 33},
                 {33, 32, 40, 33, 33},   {33, 8, 40, 32, 8},   {9, 31, 12, 9, 30},
                 {64, 700, 64, 64, 480}, {641, 3, 800, 640, 3}};
    uint32_t seed = 1;
    for (const auto& c : cases) {
        for (const PcxWriteOptions& layout : layouts) {
            SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " seed " << seed);
            const RgbImage image = MakeRandomImage(c.width, c.height, seed++);
            ExpectDecodesTo(EncodePcx24(image, layout), image, c.pitch, c.blockWidth, c.blockRows);
        }
    }
}

TEST_F(PcxTest, PalettedPicturesGoThroughTheirPaletteOrComeOutBlack) {
    for (int width : {1, 7, 16, 33}) {
        SCOPED_TRACE(width);
        IndexedImage image{width, 5, {}, {}};
        RgbImage truth(width, 5);
        for (int i = 0; i < 768; ++i) image.palette[i] = static_cast<uint8_t>(i * 37 + i / 3);
        for (int i = 0; i < width * 5; ++i) {
            image.indices.push_back(static_cast<uint8_t>((i * 73) ^ (i >> 2)));
            std::copy_n(&image.palette[image.indices.back() * 3], 3, &truth.rgb[i * 3]);
        }
        std::vector<uint8_t> file = EncodePcx8(image);
        ExpectDecodesTo(file, truth, 40, 40, 8);
        file[file.size() - 769] = 0;  // no marker: no palette, every index black
        ExpectDecodesTo(file, MakeFlatImage(width, 5, 0, 0, 0), 40, 40, 8);
        // Nor is the palette read as image data when the data is missing.
        file.erase(file.begin() + 128, file.end() - 769);
        file[128] = 12;
        ExpectDecodesTo(file, MakeFlatImage(width, 5, 0, 0, 0), 40, 40, 8);
    }
}

TEST_F(PcxTest, ReadsEmptyRunsLiteral191AndRunsAcrossPlaneLines) {
    std::vector<uint8_t> file = EncodePcxHeader(PcxHeaderFor(4, 2));
    file.push_back(191);          // row 0, red: 191 is a literal
    AppendPcxRun(file, 0, 0x55);  // an empty run writes nothing
    AppendPcxRun(file, 3, 200);
    AppendPcxRun(file, 4, 10);          // green, ending exactly at the line end
    AppendPcxRun(file, 6, 8);           // blue, two bytes past it into row 1's red
    file.insert(file.end(), {16, 24});  // row 1: two more red bytes
    AppendPcxRun(file, 4, 255);         // green
    AppendPcxRun(file, 4, 0);           // blue
    GuardedBlock block(4, 4, 2);
    ASSERT_TRUE(DecodePcxFile(file.data(), file.size(), block.Target()));
    const uint16_t expected[] = {0xB841, 0xC841, 0xC841, 0xC841, 0x0FE0, 0x0FE0, 0x17E0, 0x1FE0};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(block.At(i % 4, i / 4), expected[i]) << i;
    // In the 5-5-5 layout the channels keep their top five bits.
    BuildColourTables(0x7C00, 0x03E0, 0x001F);
    ASSERT_TRUE(DecodePcxFile(file.data(), file.size(), block.Target()));
    EXPECT_EQ(block.At(0, 0), 0x5C21);
    EXPECT_EQ(block.At(0, 1), 0x07E0);
}

// How many plane bytes the first `cut` bytes of a stream without runs across
// lines reach: whole codes only.
size_t PlaneBytesReached(const std::vector<uint8_t>& file, size_t cut) {
    size_t reached = 0;
    for (size_t i = kPcxHeaderSize; i < cut;) {
        const bool run = file[i] >= 0xC0;
        if (run && i + 1 >= cut) break;
        reached += run ? (file[i] & 0x3F) : 1;
        i += run ? 2 : 1;
    }
    return reached;
}

TEST_F(PcxTest, TruncatedFilesKeepTheDecodedPrefixAndZeroTheRest) {
    const RgbImage image = MakeRandomImage(9, 5, 42);
    const std::vector<uint8_t> file = EncodePcx24(image);  // plane lines of 10 bytes
    for (size_t cut = 0; cut <= file.size(); ++cut) {
        SCOPED_TRACE(testing::Message() << "cut at " << cut);
        const std::vector<uint8_t> part(file.begin(), file.begin() + cut);
        GuardedBlock block(12, 9, 5);
        if (cut < kPcxHeaderSize) {
            EXPECT_FALSE(DecodePcxFile(part.data(), cut, block.Target()));
            EXPECT_TRUE(block.Untouched());
            continue;
        }
        const size_t reached = PlaneBytesReached(file, cut);
        RgbImage expected = image;
        for (size_t i = 0; i < expected.rgb.size(); ++i) {
            const size_t x = i / 3 % 9, y = i / 27, plane = i % 3;
            if (y * 30 + plane * 10 + x >= reached) expected.rgb[i] = 0;
        }
        ExpectDecodesTo(part, expected, 12, 9, 5);
    }
}

TEST_F(PcxTest, RefusedFilesNameTheirReasonLeaveTheBlockUntouchedAndHaveNoSize) {
    const struct {
        const char* name;
        void (*spoil)(PcxHeaderFields&);
        size_t keep;  // bytes of the file kept
        PcxRefusal reason;
    } cases[] = {
        {"127 bytes", [](PcxHeaderFields&) {}, 127, PcxRefusal::TooShort},
        {"manufacturer 11", [](PcxHeaderFields& h) { h.manufacturer = 11; }, 200,
         PcxRefusal::Manufacturer},
        {"version 4", [](PcxHeaderFields& h) { h.version = 4; }, 200, PcxRefusal::Version},
        {"four bits, three planes", [](PcxHeaderFields& h) { h.bitsPerPixel = 4; }, 200,
         PcxRefusal::BitsPerPixel},
        {"one bit, one plane", [](PcxHeaderFields& h) { h.planes = 1, h.bitsPerPixel = 1; }, 200,
         PcxRefusal::BitsPerPixel},
        {"two planes", [](PcxHeaderFields& h) { h.planes = 2; }, 200, PcxRefusal::Planes},
        {"four planes", [](PcxHeaderFields& h) { h.planes = 4; }, 200, PcxRefusal::Planes},
        {"line one short of the width", [](PcxHeaderFields& h) { h.bytesPerLine = 5; }, 200,
         PcxRefusal::LineShorterThanWidth},
    };
    const std::string path = TempPath("refused.pcx");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PcxHeaderFields fields = PcxHeaderFor(6, 2);
        c.spoil(fields);
        std::vector<uint8_t> file = EncodePcxHeader(fields);
        AppendPcxRle(file, std::vector<uint8_t>(36, 9));
        file.resize(std::min(file.size(), c.keep));
        EXPECT_EQ(ReadPcxLayout(file.data(), file.size()).refusal, c.reason);
        ASSERT_TRUE(WriteBytesToFile(path, file));
        GuardedBlock block(6, 6, 2);
        EXPECT_FALSE(LoadPcx(block.Pixels(), 6, 6, 2, path));
        EXPECT_TRUE(block.Untouched());
        EXPECT_EQ(GetPcxSize(path).width + GetPcxSize(path).height, 0);
    }
    // One byte more than the width is accepted.
    PcxHeaderFields wide = PcxHeaderFor(6, 2);
    wide.bytesPerLine = 7;
    EXPECT_TRUE(ReadPcxLayout(EncodePcxHeader(wide).data(), 128).Accepted());
}

TEST_F(PcxTest, SizeComesFromTheHeaderCorners) {
    PcxHeaderFields fields = PcxHeaderFor(1, 1);
    fields.xMin = 10, fields.xMax = 19, fields.yMin = -3, fields.yMax = 4, fields.bytesPerLine = 10;
    const std::string path = TempPath("corners.pcx");
    ASSERT_TRUE(WriteBytesToFile(path, EncodePcxHeader(fields)));
    EXPECT_EQ(GetPcxSize(path).width, 10);
    EXPECT_EQ(GetPcxSize(path).height, 8);
    fields.xMax = 7;  // below Xmin: a picture of no width decodes nothing
    std::vector<uint8_t> file = EncodePcxHeader(fields);
    AppendPcxRun(file, 40, 200);
    ASSERT_TRUE(WriteBytesToFile(path, file));
    EXPECT_EQ(GetPcxSize(path).width, -2);
    GuardedBlock block(16, 16, 8);
    EXPECT_TRUE(LoadPcx(block.Pixels(), 16, 16, 8, path));
    EXPECT_TRUE(block.Untouched());
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
    std::vector<uint8_t> file = EncodePcxHeader(PcxHeaderFor(4, 2));
    for (int plane : {255, 0, 0}) AppendPcxRun(file, 4, static_cast<uint8_t>(plane));  // row 0 red
    std::FILE* stream = OpenFailingStream(file);
    GuardedBlock block(4, 4, 2);
    EXPECT_FALSE(DecodePcxStream(stream, block.Target()));
    std::fclose(stream);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(block.At(i % 4, i / 4), i < 4 ? 0xF800 : 0) << i;
    // A folder opens but cannot be read.
    GuardedBlock untouched(4, 4, 2);
    EXPECT_FALSE(LoadPcx(untouched.Pixels(), 4, 4, 2, ::testing::TempDir()));
    EXPECT_TRUE(untouched.Untouched());
}

#if defined(__SANITIZE_ADDRESS__)
#define PCX_TEST_ASAN
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PCX_TEST_ASAN
#endif
#endif

// Runs `load` in a child ended after 5 s, with 256 MiB of address space beyond
// what it starts with (the address sanitizer reserves terabytes, so not under
// it). The child's exit code, or 128 + the signal that ended it.
int RunLimited(const std::function<bool()>& load) {
    const pid_t child = fork();
    if (child == 0) {
        alarm(5);
#ifndef PCX_TEST_ASAN
        rlim_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t bytes = pages * sysconf(_SC_PAGESIZE) + (256 << 20);
        const rlimit addressSpace{bytes, bytes};
        if (pages == 0 || setrlimit(RLIMIT_AS, &addressSpace) != 0) _exit(11);
#endif
        bool passed = false;
        try {
            passed = load();
        } catch (...) {
            _exit(3);  // never back into the test runner from the child
        }
        _exit(passed ? 0 : 1);
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
    ASSERT_TRUE(WriteBytesToFile(paletted, EncodePcxHeader(PcxHeaderFor(1400, 30000, 1))));
    ASSERT_EQ(truncate(paletted.c_str(), kSize - 769), 0);
    // The marker, then index 0 (the data's zeros) is red; the rest black.
    std::ofstream(paletted, std::ios::app) << '\x0C' << "\xFF" << std::string(767, '\0');
    GuardedBlock sheet(1400, 1400, 2500);
    EXPECT_EQ(RunLimited([&] {
                  return !LoadPcx(sheet.Pixels(), 1400, 1400, 2500, zeros) && sheet.Untouched() &&
                         GetPcxSize(zeros).width == 0;
              }),
              0);
    EXPECT_EQ(RunLimited([&] {
                  if (!LoadPcx(sheet.Pixels(), 1400, 1400, 2500, paletted)) return false;
                  for (int i = 0; i < 1400 * 2500; ++i)
                      if (sheet.At(i % 1400, i / 1400) != 0xF800) return false;
                  return sheet.OnlyBlockWritten() && GetPcxSize(paletted).height == 30000;
              }),
              0);
    std::remove(zeros.c_str());
    std::remove(paletted.c_str());
}

}  // namespace
