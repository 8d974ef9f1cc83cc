#pragma once
// Pictures as the editor sees them: the top-left corner of the picture as it
// lands in the editor's 640 x 480 buffer (cleared to 0, the picture clipped to
// it), in 5-6-5 pixels, and alongside the colours the file really holds.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/colour.h"
#include "formats/picture.h"

struct PictureCorner {
    int pictureWidth = 0;  // the picture's own size, from its header
    int pictureHeight = 0;
    int width = 0;  // the corner cut
    int height = 0;
    std::vector<uint16_t> pixels;  // 5-6-5, width x height
    std::vector<uint32_t> rgb;     // 0xRRGGBB, width x height
};

// Makes the colour tables 5-6-5; everything in this program packs that way.
void UseFileColourTables();

// The whole file read into memory; null when it cannot be read, with the
// system's reason in `why` when given.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path,
                                                  std::string* why = nullptr);

// The picture's size from its header (PCX or PNG, told apart by content);
// null when it is of no kind we read, refused, or empty.
std::optional<PictureSize> ReadPictureSize(const std::vector<uint8_t>& file);

// The corner of `width` x `height` (at most 640 x 480). Pixels the picture
// does not reach are 0. Null when the bytes are not a picture we read, or
// it is damaged or cut short; `why`, when given, then says which. `options`
// turn colours into pixels as they do in the editor, dithering clear of
// `keyPixel`; `rgb` holds the colours before packing (after the matte and
// the alpha threshold).
std::optional<PictureCorner> CutPictureCorner(const std::vector<uint8_t>& file, int width,
                                              int height, std::string* why = nullptr,
                                              const ColourOptions& options = {},
                                              uint16_t keyPixel = 0);

// An interlaced PNG is decoded through all its passes however little of it a
// frame takes, some 10 ns a pixel: beyond this it would be seconds a picture.
constexpr int64_t MAX_INTERLACED_PIXELS = int64_t{1} << 24;
// Why a picture is refused as too costly to cut a frame from; empty when it is
// not.
std::string CostlyPictureReason(const std::vector<uint8_t>& file);
