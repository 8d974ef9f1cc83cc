#pragma once
// Turning a sprite file into what game engines load: PNG sheet pages, their
// description (JSON, Godot resources or a texture atlas) and one looping GIF
// per direction.

#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/sheet_layout.h"
#include "formats/sprite_reader.h"

// Names usable in file names and JSON keys: "NoDirection", "Left", ...
std::string DirectionKey(int direction);

// 5-6-5 to 8 bits a channel by bit replication (31 -> 255, 16 -> 132), so
// white stays white; the key colour becomes fully transparent black.
uint32_t ExpandPixel(uint16_t pixel);                // 0x00BBGGRR
uint32_t PixelToRgba(uint16_t pixel, uint16_t key);  // 0xAABBGGRR: bytes R, G, B, A
// One page of the sheet; extruded frames repeat their edge pixels outwards.
std::vector<uint8_t> SheetRgba(const SpriteImage& sprite, const SheetLayout& layout, int page = 0);

// Null, with `error` set, when the encoder fails.
std::optional<std::vector<uint8_t>> EncodePngRgba(const std::vector<uint8_t>& rgba, int width,
                                                  int height, std::string* error);
std::optional<std::vector<uint8_t>> EncodeDirectionGif(const SpriteImage& sprite, int direction,
                                                       int delayMs, std::string* error);

// Per direction (file position 0-8): the frame time, and the pivot in
// sprite pixels when one was given.
struct PivotPoint {
    double x, y;
};
struct DirectionSettings {
    std::array<int, SPRITE_DIRECTIONS> delayMs;
    std::array<std::optional<PivotPoint>, SPRITE_DIRECTIONS> pivot;
    static DirectionSettings Uniform(int delayMs);
};

// `frames` as an object keyed by frame name, as an array whose entries carry
// the name as `filename`, or as an object keyed by the frame's position in
// the file ("0", "1", ...) that frameTags' from and to count in.
enum class FrameList { Hash, Array, Aseprite };
struct SheetJsonOptions {
    std::string imageName;  // the PNG's file name; bytes that are not UTF-8 become U+FFFD
    int delayMs = 100;
    FrameList form = FrameList::Hash;
    int page = 0;
    std::vector<std::string> otherPages;            // the other pages' JSON file names
    const DirectionSettings* directions = nullptr;  // null: delayMs for every frame
};
// One page's frames. Written as it goes: memory stays the same however many
// frames there are.
void WriteSheetJson(std::ostream& out, const SheetLayout& layout, const SheetJsonOptions& options);

// Godot's SpriteFrames text resource: one looping animation per direction
// with AtlasTexture regions on the sheet's pages, and a scene of one animated
// sprite per direction whose offset puts the pivot at the node's position.
enum class GodotVersion { Three, Four };
struct GodotOptions {
    GodotVersion version = GodotVersion::Four;
    std::vector<std::string> pageNames;  // relative to the resource
    std::string resourceName;            // relative to the scene
    const DirectionSettings* directions = nullptr;
};
void WriteGodotFrames(std::ostream& out, const SheetLayout& layout, const GodotOptions& options);
void WriteGodotScene(std::ostream& out, const SheetLayout& layout, const GodotOptions& options);

// The texture atlas text that libGDX and Spine read: every page, one region
// per frame named by its direction with its index in `index`.
void WriteTextureAtlas(std::ostream& out, const SheetLayout& layout,
                       const std::vector<std::string>& pageNames);

struct ExportOptions {
    int delayMs = 100;
    int scale = 1;
    bool gifs = false;
    LayoutOptions layout;                                   // its scale is this one's
    std::array<int, SPRITE_DIRECTIONS> directionDelayMs{};  // 0: delayMs
};
struct ExportFiles {
    SheetLayout layout;
    std::vector<std::vector<uint8_t>> pages;                         // PNG bytes
    std::vector<std::pair<std::string, std::vector<uint8_t>>> gifs;  // file name, bytes
    std::string error;  // set when nothing could be made
};
ExportFiles ExportSprite(const SpriteImage& sprite, const ExportOptions& options);
