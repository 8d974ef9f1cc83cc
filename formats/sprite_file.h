#pragma once
// The sprite file (.Spr): a 91-byte little-endian header and the frames'
// 16-bit display pixels, direction after direction, uncompressed. An
// animation sprite (type 1) holds the direction strips gathered at the
// freeze; a single sprite (type 2) holds one picture as its one frame.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/editor_state.h"

class CPixmap;

enum SpriteType : int32_t { SPRITE_ANIMATION = 1, SPRITE_SINGLE = 2 };

#pragma pack(push, 1)
struct SpriteFileHeader {
    char szSignature[23];
    char szVersion[12];
    int32_t nSpriteType;
    int32_t nWidth;
    int32_t nHeight;
    int32_t nColorSystem;
    int32_t nKeyColor;
    int32_t nFrameCount[DIRECTION_COUNT];  // in file order
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

// The nine directions in the file's order: No Direction, then clockwise from
// Left. Each names its selector code (the index of g_directionRanges plus 1)
// and the freeze step at which its strip is gathered.
struct FileDirection {
    const char* name;
    int selector;
    int gatherStep;
};
extern const FileDirection FILE_DIRECTIONS[DIRECTION_COUNT];

// The freeze step that gathers the last strip and makes saving possible.
constexpr int FROZEN_STEP = 150;

SpriteFileHeader MakeSpriteHeader(SpriteType type, int width, int height, uint32_t keyColour,
                                  const std::array<int32_t, DIRECTION_COUNT>& counts);
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

// Writes the bytes to a new file in the target's folder and renames it over
// the target once every byte is on disk, so a failure never leaves the
// target truncated. A target that exists and is not a regular file (a
// device) is written in place. False when anything failed.
bool WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes);

// The save dialog for sprite files; nothing when the user cancels.
std::optional<std::string> AskSpriteFileName(const std::string& title);

// Fills the strip with the frames of the cells firstCell to lastCell, each
// width x height pixels cut from the source at the cell's origin. Never more
// frames than the strip holds; pixels outside the source block come out 0.
void GrabFrames(CPixmap& strip, const uint16_t* source, int pitch, int firstCell, int lastCell,
                int width, int height);

// At the gathering step of a direction, cuts its frames out of g_sheet into
// its strip (directions of fewer than 3 frames get none); at FROZEN_STEP it
// first sets g_phase to Frozen.
void GatherDirectionStrips();
// The strip of a direction, by file position; null when it has none.
const CPixmap* DirectionStrip(int filePosition);
// Drops every strip (tests, and the end of the process).
void ReleaseDirectionStrips();

// The header an animation save writes now: counts from the strips.
SpriteFileHeader AnimationSpriteHeader();

void SaveAnimationSprite();

extern const char* const SAVE_SPRITE_TITLE;
extern const char* const REPORT_CAPTION;
extern const char* const ERROR_CAPTION;
extern const char* const SAVE_FAILED_TEXT;
