#include "tests/support/pixel_compare.h"

#include <cstdio>

::testing::AssertionResult SamePixels(const PixelView& expected, const PixelView& actual) {
    if (expected.width != actual.width || expected.height != actual.height)
        return ::testing::AssertionFailure()
               << "size differs: expected " << expected.width << "x" << expected.height << ", got "
               << actual.width << "x" << actual.height;
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            const uint16_t want = expected.pixels[int64_t{y} * expected.pitch + x];
            const uint16_t got = actual.pixels[int64_t{y} * actual.pitch + x];
            if (want == got) continue;
            char text[96];
            std::snprintf(text, sizeof text,
                          "first differing pixel at (%d, %d): expected 0x%04X, got 0x%04X", x, y,
                          want, got);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}
