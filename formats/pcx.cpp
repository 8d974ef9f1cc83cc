#include "formats/pcx.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>
#include <vector>

#include "formats/colour.h"

static_assert(offsetof(PcxHeader, xMin) == 4, "Xmin sits at offset 4");
static_assert(offsetof(PcxHeader, planes) == 65, "NPlanes sits at offset 65");
static_assert(offsetof(PcxHeader, bytesPerLine) == 66, "BytesPerLine sits at offset 66");

namespace {

constexpr uint8_t kManufacturer = 10;
constexpr uint8_t kVersion = 5;
constexpr uint8_t kPaletteMarker = 12;
constexpr size_t kPaletteBytes = 768;
constexpr size_t kPaletteTrailer = 1 + kPaletteBytes;
constexpr uint8_t kRunFlags = 0xC0;

uint16_t ReadLe16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

PcxHeader ParseHeader(const uint8_t* bytes) {
    PcxHeader header{};
    header.manufacturer = bytes[0];
    header.version = bytes[1];
    header.encoding = bytes[2];
    header.bitsPerPixel = bytes[3];
    header.xMin = static_cast<int16_t>(ReadLe16(bytes + 4));
    header.yMin = static_cast<int16_t>(ReadLe16(bytes + 6));
    header.xMax = static_cast<int16_t>(ReadLe16(bytes + 8));
    header.yMax = static_cast<int16_t>(ReadLe16(bytes + 10));
    header.horizontalDpi = ReadLe16(bytes + 12);
    header.verticalDpi = ReadLe16(bytes + 14);
    std::memcpy(header.colourMap, bytes + 16, sizeof header.colourMap);
    header.reserved = bytes[64];
    header.planes = bytes[65];
    header.bytesPerLine = ReadLe16(bytes + 66);
    header.paletteInfo = ReadLe16(bytes + 68);
    header.screenWidth = ReadLe16(bytes + 70);
    header.screenHeight = ReadLe16(bytes + 72);
    std::memcpy(header.filler, bytes + 74, sizeof header.filler);
    return header;
}

bool IsSupportedPlaneLayout(const PcxHeader& header) {
    return header.bitsPerPixel == 8 && (header.planes == 3 || header.planes == 1);
}

// The 256-colour palette sits in the last 769 bytes: a marker, then the colours.
const uint8_t* FindPalette(const uint8_t* file, size_t size) {
    if (size < kPcxHeaderSize + kPaletteTrailer) return nullptr;
    const uint8_t* trailer = file + size - kPaletteTrailer;
    return trailer[0] == kPaletteMarker ? trailer + 1 : nullptr;
}

// Room a run may spill past the bytes asked of `RunStream::Fill`: a whole
// run is stored at once and the excess left to be overwritten.
constexpr size_t kRunSpill = 64;

// Stores at least `length` (at most 63) copies of `value`, in whole words.
void StoreRun(uint8_t* out, uint8_t value, size_t length) {
    const uint64_t word = value * 0x0101010101010101ull;
    std::memcpy(out, &word, sizeof word);
    if (length <= sizeof word) return;  // literals and short runs: one store
    for (size_t i = sizeof word; i < kRunSpill; i += sizeof word) {
        std::memcpy(out + i, &word, sizeof word);
    }
}

// Run-length decoding over the whole image data as one stream. A run longer
// than the space asked for keeps its remainder for the next call.
class RunStream {
  public:
    RunStream(const uint8_t* data, size_t size) : next_(data), end_(data + size) {}

