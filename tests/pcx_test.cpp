#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>

#include "formats/colour.h"
#include "formats/pcx.h"
#include "tests/support/pcx_writer.h"
#include "tests/support/pixel_compare.h"

namespace {

constexpr uint16_t kSentinel = 0xA5A5;

// A destination block with guard rows above and below, so any write outside
// the block (or into the pitch gap right of its width) shows.
struct GuardedBlock {
    static constexpr int kGuardRows = 4;
    int pitch, width, rows;
    std::vector<uint16_t> storage;

    GuardedBlock(int pitchIn, int widthIn, int rowsIn)
        : pitch(pitchIn),
          width(widthIn),
          rows(rowsIn),
          storage(static_cast<size_t>(rowsIn + 2 * kGuardRows) * pitchIn, kSentinel) {}
    uint16_t* Pixels() { return storage.data() + kGuardRows * pitch; }
    PixelTarget Target() { return {Pixels(), pitch, width, rows}; }
    uint16_t At(int x, int y) { return Pixels()[static_cast<size_t>(y) * pitch + x]; }

    bool OnlyBlockWritten() {
        for (size_t i = 0; i < storage.size(); ++i) {
            const int y = static_cast<int>(i / pitch) - kGuardRows;
            const int x = static_cast<int>(i % pitch);
            const bool inside = y >= 0 && y < rows && x < width;
            if (!inside && storage[i] != kSentinel) return false;
        }
        return true;
    }
    bool Untouched() {
        for (uint16_t pixel : storage) {
            if (pixel != kSentinel) return false;
        }
        return true;
    }
};

class PcxTest : public ::testing::Test {
  protected:
    void SetUp() override { BuildColourTables(0xF800, 0x07E0, 0x001F); }

    static std::string TempPath(const std::string& name) { return ::testing::TempDir() + name; }

