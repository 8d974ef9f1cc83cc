// thumbnail: a sprite's first frame as a PNG for file managers.

#include "cli/thumbnail.h"

#include <cstring>
#include <ostream>

#include "cli/commands.h"
#include "cli/export.h"
#include "cli/options.h"
#include "cli/output_files.h"
#include "cli/sprite_folder.h"
#include "formats/safe_file.h"

namespace {

const char* const kThumbnailHelp =
    "Usage: celforge-spr thumbnail [-s SIZE] FILE.Spr OUT.png|-\n"
    "Writes the first frame of the first direction that has frames (a single\n"
    "sprite's one frame), key colour transparent, scaled by a whole factor to fit\n"
    "SIZE x SIZE: enlarged as far as it fits, shrunk only when it is larger, always\n"
    "nearest-neighbour. A damaged file writes nothing and exits 1. OUT.png '-' writes\n"
    "the PNG to standard output; OUT.png may not be FILE.Spr by any name or link.\n"
    "  -s SIZE   1 to 4096 (default 128)\n";

int FirstStoredFrame(const SpriteImage& sprite) {
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d)
        if (sprite.header.counts[d] > 0) return d;
    return -1;
}

}  // namespace

ThumbnailScale FitThumbnail(int width, int height, int size) {
    const int longest = width > height ? width : height;
    if (longest <= size)
        return {width * (size / longest), height * (size / longest), size / longest, false};
    const int factor = (longest + size - 1) / size;
    return {(width + factor - 1) / factor, (height + factor - 1) / factor, factor, true};
}

std::optional<std::vector<uint8_t>> MakeThumbnail(const SpriteImage& sprite, int size,
                                                  std::string* error) {
    const int direction = FirstStoredFrame(sprite);
    if (direction < 0) {
        *error = "the sprite has no frames";
        return std::nullopt;
    }
    const uint16_t* frame = sprite.Frame(sprite.FirstFrameOf(direction));
    const int w = sprite.header.width;
    const ThumbnailScale scale = FitThumbnail(w, sprite.header.height, size);
    std::vector<uint8_t> rgba(size_t{4} * scale.width * scale.height);
    for (int y = 0; y < scale.height; ++y) {
        for (int x = 0; x < scale.width; ++x) {
            const int sx = scale.shrink ? x * scale.factor : x / scale.factor;
            const int sy = scale.shrink ? y * scale.factor : y / scale.factor;
            const uint32_t colour = PixelToRgba(frame[int64_t{sy} * w + sx], sprite.keyColour);
            std::memcpy(&rgba[(size_t{4} * y * scale.width) + 4 * size_t(x)], &colour, 4);
        }
    }
    return EncodePngRgba(rgba, scale.width, scale.height, error);
}

int RunThumbnail(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<ParsedArgs> parsed = ParseArgs(argv, {{"-s"}}, &error);
    if (parsed && parsed->help) {
        out << kThumbnailHelp;
        return EXIT_DONE;
    }
    std::optional<long> size = 128;
    if (parsed && parsed->Has("-s")) size = ParseCount(*parsed->One("-s"), 1, THUMBNAIL_MAX_SIZE);
    if (!size) error = "-s must be a whole number of pixels, 1 to 4096";
    if (parsed && parsed->plain.size() != 2) error = "give the sprite file and the PNG to write";
    if (!parsed || !error.empty()) return UsageError(err, "thumbnail", error);
    const std::string& path = parsed->plain[0];
    const std::string& target = parsed->plain[1];
    const std::string shared = FindSharedFile({path}, {target});
    if (!shared.empty()) return UsageError(err, "thumbnail", shared);
    const std::optional<SpriteImage> sprite = ReadSpriteFile(path, err);
    if (!sprite) return EXIT_BAD_INPUT;
    const std::optional<std::vector<uint8_t>> png =
        MakeThumbnail(*sprite, static_cast<int>(*size), &error);
    if (!png) {
        Report(err, path, error);
        return EXIT_BAD_INPUT;
    }
    if (target == STANDARD_OUTPUT) {
        out.write(reinterpret_cast<const char*>(png->data()),
                  static_cast<std::streamsize>(png->size()));
        return EXIT_DONE;
    }
    const WriteResult written = WriteFileReplacing(target, *png);
    if (!written) {
        Report(err, target, Describe(written));
        return EXIT_BAD_INPUT;
    }
    return EXIT_DONE;
}
