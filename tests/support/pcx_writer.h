#pragma once
// A small PCX writer for tests and benchmarks: 24-bit pictures as three
// run-length encoded 8-bit planes, 8-bit paletted pictures, and pieces for
// crafting raw streams by hand.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // red, green, blue per pixel, rows top first

    RgbImage() = default;
    RgbImage(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3) {}
    uint8_t* At(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indices;        // one palette index per pixel
    std::array<uint8_t, 768> palette{};  // 256 red, green, blue triples
};

struct PcxWriteOptions {
    bool padOddWidth = true;  // BytesPerLine rounded up to even, as most writers do
    uint8_t padValue = 0;     // what the padding bytes hold
    // Every plane line encoded as one stream, so runs go on across lines.
    bool runsCrossLines = false;
};

std::vector<uint8_t> EncodePcx24(const RgbImage& image, const PcxWriteOptions& options = {});
// Ends with the marker byte 12 and the 768-byte palette.
std::vector<uint8_t> EncodePcx8(const IndexedImage& image, const PcxWriteOptions& options = {});

struct PcxHeaderFields {
    uint8_t manufacturer = 10;
    uint8_t version = 5;
    uint8_t bitsPerPixel = 8;
    int16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    uint8_t planes = 3;
    uint16_t bytesPerLine = 0;
};
// Fields for a picture of `width` x `height` at (0, 0) with unpadded lines.
PcxHeaderFields PcxHeaderFor(int width, int height, int planes = 3);
std::vector<uint8_t> EncodePcxHeader(const PcxHeaderFields& fields);
// One run code (192 + count, count 0 to 63) followed by its value.
void AppendPcxRun(std::vector<uint8_t>& out, int count, uint8_t value);
// Run-length encodes `bytes` as a correct writer does: runs of up to 63,
// single values of 192 or more as runs of 1.
void AppendPcxRle(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes);

RgbImage MakeRandomImage(int width, int height, uint32_t seed);
RgbImage MakeFlatImage(int width, int height, uint8_t red, uint8_t green, uint8_t blue);
// The picture as display pixels through the current colour tables.
std::vector<uint16_t> PackImage(const RgbImage& image);
bool WriteBytesToFile(const std::string& path, const std::vector<uint8_t>& bytes);
