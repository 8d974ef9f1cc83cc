#include "cli/sheet_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int64_t kUnlimited = std::numeric_limits<int32_t>::max();

// How many slots of `slot` pixels, `padding` apart, fit in `size`.
int64_t SlotsWithin(int64_t size, int64_t slot, int64_t padding) {
    return size == 0 ? kUnlimited : (size + padding) / (slot + padding);
}

// Columns that make the grid about as wide as it is tall.
int64_t GridColumns(int64_t frames, int64_t slotWidth, int64_t slotHeight) {
    const double ideal = std::sqrt(double(frames) * double(slotHeight) / double(slotWidth));
    return std::clamp<int64_t>(int64_t(std::ceil(ideal)), 1, frames);
}

class Filler {
  public:
    Filler(SheetLayout& layout, int64_t columns, int64_t lines)
        : layout_(layout), columns_(columns), lines_(lines) {}

    void BeginLine() {
        if (column_ != 0) NextLine();
    }
    void Place(int direction, int64_t count, int64_t firstFrame) {
        for (int64_t index = 0; index < count;) {
            if (column_ == columns_) NextLine();
            const int64_t n = std::min(count - index, columns_ - column_);
            layout_.runs.push_back(
                {direction, n, firstFrame + index, index, page_, line_, column_});
            column_ += n;
            index += n;
            Grow();
        }
    }

  private:
    void NextLine() {
        column_ = 0;
        if (++line_ < lines_) return;
        line_ = 0;
        ++page_;
    }
    void Grow() {
        if (layout_.pages.size() <= size_t(page_)) layout_.pages.resize(page_ + 1);
        SheetPage& page = layout_.pages[page_];
        page.width = std::max(page.width, column_ * layout_.PitchX() - layout_.padding);
        page.height = std::max(page.height, (line_ + 1) * layout_.PitchY() - layout_.padding);
    }

    SheetLayout& layout_;
    const int64_t columns_, lines_;
    int64_t column_ = 0, line_ = 0;
    int page_ = 0;
};

}  // namespace

int64_t SheetLayout::FrameCount() const {
    int64_t frames = 0;
    for (const SheetRun& run : runs) frames += run.count;
    return frames;
}

std::optional<SheetLayout> LayOutSheet(const SpriteImage& sprite, const LayoutOptions& options,
                                       std::string* error) {
    SheetLayout layout;
    layout.scale = options.scale;
    layout.padding = options.padding;
    layout.extrude = options.extrude;
    layout.arrangement = options.arrangement;
    layout.cellWidth = int64_t{sprite.header.width} * options.scale;
    layout.cellHeight = int64_t{sprite.header.height} * options.scale;
    const int64_t slotWidth = layout.cellWidth + 2 * options.extrude,
                  slotHeight = layout.cellHeight + 2 * options.extrude;
    if (options.maxSize != 0 && std::max(slotWidth, slotHeight) > options.maxSize) {
        *error = "a frame takes " + std::to_string(slotWidth) + " x " + std::to_string(slotHeight) +
                 " pixels on the sheet, more than --max-size " + std::to_string(options.maxSize);
        return std::nullopt;
    }
    int64_t frames = 0;
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d) frames += sprite.header.counts[d];
    int64_t columns = SlotsWithin(options.maxSize, slotWidth, options.padding);
    if (options.arrangement == Arrangement::Grid && frames > 0)
        columns = std::min(columns, GridColumns(frames, slotWidth, slotHeight));
    Filler filler(layout, columns, SlotsWithin(options.maxSize, slotHeight, options.padding));
    int64_t first = 0;
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d) {
        const int64_t count = sprite.header.counts[d];
        if (count == 0) continue;
        if (options.arrangement == Arrangement::Rows) filler.BeginLine();
        filler.Place(d, count, first);
        first += count;
    }
    return layout;
}
