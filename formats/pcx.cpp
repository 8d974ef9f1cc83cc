#include "formats/pcx.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>
#include <optional>
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

PcxRefusal CheckHeader(const PcxHeader& header) {
    if (header.manufacturer != kManufacturer) return PcxRefusal::Manufacturer;
    if (header.version != kVersion) return PcxRefusal::Version;
    if (header.bitsPerPixel != 8) return PcxRefusal::BitsPerPixel;
    if (header.planes != 3 && header.planes != 1) return PcxRefusal::Planes;
    if (header.xMax < header.xMin || header.yMax < header.yMin) return PcxRefusal::NoPixels;
    const int32_t width = int32_t{header.xMax} - int32_t{header.xMin} + 1;
    if (width > header.bytesPerLine) return PcxRefusal::LineShorterThanWidth;
    return PcxRefusal::None;
}

// The 256-colour palette sits in the last 769 bytes: a marker, then the colours.
const uint8_t* FindPalette(const uint8_t* file, size_t size) {
    if (size < kPcxHeaderSize + kPaletteTrailer) return nullptr;
    const uint8_t* trailer = file + size - kPaletteTrailer;
    return trailer[0] == kPaletteMarker ? trailer + 1 : nullptr;
}

// Image data read from a file through one fixed buffer, never more than
// `limit` bytes of it. A failed read ends the data early and is remembered.
class FileChunks {
  public:
    FileChunks(std::FILE* file, uint64_t limit, size_t chunkBytes)
        : file_(file), left_(limit), buffer_(std::max<size_t>(chunkBytes, 2)) {}

    // Moves the unread bytes [next, end), fewer than two, to the buffer's
    // start and reads more behind them. False when fewer than two bytes are
    // then at hand, which happens only at the end of the data.
    bool Refill(const uint8_t*& next, const uint8_t*& end) {
        const size_t kept = static_cast<size_t>(end - next);
        if (kept > 0) std::memmove(buffer_.data(), next, kept);
        size_t got = 0;
        if (!ended_) {
            const size_t asked =
                static_cast<size_t>(std::min<uint64_t>(buffer_.size() - kept, left_));
            got = std::fread(buffer_.data() + kept, 1, asked, file_);
            left_ -= got;
            ended_ = got < asked || left_ == 0;
            failed_ = got < asked && std::ferror(file_) != 0;
        }
        next = buffer_.data();
        end = next + kept + got;
        return kept + got >= 2;
    }

    bool Failed() const { return failed_; }

  private:
    std::FILE* file_;
    uint64_t left_;
    std::vector<uint8_t> buffer_;
    bool ended_ = false;
    bool failed_ = false;
};

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

// Run-length decoding over the whole image data as one stream, held in memory
// or read from a file chunk by chunk. A run longer than the space asked for
// keeps its remainder for the next call. Uncompressed data is copied.
class RunStream {
  public:
    RunStream(const uint8_t* data, size_t size, bool runLength)
        : next_(data), end_(data + size), runLength_(runLength) {}
    RunStream(FileChunks& chunks, bool runLength) : chunks_(&chunks), runLength_(runLength) {}

    // Writes up to `count` bytes to `out`, which has `kRunSpill` more bytes of
    // room; returns how many the data reached. Runs and literals take the same
    // branch-free path, which keeps noisy pictures fast.
    size_t Fill(uint8_t* out, size_t count) {
        if (!runLength_) return Copy(out, count);
        size_t filled = TakeRun(out, count);
        do {
            filled = DecodeCodes(out, filled, count);
        } while (filled < count && Refill());
        // A last lone byte is a literal, or a run whose value was cut off.
        if (filled < count && end_ - next_ == 1) {
            if (*next_ < kRunFlags) out[filled++] = *next_;
            ++next_;
        }
        return filled;
    }

