// Writes a handful of small PCX files into the directory given as the only
// argument, as the fuzzer's starting corpus.

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/pcx_writer.h"

namespace {

std::vector<std::vector<uint8_t>> MakeSeeds() {
    std::vector<std::vector<uint8_t>> seeds;
    PcxWriteOptions unpadded;
    unpadded.padOddWidth = false;
    PcxWriteOptions crossing;
    crossing.runsCrossLines = true;
    crossing.padValue = 0xEE;
    PcxWriteOptions emptyRuns;
    emptyRuns.emptyRunAtLineStart = true;
    seeds.push_back(EncodePcx24(MakeRandomImage(7, 5, 1)));
    seeds.push_back(EncodePcx24(MakeRandomImage(9, 9, 2), unpadded));
    seeds.push_back(EncodePcx24(MakeRandomImage(17, 3, 3), crossing));
    seeds.push_back(EncodePcx24(MakeRandomImage(4, 4, 4), emptyRuns));
    seeds.push_back(EncodePcx24(MakeFlatImage(230, 170, 200, 100, 50)));
    IndexedImage paletted{5, 3, std::vector<uint8_t>(15), {}};
    for (int i = 0; i < 15; ++i) paletted.indices[i] = static_cast<uint8_t>(i * 40);
    for (int i = 0; i < 768; ++i) paletted.palette[i] = static_cast<uint8_t>(i);
    seeds.push_back(EncodePcx8(paletted));
    std::vector<uint8_t> crafted = EncodePcxHeader(PcxHeaderFor(3, 2));
    AppendPcxLiteral(crafted, 191);
    AppendPcxRun(crafted, 0, 7);
    AppendPcxRun(crafted, 63, 250);
    seeds.push_back(crafted);
    return seeds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus-dir>\n", argv[0]);
        return 2;
    }
    const std::vector<std::vector<uint8_t>> seeds = MakeSeeds();
    for (size_t i = 0; i < seeds.size(); ++i) {
        const std::string path = std::string(argv[1]) + "/seed" + std::to_string(i) + ".pcx";
        if (!WriteBytesToFile(path, seeds[i])) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