    // The decoded block must equal the picture clipped to the block.
    static void ExpectDecodesTo(const std::vector<uint8_t>& file, const RgbImage& image,
                                GuardedBlock& block) {
        ASSERT_TRUE(DecodePcxFile(file.data(), file.size(), block.Target()));
        const int columns = std::min(image.width, block.width);
        const int rows = std::min(image.height, block.rows);
        std::vector<uint16_t> expected;
        const std::vector<uint16_t> all = PackImage(image);
        for (int y = 0; y < rows; ++y) {
            const auto row = all.begin() + static_cast<ptrdiff_t>(y) * image.width;
            expected.insert(expected.end(), row, row + columns);
        }
        EXPECT_TRUE(SamePixels(ViewOf(expected.data(), columns, rows),
                               ViewOf(block.Pixels(), columns, rows, block.pitch)));
        EXPECT_TRUE(block.OnlyBlockWritten());

        // Read as a file in chunks of 5 bytes, so that runs straddle chunk
        // ends, the bytes decode alike.
        std::FILE* stream = fmemopen(const_cast<uint8_t*>(file.data()), file.size(), "rb");
        GuardedBlock streamed(block.pitch, block.width, block.rows);
        EXPECT_TRUE(DecodePcxStream(stream, streamed.Target(), 5));
        std::fclose(stream);
        EXPECT_EQ(streamed.storage, block.storage);
    }
};

TEST_F(PcxTest, RoundTripsAwkwardSizesInEveryLineLayout) {
    const int sizes[] = {1, 7, 8, 9, 15, 16, 17, 31, 32, 33};
    PcxWriteOptions layouts[4];
    layouts[1].padOddWidth = false;
    layouts[2].runsCrossLines = true;
    layouts[2].padValue = 0xEE;
    layouts[3].emptyRunAtLineStart = true;
    layouts[3].padValue = 0xC7;
    uint32_t seed = 1;
    for (int width : sizes) {
        for (int height : sizes) {
            for (const PcxWriteOptions& options : layouts) {
                SCOPED_TRACE(testing::Message() << width << " x " << height << " seed " << seed);
                const RgbImage image = MakeRandomImage(width, height, seed++);
                GuardedBlock block(40, 33, 33);
                ExpectDecodesTo(EncodePcx24(image, options), image, block);
            }
        }
    }
}

TEST_F(PcxTest, ReadsEmptyRunsLiteral191AndRunsAcrossPlaneLines) {
    std::vector<uint8_t> file = EncodePcxHeader(PcxHeaderFor(4, 2));
    // Row 0. Red: 191 is a literal; an empty run writes nothing.
    AppendPcxLiteral(file, 191);
    AppendPcxRun(file, 0, 0x55);
    AppendPcxRun(file, 3, 200);
    AppendPcxRun(file, 4, 10);  // green, ending exactly at the line end
    AppendPcxRun(file, 6, 8);   // blue, two bytes past it into row 1's red
    // Row 1: red gets two more bytes, green and blue one run each.
    AppendPcxLiteral(file, 16);
    AppendPcxLiteral(file, 24);
    AppendPcxRun(file, 4, 255);
    AppendPcxRun(file, 4, 0);
    GuardedBlock block(4, 4, 2);
    ASSERT_TRUE(DecodePcxFile(file.data(), file.size(), block.Target()));
    const std::vector<uint16_t> expected = {
        PackRgb(191, 10, 8), PackRgb(200, 10, 8), PackRgb(200, 10, 8), PackRgb(200, 10, 8),
        PackRgb(8, 255, 0),  PackRgb(8, 255, 0),  PackRgb(16, 255, 0), PackRgb(24, 255, 0)};
    EXPECT_TRUE(SamePixels(ViewOf(expected.data(), 4, 2), ViewOf(block.Pixels(), 4, 2)));
}

TEST_F(PcxTest, DecodesPalettedPicturesThroughTheirPalette) {
    for (int width : {1, 7, 16, 33}) {
        IndexedImage image{width, 5, {}, {}};
        RgbImage truth(width, 5);
        for (int i = 0; i < 768; ++i) image.palette[i] = static_cast<uint8_t>(i * 37 + i / 3);
        for (int i = 0; i < width * 5; ++i) {
            const uint8_t index = static_cast<uint8_t>((i * 73) ^ (i >> 2));
            image.indices.push_back(index);
            std::copy_n(&image.palette[index * 3], 3, &truth.rgb[i * 3]);
        }
        SCOPED_TRACE(width);
        GuardedBlock block(40, 40, 8);
        ExpectDecodesTo(EncodePcx8(image), truth, block);

        // Without its palette every index stands for black.
        std::vector<uint8_t> bare = EncodePcx8(image);
        bare[bare.size() - 769] = 0;
        ExpectDecodesTo(bare, MakeFlatImage(width, 5, 0, 0, 0), block);
        // Nor is the palette read as image data when the data is missing.
        bare.erase(bare.begin() + 128, bare.end() - 769);
        bare[128] = 12;
        ExpectDecodesTo(bare, MakeFlatImage(width, 5, 0, 0, 0), block);
    }
}

TEST_F(PcxTest, ClipsToTheDestinationRowsAndColumns) {
    const RgbImage tall = MakeRandomImage(64, 700, 7);
    GuardedBlock rows480(64, 64, 480);
    ExpectDecodesTo(EncodePcx24(tall), tall, rows480);

    const RgbImage wide = MakeRandomImage(700, 3, 8);
    GuardedBlock narrow(800, 640, 3);
    PcxWriteOptions unpaddedStream;
    unpaddedStream.padOddWidth = false;
    unpaddedStream.runsCrossLines = true;
    ExpectDecodesTo(EncodePcx24(wide, unpaddedStream), wide, narrow);
}

// How many plane bytes the first `cut` bytes of a stream written without
// runs across lines reach: whole codes only.
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
    const std::vector<uint8_t> file = EncodePcx24(image);  // lines of 10 bytes
    for (size_t cut = 0; cut <= file.size(); ++cut) {
        SCOPED_TRACE(testing::Message() << "cut at " << cut);
        GuardedBlock block(12, 9, 5);
        if (cut < kPcxHeaderSize) {
            EXPECT_FALSE(DecodePcxFile(file.data(), cut, block.Target()));
            EXPECT_TRUE(block.Untouched());
            continue;
        }
        const size_t reached = PlaneBytesReached(file, cut);
        RgbImage expected(9, 5);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 9; ++x) {
                for (int c = 0; c < 3; ++c) {
                    const bool kept = static_cast<size_t>(y * 30 + c * 10 + x) < reached;
                    expected.At(x, y)[c] = kept ? image.At(x, y)[c] : 0;
                }
            }
        }
        ExpectDecodesTo(std::vector<uint8_t>(file.begin(), file.begin() + cut), expected, block);
    }
}

