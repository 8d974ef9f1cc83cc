// Feeds arbitrary bytes to the PCX decoder. The first four bytes choose the
// destination and the display's colour layout; the rest is the file:
//   byte 0, bits 0-1: 0 the 640 x 480 picture buffer, 1 the 800 x 600 screen,
//                     2 the 1400 x 2500 sheet, 3 a small block of bytes 1-3;
//   byte 0, bit 2:    5-5-5 colour masks instead of 5-6-5;
//   byte 0, bits 3-7: 0 reads a stream in the usual chunks, n in chunks of
//                     n + 1 bytes;
//   byte 1, byte 2:   the small block's width and rows (0 to 63);
//   byte 3:           how far (0 to 7) the small block's pitch exceeds its width.
// The destination sits between guard rows, and any write outside the picture's
// corner of it is caught here even where the sanitizers cannot see it. The
// file is decoded twice, from memory and as a stream read chunk by chunk,
// which must agree.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/colour.h"
#include "formats/pcx.h"

namespace {

constexpr size_t kPrefixBytes = 4;
constexpr int kGuardRows = 2;
constexpr uint16_t kSentinel = 0xA5A5;
constexpr uint8_t kSentinelByte = 0xA5;

struct Geometry {
    int pitch = 0, width = 0, rows = 0;
};

Geometry ChooseGeometry(const uint8_t* prefix) {
    switch (prefix[0] & 3) {
        case 0:
            return {640, 640, 480};
        case 1:
            return {800, 800, 600};
        case 2:
            return {1400, 1400, 2500};
        default:
            break;
    }
    const int width = prefix[1] % 64;
    // A pitch of 0 would leave no room for the guard rows to show anything.
    return {width + prefix[3] % 8 + 1, width, prefix[2] % 64};
}

// A destination between guard rows, in storage kept from run to run (the
// sheet is 7 MB): only what the last run was allowed to change is set back
// to the sentinel before the next.
class GuardedTarget {
  public:
    void Prepare(const Geometry& geometry) {
        if (dirtyCount_ > 0) {
            std::memset(&storage_[dirtyStart_], kSentinelByte, dirtyCount_ * sizeof(uint16_t));
        }
        dirtyCount_ = 0;
        geometry_ = geometry;
        used_ = static_cast<size_t>(geometry.rows + 2 * kGuardRows) * geometry.pitch;
        if (storage_.size() < used_) storage_.resize(used_, kSentinel);
    }

    PixelTarget Target() {
        return {storage_.data() + BlockStart(), geometry_.pitch, geometry_.width, geometry_.rows};
    }

    // True when no pixel outside the block's top-left `columns` x `rows`
    // changed; those are then what the next run sets back.
    bool OnlyCornerWritten(int columns, int rows) {
        columns = std::clamp(columns, 0, geometry_.width);
        rows = std::clamp(rows, 0, geometry_.rows);
        dirtyStart_ = BlockStart();
        dirtyCount_ = static_cast<size_t>(rows) * geometry_.pitch;
        if (!AllSentinel(0, dirtyStart_)) return false;
        for (size_t row = dirtyStart_; row < dirtyStart_ + dirtyCount_; row += geometry_.pitch) {
            if (!AllSentinel(row + columns, row + geometry_.pitch)) return false;
        }
        return AllSentinel(dirtyStart_ + dirtyCount_, used_);
    }

    bool SameCorner(const GuardedTarget& other) const {
        return dirtyCount_ == other.dirtyCount_ &&
               std::memcmp(storage_.data() + dirtyStart_, other.storage_.data() + dirtyStart_,
                           dirtyCount_ * sizeof(uint16_t)) == 0;
    }

  private:
    size_t BlockStart() const { return static_cast<size_t>(kGuardRows) * geometry_.pitch; }

    bool AllSentinel(size_t from, size_t to) const {
        static const std::vector<uint16_t> sentinels(1 << 16, kSentinel);
        for (size_t at = from; at < to; at += sentinels.size()) {
            const size_t count = std::min(sentinels.size(), to - at);
            if (std::memcmp(storage_.data() + at, sentinels.data(), count * 2) != 0) return false;
        }
        return true;
    }

    std::vector<uint16_t> storage_;
    Geometry geometry_;
    size_t used_ = 0, dirtyStart_ = 0, dirtyCount_ = 0;
};

void UseColourLayout(bool fiveFiveFive) {
    static int built = -1;
    if (built == static_cast<int>(fiveFiveFive)) return;
    if (fiveFiveFive) {
        BuildColourTables(0x7C00, 0x03E0, 0x001F);
    } else {
        BuildColourTables(0xF800, 0x07E0, 0x001F);
    }
    built = fiveFiveFive;
}

bool SameSize(const PcxSize& a, const PcxSize& b) {
    return a.width == b.width && a.height == b.height;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static GuardedTarget memory, streamed;
    if (size < kPrefixBytes) return 0;
    UseColourLayout((data[0] & 4) != 0);
    const Geometry geometry = ChooseGeometry(data);
    const uint8_t* file = data + kPrefixBytes;
    size -= kPrefixBytes;

    const PcxLayoutOr read = ReadPcxLayout(file, size);
    const bool accepted = read.Accepted();
    if (PcxRefusalText(read.refusal) == nullptr) std::abort();
    const PcxSize pictureSize = ReadPcxSize(file, size);
    // The header alone decides the size.
    if (!SameSize(ReadPcxSize(file, std::min(size, kPcxHeaderSize)), pictureSize)) std::abort();
    if (!accepted && !SameSize(pictureSize, PcxSize{})) std::abort();

    // Only the picture's corner of the block is written; nothing when refused.
    memory.Prepare(geometry);
    if (DecodePcxFile(file, size, memory.Target()) != accepted) std::abort();
    if (!memory.OnlyCornerWritten(pictureSize.width, pictureSize.height)) std::abort();

    std::FILE* stream = size > 0 ? fmemopen(const_cast<uint8_t*>(file), size, "rb") : nullptr;
    if (stream == nullptr) return 0;
    streamed.Prepare(geometry);
    const size_t chunkBytes = data[0] < 8 ? kPcxChunkBytes : 1 + (data[0] >> 3);
    const bool streamDecoded = DecodePcxStream(stream, streamed.Target(), chunkBytes);
    std::fclose(stream);
    if (streamDecoded != accepted) std::abort();
    if (!streamed.OnlyCornerWritten(pictureSize.width, pictureSize.height)) std::abort();
    if (!streamed.SameCorner(memory)) std::abort();
    return 0;
}
