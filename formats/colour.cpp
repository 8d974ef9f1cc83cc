#include "formats/colour.h"

uint16_t g_redTable[256];
uint16_t g_greenTable[256];
uint16_t g_blueTable[256];
uint32_t g_pixelToRgb[65536];

namespace {

struct ChannelField {
    uint32_t mask;
    int width;  // set bits in the low 16 bits of the mask
    int shift;  // position of the lowest set bit
};

ChannelField AnalyseMask(uint32_t mask) {
    ChannelField field{mask & 0xFFFF, 0, 0};
    for (int bit = 15; bit >= 0; --bit) {
        if (field.mask & (1u << bit)) {
            ++field.width;
            field.shift = bit;
        }
    }
    return field;
}

uint16_t ChannelToField(int value, const ChannelField& field) {
    if (field.width == 0) return 0;
    // A field wider than 8 bits never comes from a 16-bit display; scale up
    // rather than shift by a negative amount.
    const uint32_t scaled = field.width <= 8 ? static_cast<uint32_t>(value) >> (8 - field.width)
                                             : static_cast<uint32_t>(value) << (field.width - 8);
    return static_cast<uint16_t>(scaled << field.shift);
}

uint32_t FieldToChannel(uint32_t pixel, const ChannelField& field) {
    if (field.width == 0) return 0;
    const uint32_t raw = (pixel & field.mask) >> field.shift;
    const uint32_t scaled = field.width <= 8 ? raw << (8 - field.width) : raw >> (field.width - 8);
    return scaled & 255;
}

}  // namespace

void BuildColourTables(uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
    const ChannelField red = AnalyseMask(redMask);
    const ChannelField green = AnalyseMask(greenMask);
    const ChannelField blue = AnalyseMask(blueMask);
    for (int i = 0; i < 256; ++i) {
        g_redTable[i] = ChannelToField(i, red);
        g_greenTable[i] = ChannelToField(i, green);
        g_blueTable[i] = ChannelToField(i, blue);
    }
    for (uint32_t p = 0; p < 65536; ++p) {
        g_pixelToRgb[p] = FieldToChannel(p, red) | (FieldToChannel(p, green) << 8) |
                          (FieldToChannel(p, blue) << 16);
    }
}
