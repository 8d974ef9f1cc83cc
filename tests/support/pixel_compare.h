#pragma once
// Whole-block pixel comparison for tests: on a mismatch it names the first
// differing pixel in reading order and can leave both blocks as PPM pictures
// in the test temp directory for a look.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

struct PixelView {
    const uint16_t* pixels;
    int width;
    int height;
    int pitch;  // in pixels
};

inline PixelView ViewOf(const uint16_t* pixels, int width, int height, int pitch) {
    return {pixels, width, height, pitch};
}
inline PixelView ViewOf(const uint16_t* pixels, int width, int height) {
    return {pixels, width, height, width};
}

// Succeeds when both views have the same size and pixels. When dumpName is not
// empty, a mismatch also writes <TempDir>/<dumpName>_expected.ppm and
// <dumpName>_actual.ppm.
::testing::AssertionResult SamePixels(const PixelView& expected, const PixelView& actual,
                                      const std::string& dumpName = "");

// Writes the view as a binary PPM, reading pixels as 5-6-5; false on failure.
bool WritePpm(const PixelView& view, const std::string& path);
