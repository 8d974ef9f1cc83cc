// Measures the ordered dither against truncation on 24-bit pictures made by
// other programs (tools/dither_pictures.py): each picture is opened as the
// editor opens it, both ways, widened again with the low bits zero, and
// compared with its source after a 3 x 3 box blur, which stands for the eye
// at a small distance. Pixels of the key colour 255,0,255 (a sprite's
// transparent background) are left out. Writes a Markdown table.
//
//   dither_measure OUT.md PICTURE.png...

#include <spng.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "formats/colour.h"
#include "formats/picture.h"

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The source's own colours, read with the PNG library alone.
bool ReadSource(const std::vector<uint8_t>& file, Picture& picture) {
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> ctx(spng_ctx_new(0), spng_ctx_free);
    spng_ihdr ihdr{};
    size_t size = 0;
    if (spng_set_png_buffer(ctx.get(), file.data(), file.size()) != 0 ||
        spng_get_ihdr(ctx.get(), &ihdr) != 0 ||
        spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &size) != 0)
        return false;
    picture.width = static_cast<int>(ihdr.width);
    picture.height = static_cast<int>(ihdr.height);
    picture.rgba.resize(size);
    return spng_decode_image(ctx.get(), picture.rgba.data(), size, SPNG_FMT_RGBA8, 0) == 0;
}

// The picture opened as the editor opens it, placed at (left, top) of a
// larger block, then widened with the low bits zero.
std::vector<float> Opened(const std::vector<uint8_t>& file, const Picture& source, bool dither,
                          int left = 0, int top = 0) {
    ColourOptions options;
    options.dither = dither;
    const ColourConverter colour(options, PackRgb(255, 0, 255));
    const int pitch = source.width + left;
    std::vector<uint16_t> block(static_cast<size_t>(pitch) * (source.height + top));
    const PixelTarget target{block.data() + top * pitch + left, pitch, source.width, source.height,
                             &colour};
    DecodePicture(file.data(), file.size(), target);
    std::vector<float> rgb;
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) {
            const Rgb c = UnpackPixel(block[(top + y) * pitch + left + x]);
            rgb.insert(rgb.end(), {float(c.red), float(c.green), float(c.blue)});
        }
    return rgb;
}

std::vector<float> SourceRgb(const Picture& source) {
    std::vector<float> rgb;
    for (size_t i = 0; i < source.rgba.size(); i += 4)
        rgb.insert(rgb.end(),
                   {float(source.rgba[i]), float(source.rgba[i + 1]), float(source.rgba[i + 2])});
    return rgb;
}

// Mean of the 3 x 3 neighbourhood, inside the picture only.
std::vector<float> Blurred(const std::vector<float>& rgb, int width, int height) {
    std::vector<float> out(rgb.size());
    for (int y = 1; y + 1 < height; ++y)
        for (int x = 1; x + 1 < width; ++x)
            for (int c = 0; c < 3; ++c) {
                float sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        sum += rgb[((y + dy) * width + x + dx) * 3 + c];
                out[(y * width + x) * 3 + c] = sum / 9;
            }
    return out;
}

struct Figures {
    double blurredRms[3] = {};
    double bias[3] = {};
};

// The key colour's background is transparent in a sprite, never seen: it
// and the blur windows that reach it are left out.
bool IsBackground(const std::vector<float>& source, size_t pixel) {
    return source[pixel * 3] == 255 && source[pixel * 3 + 1] == 0 && source[pixel * 3 + 2] == 255;
}

bool WindowSeen(const std::vector<float>& source, int width, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (IsBackground(source, size_t(y + dy) * width + x + dx)) return false;
    return true;
}

