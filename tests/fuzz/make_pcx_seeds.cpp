// Writes the PCX fuzzer's seed files into the directory given as the only
// argument. Each starts with the fuzzer's four prefix bytes (destination and
// colour layout, see pcx_fuzzer.cpp), then the file. The committed corpus in
// tests/fuzz/pcx_corpus was made by this program.

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/pcx_writer.h"

namespace {

struct Seed {
    std::string name;
    std::vector<uint8_t> prefix;  // selector, small width, small rows, pitch slack
    std::vector<uint8_t> file;
};

// The destinations: 640 x 480, 800 x 600, the 1400 x 2500 sheet, a small
// block; kFiveFiveFive added picks the 5-5-5 colour layout.
constexpr uint8_t kPicture = 0, kScreen = 1, kSheet = 2, kSmall = 3, kFiveFiveFive = 4;
// Added to the selector: a stream read in chunks of `bytes` (2 to 32).
constexpr uint8_t Chunks(int bytes) {
    return static_cast<uint8_t>((bytes - 1) << 3);
}

std::vector<uint8_t> HeaderWithCorners(int16_t xMin, int16_t yMin, int16_t xMax, int16_t yMax) {
    PcxHeaderFields fields = PcxHeaderFor(4, 4);
    fields.xMin = xMin, fields.yMin = yMin, fields.xMax = xMax, fields.yMax = yMax;
    std::vector<uint8_t> file = EncodePcxHeader(fields);
    AppendPcxRun(file, 40, 200);
    return file;
}

// A one-plane picture with no image data: the header, the marker, the palette.
std::vector<uint8_t> PaletteOnly() {
    std::vector<uint8_t> file = EncodePcxHeader(PcxHeaderFor(3, 2, 1));
    file.push_back(12);
    for (int i = 0; i < 768; ++i) file.push_back(static_cast<uint8_t>(255 - i));
    return file;  // 897 bytes
}

std::vector<Seed> PictureSeeds() {
    PcxWriteOptions unpadded, crossing, emptyRuns;
    unpadded.padOddWidth = false;
    crossing.runsCrossLines = true;
    crossing.padValue = 0xEE;
    emptyRuns.emptyRunAtLineStart = true;
    IndexedImage paletted{5, 3, std::vector<uint8_t>(15), {}};
    for (int i = 0; i < 15; ++i) paletted.indices[i] = static_cast<uint8_t>(i * 40);
    for (int i = 0; i < 768; ++i) paletted.palette[i] = static_cast<uint8_t>(i);
    std::vector<uint8_t> noMarker = EncodePcx8(paletted);
    noMarker[noMarker.size() - 769] = 0;
    return {
        {"rgb_7x5", {kSmall, 5, 4, 3}, EncodePcx24(MakeRandomImage(7, 5, 1))},
        {"rgb_unpadded_555",
         {kSmall | kFiveFiveFive, 9, 9, 0},
         EncodePcx24(MakeRandomImage(9, 9, 2), unpadded)},
        {"rgb_runs_cross_lines_chunks_3",
         {kSmall | Chunks(3), 20, 2, 1},
         EncodePcx24(MakeRandomImage(17, 3, 3), crossing)},
        {"rgb_empty_runs", {kSmall, 4, 4, 0}, EncodePcx24(MakeRandomImage(4, 4, 4), emptyRuns)},
        {"rgb_flat_screen_chunks_32",
         {kScreen | Chunks(32)},
         EncodePcx24(MakeFlatImage(230, 170, 200, 100, 50))},
        {"paletted_5x3_chunks_2", {kPicture | Chunks(2)}, EncodePcx8(paletted)},
        {"paletted_no_marker", {kSmall, 5, 3, 2}, noMarker},
    };
}

std::vector<Seed> EdgeSeeds() {
    std::vector<uint8_t> crafted = EncodePcxHeader(PcxHeaderFor(3, 2));
    AppendPcxLiteral(crafted, 191);
    AppendPcxRun(crafted, 0, 7);
    AppendPcxRun(crafted, 63, 250);
    std::vector<uint8_t> loneRun = EncodePcxHeader(PcxHeaderFor(2, 2));
    AppendPcxRun(loneRun, 5, 90);
    loneRun.push_back(0xC5);  // a run code whose value is missing
    PcxHeaderFields longLines = PcxHeaderFor(1, 3);
    longLines.bytesPerLine = 65535;
    std::vector<uint8_t> longLineFile = EncodePcxHeader(longLines);
    for (int i = 0; i < 10; ++i) AppendPcxRun(longLineFile, 63, static_cast<uint8_t>(i * 20));
    std::vector<uint8_t> paletteShort = PaletteOnly();
    paletteShort.pop_back();
    return {
        {"literal_191_empty_run", {kSmall, 3, 2, 0}, crafted},
        {"lone_run_byte_at_end_chunks_5", {kSmall | Chunks(5), 2, 2, 1}, loneRun},
        {"bytes_per_line_65535_width_1", {kSheet}, longLineFile},
        {"width_zero", {kPicture}, HeaderWithCorners(5, 0, 4, 3)},
        {"height_zero", {kPicture}, HeaderWithCorners(0, 5, 3, 4)},
        {"size_negative", {kSmall, 8, 8, 0}, HeaderWithCorners(10, 10, 7, -3000)},
        {"paletted_897_bytes", {kSmall | kFiveFiveFive, 3, 2, 0}, PaletteOnly()},
        {"paletted_896_bytes", {kSmall, 3, 2, 0}, paletteShort},
        {"header_only_128_bytes", {kSheet | kFiveFiveFive}, EncodePcxHeader(PcxHeaderFor(9, 9))},
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus-dir>\n", argv[0]);
        return 2;
    }
    std::vector<Seed> seeds = PictureSeeds();
    for (Seed& seed : EdgeSeeds()) seeds.push_back(seed);
    for (Seed& seed : seeds) {
        seed.prefix.resize(4);
        seed.prefix.insert(seed.prefix.end(), seed.file.begin(), seed.file.end());
        const std::string path = std::string(argv[1]) + "/" + seed.name + ".seed";
        if (!WriteBytesToFile(path, seed.prefix)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
