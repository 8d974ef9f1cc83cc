#pragma once
// Whole-block pixel comparison for tests: on a mismatch it names the first
// differing pixel in reading order.

#include <gtest/gtest.h>

#include <cstdint>

struct PixelView {
    const uint16_t* pixels;
    int width;
    int height;
    int pitch;  // in pixels
};

inline PixelView ViewOf(const uint16_t* pixels, int width, int height) {
    return {pixels, width, height, width};
}

// Succeeds when both views have the same size and pixels.
::testing::AssertionResult SamePixels(const PixelView& expected, const PixelView& actual);
