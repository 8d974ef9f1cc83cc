#pragma once
// 16-bit display pixels and their 8-bit red, green and blue channels. The
// layout (5-6-5 or 5-5-5) is whatever the display reports; four lookup tables
// built once from its masks do every conversion, so packing is three lookups
// and two ORs with no shifts or branches.

#include <cstdint>

extern uint16_t g_redTable[256];
extern uint16_t g_greenTable[256];
extern uint16_t g_blueTable[256];
// Red in bits 0-7, green in 8-15, blue in 16-23; each channel's freed low bits are 0.
extern uint32_t g_pixelToRgb[65536];

// Only the low 16 bits of each mask are looked at; an empty mask contributes 0.
void BuildColourTables(uint32_t redMask, uint32_t greenMask, uint32_t blueMask);

inline uint16_t PackRgb(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint16_t>(g_redTable[red] | g_greenTable[green] | g_blueTable[blue]);
}

struct Rgb {
    int red;
    int green;
    int blue;
};

inline Rgb UnpackPixel(uint32_t pixel) {
    const uint32_t v = g_pixelToRgb[pixel & 0xFFFF];
    return {static_cast<int>(v & 255), static_cast<int>((v >> 8) & 255),
            static_cast<int>((v >> 16) & 255)};
}