TEST_F(PcxTest, RefusedFilesNameTheirReasonLeaveTheBlockUntouchedAndHaveNoSize) {
    struct Case {
        const char* name;
        void (*spoil)(PcxHeaderFields&);
        size_t keep;  // bytes of the file kept
        PcxRefusal reason;
    };
    const auto keepAll = [](PcxHeaderFields&) {};
    const Case cases[] = {
        {"127 bytes", keepAll, 127, PcxRefusal::TooShort},
        {"manufacturer", [](PcxHeaderFields& h) { h.manufacturer = 11; }, 200,
         PcxRefusal::Manufacturer},
        {"version 3", [](PcxHeaderFields& h) { h.version = 3; }, 200, PcxRefusal::Version},
        {"four bits, three planes", [](PcxHeaderFields& h) { h.bitsPerPixel = 4; }, 200,
         PcxRefusal::BitsPerPixel},
        {"one bit, one plane", [](PcxHeaderFields& h) { h.planes = 1, h.bitsPerPixel = 1; }, 200,
         PcxRefusal::BitsPerPixel},
        {"four planes", [](PcxHeaderFields& h) { h.planes = 4; }, 200, PcxRefusal::Planes},
        {"line shorter than width", [](PcxHeaderFields& h) { h.bytesPerLine = 5; }, 200,
         PcxRefusal::LineShorterThanWidth},
    };
    const std::string path = TempPath("refused.pcx");
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        PcxHeaderFields fields = PcxHeaderFor(6, 2);
        test.spoil(fields);
        std::vector<uint8_t> file = EncodePcxHeader(fields);
        AppendPcxRle(file, std::vector<uint8_t>(36, 9));
        file.resize(std::min(file.size(), test.keep));
        const PcxRefusal reason = ReadPcxLayout(file.data(), file.size()).refusal;
        EXPECT_EQ(reason, test.reason) << PcxRefusalText(reason);
        ASSERT_TRUE(WriteBytesToFile(path, file));
        GuardedBlock block(6, 6, 2);
        EXPECT_FALSE(LoadPcx(block.Pixels(), 6, 6, 2, path));
        EXPECT_TRUE(block.Untouched());
        const PcxSize size = GetPcxSize(path);
        EXPECT_EQ(size.width, 0);
        EXPECT_EQ(size.height, 0);
    }
    GuardedBlock block(6, 6, 2);
    EXPECT_FALSE(LoadPcx(block.Pixels(), 6, 6, 2, TempPath("no such file.pcx")));
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
    io.close = [](void* cookie) {
        delete static_cast<std::vector<uint8_t>*>(cookie);
        return 0;
    };
    return fopencookie(new std::vector<uint8_t>(std::move(bytes)), "rb", io);
}

TEST_F(PcxTest, ReadErrorsFailTheLoad) {
    RgbImage image = MakeFlatImage(4, 2, 255, 255, 255);
    for (int x = 0; x < 4; ++x) image.At(x, 0)[1] = image.At(x, 0)[2] = 0;  // row 0 red
    std::vector<uint8_t> file = EncodePcx24(image);
    file.resize(128 + 6);  // the header, then row 0: three plane lines of one run each
    std::FILE* stream = OpenFailingStream(file);
    ASSERT_NE(stream, nullptr);
    GuardedBlock block(4, 4, 2);
    EXPECT_FALSE(DecodePcxStream(stream, block.Target()));
    std::fclose(stream);
    const uint16_t expected[] = {0xF800, 0xF800, 0xF800, 0xF800, 0, 0, 0, 0};
    EXPECT_TRUE(SamePixels(ViewOf(expected, 4, 2), ViewOf(block.Pixels(), 4, 2)));

    // A folder opens but cannot be read.
    GuardedBlock untouched(4, 4, 2);
    EXPECT_FALSE(LoadPcx(untouched.Pixels(), 4, 4, 2, ::testing::TempDir()));
    EXPECT_TRUE(untouched.Untouched());
    EXPECT_EQ(GetPcxSize(::testing::TempDir()).width, 0);
}