    // Writes up to `count` bytes to `out`, which has `kRunSpill` more bytes of
    // room; returns how many the data reached. Runs and literals take the same
    // branch-free path, which keeps noisy pictures fast.
    size_t Fill(uint8_t* out, size_t count) {
        size_t filled = TakeRun(out, count);
        while (filled < count && end_ - next_ >= 2) {
            const uint8_t code = next_[0];
            // Arithmetic rather than a branch: on noise, runs and literals mix
            // at random and a branch would be mispredicted at every other code.
            const size_t isRun = code >= kRunFlags;
            const uint8_t value = next_[isRun];
            const size_t length = isRun * (code & 0x3Fu) + (1 - isRun);
            next_ += 1 + isRun;
            StoreRun(out + filled, value, length);
            const size_t taken = std::min(length, count - filled);
            filled += taken;
            pendingCount_ = length - taken;
            pendingValue_ = value;
        }
        // A last lone byte is a literal, or a run whose value was cut off.
        if (filled < count && end_ - next_ == 1) {
            if (*next_ < kRunFlags) out[filled++] = *next_;
            ++next_;
        }
        return filled;
    }

  private:
    size_t TakeRun(uint8_t* out, size_t room) {
        const size_t taken = std::min(pendingCount_, room);
        std::memset(out, pendingValue_, taken);
        pendingCount_ -= taken;
        return taken;
    }

