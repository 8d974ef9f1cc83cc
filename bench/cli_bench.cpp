// celforge-spr's build of the bundled beetle (36 frames of 48 x 48 from PCX),
// its export of a 2,000-frame sprite to a PNG sheet and JSON (at scale 1 and
// 2), its unpack of the beetle and its mirroring of three directions, each
// next to a plain copy of as many bytes as it puts out.

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <ostream>

#include "cli/build.h"
#include "cli/export.h"
#include "cli/mirror.h"
#include "cli/picture_source.h"
#include "cli/sprite_folder.h"

namespace {

const char* const kBeetleDirections[SPRITE_DIRECTIONS] = {
    "0_nodirection", "1_left",      "2_leftup", "3_up",      "4_rightup",
    "5_right",       "6_rightdown", "7_down",   "8_leftdown"};

BuildRequest BeetleRequest() {
    const std::filesystem::path examples = std::filesystem::path(CELFORGE_SOURCE_DIR) / "examples";
    BuildRequest request;
    request.output = "beetle.Spr";
    request.width = request.height = 48;
    request.key = {255, 0, 255};
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d)
        for (int f = 1; f <= 4; ++f)
            request.pictures[d].push_back(
                (examples /
                 ("beetle_" + std::string(kBeetleDirections[d]) + "_" + std::to_string(f) + ".pcx"))
                    .string());
    return request;
}

// 2,000 frames: the beetle's 36 over and over, spread across the nine rows.
SpriteImage LongSprite() {
    UseFileColourTables();
    const BuildOutcome beetle = BuildSprite(BeetleRequest());
    SpriteReadResult read = ReadSprite(beetle.bytes.data(), beetle.bytes.size());
    SpriteImage sprite = std::move(*read.sprite);
    const size_t framePixels = 48 * 48;
    const std::vector<uint16_t> frames = sprite.pixels;
    sprite.header.counts = {222, 222, 222, 222, 222, 222, 222, 222, 224};
    sprite.pixels.resize(2000 * framePixels);
    for (size_t f = 0; f < 2000; ++f)
        std::copy_n(frames.begin() + (f % 36) * framePixels, framePixels,
                    sprite.pixels.begin() + f * framePixels);
    return sprite;
}

void CopyBytes(benchmark::State& state, size_t size) {
    std::vector<uint8_t> from(size, 7), to(size);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), size);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

void BM_BuildBeetle(benchmark::State& state) {
    UseFileColourTables();
    const BuildRequest request = BeetleRequest();
    size_t bytes = 0;
    for (auto _ : state) {
        const BuildOutcome outcome = BuildSprite(request);
        bytes = outcome.bytes.size();
        benchmark::DoNotOptimize(outcome.bytes.data());
    }
    state.counters["output_bytes"] = double(bytes);
}
BENCHMARK(BM_BuildBeetle)->Unit(benchmark::kMillisecond);

void BM_CopyBeetleFile(benchmark::State& state) {
    CopyBytes(state, SPRITE_HEADER_SIZE + 36 * 48 * 48 * 2);
}
BENCHMARK(BM_CopyBeetleFile)->Unit(benchmark::kMillisecond);

// The JSON goes to a stream that keeps only its length, as a file would
// keep it out of memory.
struct CountingBuffer : std::streambuf {
    size_t count = 0;
    int_type overflow(int_type c) override {
        ++count;
        return c;
    }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        count += static_cast<size_t>(n);
        return n;
    }
};

size_t ExportBytes(const SpriteImage& sprite, int scale) {
    const ExportFiles files = ExportSprite(sprite, {100, scale, false, LayoutOptions{}, {}});
    CountingBuffer counter;
    std::ostream json(&counter);
    WriteSheetJson(json, files.layout, {"long.png", 100, FrameList::Hash, 0, {}, nullptr});
    return files.pages.at(0).size() + counter.count;
}

void BM_Export2000Frames(benchmark::State& state) {
    const SpriteImage sprite = LongSprite();
    const int scale = static_cast<int>(state.range(0));
    size_t bytes = 0;
    for (auto _ : state) bytes = ExportBytes(sprite, scale);
    state.counters["output_bytes"] = double(bytes);
}
BENCHMARK(BM_Export2000Frames)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_CopyExportOutput(benchmark::State& state) {
    CopyBytes(state, ExportBytes(LongSprite(), 1));
}
BENCHMARK(BM_CopyExportOutput)->Unit(benchmark::kMillisecond);

// unpack of the beetle (36 frames) to PNGs and sprite.json, in memory.
void BM_UnpackBeetle(benchmark::State& state) {
    UseFileColourTables();
    const BuildOutcome beetle = BuildSprite(BeetleRequest());
    const SpriteReadResult read = ReadSprite(beetle.bytes.data(), beetle.bytes.size());
    size_t bytes = 0;
    for (auto _ : state) {
        std::string error;
        const auto files = UnpackSprite(*read.sprite, false, &error);
        bytes = 0;
        for (const auto& file : files) bytes += file.second.size();
        benchmark::DoNotOptimize(files.data());
    }
    state.counters["output_bytes"] = double(bytes);
}
BENCHMARK(BM_UnpackBeetle)->Unit(benchmark::kMillisecond);

// --mirror right=left rightup=leftup rightdown=leftdown over 666 frames of
// 48 x 48: the file read, 666 frames flipped, 1,332 written.
void BM_Mirror666Frames(benchmark::State& state) {
    const SpriteImage sprite = LongSprite();
    const SpriteCounts counts{0, 222, 222, 0, 0, 0, 0, 0, 222};
    const std::vector<uint16_t> pixels(sprite.pixels.begin(),
                                       sprite.pixels.begin() + 666 * 48 * 48);
    const std::vector<uint8_t> file =
        EncodeSpriteFile(MakeSpriteHeader(SPRITE_ANIMATION, 48, 48, sprite.keyColour, counts),
                         {{pixels.data(), pixels.size()}});
    const std::vector<MirrorRule> rules{{5, 1}, {4, 2}, {6, 8}};
    size_t bytes = 0;
    for (auto _ : state) {
        std::string error;
        const auto mirrored = MirrorDirections(file, rules, &error);
        bytes = mirrored->size();
        benchmark::DoNotOptimize(mirrored->data());
    }
    state.counters["output_bytes"] = double(bytes);
}
BENCHMARK(BM_Mirror666Frames)->Unit(benchmark::kMillisecond);

void BM_CopyMirrorOutput(benchmark::State& state) {
    CopyBytes(state, SPRITE_HEADER_SIZE + 1332 * 48 * 48 * 2);
}
BENCHMARK(BM_CopyMirrorOutput)->Unit(benchmark::kMillisecond);

}  // namespace
