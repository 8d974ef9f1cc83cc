#pragma once
// Where decoded pixels go: `rows` rows of `width` pixels, row y starting
// y * `pitch` pixels into `pixels`. Decoders clip to it and never write
// outside it.

#include <cstdint>

struct PixelTarget {
    uint16_t* pixels = nullptr;
    int pitch = 0;
    int width = 0;
    int rows = 0;
};
