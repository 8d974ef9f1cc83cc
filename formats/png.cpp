#include "formats/png.h"

#include <spng.h>

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "formats/colour.h"

namespace {

constexpr int kBytesPerPixel = 4;  // red, green, blue, alpha
constexpr uint8_t kOpaqueFrom = 128;

// Where each of the seven interlace passes puts its pixels within a row.
constexpr int kPassFirstColumn[7] = {0, 4, 0, 2, 0, 1, 0};
constexpr int kPassColumnStep[7] = {8, 8, 4, 4, 2, 2, 1};
constexpr int kLastPass = 6;

struct ContextDeleter {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using Context = std::unique_ptr<spng_ctx, ContextDeleter>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A decoder with the limits set; a bad ancillary checksum drops that chunk
// rather than the whole picture.
Context NewDecoder() {
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Lets the fuzzer past checksums it cannot forge to the data behind them.
    Context ctx(spng_ctx_new(SPNG_CTX_IGNORE_ADLER32));
    const int criticalCrc = SPNG_CRC_USE;
#else
    Context ctx(spng_ctx_new(0));
    const int criticalCrc = SPNG_CRC_ERROR;
#endif
    if (!ctx) return ctx;
    if (spng_set_image_limits(ctx.get(), kMaxPngSide, kMaxPngSide) != 0 ||
        spng_set_chunk_limits(ctx.get(), kMaxPngChunkBytes, kMaxPngChunkCacheBytes) != 0 ||
        spng_set_crc_action(ctx.get(), criticalCrc, SPNG_CRC_DISCARD) != 0) {
        ctx.reset();
    }
    return ctx;
}

// Errors reading the signature and header chunk: the file is refused.
PngRefusal HeaderRefusal(int error) {
    switch (error) {
        case SPNG_ESIGNATURE:
            return PngRefusal::NotPng;
        case SPNG_EUSER_WIDTH:
        case SPNG_EUSER_HEIGHT:
            return PngRefusal::TooLarge;
        case SPNG_EMEM:
            return PngRefusal::OutOfMemory;
        default:
            return PngRefusal::BadHeader;
    }
}

// Errors past the header chunk: the file ends early, its image data is
// corrupt, or a chunk before the image data is malformed or over the limits.
PngRefusal DataRefusal(int error) {
    switch (error) {
        case SPNG_IO_EOF:
        case SPNG_IO_ERROR:
        case SPNG_EOF:
        case SPNG_EIDAT_TOO_SHORT:
        case SPNG_EIDAT_STREAM:
        case SPNG_EZLIB:
        case SPNG_EFILTER:
            return PngRefusal::Damaged;
        case SPNG_ECHUNK_LIMITS:
            return PngRefusal::TooLarge;
        case SPNG_EMEM:
            return PngRefusal::OutOfMemory;
        default:
            return PngRefusal::BadHeader;
    }
}

PngHeader HeaderOf(spng_ctx* ctx) {
    spng_ihdr ihdr{};
    const int error = spng_get_ihdr(ctx, &ihdr);
    if (error != 0) return {{}, HeaderRefusal(error)};
    return {{static_cast<int32_t>(ihdr.width), static_cast<int32_t>(ihdr.height)},
            PngRefusal::None};
}

uint16_t PackPixel(const uint8_t* rgba, uint16_t magenta) {
    return rgba[3] < kOpaqueFrom ? magenta : PackRgb(rgba[0], rgba[1], rgba[2]);
}

struct RowPlan {
    int columns = 0;  // of the picture that land in the destination
    int rows = 0;
    bool interlaced = false;
};

// Packs the pixels that this row's pass delivered; the others in `rgba` are
// left from earlier rows and must not be copied.
void WriteRow(const std::vector<uint8_t>& rgba, const spng_row_info& info, const RowPlan& plan,
              const PixelTarget& dest) {
    if (info.row_num >= static_cast<uint32_t>(plan.rows)) return;
    const int pass = plan.interlaced ? info.pass : kLastPass;
    const int step = kPassColumnStep[pass];
    const uint16_t magenta = PackRgb(255, 0, 255);
    uint16_t* out = dest.pixels + static_cast<ptrdiff_t>(info.row_num) * dest.pitch;
    const int row = static_cast<int>(info.row_num);
    for (int x = kPassFirstColumn[pass]; x < plan.columns; x += step) {
        const uint8_t* pixel = &rgba[static_cast<size_t>(x) * kBytesPerPixel];
        out[x] = dest.colour ? dest.colour->PackRgba(pixel, x, row) : PackPixel(pixel, magenta);
    }
}

// Every row the destination shows has had all its passes once the next row
// due is past them in the last pass (or, without interlacing, in any pass).
bool DestinationFilled(const spng_row_info& next, const RowPlan& plan) {
    const bool lastPass = !plan.interlaced || next.pass == kLastPass;
    return lastPass && next.row_num >= static_cast<uint32_t>(plan.rows);
}

RowPlan PlanRows(const spng_ihdr& ihdr, const PixelTarget& dest) {
    RowPlan plan;
    plan.columns = static_cast<int>(std::min<uint32_t>(ihdr.width, std::max(dest.width, 0)));
    plan.rows = static_cast<int>(std::min<uint32_t>(ihdr.height, std::max(dest.rows, 0)));
    plan.interlaced = ihdr.interlace_method != SPNG_INTERLACE_NONE;
    return plan;
}

void ClearClippedArea(const RowPlan& plan, const PixelTarget& dest) {
    for (int y = 0; y < plan.rows; ++y) {
        uint16_t* row = dest.pixels + static_cast<ptrdiff_t>(y) * dest.pitch;
        std::fill(row, row + plan.columns, uint16_t{0});
    }
}

PngRefusal DecodeRows(spng_ctx* ctx, const RowPlan& plan, std::vector<uint8_t>& rgba,
                      const PixelTarget& dest) {
    for (;;) {
        spng_row_info info{};
        const int infoError = spng_get_row_info(ctx, &info);
        // The decoder may say the image has ended only when asked for the
        // next row (an interlaced picture one row high, whose last pass
        // holds no row).
        if (infoError == SPNG_EOI) return PngRefusal::None;
        if (infoError != 0) return DataRefusal(infoError);
        if (DestinationFilled(info, plan)) return PngRefusal::None;
        const int status = spng_decode_row(ctx, rgba.data(), rgba.size());
        if (status != 0 && status != SPNG_EOI) return DataRefusal(status);
        WriteRow(rgba, info, plan, dest);
        if (status == SPNG_EOI) return PngRefusal::None;
    }
}

// Decodes from whatever source `ctx` was given. Once the header chunk is
// accepted the clipped area is cleared, so pixels a failure leaves
// undecoded are 0.
PngRefusal Decode(spng_ctx* ctx, const PixelTarget& dest) {
    assert(dest.width <= dest.pitch);
    assert(dest.pixels != nullptr || dest.width <= 0 || dest.rows <= 0);
    spng_ihdr ihdr{};
    const int headerError = spng_get_ihdr(ctx, &ihdr);
    if (headerError != 0) return HeaderRefusal(headerError);
    const RowPlan plan = PlanRows(ihdr, dest);
    ClearClippedArea(plan, dest);
    std::vector<uint8_t> rgba;
    try {
        rgba.resize(static_cast<size_t>(ihdr.width) * kBytesPerPixel);
    } catch (const std::bad_alloc&) {
        return PngRefusal::OutOfMemory;
    }
    const int error = spng_decode_image(ctx, nullptr, 0, SPNG_FMT_RGBA8,
                                        SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE);
    if (error != 0) return DataRefusal(error);
    if (plan.columns == 0 || plan.rows == 0) return PngRefusal::None;
    return DecodeRows(ctx, plan, rgba, dest);
}

// Bytes in memory are read through the same stream interface as a file, so
// a buffer and a file cut at the same place decode alike.
struct MemoryStream {
    const uint8_t* next;
    size_t left;
};

int ReadMemory(spng_ctx*, void* user, void* dest, size_t length) {
    auto* stream = static_cast<MemoryStream*>(user);
    if (length > stream->left) return SPNG_IO_EOF;
    std::memcpy(dest, stream->next, length);
    stream->next += length;
    stream->left -= length;
    return 0;
}

Context DecoderOnBytes(MemoryStream& stream) {
    Context ctx = NewDecoder();
    if (ctx && spng_set_png_stream(ctx.get(), ReadMemory, &stream) != 0) ctx.reset();
    return ctx;
}

Context DecoderOnFile(std::FILE* file) {
    Context ctx = NewDecoder();
    if (ctx && spng_set_png_file(ctx.get(), file) != 0) ctx.reset();
    return ctx;
}

}  // namespace

const char* DescribePngRefusal(PngRefusal refusal) {
    switch (refusal) {
        case PngRefusal::None:
            return "the picture was read";
        case PngRefusal::Unreadable:
            return "the file could not be opened";
        case PngRefusal::NotPng:
            return "the file is not a PNG picture";
        case PngRefusal::BadHeader:
            return "the PNG picture's header is damaged";
        case PngRefusal::TooLarge:
            return "the PNG picture is too large";
        case PngRefusal::Damaged:
            return "the PNG picture's image data is damaged or cut short";
        case PngRefusal::OutOfMemory:
            return "there was not enough memory to read the PNG picture";
    }
    return "the PNG picture could not be read";
}

PngHeader ReadPngHeader(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr || size == 0) return {{}, PngRefusal::NotPng};
    MemoryStream stream{bytes, size};
    Context ctx = DecoderOnBytes(stream);
    if (!ctx) return {{}, PngRefusal::OutOfMemory};
    return HeaderOf(ctx.get());
}

