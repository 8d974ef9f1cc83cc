#pragma once
// Opening a picture of any kind the editor reads. The file's first bytes
// decide the decoder, never its name: a PNG saved as "frame.pcx" still reads
// as PNG.

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/pixel_target.h"

enum class PictureKind { Unknown, Pcx, Png };

// Enough leading bytes to tell every kind apart.
constexpr size_t kPictureSniffBytes = 8;

struct PictureSize {
    int32_t width = 0;
    int32_t height = 0;
};

PictureKind SniffPicture(const uint8_t* bytes, size_t size);

// Reads the first bytes only; Unknown when the file cannot be opened.
PictureKind SniffPictureFile(const std::string& path);

// 0 x 0 when the file cannot be opened, is of no known kind or is refused.
PictureSize GetPictureSize(const std::string& path);

// Decode into the block as the kind's reader does (see formats/pcx.h and
// formats/png.h for clipping and what a failure leaves in the block). False
// for a file of no known kind, with the block untouched.
bool DecodePictureFile(const uint8_t* bytes, size_t size, const PixelTarget& dest);
bool LoadPicture(uint16_t* dest, int pitch, int destWidth, int destRows, const std::string& path);