  private:
    size_t Copy(uint8_t* out, size_t count) {
        size_t filled = 0;
        for (;;) {
            const size_t taken = std::min(count - filled, static_cast<size_t>(end_ - next_));
            if (taken > 0) std::memcpy(out + filled, next_, taken);
            next_ += taken;
            filled += taken;
            if (filled == count) return filled;
            Refill();
            if (next_ == end_) return filled;
        }
    }

    // Decodes whole codes at hand until `count` bytes are filled. Works on
    // local copies, which the compiler keeps in registers.
    size_t DecodeCodes(uint8_t* out, size_t filled, size_t count) {
        const uint8_t* next = next_;
        const uint8_t* const end = end_;
        while (filled < count && end - next >= 2) {
            const uint8_t code = next[0];
            // Arithmetic rather than a branch: on noise, runs and literals mix
            // at random and a branch would be mispredicted at every other code.
            const size_t isRun = code >= kRunFlags;
            const uint8_t value = next[isRun];
            const size_t length = isRun * (code & 0x3Fu) + (1 - isRun);
            next += 1 + isRun;
            StoreRun(out + filled, value, length);
            const size_t taken = std::min(length, count - filled);
            filled += taken;
            pendingCount_ = length - taken;
            pendingValue_ = value;
        }
        next_ = next;
        return filled;
    }
    bool Refill() { return chunks_ != nullptr && chunks_->Refill(next_, end_); }

    size_t TakeRun(uint8_t* out, size_t room) {
        const size_t taken = std::min(pendingCount_, room);
        std::memset(out, pendingValue_, taken);
        pendingCount_ -= taken;
        return taken;
    }

    const uint8_t* next_ = nullptr;
    const uint8_t* end_ = nullptr;
    FileChunks* chunks_ = nullptr;
    size_t pendingCount_ = 0;
    uint8_t pendingValue_ = 0;
    bool runLength_ = true;
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
    // The tail starts where the whole blocks end, not where the block loop
    // stopped, so a block it missed would show.
    const int blockEnd = shifts.valid ? columns - columns % 8 : 0;
    for (int x = 0; x < blockEnd; x += 8) {
        const Words8 packed = WidenShifted(red + x, shifts.red) |
                              WidenShifted(green + x, shifts.green) |
                              WidenShifted(blue + x, shifts.blue);
        std::memcpy(out + x, &packed, sizeof packed);
    }
    for (int x = blockEnd; x < columns; ++x) out[x] = PackRgb(red[x], green[x], blue[x]);
}

void ConvertIndexLine(const uint8_t* line, int reached, int columns, const uint16_t* colours,
                      uint16_t* out) {
    for (int x = 0; x < reached; ++x) out[x] = colours[line[x]];
    std::fill(out + reached, out + columns, uint16_t{0});
}

// Dithering packs each pixel on its own, its place in the picture choosing
// the threshold.
void DitherRgbLine(const uint8_t* line, size_t bytesPerLine, int columns, int y,
                   const ColourConverter& colour, uint16_t* out) {
    const uint8_t* red = line;
    const uint8_t* green = line + bytesPerLine;
    const uint8_t* blue = green + bytesPerLine;
    for (int x = 0; x < columns; ++x) out[x] = colour.Pack(red[x], green[x], blue[x], x, y);
}

