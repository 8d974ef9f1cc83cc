// The session store under the sequence that once grew it without bound: 500
// placements of a 640 x 480 picture of varied content into a 640 x 480
// sprite, every third undone and placed anew, then 1,000 key-colour picks,
// each written as the editor's tick writes it. Reports the longest WAL seen
// at the end of a tick, the database at the end, the process's peak memory
// and the store's time a tick. Run it alone for the memory figure:
//   celforge_bench --benchmark_filter=SessionSequence

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "session/session_store.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint16_t> VariedPicture(std::mt19937& random) {
    std::vector<uint16_t> pixels(size_t(PICTURE_WIDTH) * PICTURE_HEIGHT);
    const uint16_t base = uint16_t(random());
    const int band = 4 + int(random() % 12);
    for (int y = 0; y < PICTURE_HEIGHT; ++y)
        for (int x = 0; x < PICTURE_WIDTH; ++x)
            pixels[size_t(y) * PICTURE_WIDTH + x] =
                uint16_t(base + (x / band) * 33 + (y / band) * 7 + (random() % 16 == 0));
    return pixels;
}

struct Figures {
    int64_t walMost = 0;
    double storeSeconds = 0;
    double tickMost = 0;
    int ticks = 0;
    int64_t keyTickBytesMost = 0;
};

void Tick(SessionStore& store, ChangeLog& log, Figures& f) {
    const WorkView view{PICTURE_WIDTH,
                        PICTURE_HEIGHT,
                        g_sheet,
                        nullptr,
                        {},
                        nullptr,
                        nullptr,
                        0,
                        &log.Records(),
                        log.Cursor(),
                        log.FirstSequence()};
    const auto start = std::chrono::steady_clock::now();
    const StoreHealth health = store.Flush(view, log.Dirt(), false);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (health != StoreHealth::Keeping) std::abort();
    f.storeSeconds += took.count();
    f.tickMost = std::max(f.tickMost, took.count());
    ++f.ticks;
    std::error_code error;
    f.walMost = std::max(f.walMost, int64_t(fs::file_size(store.WalPath(), error)));
}

void SessionSequence(benchmark::State& state) {
    const char* base = std::getenv("TMPDIR");
    const fs::path root =
        fs::path(base ? base : "/tmp") / ("celforge-session-bench-" + std::to_string(getpid()));
    Figures f;
    int64_t database = 0;
    for (auto _ : state) {
        g_state.sheet.spriteWidth = PICTURE_WIDTH;
        g_state.sheet.spriteHeight = PICTURE_HEIGHT;
        g_state.sheet.sheetColumns = SheetColumns(PICTURE_WIDTH);
        ChangeLog log;
        SessionStore store(root.string());
        if (store.Create() != StoreHealth::Keeping) state.SkipWithError(store.Problem().c_str());
        std::mt19937 random(1);
        for (int i = 0; i < 500; ++i) {
            const int cell = i % 10;
            for (int again = 0; again < (i % 3 == 2 ? 2 : 1); ++again) {
                if (again) log.Undo();
                Change place;
                place.cells.push_back({cell, CellPixels(cell), VariedPicture(random)});
                log.Do(std::move(place));
                Tick(store, log, f);
            }
        }
        for (uint32_t key = 1; key <= 1000; ++key) {
            Change pick;
            pick.kind = ChangeKind::PickKeyColour;
            pick.keyBefore = key - 1;
            pick.keyAfter = key;
            log.Do(std::move(pick));
            Tick(store, log, f);
            f.keyTickBytesMost = std::max(f.keyTickBytesMost, store.LastTickBytes());
        }
        database = int64_t(fs::file_size(store.Folder() + "/work.db"));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["wal_most_MiB"] = double(f.walMost) / (1 << 20);
    state.counters["database_MiB"] = double(database) / (1 << 20);
    state.counters["peak_memory_MiB"] = double(usage.ru_maxrss) / 1024;
    state.counters["store_ms_a_tick"] = f.ticks ? f.storeSeconds * 1000 / f.ticks : 0;
    state.counters["longest_tick_ms"] = f.tickMost * 1000;
    state.counters["key_tick_KiB_most"] = double(f.keyTickBytesMost) / 1024;
    fs::remove_all(root);
}

BENCHMARK(SessionSequence)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
