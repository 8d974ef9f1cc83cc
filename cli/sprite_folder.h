#pragma once
// A sprite as a folder an artist can retouch: one PNG per frame, named
// <Direction>_<index>.png, and sprite.json with the frame size, the key
// colour and each direction's frame count. Building from the folder gives
// the sprite file back byte for byte.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/build.h"
#include "formats/sprite_reader.h"

constexpr const char* SPRITE_FOLDER_JSON = "sprite.json";

// The PNG of a frame: <Direction>_<index>.png ("Left_0.png").
std::string FramePngName(int direction, int64_t index);

// Every file of the folder (name, bytes), sprite.json last. Key-coloured
// pixels are transparent unless `keepKey`. Empty, with `error` set, when a
// PNG cannot be encoded.
std::vector<std::pair<std::string, std::vector<uint8_t>>> UnpackSprite(const SpriteImage& sprite,
                                                                       bool keepKey,
                                                                       std::string* error);

// What sprite.json says.
struct FolderDescription {
    SpriteType type = SPRITE_ANIMATION;
    int width = 0, height = 0;
    KeyColour key;
    SpriteCounts counts{};
};
std::string DescribeFolderJson(const SpriteImage& sprite);
std::optional<FolderDescription> ParseFolderJson(const std::string& text, std::string* error);

// The file from a folder unpack wrote, or one retouched since: transparent
// pixels (alpha below the options' threshold, 128 by default) get the key
// colour, others pack to 5-6-5 as the options say. Needs the 5-6-5 colour
// tables.
BuildOutcome BuildFromFolder(const std::string& folder, bool strict,
                             const ColourOptions& options = {});

// The sprite in a file; null when it cannot be read or has problems, each
// reported on `err`.
std::optional<SpriteImage> ReadSpriteFile(const std::string& path, std::ostream& err);
