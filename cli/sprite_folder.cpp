#include "cli/sprite_folder.h"

#include <spng.h>

#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/commands.h"
#include "cli/export.h"
#include "cli/picture_source.h"
#include "cli/version.h"
#include "formats/colour.h"

namespace {

using json = nlohmann::ordered_json;

// More frames than any editor session gathers; only bounds what a hand-edited
// sprite.json may ask for.
constexpr int64_t kMaxDirectionFrames = 100000;

struct ContextFree {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};

std::vector<uint8_t> FrameRgba(const SpriteImage& sprite, int64_t frame, bool keepKey) {
    const int64_t count = sprite.FramePixels();
    const uint16_t* in = sprite.Frame(frame);
    std::vector<uint8_t> rgba(static_cast<size_t>(count) * 4);
    for (int64_t i = 0; i < count; ++i) {
        const uint32_t colour =
            keepKey ? ExpandPixel(in[i]) | 0xFF000000u : PixelToRgba(in[i], sprite.keyColour);
        std::memcpy(&rgba[static_cast<size_t>(i) * 4], &colour, 4);
    }
    return rgba;
}

// RGBA of a PNG that must be `width` x `height`; checked before decoding.
std::optional<std::vector<uint8_t>> DecodeFramePng(const std::vector<uint8_t>& file, int width,
                                                   int height, std::string* error) {
    std::unique_ptr<spng_ctx, ContextFree> context(spng_ctx_new(0));
    if (!context) {
        *error = "out of memory starting the PNG decoder";
        return std::nullopt;
    }
    spng_set_chunk_limits(context.get(), 1 << 20, 8 << 20);
    spng_ihdr ihdr{};
    int result = spng_set_png_buffer(context.get(), file.data(), file.size());
    if (result == 0) result = spng_get_ihdr(context.get(), &ihdr);
    if (result != 0) {
        *error = std::string("not a PNG this program reads: ") + spng_strerror(result);
        return std::nullopt;
    }
    if (ihdr.width != static_cast<uint32_t>(width) ||
        ihdr.height != static_cast<uint32_t>(height)) {
        *error = "the picture is " + std::to_string(ihdr.width) + " x " +
                 std::to_string(ihdr.height) + ", the frames are " + std::to_string(width) + " x " +
                 std::to_string(height);
        return std::nullopt;
    }
    std::vector<uint8_t> rgba(size_t{ihdr.width} * ihdr.height * 4);
    result = spng_decode_image(context.get(), rgba.data(), rgba.size(), SPNG_FMT_RGBA8,
                               SPNG_DECODE_TRNS);
    if (result != 0) {
        *error = std::string("damaged PNG: ") + spng_strerror(result);
        return std::nullopt;
    }
    return rgba;
}

// The colours unpack writes widen their pixels by repeating the top bits;
// dithering leaves those alone, so an untouched frame builds back as it was.
bool IsWidenedPixel(const uint8_t* p) {
    const uint32_t widened = ExpandPixel(PackRgb(p[0], p[1], p[2]));
    return p[3] == 255 && widened == (uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16);
}

// Appends the frame's 5-6-5 pixels; counts opaque pixels that are not the
// key's colour yet pack to it.
size_t PackFrame(const std::vector<uint8_t>& rgba, int width, const KeyColour& key,
                 const ColourOptions& options, std::vector<uint16_t>& pixels) {
    const uint16_t keyPixel = PackRgb(key.red, key.green, key.blue);
    const ColourConverter colour(options, keyPixel);
    size_t collisions = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const uint8_t* p = &rgba[i];
        if (p[3] < options.alphaThreshold) {
            pixels.push_back(keyPixel);
            continue;
        }
        const int at = static_cast<int>(i / 4);
        const uint16_t packed = options.dither && IsWidenedPixel(p)
                                    ? PackRgb(p[0], p[1], p[2])
                                    : colour.PackRgba(p, at % width, at / width);
        if (packed == keyPixel && (p[0] != key.red || p[1] != key.green || p[2] != key.blue))
            ++collisions;
        pixels.push_back(packed);
    }
    return collisions;
}

bool ReadCount(const json& value, int64_t high, int64_t* out) {
    if (!value.is_number_integer()) return false;
    *out = value.get<int64_t>();
    return *out >= 0 && *out <= high;
}

bool ReadKey(const json& key, KeyColour* out) {
    int64_t channels[3];
    const char* names[3] = {"red", "green", "blue"};
    for (int i = 0; i < 3; ++i)
        if (!key.is_object() || !key.contains(names[i]) ||
            !ReadCount(key[names[i]], 255, &channels[i]))
            return false;
    *out = {static_cast<uint8_t>(channels[0]), static_cast<uint8_t>(channels[1]),
            static_cast<uint8_t>(channels[2])};
    return true;
}

bool ReadCounts(const json& directions, SpriteCounts* counts, std::string* error) {
    if (!directions.is_object()) {
        *error = "\"directions\" must map direction names to frame counts";
        return false;
    }
    for (const auto& [name, value] : directions.items()) {
        int d = 0;
        while (d < SPRITE_DIRECTIONS && DirectionKey(d) != name) ++d;
        int64_t count = 0;
        if (d == SPRITE_DIRECTIONS || !ReadCount(value, kMaxDirectionFrames, &count)) {
            *error = "\"directions\": '" + name + "' is not a direction with 0 to " +
                     std::to_string(kMaxDirectionFrames) + " frames";
            return false;
        }
        (*counts)[d] = static_cast<int32_t>(count);
    }
    return true;
}

}  // namespace

