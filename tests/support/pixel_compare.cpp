#include "tests/support/pixel_compare.h"

#include <cstdio>
#include <fstream>
#include <vector>

namespace {

std::string Hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

uint16_t PixelAt(const PixelView& view, int x, int y) {
    return view.pixels[static_cast<int64_t>(y) * view.pitch + x];
}

std::string DumpBoth(const PixelView& expected, const PixelView& actual,
                     const std::string& dumpName) {
    const std::string base = ::testing::TempDir() + dumpName;
    const bool written =
        WritePpm(expected, base + "_expected.ppm") && WritePpm(actual, base + "_actual.ppm");
    return written ? "; pictures in " + base + "_{expected,actual}.ppm"
                   : "; could not write pictures to " + base;
}

}  // namespace

bool WritePpm(const PixelView& view, const std::string& path) {
    std::ofstream file(path, std::ios::binary);
    file << "P6\n" << view.width << ' ' << view.height << "\n255\n";
    std::vector<char> row(static_cast<size_t>(view.width) * 3);
    for (int y = 0; y < view.height; ++y) {
        for (int x = 0; x < view.width; ++x) {
            const uint16_t p = PixelAt(view, x, y);
            row[x * 3] = static_cast<char>((p >> 11) << 3);
            row[x * 3 + 1] = static_cast<char>(((p >> 5) & 63) << 2);
            row[x * 3 + 2] = static_cast<char>((p & 31) << 3);
        }
        file.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    return static_cast<bool>(file);
}

::testing::AssertionResult SamePixels(const PixelView& expected, const PixelView& actual,
                                      const std::string& dumpName) {
    if (expected.width != actual.width || expected.height != actual.height) {
        return ::testing::AssertionFailure()
               << "size differs: expected " << expected.width << "x" << expected.height << ", got "
               << actual.width << "x" << actual.height;
    }
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            const uint16_t want = PixelAt(expected, x, y);
            const uint16_t got = PixelAt(actual, x, y);
            if (want == got) continue;
            auto failure = ::testing::AssertionFailure()
                           << "first differing pixel at (" << x << ", " << y << "): expected "
                           << Hex4(want) << ", got " << Hex4(got);
            if (!dumpName.empty()) failure << DumpBoth(expected, actual, dumpName);
            return failure;
        }
    }
    return ::testing::AssertionSuccess();
}
