// The time a tick spends writing its work to the session store: one placed
// frame (its cell, its log record with both sides, the work row) for a
// 48 x 48 and a 640 x 480 sprite. The log keeps at most 16 records, cut back
// to 8 as undoing and placing anew would, so memory stays flat.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "session/session_store.h"

namespace {

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void FlushPlacement(benchmark::State& state) {
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    const char* base = std::getenv("TMPDIR");
    const std::filesystem::path root = std::filesystem::path(base ? base : "/tmp") /
                                       ("celforge-session-bench-" + std::to_string(getpid()));
    std::vector<uint16_t> sheet(SHEET_WIDTH * SHEET_HEIGHT);
    std::vector<uint16_t> picture(PICTURE_WIDTH * PICTURE_HEIGHT);
    DirectionRange ranges[DIRECTION_COUNT] = {};
    int counts[DIRECTION_COUNT] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    std::vector<Change> records;
    double longest = 0;
    double cpu = 0;
    {
        SessionStore store(root.string());
        if (store.Create() != StoreHealth::Keeping) state.SkipWithError(store.Problem().c_str());
        int cell = 0;
        uint16_t shade = 1;
        for (auto _ : state) {
            if (!CellOnSheet(cell, width, height)) cell = 0;
            std::vector<uint16_t> after(size_t(width) * height, shade++);
            CellEdit edit{cell, ReadCell(sheet.data(), cell, width, height), after};
            WriteCell(sheet.data(), cell, width, height, after);
            if (records.size() == 16) records.resize(8);
            records.push_back({ChangeKind::PlaceFrames, {edit}, {}, {}, {}, {}, {}});
            LogDirt dirt{{cell}, true, true};
            const WorkView view{
                width,  height, sheet.data(), picture.data(), {0, 0, 1, cell + 1}, ranges,
                counts, 0,      &records,     records.size()};
            ++cell;
            const double cpuStart = ThreadCpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            const StoreHealth health = store.Flush(view, dirt, false);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            cpu += ThreadCpuSeconds() - cpuStart;
            if (health != StoreHealth::Keeping) state.SkipWithError(store.Problem().c_str());
            state.SetIterationTime(took.count());
            longest = std::max(longest, took.count());
        }
    }
    state.counters["longest_ms"] = longest * 1000;
    // On a shared machine the wall time counts other processes' turns too.
    state.counters["flush_cpu_ms"] = state.iterations() ? cpu * 1000 / state.iterations() : 0;
    std::filesystem::remove_all(root);
}

BENCHMARK(FlushPlacement)
    ->Args({48, 48})
    ->Args({640, 480})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