void DitherIndexLine(const uint8_t* line, int reached, int columns, int y, const uint8_t* palette,
                     const ColourConverter& colour, uint16_t* out) {
    for (int x = 0; x < reached; ++x) {
        const uint8_t* rgb = palette + 3 * line[x];
        out[x] = colour.Pack(rgb[0], rgb[1], rgb[2], x, y);
    }
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

// Reads a paletted file's last 769 bytes and leaves the file at the image
// data. When they hold the palette, `layout.palette` points at its copy in
// `palette` and the image data ends before them. Returns how many bytes of
// image data there are at most; nothing when the file cannot be read.
std::optional<uint64_t> ReadPaletteTrailer(std::FILE* file, uint8_t* palette, PcxLayout& layout) {
    if (std::fseek(file, 0, SEEK_END) != 0) return std::nullopt;
    const long size = std::ftell(file);
    if (size < 0) return std::nullopt;
    uint64_t dataLimit = UINT64_MAX;
    if (static_cast<uint64_t>(size) >= kPcxHeaderSize + kPaletteTrailer) {
        uint8_t trailer[kPaletteTrailer];
        if (std::fseek(file, size - static_cast<long>(kPaletteTrailer), SEEK_SET) != 0 ||
            std::fread(trailer, 1, sizeof trailer, file) != sizeof trailer) {
            return std::nullopt;
        }
        if (trailer[0] == kPaletteMarker) {
            std::memcpy(palette, trailer + 1, kPaletteBytes);
            layout.palette = palette;
            dataLimit = static_cast<uint64_t>(size) - kPcxHeaderSize - kPaletteTrailer;
        }
    }
    if (std::fseek(file, static_cast<long>(kPcxHeaderSize), SEEK_SET) != 0) return std::nullopt;
    return dataLimit;
}

// False when the data ended before the rows were filled.
bool DecodeRows(const PixelTarget& dest, RunStream& stream, const PcxLayout& layout) {
    assert(dest.pixels != nullptr);
    assert(dest.width <= dest.pitch);
    const int columns = std::min(layout.width, int32_t{dest.width});
    const int rows = std::min(layout.height, int32_t{dest.rows});
    if (columns <= 0 || rows <= 0) return true;
    const size_t bytesPerLine = static_cast<size_t>(layout.bytesPerLine);
    const size_t lineBytes = bytesPerLine * static_cast<size_t>(layout.planes);
    const PaletteColours colours = PackPalette(layout.planes == 1 ? layout.palette : nullptr);
    const PackShifts shifts = FindPackShifts();
    const bool dither = dest.colour != nullptr && dest.colour->Dithers();
    std::vector<uint8_t> line(lineBytes + kRunSpill);
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
        const int indexed = static_cast<int>(std::min(reached, static_cast<size_t>(columns)));
        if (layout.planes == 3 && dither)
            DitherRgbLine(line.data(), bytesPerLine, columns, y, *dest.colour, out);
        else if (layout.planes == 3)
            ConvertRgbLine(line.data(), bytesPerLine, columns, shifts, out);
        else if (dither && layout.palette != nullptr)
            DitherIndexLine(line.data(), indexed, columns, y, layout.palette, *dest.colour, out);
        else
            ConvertIndexLine(line.data(), indexed, columns, colours.pixel, out);
    }
    return dataLeft;
}

PcxShortfall ShortfallOf(bool rowsFilled, const PcxLayout& layout) {
    if (!rowsFilled) return PcxShortfall::RowsCutShort;
    if (layout.planes == 1 && layout.palette == nullptr) return PcxShortfall::PaletteMissing;
    return PcxShortfall::None;
}

}  // namespace

const char* PcxRefusalText(PcxRefusal refusal) {
    switch (refusal) {
        case PcxRefusal::None:
            return "accepted";
        case PcxRefusal::TooShort:
            return "the file is shorter than its 128-byte header";
        case PcxRefusal::Manufacturer:
            return "not a PCX file (maker byte is not 10)";
        case PcxRefusal::Version:
            return "not a version 5 PCX file";
        case PcxRefusal::BitsPerPixel:
            return "planes are not 8 bits per pixel";
        case PcxRefusal::Planes:
            return "neither three colour planes nor one of palette indices";
        case PcxRefusal::NoPixels:
            return "the header gives the picture no pixels (a width or height below 1)";
        case PcxRefusal::LineShorterThanWidth:
            return "plane lines are shorter than the picture";
    }
    return "unknown refusal";
}