    const uint8_t* next_;
    const uint8_t* end_;
    size_t pendingCount_ = 0;
    uint8_t pendingValue_ = 0;
};

// BuildColourTables makes every table a plain shift of the channel value (its
// top bits moved into place). When the tables have that form, eight pixels at
// a time are packed with vector shifts, giving the very values of the tables.
struct ChannelShift {
    int right = 0;
    int left = 0;
};

bool FindChannelShift(const uint16_t* table, ChannelShift& shift) {
    const uint16_t top = table[255];
    const int width = __builtin_popcount(top);
    if (width > 8) return false;
    shift = {8 - width, top == 0 ? 0 : __builtin_ctz(top)};
    for (int i = 0; i < 256; ++i) {
        if (table[i] != static_cast<uint16_t>((i >> shift.right) << shift.left)) return false;
    }
    return true;
}

struct PackShifts {
    bool valid = false;
    ChannelShift red, green, blue;
};

PackShifts FindPackShifts() {
    PackShifts shifts;
    shifts.valid = FindChannelShift(g_redTable, shifts.red) &&
                   FindChannelShift(g_greenTable, shifts.green) &&
                   FindChannelShift(g_blueTable, shifts.blue);
    return shifts;
}

typedef uint8_t Bytes8 __attribute__((vector_size(8)));
typedef uint16_t Words8 __attribute__((vector_size(16)));

Words8 WidenShifted(const uint8_t* bytes, const ChannelShift& shift) {
    Bytes8 narrow;
    std::memcpy(&narrow, bytes, sizeof narrow);
    return (__builtin_convertvector(narrow, Words8) >> shift.right) << shift.left;
}

void ConvertRgbLine(const uint8_t* line, size_t bytesPerLine, int columns, const PackShifts& shifts,
                    uint16_t* out) {
    const uint8_t* red = line;
    const uint8_t* green = line + bytesPerLine;
    const uint8_t* blue = green + bytesPerLine;
    int x = 0;
    if (shifts.valid) {
        for (; x + 8 <= columns; x += 8) {
            const Words8 packed = WidenShifted(red + x, shifts.red) |
                                  WidenShifted(green + x, shifts.green) |
                                  WidenShifted(blue + x, shifts.blue);
            std::memcpy(out + x, &packed, sizeof packed);
        }
    }
    for (; x < columns; ++x) out[x] = PackRgb(red[x], green[x], blue[x]);
}

void ConvertIndexLine(const uint8_t* line, int reached, int columns, const uint16_t* colours,
                      uint16_t* out) {
    for (int x = 0; x < reached; ++x) out[x] = colours[line[x]];
    std::fill(out + reached, out + columns, uint16_t{0});
}

struct PaletteColours {
    uint16_t pixel[256] = {};
};

PaletteColours PackPalette(const uint8_t* palette) {
    PaletteColours colours;
    if (palette == nullptr) return colours;
    for (int i = 0; i < 256; ++i) {
        const uint8_t* rgb = palette + 3 * i;
        colours.pixel[i] = PackRgb(rgb[0], rgb[1], rgb[2]);
    }
    return colours;
}

std::vector<uint8_t> ReadWholeFile(std::FILE* file) {
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

}  // namespace

std::optional<PcxLayout> ReadPcxLayout(const uint8_t* file, size_t size) {
    if (file == nullptr || size < kPcxHeaderSize) return std::nullopt;
    const PcxHeader header = ParseHeader(file);
    if (header.manufacturer != kManufacturer || header.version != kVersion) return std::nullopt;
    if (!IsSupportedPlaneLayout(header)) return std::nullopt;
    PcxLayout layout;
    layout.width = int32_t{header.xMax} - int32_t{header.xMin} + 1;
    layout.height = int32_t{header.yMax} - int32_t{header.yMin} + 1;
    layout.planes = header.planes;
    layout.bytesPerLine = header.bytesPerLine;
    if (layout.width > layout.bytesPerLine) return std::nullopt;
    if (layout.planes == 1) layout.palette = FindPalette(file, size);
    return layout;
}

PcxSize ReadPcxSize(const uint8_t* file, size_t size) {
    const std::optional<PcxLayout> layout = ReadPcxLayout(file, size);
    if (!layout) return {};
    return {layout->width, layout->height};
}

void DecodePcx(const PixelTarget& dest, const uint8_t* data, size_t size, const PcxLayout& layout) {
    assert(dest.pixels != nullptr);
    assert(data != nullptr);
    assert(dest.width <= dest.pitch);
    const int columns = std::min(layout.width, int32_t{dest.width});
    const int rows = std::min(layout.height, int32_t{dest.rows});
    if (columns <= 0 || rows <= 0) return;
    const size_t bytesPerLine = static_cast<size_t>(layout.bytesPerLine);
    const size_t lineBytes = bytesPerLine * static_cast<size_t>(layout.planes);
    const PaletteColours colours = PackPalette(layout.planes == 1 ? layout.palette : nullptr);
    const PackShifts shifts = FindPackShifts();
    std::vector<uint8_t> line(lineBytes + kRunSpill);
    RunStream stream(data, size);
    bool dataLeft = true;
    for (int y = 0; y < rows; ++y) {
        uint16_t* out = dest.pixels + static_cast<ptrdiff_t>(y) * dest.pitch;
        if (!dataLeft) {
            std::fill(out, out + columns, uint16_t{0});
            continue;
        }
        const size_t reached = stream.Fill(line.data(), lineBytes);
        if (reached < lineBytes) {
            std::memset(line.data() + reached, 0, lineBytes - reached);
            dataLeft = false;
        }
        if (layout.planes == 3) {
            ConvertRgbLine(line.data(), bytesPerLine, columns, shifts, out);
        } else {
            const int indexed = static_cast<int>(std::min(reached, static_cast<size_t>(columns)));
            ConvertIndexLine(line.data(), indexed, columns, colours.pixel, out);
        }
    }
}

bool DecodePcxFile(const uint8_t* file, size_t size, const PixelTarget& dest) {
    const std::optional<PcxLayout> layout = ReadPcxLayout(file, size);
    if (!layout) return false;
    size_t dataSize = size - kPcxHeaderSize;
    if (layout->palette != nullptr) dataSize -= kPaletteTrailer;
    DecodePcx(dest, file + kPcxHeaderSize, dataSize, *layout);
    return true;
}

PcxSize GetPcxSize(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return {};
    uint8_t header[kPcxHeaderSize] = {};
    const size_t got = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    return ReadPcxSize(header, got);
}

bool LoadPcx(uint16_t* dest, int pitch, int destWidth, int destRows, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    const std::vector<uint8_t> bytes = ReadWholeFile(file);
    std::fclose(file);
    return DecodePcxFile(bytes.data(), bytes.size(), PixelTarget{dest, pitch, destWidth, destRows});
}