std::string FramePngName(int direction, int64_t index) {
    return DirectionKey(direction) + "_" + std::to_string(index) + ".png";
}

std::string DescribeFolderJson(const SpriteImage& sprite) {
    const uint32_t key = ExpandPixel(sprite.keyColour);
    json directions = json::object();
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d)
        directions[DirectionKey(d)] = sprite.header.counts[d];
    const json description = {
        {"app", "celforge-spr"},
        {"version", CELFORGE_SPR_VERSION},
        {"type", sprite.header.type == SPRITE_SINGLE ? "single" : "animation"},
        {"width", sprite.header.width},
        {"height", sprite.header.height},
        {"key", {{"red", key & 255}, {"green", key >> 8 & 255}, {"blue", key >> 16 & 255}}},
        {"directions", directions}};
    return description.dump(2) + "\n";
}

std::optional<FolderDescription> ParseFolderJson(const std::string& text, std::string* error) {
    const json root = json::parse(text, nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        *error = "not a JSON object";
        return std::nullopt;
    }
    FolderDescription folder;
    const json type = root.value("type", json());
    if (type != "animation" && type != "single") *error = "\"type\" must be animation or single";
    int64_t width = 0, height = 0;
    if (!ReadCount(root.value("width", json()), SPRITE_MAX_WIDTH, &width) || width == 0 ||
        !ReadCount(root.value("height", json()), SPRITE_MAX_HEIGHT, &height) || height == 0)
        *error = "\"width\" must be 1 to 640 and \"height\" 1 to 480";
    if (!ReadKey(root.value("key", json()), &folder.key))
        *error = "\"key\" must hold red, green and blue, each 0 to 255";
    if (!error->empty() || !ReadCounts(root.value("directions", json()), &folder.counts, error))
        return std::nullopt;
    folder.type = type == "single" ? SPRITE_SINGLE : SPRITE_ANIMATION;
    folder.width = static_cast<int>(width);
    folder.height = static_cast<int>(height);
    if (folder.type == SPRITE_SINGLE && folder.counts != SpriteCounts{1, 0, 0, 0, 0, 0, 0, 0, 0}) {
        *error = "a single sprite has one NoDirection frame and no other";
        return std::nullopt;
    }
    return folder;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> UnpackSprite(const SpriteImage& sprite,
                                                                       bool keepKey,
                                                                       std::string* error) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    int64_t frame = 0;
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d) {
        for (int64_t i = 0; i < sprite.header.counts[d]; ++i, ++frame) {
            std::optional<std::vector<uint8_t>> png =
                EncodePngRgba(FrameRgba(sprite, frame, keepKey), sprite.header.width,
                              sprite.header.height, error);
            if (!png) return {};
            files.emplace_back(FramePngName(d, i), std::move(*png));
        }
    }
    const std::string description = DescribeFolderJson(sprite);
    files.emplace_back(SPRITE_FOLDER_JSON,
                       std::vector<uint8_t>(description.begin(), description.end()));
    return files;
}

BuildOutcome BuildFromFolder(const std::string& folder, bool strict, const ColourOptions& options) {
    BuildOutcome outcome;
    const std::string jsonPath = folder + "/" + SPRITE_FOLDER_JSON;
    const std::optional<std::vector<uint8_t>> text = ReadFileBytes(jsonPath);
    std::string error = text ? "" : "cannot read the file";
    const std::optional<FolderDescription> description =
        text ? ParseFolderJson(std::string(text->begin(), text->end()), &error) : std::nullopt;
    if (!description) {
        outcome.errors.push_back(jsonPath + ": " + error);
        return outcome;
    }
    std::vector<uint16_t> pixels;
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d) {
        for (int64_t i = 0; i < description->counts[d]; ++i) {
            const std::string path = folder + "/" + FramePngName(d, i);
            const std::optional<std::vector<uint8_t>> file = ReadFileBytes(path);
            error = file ? "" : "cannot read the file";
            const std::optional<std::vector<uint8_t>> rgba =
                file ? DecodeFramePng(*file, description->width, description->height, &error)
                     : std::nullopt;
            if (!rgba) {
                outcome.errors.push_back(path + ": " + error);
                return outcome;
            }
            const size_t collisions =
                PackFrame(*rgba, description->width, description->key, options, pixels);
            if (collisions == 0) continue;
            const std::string text =
                std::to_string(collisions) +
                (collisions == 1 ? " opaque pixel turns" : " opaque pixels turn") +
                " transparent, their colours packing to the key's 5-6-5 value";
            (strict ? outcome.errors : outcome.warnings)
                .push_back(path + (strict ? ": " : ": warning: ") + text);
        }
    }
    if (!outcome.errors.empty()) return outcome;
    const KeyColour& key = description->key;
    const SpriteFileHeader header =
        MakeSpriteHeader(description->type, description->width, description->height,
                         PackRgb(key.red, key.green, key.blue), description->counts);
    outcome.bytes = EncodeSpriteFile(header, {{pixels.data(), pixels.size()}});
    return outcome;
}

std::optional<SpriteImage> ReadSpriteFile(const std::string& path, std::ostream& err) {
    const std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path);
    if (!bytes) {
        Report(err, path, "cannot read the file");
        return std::nullopt;
    }
    SpriteReadResult read = ReadSprite(bytes->data(), bytes->size());
    for (const std::string& problem : read.problems) Report(err, path, problem);
    return std::move(read.sprite);
}
