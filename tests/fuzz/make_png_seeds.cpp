// Writes the PNG fuzzer's seeds into the folder given: small pictures of
// each colour type, depth and interlacing, each behind the two bytes that
// give the fuzzer its destination's width and rows. The committed corpus in
// tests/fuzz/png_corpus was made with it.

#include <spng.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Seed {
    const char* name;
    uint8_t destWidth, destRows;
    uint32_t width, height;
    uint8_t colourType, bitDepth, interlace;
};

// Cut larger and smaller than the picture, so clipping is exercised both ways.
constexpr Seed kSeeds[] = {
    {"palette4", 4, 20, 9, 5, SPNG_COLOR_TYPE_INDEXED, 4, 0},
    {"grey1_interlaced", 30, 3, 17, 9, SPNG_COLOR_TYPE_GRAYSCALE, 1, 1},
    {"grey16", 8, 8, 6, 6, SPNG_COLOR_TYPE_GRAYSCALE, 16, 0},
    {"grey_alpha8", 5, 2, 7, 3, SPNG_COLOR_TYPE_GRAYSCALE_ALPHA, 8, 0},
    {"rgb8", 16, 16, 12, 10, SPNG_COLOR_TYPE_TRUECOLOR, 8, 0},
    {"rgb16_interlaced", 9, 9, 11, 13, SPNG_COLOR_TYPE_TRUECOLOR, 16, 1},
    {"rgba8", 2, 40, 3, 2, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 8, 0},
};

int Channels(uint8_t colourType) {
    switch (colourType) {
        case SPNG_COLOR_TYPE_TRUECOLOR:
            return 3;
        case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
            return 2;
        case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA:
            return 4;
        default:
            return 1;
    }
}

std::vector<uint8_t> Encode(const Seed& seed) {
    const size_t rowBytes =
        (size_t{seed.width} * Channels(seed.colourType) * seed.bitDepth + 7) / 8;
    std::vector<uint8_t> image(rowBytes * seed.height);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 37 + 11);
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{seed.width, seed.height, seed.bitDepth, seed.colourType, 0, 0, seed.interlace};
    spng_set_ihdr(ctx, &ihdr);
    if (seed.colourType == SPNG_COLOR_TYPE_INDEXED) {
        spng_plte plte{};
        plte.n_entries = 16;
        for (uint32_t i = 0; i < 16; ++i)
            plte.entries[i] = {uint8_t(i * 16), 0, uint8_t(255 - i), 255};
        spng_set_plte(ctx, &plte);
        spng_trns trns{};
        trns.n_type3_entries = 2;
        trns.type3_alpha[1] = 200;
        spng_set_trns(ctx, &trns);
    }
    int error =
        spng_encode_image(ctx, image.data(), image.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    size_t size = 0;
    uint8_t* png = error ? nullptr : static_cast<uint8_t*>(spng_get_png_buffer(ctx, &size, &error));
    std::vector<uint8_t> bytes;
    if (png != nullptr) {
        bytes = {seed.destWidth, seed.destRows};
        bytes.insert(bytes.end(), png, png + size);
    }
    std::free(png);
    spng_ctx_free(ctx);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    for (const Seed& seed : kSeeds) {
        const std::vector<uint8_t> bytes = Encode(seed);
        const std::string path = std::string(argv[1]) + "/" + seed.name + ".seed";
        std::FILE* file = bytes.empty() ? nullptr : std::fopen(path.c_str(), "wb");
        if (file == nullptr) {
            std::fprintf(stderr, "cannot make %s\n", path.c_str());
            return 1;
        }
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (std::fclose(file) != 0 || !written) return 1;
    }
    return 0;
}
