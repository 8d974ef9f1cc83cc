#pragma once
// Opening a picture of any kind the editor reads. The file's first bytes
// decide the decoder, never its name: a PNG saved as "frame.pcx" still reads
// as PNG. Every refusal and shortfall comes with a reason for the user: the
// system's own text when the file cannot be read (missing, no permission, a
// folder), else the decoder's.

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

// What the header says: the size of a picture that can be read (at least
// 1 x 1), or why the file cannot be.
struct PictureCheck {
    PictureSize size;     // 0 x 0 when refused
    std::string refusal;  // empty when readable
    bool Readable() const { return refusal.empty(); }
};

enum class PictureStatus {
    Complete,
    Incomplete,  // decoded as far as the file allowed; the rest of the block is 0
    Refused,     // the block is untouched
};

struct PictureLoad {
    PictureStatus status = PictureStatus::Refused;
    std::string reason;  // why refused or incomplete; empty when complete
};

PictureKind SniffPicture(const uint8_t* bytes, size_t size);

// Reads the first bytes only; Unknown when the file cannot be opened.
PictureKind SniffPictureFile(const std::string& path);

// Read the header only.
PictureCheck CheckPicture(const uint8_t* bytes, size_t size);
PictureCheck CheckPictureFile(const std::string& path);
// 0 x 0 when the file is refused.
PictureSize GetPictureSize(const std::string& path);

// Decode into the block as the kind's reader does (see formats/pcx.h and
// formats/png.h for clipping and what a shortfall leaves in the block).
PictureLoad DecodePicture(const uint8_t* bytes, size_t size, const PixelTarget& dest);
PictureLoad LoadPictureFile(const std::string& path, const PixelTarget& dest);
// The same, true only for a complete picture.
bool DecodePictureFile(const uint8_t* bytes, size_t size, const PixelTarget& dest);
bool LoadPicture(uint16_t* dest, int pitch, int destWidth, int destRows, const std::string& path);
