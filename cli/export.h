#pragma once
// Turning a sprite file into what game engines load: a PNG sheet, its JSON
// description and one looping GIF per direction.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/sprite_reader.h"

// One row per direction that has frames, in file order, frames left to right.
struct SheetCell {
    int direction;  // file position 0-8
    int64_t index;  // within its direction
    int64_t x, y;
};
struct SheetLayout {
    int64_t width = 0, height = 0;
    std::vector<SheetCell> cells;  // in the file's frame order
};
SheetLayout LayOutSheet(const SpriteImage& sprite);

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
std::string SheetJson(const SpriteImage& sprite, const SheetLayout& layout,
                      const std::string& imageName, int delayMs);
std::optional<std::vector<uint8_t>> EncodeDirectionGif(const SpriteImage& sprite, int direction,
                                                       int delayMs, std::string* error);

struct ExportOptions {
    std::string imageName;  // the PNG's file name, as the JSON refers to it
    int delayMs = 100;
    bool json = false;
    bool gifs = false;
};
struct ExportFiles {
    std::vector<uint8_t> png;
    std::string json;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> gifs;  // file name, bytes
    std::string error;  // set when nothing could be made
};
ExportFiles ExportSprite(const SpriteImage& sprite, const ExportOptions& options);
