// Decoding the same 640 x 480 PCX bytes into 5-6-5 pixels with our decoder
// and with SDL2_image, on flat sprite-like art and on noise; prints how many
// times faster ours is.

#include <SDL_image.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "formats/colour.h"
#include "formats/pcx.h"
#include "tests/support/pcx_writer.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

void FillRect(RgbImage& image, int left, int top, int right, int bottom, uint32_t colour) {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            uint8_t* pixel = image.At(x, y);
            pixel[0] = static_cast<uint8_t>(colour >> 16);
            pixel[1] = static_cast<uint8_t>(colour >> 8);
            pixel[2] = static_cast<uint8_t>(colour);
        }
    }
}

void FillDisc(RgbImage& image, int centreX, int centreY, int radius, uint32_t colour) {
    for (int y = centreY - radius; y <= centreY + radius; ++y) {
        for (int x = centreX - radius; x <= centreX + radius; ++x) {
            const int dx = x - centreX, dy = y - centreY;
            if (dx * dx + dy * dy <= radius * radius) FillRect(image, x, y, x + 1, y + 1, colour);
        }
    }
}

// A flat background with a few shapes, like a sprite sheet or a tool bar.
RgbImage MakeSpriteLikeImage() {
    RgbImage image = MakeFlatImage(kWidth, kHeight, 0xFF, 0x00, 0xFF);
    FillRect(image, 0, 0, kWidth, 30, 0x404858);
    FillRect(image, 40, 60, 300, 220, 0x2E7D32);
    FillRect(image, 60, 80, 280, 200, 0xC8E6C9);
    FillDisc(image, 450, 160, 90, 0xFFB300);
    FillDisc(image, 430, 140, 20, 0x000000);
    FillRect(image, 100, 300, 560, 440, 0x1565C0);
    for (int x = 120; x < 540; x += 40) FillRect(image, x, 320, x + 20, 420, 0xE3F2FD);
    return image;
}

const std::vector<uint8_t>& FlatFile() {
    static const std::vector<uint8_t> file = EncodePcx24(MakeSpriteLikeImage());
    return file;
}

const std::vector<uint8_t>& NoisyFile() {
    static const std::vector<uint8_t> file = EncodePcx24(MakeRandomImage(kWidth, kHeight, 5));
    return file;
}

void DecodeOurs(benchmark::State& state, const std::vector<uint8_t>& (*file)()) {
    const std::vector<uint8_t>& bytes = file();
    std::vector<uint16_t> pixels(kWidth * kHeight);
    for (auto _ : state) {
        DecodePcxFile(bytes.data(), bytes.size(), {pixels.data(), kWidth, kWidth, kHeight});
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}

void DecodeSdlImage(benchmark::State& state, const std::vector<uint8_t>& (*file)()) {
    const std::vector<uint8_t>& bytes = file();
    for (auto _ : state) {
        SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
        SDL_Surface* loaded = IMG_Load_RW(stream, 1);
        SDL_Surface* converted = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB565, 0);
        benchmark::DoNotOptimize(converted->pixels);
        SDL_FreeSurface(converted);
        SDL_FreeSurface(loaded);
    }
}

BENCHMARK_CAPTURE(DecodeOurs, flat, FlatFile);
BENCHMARK_CAPTURE(DecodeSdlImage, flat, FlatFile);
BENCHMARK_CAPTURE(DecodeOurs, noisy, NoisyFile);
BENCHMARK_CAPTURE(DecodeSdlImage, noisy, NoisyFile);

// Keeps each benchmark's CPU time per iteration so the ratios can be printed;
// CPU time stays steady when other work shares the machine.
class TimeKeepingReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> timeByName;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) timeByName[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintRatio(const TimeKeepingReporter& reporter, const std::string& art) {
    const auto ours = reporter.timeByName.find("DecodeOurs/" + art);
    const auto theirs = reporter.timeByName.find("DecodeSdlImage/" + art);
    if (ours == reporter.timeByName.end() || theirs == reporter.timeByName.end()) return;
    std::printf("%s art: ours is %.1fx faster than SDL2_image (%zu bytes)\n", art.c_str(),
                theirs->second / ours->second, (art == "flat" ? FlatFile() : NoisyFile()).size());
}

}  // namespace

int main(int argc, char** argv) {
    BuildColourTables(0xF800, 0x07E0, 0x001F);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TimeKeepingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatio(reporter, "flat");
    PrintRatio(reporter, "noisy");
    benchmark::Shutdown();
    return 0;
}
