#include "tests/support/pcx_writer.h"

#include <cstdio>
#include <random>

#include "formats/colour.h"

std::vector<uint8_t> EncodePcxHeader(int width, int height, int planes, int bytesPerLine) {
    std::vector<uint8_t> out(128, 0);
    // Offset and value: manufacturer, version, encoding, bits per plane, Xmax,
    // Ymax, both resolutions, planes, BytesPerLine, palette info (colour).
    const int fields[][2] = {{0, 10},          {1, 5},   {2, 1},   {3, 8},       {8, width - 1},
                             {10, height - 1}, {12, 72}, {14, 72}, {65, planes}, {66, bytesPerLine},
                             {68, 1}};
    for (const auto& [at, value] : fields) {
        out[at] = static_cast<uint8_t>(value);
        if (at >= 8 && at != 65) out[at + 1] = static_cast<uint8_t>(value >> 8);
    }
    return out;
}

void AppendPcxRun(std::vector<uint8_t>& out, int count, uint8_t value) {
    out.insert(out.end(), {static_cast<uint8_t>(0xC0 | (count & 0x3F)), value});
}

void AppendPcxRle(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
    for (size_t i = 0, run = 1; i < bytes.size(); i += run, run = 1) {
        while (i + run < bytes.size() && run < 63 && bytes[i + run] == bytes[i]) ++run;
        if (run == 1 && bytes[i] < 0xC0) {
            out.push_back(bytes[i]);
        } else {
            AppendPcxRun(out, static_cast<int>(run), bytes[i]);
        }
    }
}

std::vector<uint8_t> EncodePcx24(const RgbImage& image, const PcxWriteOptions& options) {
    const int bytesPerLine = image.width + (options.padOddWidth ? image.width % 2 : 0);
    std::vector<uint8_t> out = EncodePcxHeader(image.width, image.height, 3, bytesPerLine), stream;
    for (int y = 0; y < image.height; ++y) {
        for (int plane = 0; plane < 3; ++plane) {
            for (int x = 0; x < bytesPerLine; ++x)
                stream.push_back(x < image.width ? image.At(x, y)[plane] : options.padValue);
            if (!options.runsCrossLines) AppendPcxRle(out, stream), stream.clear();
        }
    }
    AppendPcxRle(out, stream);
    return out;
}

RgbImage MakeRandomImage(int width, int height, uint32_t seed) {
    RgbImage image(width, height);
    std::mt19937 random(seed);
    // Mostly noise, with some short repeats so runs of every length turn up.
    for (size_t i = 0; i < image.rgb.size(); ++i) {
        const uint32_t bits = random();
        image.rgb[i] = (bits & 0x300) == 0 && i >= 3 ? image.rgb[i - 3] : (bits & 0xFF);
    }
    return image;
}

RgbImage MakeFlatImage(int width, int height, uint8_t red, uint8_t green, uint8_t blue) {
    RgbImage image(width, height);
    for (size_t i = 0; i < image.rgb.size(); i += 3)
        image.rgb[i] = red, image.rgb[i + 1] = green, image.rgb[i + 2] = blue;
    return image;
}

std::vector<uint16_t> PackImage(const RgbImage& image) {
    std::vector<uint16_t> pixels;
    for (size_t i = 0; i < image.rgb.size(); i += 3)
        pixels.push_back(PackRgb(image.rgb[i], image.rgb[i + 1], image.rgb[i + 2]));
    return pixels;
}

bool WriteBytesToFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const size_t written =
        bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);  // empty: no buffer
    return std::fclose(file) == 0 && written == bytes.size();
}
