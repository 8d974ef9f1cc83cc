#pragma once
// Reading a sprite file (.Spr) back: the header's fields, every way they can
// disagree with each other or with the file's length, and the frames.
//
// Sizes are checked against the bytes actually there before anything is
// allocated, so a header that claims billions of frames costs nothing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/sprite_file.h"

// A frame is cut from a picture of at most 640 x 480.
constexpr int32_t SPRITE_MAX_WIDTH = 640;
constexpr int32_t SPRITE_MAX_HEIGHT = 480;

// The header's fields as they stand in the file, unchecked.
struct SpriteHeaderFields {
    std::string signature;  // all 23 bytes
    std::string version;    // all 12 bytes
    int32_t type = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t colourBits = 0;
    int32_t keyColour = 0;
    SpriteCounts counts{};
};

// Null when fewer than the header's 91 bytes are there.
std::optional<SpriteHeaderFields> ParseSpriteHeader(const uint8_t* bytes, size_t size);

// The length the header implies: 91 + 2 x width x height x frames. Unknown
// when a size or count is out of range (it could not be computed safely).
std::optional<uint64_t> ImpliedSpriteSize(const SpriteHeaderFields& header);

// Every problem with the header and with a file of `fileSize` bytes, one line
// each; empty when the file is sound.
std::vector<std::string> FindSpriteProblems(const SpriteHeaderFields& header, uint64_t fileSize);

struct SpriteImage {
    SpriteHeaderFields header;
    uint16_t keyColour = 0;
    std::vector<uint16_t> pixels;  // every frame, direction after direction

    int64_t FramePixels() const { return int64_t{header.width} * header.height; }
    int64_t FrameCount() const;
    // The first frame of a direction (file position 0-8) in the frame order.
    int64_t FirstFrameOf(int direction) const;
    const uint16_t* Frame(int64_t index) const { return pixels.data() + index * FramePixels(); }
};

struct SpriteReadResult {
    std::optional<SpriteImage> sprite;  // set when there are no problems
    std::vector<std::string> problems;
};

SpriteReadResult ReadSprite(const uint8_t* bytes, size_t size);
