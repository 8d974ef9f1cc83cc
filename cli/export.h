#pragma once
// Turning a sprite file into what game engines load: a PNG sheet, its JSON
// description and one looping GIF per direction.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/sprite_reader.h"

// One row per direction that has frames, in file order, frames left to right,
// each frame `scale` times its size. Rows, not cells, are kept, so the layout
// of a sprite of a million frames stays small.
struct SheetRow {
    int direction;       // file position 0-8
    int64_t count;       // frames in the row
    int64_t firstFrame;  // in the file's frame order
    int64_t y;
};
struct SheetLayout {
    int64_t width = 0, height = 0;
    int64_t cellWidth = 0, cellHeight = 0;
    int scale = 1;
    std::vector<SheetRow> rows;
};
constexpr int MAX_SHEET_SCALE = 8;
SheetLayout LayOutSheet(const SpriteImage& sprite, int scale = 1);

// Names usable in file names and JSON keys: "NoDirection", "Left", ...
std::string DirectionKey(int direction);

// 5-6-5 to 8 bits a channel by bit replication (31 -> 255, 16 -> 132), so
// white stays white; the key colour becomes fully transparent black.
uint32_t ExpandPixel(uint16_t pixel);                // 0x00BBGGRR
uint32_t PixelToRgba(uint16_t pixel, uint16_t key);  // 0xAABBGGRR: bytes R, G, B, A
std::vector<uint8_t> SheetRgba(const SpriteImage& sprite, const SheetLayout& layout);

// Null, with `error` set, when the encoder fails.
std::optional<std::vector<uint8_t>> EncodePngRgba(const std::vector<uint8_t>& rgba, int width,
                                                  int height, std::string* error);
std::optional<std::vector<uint8_t>> EncodeDirectionGif(const SpriteImage& sprite, int direction,
                                                       int delayMs, std::string* error);

// `frames` as an object keyed by frame name, or as an array whose entries
// carry the name as `filename`.
enum class FrameList { Hash, Array };
struct SheetJsonOptions {
    std::string imageName;  // the PNG's file name; bytes that are not UTF-8 become U+FFFD
    int delayMs = 100;
    FrameList form = FrameList::Hash;
};
// Written as it goes: memory stays the same however many frames there are.
void WriteSheetJson(std::ostream& out, const SheetLayout& layout, const SheetJsonOptions& options);

struct ExportOptions {
    int delayMs = 100;
    int scale = 1;
    bool gifs = false;
};
struct ExportFiles {
    SheetLayout layout;
    std::vector<uint8_t> png;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> gifs;  // file name, bytes
    std::string error;  // set when nothing could be made
};
ExportFiles ExportSprite(const SpriteImage& sprite, const ExportOptions& options);
