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
void PutFrame(const SpriteImage& sprite, int64_t frame, int64_t x0, int64_t y0, int64_t pageWidth,
              const SheetLayout& layout, uint8_t* rgba) {
    const int w = sprite.header.width, h = sprite.header.height, scale = layout.scale;
    const uint16_t* in = sprite.Frame(frame);
    for (int64_t y = 0; y < int64_t{h} * scale; ++y) {
        uint8_t* out = rgba + ((y0 + y) * pageWidth + x0) * 4;
        const uint16_t* line = in + (y / scale) * w;
        for (int64_t x = 0; x < int64_t{w} * scale; ++x) {
            const uint32_t colour = PixelToRgba(line[x / scale], sprite.keyColour);
            std::memcpy(out + 4 * x, &colour, 4);
        }
    }
}

// The frame's edge pixels, repeated `extrude` times around it: first sideways
// on each of its lines, then those widened lines up and down.
void Extrude(int64_t x0, int64_t y0, int64_t pageWidth, const SheetLayout& layout, uint8_t* rgba) {
    const int64_t e = layout.extrude, w = layout.cellWidth, h = layout.cellHeight;
    auto at = [&](int64_t x, int64_t y) { return rgba + (y * pageWidth + x) * 4; };
    for (int64_t y = y0; y < y0 + h; ++y)
        for (int64_t i = 1; i <= e; ++i) {
            std::memcpy(at(x0 - i, y), at(x0, y), 4);
            std::memcpy(at(x0 + w - 1 + i, y), at(x0 + w - 1, y), 4);
        }
    const size_t slotBytes = size_t(w + 2 * e) * 4;
    for (int64_t i = 1; i <= e; ++i) {
        std::memcpy(at(x0 - e, y0 - i), at(x0 - e, y0), slotBytes);
        std::memcpy(at(x0 - e, y0 + h - 1 + i), at(x0 - e, y0 + h - 1), slotBytes);
    }
}

std::string PageSizeError(const SheetPage& page) {
    return "a page of the sheet would be " + std::to_string(page.width) + " x " +
           std::to_string(page.height) +
           " pixels, more than this program writes; --max-size splits it into pages";
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

DirectionSettings DirectionSettings::Uniform(int delayMs) {
    DirectionSettings settings;
    settings.delayMs.fill(delayMs);
    return settings;
}

std::vector<uint8_t> SheetRgba(const SpriteImage& sprite, const SheetLayout& layout, int page) {
    const SheetPage& size = layout.pages.at(page);
    std::vector<uint8_t> rgba(static_cast<size_t>(size.width * size.height * 4), 0);
    for (const SheetRun& run : layout.runs) {
        if (run.page != page) continue;
        for (int64_t i = 0; i < run.count; ++i) {
            const FrameSpot spot = layout.Spot(run, i);
            PutFrame(sprite, run.firstFrame + i, spot.x, spot.y, size.width, layout, rgba.data());
            Extrude(spot.x, spot.y, size.width, layout, rgba.data());
        }
    }
    return rgba;
}

ExportFiles ExportSprite(const SpriteImage& sprite, const ExportOptions& options) {
    ExportFiles files;
    LayoutOptions layoutOptions = options.layout;
    layoutOptions.scale = options.scale;
    std::optional<SheetLayout> layout = LayOutSheet(sprite, layoutOptions, &files.error);
    if (!layout) return files;
    files.layout = std::move(*layout);
    if (files.layout.runs.empty()) {
        files.error = "the sprite has no frames to export";
        return files;
    }
    for (const SheetPage& page : files.layout.pages)
        if (page.width * page.height > kMaxSheetPixels) {
            files.error = PageSizeError(page);
            return files;
        }
    for (size_t p = 0; p < files.layout.pages.size(); ++p) {
        const SheetPage& page = files.layout.pages[p];
        std::optional<std::vector<uint8_t>> png =
            EncodePngRgba(SheetRgba(sprite, files.layout, int(p)), static_cast<int>(page.width),
                          static_cast<int>(page.height), &files.error);
        if (!png) return files;
        files.pages.push_back(std::move(*png));
    }
    for (int d = 0; options.gifs && d < SPRITE_DIRECTIONS; ++d) {
        if (sprite.header.counts[d] == 0) continue;
        const int delay =
            options.directionDelayMs[d] != 0 ? options.directionDelayMs[d] : options.delayMs;
        std::optional<std::vector<uint8_t>> gif =
            EncodeDirectionGif(sprite, d, delay, &files.error);
        if (!gif) return files;
        files.gifs.emplace_back(DirectionKey(d) + ".gif", std::move(*gif));
    }
    return files;
}