const char* PcxShortfallText(PcxShortfall shortfall) {
    switch (shortfall) {
        case PcxShortfall::None:
            return "complete";
        case PcxShortfall::RowsCutShort:
            return "the file is cut short: its image data ends before the last row";
        case PcxShortfall::PaletteMissing:
            return "the file is cut short: the 256-colour palette at its end is missing";
        case PcxShortfall::ReadFailed:
            return "the file could not be read to its end";
    }
    return "unknown shortfall";
}

PcxLayoutOr ReadPcxLayout(const uint8_t* file, size_t size) {
    PcxLayoutOr read;
    if (file == nullptr || size < kPcxHeaderSize) {
        read.refusal = PcxRefusal::TooShort;
        return read;
    }
    const PcxHeader header = ParseHeader(file);
    read.refusal = CheckHeader(header);
    if (!read.Accepted()) return read;
    read.layout.width = int32_t{header.xMax} - int32_t{header.xMin} + 1;
    read.layout.height = int32_t{header.yMax} - int32_t{header.yMin} + 1;
    read.layout.planes = header.planes;
    read.layout.bytesPerLine = header.bytesPerLine;
    read.layout.runLength = header.encoding != 0;
    return read;
}

PcxSize ReadPcxSize(const uint8_t* file, size_t size) {
    const PcxLayoutOr read = ReadPcxLayout(file, size);
    if (!read.Accepted()) return {};
    return {read.layout.width, read.layout.height};
}

PcxShortfall DecodePcx(const PixelTarget& dest, const uint8_t* data, size_t size,
                       const PcxLayout& layout) {
    assert(data != nullptr);
    RunStream stream(data, size, layout.runLength);
    return ShortfallOf(DecodeRows(dest, stream, layout), layout);
}

PcxOutcome DecodePcxBytes(const uint8_t* file, size_t size, const PixelTarget& dest) {
    PcxLayoutOr read = ReadPcxLayout(file, size);
    if (!read.Accepted()) return {read.refusal, PcxShortfall::None};
    size_t dataSize = size - kPcxHeaderSize;
    if (read.layout.planes == 1) read.layout.palette = FindPalette(file, size);
    if (read.layout.palette != nullptr) dataSize -= kPaletteTrailer;
    return {PcxRefusal::None, DecodePcx(dest, file + kPcxHeaderSize, dataSize, read.layout)};
}

bool DecodePcxFile(const uint8_t* file, size_t size, const PixelTarget& dest) {
    return DecodePcxBytes(file, size, dest).Accepted();
}

PcxOutcome DecodePcxFrom(std::FILE* file, const PixelTarget& dest, size_t chunkBytes) {
    uint8_t header[kPcxHeaderSize];
    const size_t got = std::fread(header, 1, sizeof header, file);
    PcxLayoutOr read = ReadPcxLayout(header, got);
    if (!read.Accepted()) return {read.refusal, PcxShortfall::None};
    uint8_t palette[kPaletteBytes];
    uint64_t dataLimit = UINT64_MAX;
    if (read.layout.planes == 1) {
        const std::optional<uint64_t> limit = ReadPaletteTrailer(file, palette, read.layout);
        if (!limit) return {PcxRefusal::None, PcxShortfall::ReadFailed};
        dataLimit = *limit;
    }
    FileChunks chunks(file, dataLimit, chunkBytes);
    RunStream stream(chunks, read.layout.runLength);
    const bool rowsFilled = DecodeRows(dest, stream, read.layout);
    if (chunks.Failed()) return {PcxRefusal::None, PcxShortfall::ReadFailed};
    return {PcxRefusal::None, ShortfallOf(rowsFilled, read.layout)};
}

bool DecodePcxStream(std::FILE* file, const PixelTarget& dest, size_t chunkBytes) {
    const PcxOutcome outcome = DecodePcxFrom(file, dest, chunkBytes);
    return outcome.Accepted() && outcome.shortfall != PcxShortfall::ReadFailed;
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
    const bool decoded = DecodePcxStream(file, PixelTarget{dest, pitch, destWidth, destRows});
    std::fclose(file);
    return decoded;
}
