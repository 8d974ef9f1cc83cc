#pragma once
// Reading PNG pictures into blocks of 16-bit display pixels.
//
// Every colour type and bit depth, interlaced or not, is read as 8-bit red,
// green, blue and alpha and packed for the display. A pixel whose alpha is
// below 128 (including colours a transparency chunk names) comes out magenta,
// 255 0 255, so the artist can pick it as the key colour; other pixels keep
// their colour and their alpha is dropped. A destination with a
// ColourConverter has its threshold, matte and dithering instead.
//
// The picture is clipped to the destination's width and rows and decoded one
// row at a time through a single row buffer, so memory stays small whatever
// the file declares: pictures wider or taller than kMaxPngSide are refused
// before anything is allocated, and ancillary chunks are kept within
// kMaxPngChunkBytes each and kMaxPngChunkCacheBytes in all. Decoding stops as
// soon as the destination's rows are filled (an interlaced picture is read
// until its last pass has reached them).
//
// The destination, when the decode fails: a file refused at its signature or
// header chunk leaves it untouched. Past that, the clipped area is cleared
// before anything else is read, so after any later failure the pixels
// decoded before it keep their colour and every other pixel there is 0.
// The header chunk's checksum is checked when decoding, not by the size
// readers.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "formats/pixel_target.h"

constexpr uint32_t kMaxPngSide = 16384;
constexpr size_t kMaxPngChunkBytes = size_t{1} << 20;
constexpr size_t kMaxPngChunkCacheBytes = size_t{8} << 20;

struct PngSize {
    int32_t width = 0;
    int32_t height = 0;
};

enum class PngRefusal {
    None,         // accepted (or decoded)
    Unreadable,   // the file could not be opened
    NotPng,       // no PNG signature
    BadHeader,    // the header chunk is cut short or malformed, or a chunk
                  // before the image data is malformed or fails its checksum
    TooLarge,     // wider or taller than kMaxPngSide, or a chunk over the limits
    Damaged,      // the file ends early or its image data is corrupt
    OutOfMemory,  // a row buffer could not be allocated
};

// A short sentence for the user, e.g. "the file is not a PNG picture".
const char* DescribePngRefusal(PngRefusal refusal);

struct PngHeader {
    PngSize size;  // 0 x 0 when refused
    PngRefusal refusal = PngRefusal::None;
};

// Reads the signature and the header chunk only.
PngHeader ReadPngHeader(const uint8_t* bytes, size_t size);
PngSize ReadPngSize(const uint8_t* bytes, size_t size);

// Decodes a whole file held in memory into `dest`.
PngRefusal DecodePng(const uint8_t* bytes, size_t size, const PixelTarget& dest);
bool DecodePngFile(const uint8_t* bytes, size_t size, const PixelTarget& dest);

// File wrappers: the file is streamed, never read whole. GetPngSize reads
// only up to the header chunk; 0 x 0 when the file cannot be opened or is
// refused.
PngHeader ReadPngFileHeader(const std::string& path);
PngSize GetPngSize(const std::string& path);
// The same on a file open for reading at its start; it is read from there.
PngHeader ReadPngStreamHeader(std::FILE* file);
PngRefusal DecodePngStream(std::FILE* file, const PixelTarget& dest);
PngRefusal DecodePngFromPath(const std::string& path, const PixelTarget& dest);
bool LoadPng(uint16_t* dest, int pitch, int destWidth, int destRows, const std::string& path);
