// The texture atlas text: a blank line, then each page's image name and
// settings, then its regions. The fields keep the order of the older form,
// which readers of both forms take; readers group regions of one name into
// an animation by `index`.

#include <ostream>

#include "cli/export.h"

namespace {

std::string Pair(int64_t a, int64_t b) {
    return std::to_string(a) + ", " + std::to_string(b);
}

}  // namespace

void WriteTextureAtlas(std::ostream& out, const SheetLayout& layout,
                       const std::vector<std::string>& pageNames) {
    const std::string size = Pair(layout.cellWidth, layout.cellHeight);
    for (size_t p = 0; p < layout.pages.size(); ++p) {
        // Pixel art: nearest filtering keeps the sheet's pixels sharp.
        out << "\n"
            << pageNames.at(p) << "\nsize: " << layout.pages[p].width << ","
            << layout.pages[p].height << "\nformat: RGBA8888\nfilter: Nearest,Nearest\n"
            << "repeat: none\n";
        for (const SheetRun& run : layout.runs)
            for (int64_t i = 0; run.page == int(p) && i < run.count; ++i) {
                const FrameSpot spot = layout.Spot(run, i);
                out << DirectionKey(run.direction)
                    << "\n  rotate: false\n  xy: " << Pair(spot.x, spot.y) << "\n  size: " << size
                    << "\n  orig: " << size << "\n  offset: 0, 0\n  index: " << run.firstIndex + i
                    << "\n";
            }
    }
}
