#pragma once
// The sprite file (.Spr): a 91-byte little-endian header and the frames'
// 16-bit display pixels, direction after direction, uncompressed. An
// animation sprite (type 1) holds the direction strips gathered at the
// freeze; a single sprite (type 2) holds one picture as its one frame.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum SpriteType : int32_t { SPRITE_ANIMATION = 1, SPRITE_SINGLE = 2 };

// The file keeps nine directions: No Direction, then clockwise from Left.
constexpr int SPRITE_DIRECTIONS = 9;
extern const char* const SPRITE_DIRECTION_NAMES[SPRITE_DIRECTIONS];

#pragma pack(push, 1)
struct SpriteFileHeader {
    char szSignature[23];
    char szVersion[12];
    int32_t nSpriteType;
    int32_t nWidth;
    int32_t nHeight;
    int32_t nColorSystem;
    int32_t nKeyColor;
    int32_t nFrameCount[SPRITE_DIRECTIONS];  // in file order
};
#pragma pack(pop)

static_assert(sizeof(SpriteFileHeader) == 91, "the sprite header is 91 bytes");
static_assert(offsetof(SpriteFileHeader, szVersion) == 23, "version text at 23");
static_assert(offsetof(SpriteFileHeader, nSpriteType) == 35, "type at 35");
static_assert(offsetof(SpriteFileHeader, nWidth) == 39, "width at 39");
static_assert(offsetof(SpriteFileHeader, nHeight) == 43, "height at 43");
static_assert(offsetof(SpriteFileHeader, nColorSystem) == 47, "colour system at 47");
static_assert(offsetof(SpriteFileHeader, nKeyColor) == 51, "key colour at 51");
static_assert(offsetof(SpriteFileHeader, nFrameCount) == 55, "frame counts at 55");

constexpr size_t SPRITE_HEADER_SIZE = sizeof(SpriteFileHeader);
constexpr int SPRITE_COLOUR_BITS = 16;
extern const char SPRITE_SIGNATURE[23];
extern const char SPRITE_VERSION[6];

using SpriteCounts = std::array<int32_t, SPRITE_DIRECTIONS>;

SpriteFileHeader MakeSpriteHeader(SpriteType type, int width, int height, uint32_t keyColour,
                                  const SpriteCounts& counts);
std::array<uint8_t, SPRITE_HEADER_SIZE> EncodeSpriteHeader(const SpriteFileHeader& header);

// One direction's pixels as they go into the file.
struct PixelRun {
    const uint16_t* pixels;
    size_t count;
};
// The header bytes followed by every run's pixels, each a little-endian word.
std::vector<uint8_t> EncodeSpriteFile(const SpriteFileHeader& header,
                                      const std::vector<PixelRun>& runs);

// The information report shown before an animation sprite is written.
std::string FormatSpriteReport(const SpriteFileHeader& header);
