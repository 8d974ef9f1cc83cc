#pragma once
// A destination block between guard rows, its pitch wider than its width,
// all of it first holding a sentinel: a decoder's write outside the block
// shows here even where the sanitizers cannot see it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/pixel_target.h"

struct GuardedBlock {
    static constexpr uint16_t kSentinel = 0xA5A5;
    static constexpr int kGuardRows = 2;
    int pitch, width, rows;
    std::vector<uint16_t> storage;

    GuardedBlock(int pitchIn, int widthIn, int rowsIn)
        : pitch(pitchIn),
          width(widthIn),
          rows(rowsIn),
          storage(static_cast<size_t>(rowsIn + 2 * kGuardRows) * pitchIn, kSentinel) {}
    uint16_t* Pixels() { return storage.data() + kGuardRows * pitch; }
    PixelTarget Target() { return {Pixels(), pitch, width, rows}; }
    uint16_t At(int x, int y) const {
        return storage[static_cast<size_t>(y + kGuardRows) * pitch + x];
    }

    // True when nothing outside the block's top-left `columns` x `cornerRows` changed.
    bool OnlyCornerWritten(int columns, int cornerRows) const {
        columns = std::clamp(columns, 0, width);
        cornerRows = std::clamp(cornerRows, 0, rows);
        for (size_t i = 0; i < storage.size(); ++i) {
            const int y = static_cast<int>(i / pitch) - kGuardRows, x = static_cast<int>(i % pitch);
            const bool inside = y >= 0 && y < cornerRows && x < columns;
            if (!inside && storage[i] != kSentinel) return false;
        }
        return true;
    }
    bool OnlyBlockWritten() const { return OnlyCornerWritten(width, rows); }
    bool Untouched() const { return OnlyCornerWritten(0, 0); }
};
