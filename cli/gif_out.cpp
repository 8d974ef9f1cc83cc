#include <gif_lib.h>

#include <algorithm>

#include "cli/export.h"

namespace {

// Up to 255 distinct colours in a direction are kept exactly; beyond that
// every colour goes to the nearest of a fixed 6 x 7 x 6 cube (252 colours,
// green finest as the eye is most sensitive to it). The last index is the
// key colour, transparent.
struct GifPalette {
    std::vector<GifColorType> colours;
    int transparent = 0;
    std::vector<uint8_t> indexOf = std::vector<uint8_t>(65536, 0);  // by 5-6-5 pixel
};

constexpr int kCubeRed = 6, kCubeGreen = 7, kCubeBlue = 6;

GifColorType ColourOf(uint16_t pixel) {
    const uint32_t rgba = ExpandPixel(pixel);
    return {static_cast<GifByteType>(rgba), static_cast<GifByteType>(rgba >> 8),
            static_cast<GifByteType>(rgba >> 16)};
}

int Level(int channel, int levels) {
    return (channel * (levels - 1) + 127) / 255;
}

void FillCube(GifPalette& palette, const std::vector<bool>& used) {
    for (int r = 0; r < kCubeRed; ++r)
        for (int g = 0; g < kCubeGreen; ++g)
            for (int b = 0; b < kCubeBlue; ++b)
                palette.colours.push_back({static_cast<GifByteType>(r * 255 / (kCubeRed - 1)),
                                           static_cast<GifByteType>(g * 255 / (kCubeGreen - 1)),
                                           static_cast<GifByteType>(b * 255 / (kCubeBlue - 1))});
    for (uint32_t p = 0; p < used.size(); ++p) {
        if (!used[p]) continue;
        const GifColorType c = ColourOf(static_cast<uint16_t>(p));
        palette.indexOf[p] = static_cast<uint8_t>(
            (Level(c.Red, kCubeRed) * kCubeGreen + Level(c.Green, kCubeGreen)) * kCubeBlue +
            Level(c.Blue, kCubeBlue));
    }
}

GifPalette MakePalette(const SpriteImage& sprite, int direction) {
    std::vector<bool> used(65536, false);
    const int64_t first = sprite.FirstFrameOf(direction);
    const uint16_t* pixels = sprite.Frame(first);
    const int64_t count = sprite.header.counts[direction] * sprite.FramePixels();
    for (int64_t i = 0; i < count; ++i) used[pixels[i]] = true;
    used[sprite.keyColour] = false;
    GifPalette palette;
    if (std::count(used.begin(), used.end(), true) <= 255) {
        for (uint32_t p = 0; p < used.size(); ++p) {
            if (!used[p]) continue;
            palette.indexOf[p] = static_cast<uint8_t>(palette.colours.size());
            palette.colours.push_back(ColourOf(static_cast<uint16_t>(p)));
        }
    } else {
        FillCube(palette, used);
    }
    palette.transparent = static_cast<int>(palette.colours.size());
    palette.indexOf[sprite.keyColour] = static_cast<uint8_t>(palette.transparent);
    palette.colours.resize(size_t{1} << GifBitSize(palette.transparent + 1), GifColorType{0, 0, 0});
    return palette;
}

int AppendToVector(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

bool PutLoopForever(GifFileType* gif) {
    const GifByteType loop[3] = {1, 0, 0};  // sub-block 1, repeat count 0: forever
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
           EGifPutExtensionBlock(gif, 3, loop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
}

bool PutFrame(GifFileType* gif, const SpriteImage& sprite, int64_t frame, const GifPalette& palette,
              int delayMs) {
    GraphicsControlBlock control{};
    // Each frame replaces the last, transparent pixels included.
    control.DisposalMode = DISPOSE_BACKGROUND;
    control.DelayTime = std::max(1, (delayMs + 5) / 10);
    control.TransparentColor = palette.transparent;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    const int w = sprite.header.width, h = sprite.header.height;
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_OK ||
        EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) != GIF_OK)
        return false;
    std::vector<GifPixelType> line(static_cast<size_t>(w));
    const uint16_t* pixels = sprite.Frame(frame);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) line[x] = palette.indexOf[pixels[int64_t{y} * w + x]];
        if (EGifPutLine(gif, line.data(), w) != GIF_OK) return false;
    }
    return true;
}

bool PutAnimation(GifFileType* gif, const SpriteImage& sprite, int direction, int delayMs) {
    const GifPalette palette = MakePalette(sprite, direction);
    ColorMapObject* map =
        GifMakeMapObject(static_cast<int>(palette.colours.size()), palette.colours.data());
    if (map == nullptr) return false;
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, sprite.header.width, sprite.header.height, 8,
                                palette.transparent, map) == GIF_OK;
    GifFreeMapObject(map);
    ok = ok && PutLoopForever(gif);
    const int64_t first = sprite.FirstFrameOf(direction);
    for (int64_t f = 0; ok && f < sprite.header.counts[direction]; ++f)
        ok = PutFrame(gif, sprite, first + f, palette, delayMs);
    return ok;
}

}  // namespace

std::optional<std::vector<uint8_t>> EncodeDirectionGif(const SpriteImage& sprite, int direction,
                                                       int delayMs, std::string* error) {
    std::vector<uint8_t> bytes;
    int code = 0;
    GifFileType* gif = EGifOpen(&bytes, AppendToVector, &code);
    if (gif == nullptr) {
        *error = std::string("GIF encoder: ") + GifErrorString(code);
        return std::nullopt;
    }
    const bool written = PutAnimation(gif, sprite, direction, delayMs);
    if (!written) code = gif->Error;
    int closeCode = 0;
    const bool closed = EGifCloseFile(gif, &closeCode) == GIF_OK;
    if (written && !closed) code = closeCode;
    if (!written || !closed) {
        *error = std::string("GIF encoder: ") + GifErrorString(code);
        return std::nullopt;
    }
    return bytes;
}