TEST_F(PcxTest, SizeComesFromTheHeaderCorners) {
    PcxHeaderFields fields = PcxHeaderFor(1, 1);
    fields.xMin = 10, fields.xMax = 19, fields.yMin = -3, fields.yMax = 4;
    fields.bytesPerLine = 10;
    const std::string path = TempPath("corners.pcx");
    ASSERT_TRUE(WriteBytesToFile(path, EncodePcxHeader(fields)));
    EXPECT_EQ(GetPcxSize(path).width, 10);
    EXPECT_EQ(GetPcxSize(path).height, 8);

    // Xmax below Xmin: a picture of no width decodes nothing.
    fields.xMax = 7;
    std::vector<uint8_t> file = EncodePcxHeader(fields);
    AppendPcxRun(file, 40, 200);
    ASSERT_TRUE(WriteBytesToFile(path, file));
    EXPECT_EQ(GetPcxSize(path).width, -2);
    GuardedBlock block(16, 16, 8);
    EXPECT_TRUE(LoadPcx(block.Pixels(), 16, 16, 8, path));
    EXPECT_TRUE(block.Untouched());
}

TEST_F(PcxTest, ChannelsKeepTheirTopBitsInBothDisplayLayouts) {
    RgbImage image(2, 1);
    const uint8_t values[] = {255, 0, 0, 7, 3, 7};
    std::copy_n(values, 6, image.rgb.begin());
    const std::vector<uint8_t> file = EncodePcx24(image);
    const struct {
        uint32_t red, green, blue;
        uint16_t pureRed;
    } layouts[] = {{0xF800, 0x07E0, 0x001F, 0xF800}, {0x7C00, 0x03E0, 0x001F, 0x7C00}};
    for (const auto& layout : layouts) {
        BuildColourTables(layout.red, layout.green, layout.blue);
        GuardedBlock block(2, 2, 1);
        ASSERT_TRUE(DecodePcxFile(file.data(), file.size(), block.Target()));
        EXPECT_EQ(block.At(0, 0), layout.pureRed);
        EXPECT_EQ(block.At(1, 0), 0);
        const RgbImage noise = MakeRandomImage(33, 4, 9);
        GuardedBlock wide(40, 33, 4);
        ExpectDecodesTo(EncodePcx24(noise), noise, wide);
    }
}

TEST_F(PcxTest, FollowsTheColourTablesWhateverTheyHold) {
    for (int i = 0; i < 256; ++i) {
        g_redTable[i] = static_cast<uint16_t>(i * 251);
        g_greenTable[i] = static_cast<uint16_t>((255 - i) << 3);
    }
    const RgbImage noise = MakeRandomImage(33, 4, 10);
    GuardedBlock block(40, 33, 4);
    ExpectDecodesTo(EncodePcx24(noise), noise, block);
}

#if defined(__SANITIZE_ADDRESS__)
#define PCX_TEST_ASAN
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PCX_TEST_ASAN
#endif
#endif

// Runs `load` in a child killed after 5 s, with 256 MiB of address space
// beyond what it starts with; the address sanitizer reserves terabytes, so
// under it the child's peak resident memory is held to 16 MiB instead. The
// child's exit code, or 128 + the signal that ended it.
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
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        bool passed = false;
        try {
            passed = load();
        } catch (...) {
            _exit(3);  // never back into the test runner from the child
        }
        getrusage(RUSAGE_SELF, &after);
        _exit(!passed ? 1 : after.ru_maxrss - before.ru_maxrss > 16 * 1024 ? 2 : 0);
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
    std::ofstream(paletted, std::ios::app) << '\x0C' << "\xFF" << std::string(767, '\0');
    // Marker, then index 0 is red (the data's zeros); the rest is black.

    GuardedBlock sheet(1400, 1400, 2500);
    EXPECT_EQ(RunLimited([&] {
                  return !LoadPcx(sheet.Pixels(), 1400, 1400, 2500, zeros) && sheet.Untouched() &&
                         GetPcxSize(zeros).width == 0;
              }),
              0);
    EXPECT_EQ(RunLimited([&] {
                  if (!LoadPcx(sheet.Pixels(), 1400, 1400, 2500, paletted)) return false;
                  for (int i = 0; i < 1400 * 2500; ++i) {
                      if (sheet.At(i % 1400, i / 1400) != 0xF800) return false;
                  }
                  return sheet.OnlyBlockWritten() && GetPcxSize(paletted).height == 30000;
              }),
              0);
    std::remove(zeros.c_str());
    std::remove(paletted.c_str());
}

}  // namespace
