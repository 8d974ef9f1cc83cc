#pragma once
// A small PCX writer for tests and benchmarks: 24-bit pictures as three
// run-length encoded 8-bit planes, and the pieces of other PCX files.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // red, green, blue per pixel, rows top first

    RgbImage(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3) {}
    uint8_t* At(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

struct PcxWriteOptions {
    bool padOddWidth = true;      // BytesPerLine rounded up to even, as most writers do
    uint8_t padValue = 0;         // what the padding bytes hold
    bool runsCrossLines = false;  // all plane lines encoded as one stream
};

std::vector<uint8_t> EncodePcx24(const RgbImage& image, const PcxWriteOptions& options = {});
// Version 5, run-length encoded, 8 bits per plane, at (0, 0).
std::vector<uint8_t> EncodePcxHeader(int width, int height, int planes, int bytesPerLine);
// One run code (192 + count, count 0 to 63) followed by its value.
void AppendPcxRun(std::vector<uint8_t>& out, int count, uint8_t value);
// Runs of up to 63, single values of 192 or more as runs of 1.
void AppendPcxRle(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes);

RgbImage MakeRandomImage(int width, int height, uint32_t seed);
RgbImage MakeFlatImage(int width, int height, uint8_t red, uint8_t green, uint8_t blue);
// The picture as display pixels through the current colour tables.
std::vector<uint16_t> PackImage(const RgbImage& image);
bool WriteBytesToFile(const std::string& path, const std::vector<uint8_t>& bytes);
