#include "cli/export.h"

#include <algorithm>
#include <cstring>

namespace {

// Beyond this the sheet's RGBA bytes would pass 1 GiB.
constexpr int64_t kMaxSheetPixels = int64_t{1} << 28;

uint32_t Replicate(uint32_t value, int bits) {
    return (value << (8 - bits)) | (value >> (2 * bits - 8));
}

// Each pixel becomes a scale x scale block.
void PutFrame(const SpriteImage& sprite, int64_t frame, int64_t x0, int64_t y0,
              const SheetLayout& layout, uint8_t* rgba) {
    const int w = sprite.header.width, h = sprite.header.height, scale = layout.scale;
    const uint16_t* in = sprite.Frame(frame);
    for (int64_t y = 0; y < int64_t{h} * scale; ++y) {
        uint8_t* out = rgba + ((y0 + y) * layout.width + x0) * 4;
        const uint16_t* line = in + (y / scale) * w;
        for (int64_t x = 0; x < int64_t{w} * scale; ++x) {
            const uint32_t colour = PixelToRgba(line[x / scale], sprite.keyColour);
            std::memcpy(out + 4 * x, &colour, 4);
        }
    }
}

}  // namespace

std::string DirectionKey(int direction) {
    std::string name = SPRITE_DIRECTION_NAMES[direction];
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    return name;
}

uint32_t ExpandPixel(uint16_t pixel) {
    const uint32_t red = Replicate(pixel >> 11, 5);
    const uint32_t green = Replicate((pixel >> 5) & 63, 6);
    const uint32_t blue = Replicate(pixel & 31, 5);
    return red | green << 8 | blue << 16;
}

uint32_t PixelToRgba(uint16_t pixel, uint16_t key) {
    return pixel == key ? 0 : ExpandPixel(pixel) | 0xFF000000u;
}

SheetLayout LayOutSheet(const SpriteImage& sprite, int scale) {
    SheetLayout layout;
    layout.scale = scale;
    layout.cellWidth = int64_t{sprite.header.width} * scale;
    layout.cellHeight = int64_t{sprite.header.height} * scale;
    int64_t first = 0;
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d) {
        const int64_t count = sprite.header.counts[d];
        if (count == 0) continue;
        layout.rows.push_back({d, count, first, layout.height});
        first += count;
        layout.width = std::max(layout.width, count * layout.cellWidth);
        layout.height += layout.cellHeight;
    }
    return layout;
}

std::vector<uint8_t> SheetRgba(const SpriteImage& sprite, const SheetLayout& layout) {
    std::vector<uint8_t> rgba(static_cast<size_t>(layout.width * layout.height * 4), 0);
    for (const SheetRow& row : layout.rows)
        for (int64_t i = 0; i < row.count; ++i)
            PutFrame(sprite, row.firstFrame + i, i * layout.cellWidth, row.y, layout, rgba.data());
    return rgba;
}

ExportFiles ExportSprite(const SpriteImage& sprite, const ExportOptions& options) {
    ExportFiles files;
    files.layout = LayOutSheet(sprite, options.scale);
    const SheetLayout& layout = files.layout;
    if (layout.rows.empty()) {
        files.error = "the sprite has no frames to export";
        return files;
    }
    if (layout.width * layout.height > kMaxSheetPixels) {
        files.error = "the sheet would be " + std::to_string(layout.width) + " x " +
                      std::to_string(layout.height) + " pixels, more than this program writes";
        return files;
    }
    std::optional<std::vector<uint8_t>> png =
        EncodePngRgba(SheetRgba(sprite, layout), static_cast<int>(layout.width),
                      static_cast<int>(layout.height), &files.error);
    if (!png) return files;
    files.png = std::move(*png);
    for (int d = 0; options.gifs && d < SPRITE_DIRECTIONS; ++d) {
        if (sprite.header.counts[d] == 0) continue;
        std::optional<std::vector<uint8_t>> gif =
            EncodeDirectionGif(sprite, d, options.delayMs, &files.error);
        if (!gif) return files;
        files.gifs.emplace_back(DirectionKey(d) + ".gif", std::move(*gif));
    }
    return files;
}
