#include "tests/support/pcx_writer.h"

#include <cstdio>
#include <random>

#include "formats/colour.h"

namespace {

void AppendLe16(std::vector<uint8_t>& out, int value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

int BytesPerLineFor(int width, const PcxWriteOptions& options) {
    return options.padOddWidth && width % 2 != 0 ? width + 1 : width;
}

PcxHeaderFields FieldsFor(int width, int height, int planes, const PcxWriteOptions& options) {
    PcxHeaderFields fields = PcxHeaderFor(width, height, planes);
    fields.xMin = options.xMin;
    fields.yMin = options.yMin;
    fields.xMax = static_cast<int16_t>(options.xMin + width - 1);
    fields.yMax = static_cast<int16_t>(options.yMin + height - 1);
    fields.bytesPerLine = static_cast<uint16_t>(BytesPerLineFor(width, options));
    return fields;
}

// Encodes plane lines (each already BytesPerLine long) after the header.
std::vector<uint8_t> EncodeLines(const PcxHeaderFields& fields,
                                 const std::vector<std::vector<uint8_t>>& lines,
                                 const PcxWriteOptions& options) {
    std::vector<uint8_t> out = EncodePcxHeader(fields);
    if (options.runsCrossLines) {
        std::vector<uint8_t> stream;
        for (const auto& line : lines) stream.insert(stream.end(), line.begin(), line.end());
        AppendPcxRle(out, stream);
        return out;
    }
    for (const auto& line : lines) {
        if (options.emptyRunAtLineStart) AppendPcxRun(out, 0, 0xAB);
        AppendPcxRle(out, line);
    }
    return out;
}

}  // namespace

PcxHeaderFields PcxHeaderFor(int width, int height, int planes) {
    PcxHeaderFields fields;
    fields.xMax = static_cast<int16_t>(width - 1);
    fields.yMax = static_cast<int16_t>(height - 1);
    fields.planes = static_cast<uint8_t>(planes);
    fields.bytesPerLine = static_cast<uint16_t>(width);
    return fields;
}

std::vector<uint8_t> EncodePcxHeader(const PcxHeaderFields& fields) {
    std::vector<uint8_t> out = {fields.manufacturer, fields.version, fields.encoding,
                                fields.bitsPerPixel};
    AppendLe16(out, fields.xMin);
    AppendLe16(out, fields.yMin);
    AppendLe16(out, fields.xMax);
    AppendLe16(out, fields.yMax);
    AppendLe16(out, 72);
    AppendLe16(out, 72);
    out.resize(65, 0);  // 16-colour map and the reserved byte
    out.push_back(fields.planes);
    AppendLe16(out, fields.bytesPerLine);
    AppendLe16(out, 1);  // palette info: colour
    out.resize(128, 0);
    return out;
}

void AppendPcxRun(std::vector<uint8_t>& out, int count, uint8_t value) {
    out.push_back(static_cast<uint8_t>(0xC0 | (count & 0x3F)));
    out.push_back(value);
}

void AppendPcxLiteral(std::vector<uint8_t>& out, uint8_t value) {
    out.push_back(value);
}

void AppendPcxRle(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const uint8_t value = bytes[i];
        size_t run = 1;
        while (i + run < bytes.size() && run < 63 && bytes[i + run] == value) ++run;
        if (run == 1 && value < 0xC0) {
            AppendPcxLiteral(out, value);
        } else {
            AppendPcxRun(out, static_cast<int>(run), value);
        }
        i += run;
    }
}

std::vector<uint8_t> EncodePcx24(const RgbImage& image, const PcxWriteOptions& options) {
    const PcxHeaderFields fields = FieldsFor(image.width, image.height, 3, options);
    std::vector<std::vector<uint8_t>> lines;
    for (int y = 0; y < image.height; ++y) {
        for (int channel = 0; channel < 3; ++channel) {
            std::vector<uint8_t> line(fields.bytesPerLine, options.padValue);
            for (int x = 0; x < image.width; ++x) line[x] = image.At(x, y)[channel];
            lines.push_back(std::move(line));
        }
    }
    return EncodeLines(fields, lines, options);
}

std::vector<uint8_t> EncodePcx8(const IndexedImage& image, const PcxWriteOptions& options) {
    const PcxHeaderFields fields = FieldsFor(image.width, image.height, 1, options);
    std::vector<std::vector<uint8_t>> lines;
    for (int y = 0; y < image.height; ++y) {
        std::vector<uint8_t> line(fields.bytesPerLine, options.padValue);
        for (int x = 0; x < image.width; ++x) {
            line[x] = image.indices[static_cast<size_t>(y) * image.width + x];
        }
        lines.push_back(std::move(line));
    }
    std::vector<uint8_t> out = EncodeLines(fields, lines, options);
    out.push_back(12);
    out.insert(out.end(), image.palette.begin(), image.palette.end());
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
    for (size_t i = 0; i < image.rgb.size(); i += 3) {
        image.rgb[i] = red;
        image.rgb[i + 1] = green;
        image.rgb[i + 2] = blue;
    }
    return image;
}

std::vector<uint16_t> PackImage(const RgbImage& image) {
    std::vector<uint16_t> pixels;
    pixels.reserve(static_cast<size_t>(image.width) * image.height);
    for (size_t i = 0; i < image.rgb.size(); i += 3) {
        pixels.push_back(PackRgb(image.rgb[i], image.rgb[i + 1], image.rgb[i + 2]));
    }
    return pixels;
}

bool WriteBytesToFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
    return std::fclose(file) == 0 && written == bytes.size();
}
