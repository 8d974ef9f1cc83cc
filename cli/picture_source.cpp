#include "cli/picture_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "formats/colour.h"
#include "formats/pcx.h"
#include "formats/png.h"

namespace {

// The three packing tables of one channel layout, copied in and out as a
// whole; the decoders read only these.
struct PackTables {
    std::array<uint16_t, 256> red, green, blue;
};

PackTables CurrentTables() {
    PackTables t;
    std::copy(std::begin(g_redTable), std::end(g_redTable), t.red.begin());
    std::copy(std::begin(g_greenTable), std::end(g_greenTable), t.green.begin());
    std::copy(std::begin(g_blueTable), std::end(g_blueTable), t.blue.begin());
    return t;
}

void Install(const PackTables& t) {
    std::copy(t.red.begin(), t.red.end(), g_redTable);
    std::copy(t.green.begin(), t.green.end(), g_greenTable);
    std::copy(t.blue.begin(), t.blue.end(), g_blueTable);
}

PackTables TablesFor(uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
    const PackTables saved = CurrentTables();
    BuildColourTables(redMask, greenMask, blueMask);
    const PackTables made = CurrentTables();
    Install(saved);
    return made;
}

// The decoders know only 16-bit pixels. Packing tables that put red and green
// whole into the two bytes of a pixel, then blue alone, make them hand over
// the picture's true colours in two passes through the very same code.
struct ColourPasses {
    PackTables redGreen = TablesFor(0x00FF, 0xFF00, 0);
    PackTables blue = TablesFor(0, 0, 0x00FF);
};

const ColourPasses& Passes() {
    static const ColourPasses passes;
    return passes;
}

// The matte and the alpha threshold apply in these passes; dithering cannot,
// so it is left to the packing of the true colours.
PictureLoad Decode(const std::vector<uint8_t>& file, std::vector<uint16_t>& out, int width,
                   int height, const ColourOptions& options) {
    out.assign(static_cast<size_t>(width) * height, 0);
    ColourOptions flatten = options;
    flatten.dither = false;
    const ColourConverter colour(flatten);
    return DecodePicture(file.data(), file.size(),
                         PixelTarget{out.data(), width, width, height, &colour});
}

// Null when either pass fails.
std::optional<std::vector<uint32_t>> DecodeTrueColours(const std::vector<uint8_t>& file, int width,
                                                       int height, const ColourOptions& options,
                                                       std::string* why) {
    const ColourPasses& passes = Passes();
    const PackTables saved = CurrentTables();
    std::vector<uint16_t> redGreen, blue;
    Install(passes.redGreen);
    PictureLoad load = Decode(file, redGreen, width, height, options);
    if (load.status == PictureStatus::Complete) {
        Install(passes.blue);
        load = Decode(file, blue, width, height, options);
    }
    Install(saved);
    if (load.status != PictureStatus::Complete) {
        if (why) *why = load.reason;
        return std::nullopt;
    }
    std::vector<uint32_t> rgb(redGreen.size());
    for (size_t i = 0; i < rgb.size(); ++i) {
        const uint32_t red = redGreen[i] & 0xFFu, green = redGreen[i] >> 8u;
        rgb[i] = red << 16 | green << 8 | blue[i];
    }
    return rgb;
}

bool IsInterlacedPng(const std::vector<uint8_t>& file) {
    constexpr size_t kInterlaceAt = 28;  // signature 8, length 4, "IHDR", width, height, 4 bytes
    return SniffPicture(file.data(), file.size()) == PictureKind::Png &&
           file.size() > kInterlaceAt && std::equal(file.begin() + 12, file.begin() + 16, "IHDR") &&
           file[kInterlaceAt] != 0;
}

}  // namespace

void UseFileColourTables() {
    BuildColourTables(0xF800, 0x07E0, 0x001F);
}

namespace {

std::optional<std::vector<uint8_t>> ReadOpenFile(int fd, std::string* why) {
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0) return bytes;
        if (got < 0) {
            if (errno == EINTR) continue;
            if (why) *why = std::strerror(errno);
            return std::nullopt;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

}  // namespace

// Opened without waiting and checked before reading: a named pipe or a
// device would otherwise hold the command forever.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path, std::string* why) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (why) *why = std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    std::optional<std::vector<uint8_t>> bytes;
    if (fstat(fd, &info) != 0) {
        if (why) *why = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        if (why) *why = std::strerror(EISDIR);
    } else if (!S_ISREG(info.st_mode)) {
        if (why) *why = "not a regular file";
    } else {
        bytes = ReadOpenFile(fd, why);
    }
    close(fd);
    return bytes;
}

std::optional<PictureSize> ReadPictureSize(const std::vector<uint8_t>& file) {
    PictureSize size;
    switch (SniffPicture(file.data(), file.size())) {
        case PictureKind::Pcx: {
            const PcxSize pcx = ReadPcxSize(file.data(), file.size());
            size = {pcx.width, pcx.height};
            break;
        }
        case PictureKind::Png: {
            const PngSize png = ReadPngSize(file.data(), file.size());
            size = {png.width, png.height};
            break;
        }
        case PictureKind::Unknown:
            break;
    }
    if (size.width < 1 || size.height < 1) return std::nullopt;
    return size;
}

std::optional<PictureCorner> CutPictureCorner(const std::vector<uint8_t>& file, int width,
                                              int height, std::string* why,
                                              const ColourOptions& options, uint16_t keyPixel) {
    const PictureCheck check = CheckPicture(file.data(), file.size());
    if (!check.Readable()) {
        if (why) *why = check.refusal;
        return std::nullopt;
    }
    PictureCorner corner;
    corner.pictureWidth = check.size.width;
    corner.pictureHeight = check.size.height;
    corner.width = width;
    corner.height = height;
    // Decoding straight into the corner gives the pixels the editor cuts
    // from its buffer: the decoder clips the same way and fills what the
    // picture does not reach with 0. The editor's pixels are the true
    // colours packed, so the picture is decoded for those alone.
    std::optional<std::vector<uint32_t>> rgb = DecodeTrueColours(file, width, height, options, why);
    if (!rgb) return std::nullopt;
    corner.rgb = std::move(*rgb);
    corner.pixels.resize(corner.rgb.size());
    const ColourConverter colour(options, keyPixel);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            const uint32_t c = corner.rgb[i];
            corner.pixels[i] =
                colour.Pack(static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                            static_cast<uint8_t>(c), x, y);
        }
    }
    return corner;
}

std::string CostlyPictureReason(const std::vector<uint8_t>& file) {
    const std::optional<PictureSize> size = ReadPictureSize(file);
    if (!size || !IsInterlacedPng(file)) return "";
    const int64_t pixels = int64_t{size->width} * size->height;
    if (pixels <= MAX_INTERLACED_PIXELS) return "";
    return "an interlaced PNG of " + std::to_string(size->width) + " x " +
           std::to_string(size->height) +
           " must be decoded whole for any frame cut from it; this program takes interlaced "
           "pictures of up to 16,777,216 pixels (4096 x 4096): save it without interlacing";
}