Figures Compare(const std::vector<float>& opened, const std::vector<float>& source, int width,
                int height) {
    Figures figures;
    const std::vector<float> a = Blurred(opened, width, height);
    const std::vector<float> b = Blurred(source, width, height);
    double windows = 0, pixels = 0;
    for (int y = 1; y + 1 < height; ++y)
        for (int x = 1; x + 1 < width; ++x) {
            if (!WindowSeen(source, width, x, y)) continue;
            windows += 1;
            for (int c = 0; c < 3; ++c) {
                const size_t i = (size_t(y) * width + x) * 3 + c;
                figures.blurredRms[c] += double(a[i] - b[i]) * (a[i] - b[i]);
            }
        }
    for (size_t p = 0; p < source.size() / 3; ++p) {
        if (IsBackground(source, p)) continue;
        pixels += 1;
        for (int c = 0; c < 3; ++c) figures.bias[c] += opened[p * 3 + c] - source[p * 3 + c];
    }
    for (int c = 0; c < 3; ++c) {
        figures.blurredRms[c] = std::sqrt(figures.blurredRms[c] / windows);
        figures.bias[c] /= pixels;
    }
    return figures;
}

// The next frame of a still scene (NAME.moved.png: the lower-right quarter
// changed), both opened at different places of the block as two sheet cells
// would hold them. Counts the pixels outside the quarter that differ; -1
// when there is no such frame.
long StillRegionDifferences(const std::string& path, const Picture& source,
                            const std::vector<uint8_t>& file) {
    const std::vector<uint8_t> next = ReadBytes(path.substr(0, path.size() - 4) + ".moved.png");
    if (next.empty()) return -1;
    const std::vector<float> first = Opened(file, source, true, 3, 5);
    const std::vector<float> second = Opened(next, source, true, 70, 41);
    long differing = 0;
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) {
            if (x >= source.width / 2 && y >= source.height / 2) continue;
            const size_t i = (size_t(y) * source.width + x) * 3;
            differing += first[i] != second[i] || first[i + 1] != second[i + 1] ||
                         first[i + 2] != second[i + 2];
        }
    return differing;
}

std::string Triple(const double* v, const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, v[0], v[1], v[2]);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: dither_measure OUT.md PICTURE.png...\n");
        return 2;
    }
    BuildColourTables(0xF800, 0x07E0, 0x001F);
    std::ofstream out(argv[1]);
    out << "# The ordered dither against truncation\n\n"
           "Made by `tools/dither_pictures.py sources DIR` (ImageMagick's gradient and "
           "plasma, Pillow's radial gradient, a beetle render) and `dither_measure "
           "bench/dither_figures.md DIR/*[^d].png`. Errors are in 8-bit levels, the 16-bit "
           "pixels widened with their low bits zero as the editor's screen shows them, "
           "compared with the source after a 3 x 3 box blur; the key colour 255,0,255 is left "
           "out. Still region: the picture and a copy with its lower-right quarter negated, "
           "opened dithered at different places, and the pixels outside that quarter that "
           "differ.\n\n";
    out << "| Picture | Size | Blurred RMS error, truncated (R, G, B) | Blurred RMS error, "
           "dithered | Dithered / truncated | Mean bias, truncated | Mean bias, dithered | "
           "Still region: pixels changed |\n|---|---|---|---|---|---|---|---|\n";
    for (int i = 2; i < argc; ++i) {
        const std::string path = argv[i];
        const std::vector<uint8_t> file = ReadBytes(path);
        Picture source;
        if (!ReadSource(file, source)) {
            std::fprintf(stderr, "%s: not a PNG\n", path.c_str());
            return 1;
        }
        const std::vector<float> truth = SourceRgb(source);
        const Figures cut =
            Compare(Opened(file, source, false), truth, source.width, source.height);
        const Figures dithered =
            Compare(Opened(file, source, true), truth, source.width, source.height);
        double ratio[3];
        for (int c = 0; c < 3; ++c) ratio[c] = dithered.blurredRms[c] / cut.blurredRms[c];
        const std::string name = path.substr(path.find_last_of('/') + 1);
        out << "| " << name << " | " << source.width << " x " << source.height << " | "
            << Triple(cut.blurredRms, "%.2f, %.2f, %.2f") << " | "
            << Triple(dithered.blurredRms, "%.2f, %.2f, %.2f") << " | "
            << Triple(ratio, "%.2f, %.2f, %.2f") << " | " << Triple(cut.bias, "%+.2f, %+.2f, %+.2f")
            << " | " << Triple(dithered.bias, "%+.2f, %+.2f, %+.2f") << " | "
            << StillRegionDifferences(path, source, file) << " |\n";
    }
    return 0;
}
