#pragma once
// Building a sprite file from pictures without the editor, byte for byte the
// file the editor writes for the same frames and key colour.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/colour.h"
#include "formats/sprite_file.h"

struct KeyColour {
    uint8_t red = 0, green = 0, blue = 0;
};

struct BuildRequest {
    std::string output;  // the file being built, named in messages about it
    int width = 0;       // of every frame; ignored for a single sprite
    int height = 0;
    // Picture paths per direction, in file order.
    std::array<std::vector<std::string>, SPRITE_DIRECTIONS> pictures;
    std::string singlePicture;  // set: build the one-frame single sprite
    KeyColour key;
    bool strict = false;   // key collisions are errors
    ColourOptions colour;  // dithering, matte and alpha threshold, as in the editor
};

struct BuildOutcome {
    std::vector<uint8_t> bytes;         // the file; empty when it failed
    std::vector<std::string> errors;    // "subject: text"
    std::vector<std::string> warnings;  // "subject: text"
};

// The editor gathers a direction only when its range spans 3 frames or more.
constexpr int MIN_DIRECTION_FRAMES = 3;

// Every picture the request reads.
std::vector<std::string> PicturesOf(const BuildRequest& request);

// Needs the 5-6-5 colour tables (UseFileColourTables).
BuildOutcome BuildSprite(const BuildRequest& request);
