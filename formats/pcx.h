#pragma once
// Reading PCX pictures into blocks of 16-bit display pixels.
//
// Accepted files: manufacturer 10, version 5, either three 8-bit planes (red,
// green, blue) or one 8-bit plane of palette indices with a 256-colour palette
// at the end of the file. Encoding byte 0 means the plane lines are stored as
// they are; any other value, run-length encoding. Each plane line is BytesPerLine
// bytes long; padding bytes past the picture's width are decoded and dropped.
// Runs are read as one continuous stream: a run that reaches past the end of a
// plane line goes on into the next plane line, as the format's own decoders
// do, so files from encoders that break runs at every line and files from
// encoders that do not both decode right.
//
// The decoders never read past the data they are given and never write outside
// the destination block: the picture is clipped to the block's width and rows.
// Pixels of the clipped area that the data does not reach (a truncated file)
// are set to 0, and the decode reports the file as cut short. A destination
// with a ColourConverter that dithers has every pixel packed through it.
//
// Files are read in bounded memory: the header first, then the image data
// through one fixed buffer, only as far as the destination's rows need, and a
// paletted file's palette by seeking to its tail. A file's size costs nothing.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "formats/pixel_target.h"

struct PcxSize {
    int32_t width = 0;
    int32_t height = 0;
};

// The 128-byte file header as laid out on disk (little-endian).
struct PcxHeader {
    uint8_t manufacturer;
    uint8_t version;
    uint8_t encoding;
    uint8_t bitsPerPixel;
    int16_t xMin;
    int16_t yMin;
    int16_t xMax;
    int16_t yMax;
    uint16_t horizontalDpi;
    uint16_t verticalDpi;
    uint8_t colourMap[48];
    uint8_t reserved;
    uint8_t planes;
    uint16_t bytesPerLine;
    uint16_t paletteInfo;
    uint16_t screenWidth;
    uint16_t screenHeight;
    uint8_t filler[54];
};
static_assert(sizeof(PcxHeader) == 128, "a PCX header is 128 bytes");

constexpr size_t kPcxHeaderSize = sizeof(PcxHeader);

// What an accepted header says about the image data that follows it.
struct PcxLayout {
    int32_t width = 0;
    int32_t height = 0;
    int planes = 0;         // 3: red, green, blue; 1: palette indices
    int bytesPerLine = 0;   // of one plane line; never below the width
    bool runLength = true;  // false: plane lines stored uncompressed
    // 256 red, green, blue triples for one-plane pictures; null when the file
    // has none (every index then stands for black). The header does not say
    // where it is, so `ReadPcxLayout` leaves it null and the decoders of whole
    // files look for it at the file's end.
    const uint8_t* palette = nullptr;
};

// Why a header was refused, in the order the checks are made.
enum class PcxRefusal {
    None,
    TooShort,              // fewer than 128 bytes
    Manufacturer,          // byte 0 is not 10
    Version,               // byte 1 is not 5
    BitsPerPixel,          // not 8 bits per pixel in each plane
    Planes,                // neither three colour planes nor one of indices
    NoPixels,              // Xmax below Xmin or Ymax below Ymin
    LineShorterThanWidth,  // BytesPerLine below Xmax - Xmin + 1
};

const char* PcxRefusalText(PcxRefusal refusal);

// A header's layout, or the reason it was refused.
struct PcxLayoutOr {
    PcxRefusal refusal = PcxRefusal::None;
    PcxLayout layout;  // meaningful only when accepted
    bool Accepted() const { return refusal == PcxRefusal::None; }
};

// What an accepted file lacked; the pixels it did not reach are 0.
enum class PcxShortfall {
    None,
    RowsCutShort,    // the image data ended before the rows the destination takes
    PaletteMissing,  // a one-plane file without the palette marker 769 bytes from its end
    ReadFailed,      // reading the file failed
};

const char* PcxShortfallText(PcxShortfall shortfall);

// A decode's result: refused (the destination untouched), or decoded and
// complete or short of something.
struct PcxOutcome {
    PcxRefusal refusal = PcxRefusal::None;
    PcxShortfall shortfall = PcxShortfall::None;
    bool Accepted() const { return refusal == PcxRefusal::None; }
};

// Accepts or refuses a file from its first 128 bytes alone; `GetPcxSize` and
// `LoadPcx` both go through it, so they refuse the same files. `size` counts
// the bytes available at `file`.
PcxLayoutOr ReadPcxLayout(const uint8_t* file, size_t size);

// The picture's size from an accepted header, 0 x 0 for a refused one.
PcxSize ReadPcxSize(const uint8_t* file, size_t size);

// Decodes a whole file held in memory into `dest`; a refused header leaves
// `dest` untouched.
PcxOutcome DecodePcxBytes(const uint8_t* file, size_t size, const PixelTarget& dest);
// The same, true when the header is accepted (a file cut short included).
bool DecodePcxFile(const uint8_t* file, size_t size, const PixelTarget& dest);

// Decodes the `size` bytes of image data that follow an accepted header:
// RowsCutShort or PaletteMissing when the file lacked them, else None.
PcxShortfall DecodePcx(const PixelTarget& dest, const uint8_t* data, size_t size,
                       const PcxLayout& layout);

// 0 x 0 when the file cannot be opened, its header cannot be read or is
// refused. Reads only the header.
PcxSize GetPcxSize(const std::string& path);

// Decodes a file open for reading at its start into `dest`. A header that
// cannot be read is refused as TooShort. ReadFailed with `dest` untouched
// when a paletted file's tail cannot be read; when a read of the image data
// fails, `dest` holds what was decoded before the failure and 0 after it.
// The image data is read through one buffer of `chunkBytes` (at least 2);
// tests pass small ones to put chunk ends everywhere.
constexpr size_t kPcxChunkBytes = 64 * 1024;
PcxOutcome DecodePcxFrom(std::FILE* file, const PixelTarget& dest,
                         size_t chunkBytes = kPcxChunkBytes);
// The same, true when the header is accepted and no read failed.
bool DecodePcxStream(std::FILE* file, const PixelTarget& dest, size_t chunkBytes = kPcxChunkBytes);

// Decodes the file into a block of `destRows` rows of `destWidth` pixels,
// `pitch` pixels apart, as `DecodePcxStream` does; false too when the file
// cannot be opened.
bool LoadPcx(uint16_t* dest, int pitch, int destWidth, int destRows, const std::string& path);
