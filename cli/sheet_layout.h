#pragma once
// Where each frame of a sprite lies on its sheet: on which page, at which
// pixel. Frames sit in slots of the frame's size plus the extrusion on every
// side, slots are `padding` pixels apart, and a page never passes `maxSize`.
// Runs, not cells, are kept, so the layout of a million frames stays small.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/sprite_reader.h"

// Rows: each direction begins a line of its own, in file order, and wraps
// only at the page's width. Grid: all frames in file order on a near-square
// grid, so long sprites fit under a page size.
enum class Arrangement { Rows, Grid };

struct LayoutOptions {
    int scale = 1;
    int padding = 0;
    int extrude = 0;
    int64_t maxSize = 0;  // 0: no limit
    Arrangement arrangement = Arrangement::Rows;
};

// Consecutive frames of one direction on one line of one page.
struct SheetRun {
    int direction;       // file position 0-8
    int64_t count;       // frames in the run
    int64_t firstFrame;  // in the file's frame order
    int64_t firstIndex;  // within the direction
    int page;
    int64_t line;    // on its page
    int64_t column;  // of its first frame
};
struct SheetPage {
    int64_t width = 0, height = 0;
};
struct FrameSpot {
    int page;
    int64_t x, y;  // the frame's top-left, inside its slot's extrusion
};
struct SheetLayout {
    int64_t cellWidth = 0, cellHeight = 0;  // a frame on the sheet, scale included
    int scale = 1, padding = 0, extrude = 0;
    Arrangement arrangement = Arrangement::Rows;
    std::vector<SheetPage> pages;
    std::vector<SheetRun> runs;

    int64_t PitchX() const { return cellWidth + 2 * extrude + padding; }
    int64_t PitchY() const { return cellHeight + 2 * extrude + padding; }
    FrameSpot Spot(const SheetRun& run, int64_t i) const {
        return {run.page, (run.column + i) * PitchX() + extrude, run.line * PitchY() + extrude};
    }
    int64_t FrameCount() const;
};
constexpr int MAX_SHEET_SCALE = 8;

// Null, with `error` set, when a frame alone is larger than a page may be.
std::optional<SheetLayout> LayOutSheet(const SpriteImage& sprite, const LayoutOptions& options,
                                       std::string* error);
