#pragma once
// A destination block between guard rows, its pitch wider than its width,
// all of it first holding a sentinel: a decoder's write outside the block
// shows here even where the sanitizers cannot see it.

#include <algorithm>
#include <vector>

#include "formats/pixel_target.h"

// The scans below read only the block's own storage: under a fuzzer's coverage
// and the address checks they would cost more than the decoding.
#if defined(__clang__)
#define GUARD_SCAN __attribute__((no_sanitize("coverage", "address")))
#else
#define GUARD_SCAN
#endif

struct GuardedBlock {
    static constexpr uint16_t kSentinel = 0xA5A5;
    int pitch, width, rows;
    std::vector<uint16_t> storage;  // two guard rows, the block's rows, two guard rows

    GuardedBlock(int p, int w, int r)
        : pitch(p), width(w), rows(r), storage((r + 4) * p, kSentinel) {}
    uint16_t* Pixels() { return storage.data() + 2 * pitch; }
    PixelTarget Target() { return {Pixels(), pitch, width, rows}; }
    uint16_t At(int x, int y) const { return storage[static_cast<size_t>(y + 2) * pitch + x]; }

    // True when nothing outside the block's top-left `columns` x `high` changed.
    bool OnlyCornerWritten(int columns, int high) const {
        return RowsClean(-2, rows + 2, columns, high);
    }
    // The same, scanning only the rows a `high`-row picture reaches, two more
    // below it and the guard rows: the cost follows the picture, not the block.
    bool OnlyCornerWrittenNear(int columns, int high) const {
        const int reach = std::clamp(high, 0, rows) + 2;
        return RowsClean(-2, std::min(reach, rows + 2), columns, high) &&
               RowsClean(std::max(reach, rows), rows + 2, columns, high);
    }
    // The sentinel back in the top-left `columns` x `high`, for the next use.
    GUARD_SCAN void ResetCorner(int columns, int high) {
        columns = std::clamp(columns, 0, width), high = std::clamp(high, 0, rows);
        for (int y = 0; y < high; ++y)
            std::fill_n(Pixels() + size_t(y) * pitch, columns, kSentinel);
    }
    GUARD_SCAN bool SameCorner(const GuardedBlock& other, int columns, int high) const {
        columns = std::clamp(columns, 0, width), high = std::clamp(high, 0, rows);
        for (int y = 0; y < high; ++y) {
            const uint16_t* mine = &storage[size_t(y + 2) * pitch];
            const uint16_t* theirs = &other.storage[size_t(y + 2) * other.pitch];
            if (!std::equal(mine, mine + columns, theirs)) return false;
        }
        return true;
    }
    bool OnlyBlockWritten() const { return OnlyCornerWritten(width, rows); }
    bool Untouched() const { return OnlyCornerWritten(0, 0); }

  private:
    // Rows `from` to `to` (block rows; -2 and -1 are the guard rows above)
    // hold the sentinel outside the top-left `columns` x `high`.
    GUARD_SCAN bool RowsClean(int from, int to, int columns, int high) const {
        columns = std::clamp(columns, 0, width), high = std::clamp(high, 0, rows);
        for (int y = from; y < to; ++y) {
            const uint16_t* row = &storage[static_cast<size_t>(y + 2) * pitch];
            for (int x = y >= 0 && y < high ? columns : 0; x < pitch; ++x)
                if (row[x] != kSentinel) return false;
        }
        return true;
    }
};
