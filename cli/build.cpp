#include "cli/build.h"

#include <cstdio>
#include <map>

#include "cli/picture_source.h"
#include "formats/colour.h"
#include "formats/sprite_reader.h"

namespace {

struct Frame {
    std::string path;
    PictureCorner corner;
};

std::string HexColour(uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", rgb);
    return text;
}

// Pixels whose colour is not the key's but packs to the key's 5-6-5 value:
// a game would draw them transparent.
std::optional<std::string> DescribeCollisions(const PictureCorner& corner, uint16_t keyPixel,
                                              uint32_t keyRgb) {
    std::map<uint32_t, size_t> colours;
    size_t total = 0;
    for (size_t i = 0; i < corner.pixels.size(); ++i) {
        if (corner.pixels[i] != keyPixel || corner.rgb[i] == keyRgb) continue;
        ++colours[corner.rgb[i]];
        ++total;
    }
    if (total == 0) return std::nullopt;
    std::string text = std::to_string(total) + (total == 1 ? " pixel turns" : " pixels turn") +
                       " transparent, their colours packing to the key's 5-6-5 value:";
    size_t listed = 0;
    for (const auto& [rgb, count] : colours) {
        if (listed++ == 8) {
            text += " and " + std::to_string(colours.size() - 8) + " more colours";
            break;
        }
        text += " " + HexColour(rgb) + " x" + std::to_string(count);
    }
    return text;
}

uint16_t KeyPixel(const KeyColour& key) {
    return PackRgb(key.red, key.green, key.blue);
}

std::optional<Frame> LoadFrame(const std::string& path, int width, int height,
                               const BuildRequest& request, BuildOutcome& outcome) {
    std::string why;
    const std::optional<std::vector<uint8_t>> file = ReadFileBytes(path, &why);
    if (!file) {
        outcome.errors.push_back(path + ": cannot read the file: " + why);
        return std::nullopt;
    }
    const std::string costly = CostlyPictureReason(*file);
    if (!costly.empty()) {
        outcome.errors.push_back(path + ": " + costly);
        return std::nullopt;
    }
    std::optional<PictureCorner> corner =
        CutPictureCorner(*file, width, height, &why, request.colour, KeyPixel(request.key));
    if (!corner) {
        outcome.errors.push_back(path + ": " + why);
        return std::nullopt;
    }
    return Frame{path, std::move(*corner)};
}

void CheckCollisions(const std::vector<Frame>& frames, const KeyColour& key, bool strict,
                     BuildOutcome& outcome) {
    const uint16_t keyPixel = PackRgb(key.red, key.green, key.blue);
    const uint32_t keyRgb = uint32_t{key.red} << 16 | uint32_t{key.green} << 8 | key.blue;
    for (const Frame& frame : frames) {
        const std::optional<std::string> text = DescribeCollisions(frame.corner, keyPixel, keyRgb);
        if (!text) continue;
        if (strict)
            outcome.errors.push_back(frame.path + ": " + *text);
        else
            outcome.warnings.push_back(frame.path + ": warning: " + *text);
    }
}

void AppendPixels(const std::vector<Frame>& frames, std::vector<uint16_t>& pixels) {
    for (const Frame& frame : frames)
        pixels.insert(pixels.end(), frame.corner.pixels.begin(), frame.corner.pixels.end());
}

// The single-sprite window refuses pictures over 640 x 480 and takes the
// whole picture as the frame.
std::optional<Frame> LoadSingleFrame(const std::string& path, const BuildRequest& request,
                                     BuildOutcome& outcome) {
    std::string why;
    const std::optional<std::vector<uint8_t>> file = ReadFileBytes(path, &why);
    const std::optional<PictureSize> size = file ? ReadPictureSize(*file) : std::nullopt;
    if (size && (size->width > SPRITE_MAX_WIDTH || size->height > SPRITE_MAX_HEIGHT)) {
        outcome.errors.push_back(path + ": the picture is " + std::to_string(size->width) + " x " +
                                 std::to_string(size->height) +
                                 ", a single sprite is at most 640 x 480");
        return std::nullopt;
    }
    if (file && !size) why = CheckPicture(file->data(), file->size()).refusal;
    std::optional<PictureCorner> corner =
        size ? CutPictureCorner(*file, size->width, size->height, &why, request.colour,
                                KeyPixel(request.key))
             : std::nullopt;
    if (!corner) {
        outcome.errors.push_back(path + (file ? ": " : ": cannot read the file: ") + why);
        return std::nullopt;
    }
    return Frame{path, std::move(*corner)};
}

BuildOutcome BuildSingle(const BuildRequest& request) {
    BuildOutcome outcome;
    std::optional<Frame> frame = LoadSingleFrame(request.singlePicture, request, outcome);
    if (!frame) return outcome;
    std::vector<Frame> frames;
    frames.push_back(std::move(*frame));
    const PictureCorner& corner = frames[0].corner;
    CheckCollisions(frames, request.key, request.strict, outcome);
    if (!outcome.errors.empty()) return outcome;
    const uint16_t key = PackRgb(request.key.red, request.key.green, request.key.blue);
    const SpriteFileHeader header = MakeSpriteHeader(SPRITE_SINGLE, corner.width, corner.height,
                                                     key, {1, 0, 0, 0, 0, 0, 0, 0, 0});
    const std::vector<uint16_t>& pixels = frames[0].corner.pixels;
    outcome.bytes = EncodeSpriteFile(header, {{pixels.data(), pixels.size()}});
    return outcome;
}

}  // namespace

std::vector<std::string> PicturesOf(const BuildRequest& request) {
    std::vector<std::string> paths;
    if (!request.singlePicture.empty()) paths.push_back(request.singlePicture);
    for (const std::vector<std::string>& direction : request.pictures)
        paths.insert(paths.end(), direction.begin(), direction.end());
    return paths;
}

BuildOutcome BuildSprite(const BuildRequest& request) {
    if (!request.singlePicture.empty()) return BuildSingle(request);
    BuildOutcome outcome;
    std::array<std::vector<Frame>, SPRITE_DIRECTIONS> frames;
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d) {
        for (const std::string& path : request.pictures[d]) {
            std::optional<Frame> frame =
                LoadFrame(path, request.width, request.height, request, outcome);
            if (frame) frames[d].push_back(std::move(*frame));
        }
    }
    if (!outcome.errors.empty()) return outcome;
    SpriteCounts counts{};
    std::vector<uint16_t> pixels;
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d) {
        const int given = static_cast<int>(frames[d].size());
        if (given > 0 && given < MIN_DIRECTION_FRAMES) {
            outcome.warnings.push_back(request.output + ": warning: " + SPRITE_DIRECTION_NAMES[d] +
                                       " has " + std::to_string(given) +
                                       " frames and is left out: a " +
                                       "direction needs at least 3 frames");
            continue;
        }
        counts[d] = given;
        CheckCollisions(frames[d], request.key, request.strict, outcome);
        AppendPixels(frames[d], pixels);
    }
    if (pixels.empty())
        outcome.errors.push_back(request.output +
                                 ": no direction has 3 frames or more, nothing to build");
    if (!outcome.errors.empty()) return outcome;
    const uint16_t key = PackRgb(request.key.red, request.key.green, request.key.blue);
    const SpriteFileHeader header =
        MakeSpriteHeader(SPRITE_ANIMATION, request.width, request.height, key, counts);
    outcome.bytes = EncodeSpriteFile(header, {{pixels.data(), pixels.size()}});
    return outcome;
}
