#pragma once
// Where decoded pixels go: `rows` rows of `width` pixels, row y starting
// y * `pitch` pixels into `pixels`. Decoders clip to it and never write
// outside it. The picture's top-left pixel goes to `pixels[0]`.

#include <cstdint>

class ColourConverter;

struct PixelTarget {
    uint16_t* pixels = nullptr;
    int pitch = 0;
    int width = 0;
    int rows = 0;
    // How colours become pixels; null: the plain packing of formats/colour.h.
    const ColourConverter* colour = nullptr;
};