PngSize ReadPngSize(const uint8_t* bytes, size_t size) {
    return ReadPngHeader(bytes, size).size;
}

PngRefusal DecodePng(const uint8_t* bytes, size_t size, const PixelTarget& dest) {
    if (bytes == nullptr || size == 0) return PngRefusal::NotPng;
    MemoryStream stream{bytes, size};
    Context ctx = DecoderOnBytes(stream);
    if (!ctx) return PngRefusal::OutOfMemory;
    return Decode(ctx.get(), dest);
}

bool DecodePngFile(const uint8_t* bytes, size_t size, const PixelTarget& dest) {
    return DecodePng(bytes, size, dest) == PngRefusal::None;
}

PngHeader ReadPngStreamHeader(std::FILE* file) {
    Context ctx = DecoderOnFile(file);
    if (!ctx) return {{}, PngRefusal::OutOfMemory};
    return HeaderOf(ctx.get());
}

PngHeader ReadPngFileHeader(const std::string& path) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) return {{}, PngRefusal::Unreadable};
    return ReadPngStreamHeader(file.get());
}

PngSize GetPngSize(const std::string& path) {
    return ReadPngFileHeader(path).size;
}

PngRefusal DecodePngStream(std::FILE* file, const PixelTarget& dest) {
    Context ctx = DecoderOnFile(file);
    if (!ctx) return PngRefusal::OutOfMemory;
    return Decode(ctx.get(), dest);
}

PngRefusal DecodePngFromPath(const std::string& path, const PixelTarget& dest) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) return PngRefusal::Unreadable;
    return DecodePngStream(file.get(), dest);
}

bool LoadPng(uint16_t* dest, int pitch, int destWidth, int destRows, const std::string& path) {
    return DecodePngFromPath(path, PixelTarget{dest, pitch, destWidth, destRows}) ==
           PngRefusal::None;
}
