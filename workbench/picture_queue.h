#pragma once
// Pictures waiting to be placed, and what their names tell: the order a
// person numbers frames in, and the facing a frame belongs to.

#include <optional>
#include <string>
#include <vector>

// Natural order of file names: digit runs compare as numbers ("walk_2"
// before "walk_10"), letters without regard to case; names that compare equal
// fall back to the full paths' bytes, so the order is total.
bool NaturalLess(const std::string& pathA, const std::string& pathB);
void SortNaturally(std::vector<std::string>& paths);

// The direction slot (the order of g_state.directions' tables: No Direction,
// Left, Right, Up, Down, LeftUp, LeftDown, RightUp, RightDown) a file name
// names as a whole word between '_', '-', '.' or digits, in any case. None
// when it names no direction, or two different ones.
std::optional<int> DirectionSlotInName(const std::string& path);

struct NamedRange {
    int slot = 0;
    int firstCell = 0;
    int lastCell = 0;
};

struct NamedRanges {
    std::vector<NamedRange> marked;
    // One line per direction left unmarked: split runs and short runs.
    std::vector<std::string> leftUnmarked;
};

// Directions whose cells form one unbroken run of at least `minFrames`
// cells. `slots[i]` is the direction of the picture in cell `firstCell + i`.
NamedRanges RangesFromNames(const std::vector<std::optional<int>>& slots, int firstCell,
                            int minFrames);
