#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

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

TEST_F(PcxTest, RefusedFilesLeaveTheBlockUntouchedAndHaveNoSize) {
    struct Case {
        const char* name;
        void (*spoil)(PcxHeaderFields&);
    };
    const Case cases[] = {
        {"manufacturer", [](PcxHeaderFields& h) { h.manufacturer = 11; }},
        {"version 3", [](PcxHeaderFields& h) { h.version = 3; }},
        {"line shorter than width", [](PcxHeaderFields& h) { h.bytesPerLine = 5; }},
        {"four planes", [](PcxHeaderFields& h) { h.planes = 4; }},
        {"one bit, one plane", [](PcxHeaderFields& h) { h.planes = 1, h.bitsPerPixel = 1; }},
        {"four bits, three planes", [](PcxHeaderFields& h) { h.bitsPerPixel = 4; }},
    };
    const std::string path = TempPath("refused.pcx");
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        PcxHeaderFields fields = PcxHeaderFor(6, 2);
        test.spoil(fields);
        std::vector<uint8_t> file = EncodePcxHeader(fields);
        AppendPcxRle(file, std::vector<uint8_t>(36, 9));
        ASSERT_TRUE(WriteBytesToFile(path, file));
        GuardedBlock block(6, 6, 2);
        EXPECT_FALSE(LoadPcx(block.Pixels(), 6, 6, 2, path));
        EXPECT_TRUE(block.Untouched());
        const PcxSize size = GetPcxSize(path);
        EXPECT_EQ(size.width, 0);
        EXPECT_EQ(size.height, 0);
    }
    const std::vector<uint8_t> good = EncodePcx24(MakeFlatImage(6, 2, 1, 2, 3));
    ASSERT_TRUE(WriteBytesToFile(path, std::vector<uint8_t>(good.begin(), good.begin() + 127)));
    GuardedBlock block(6, 6, 2);
    EXPECT_FALSE(LoadPcx(block.Pixels(), 6, 6, 2, path));
    EXPECT_EQ(GetPcxSize(path).width, 0);
    EXPECT_FALSE(LoadPcx(block.Pixels(), 6, 6, 2, TempPath("no such file.pcx")));
    EXPECT_TRUE(block.Untouched());
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
    GuardedBlock block(2, 2, 1);
    ASSERT_TRUE(DecodePcxFile(file.data(), file.size(), block.Target()));
    EXPECT_EQ(block.At(0, 0), 0xF800);
    EXPECT_EQ(block.At(1, 0), 0);
    BuildColourTables(0x7C00, 0x03E0, 0x001F);
    ASSERT_TRUE(DecodePcxFile(file.data(), file.size(), block.Target()));
    EXPECT_EQ(block.At(0, 0), 0x7C00);
    EXPECT_EQ(block.At(1, 0), 0);

    const RgbImage noise = MakeRandomImage(33, 4, 9);
    GuardedBlock wide(40, 33, 4);
    ExpectDecodesTo(EncodePcx24(noise), noise, wide);
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

TEST_F(PcxTest, SmallFileClaimingAHugePictureCostsLittle) {
    PcxHeaderFields fields = PcxHeaderFor(30000, 30000);
    std::vector<uint8_t> file = EncodePcxHeader(fields);
    AppendPcxRun(file, 63, 255);
    AppendPcxRun(file, 63, 255);
    GuardedBlock block(640, 640, 480);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(DecodePcxFile(file.data(), file.size(), block.Target()));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::milliseconds(500));
    RgbImage expected(640, 480);
    for (int x = 0; x < 126; ++x) expected.At(x, 0)[0] = 255;
    EXPECT_TRUE(
        SamePixels(ViewOf(PackImage(expected).data(), 640, 480), ViewOf(block.Pixels(), 640, 480)));
}

}  // namespace
