#pragma once
// A destination block between guard rows, its pitch wider than its width,
// all of it first holding a sentinel: a decoder's write outside the block
// shows here even where the sanitizers cannot see it.

#include <algorithm>
#include <vector>

#include "formats/pixel_target.h"

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
        columns = std::clamp(columns, 0, width), high = std::clamp(high, 0, rows);
        for (int y = -2; y < rows + 2; ++y) {
            const auto row = storage.begin() + static_cast<size_t>(y + 2) * pitch;
            const int from = y >= 0 && y < high ? columns : 0;
            if (std::any_of(row + from, row + pitch, [](uint16_t p) { return p != kSentinel; }))
                return false;
        }
        return true;
    }
    bool OnlyBlockWritten() const { return OnlyCornerWritten(width, rows); }
    bool Untouched() const { return OnlyCornerWritten(0, 0); }
};
