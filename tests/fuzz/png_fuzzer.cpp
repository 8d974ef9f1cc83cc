// Feeds arbitrary bytes to the picture readers, PNG first of all. The first
// two bytes choose the destination's width and rows (0 to 255 each, so
// pictures are clipped on either side of the destination); the rest is the
// file. The destination sits between guard rows and is narrower than its
// pitch, so any write outside it is caught here even where the sanitizers
// cannot see it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/colour.h"
#include "formats/picture.h"
#include "formats/png.h"

namespace {

constexpr int kGuardRows = 2;
constexpr int kPitchSlack = 3;
constexpr uint16_t kSentinel = 0xA5A5;

struct GuardedTarget {
    int pitch, width, rows;
    std::vector<uint16_t> storage;

    GuardedTarget(int widthIn, int rowsIn)
        : pitch(widthIn + kPitchSlack),
          width(widthIn),
          rows(rowsIn),
          storage(static_cast<size_t>(rowsIn + 2 * kGuardRows) * pitch, kSentinel) {}

    PixelTarget Target() { return {storage.data() + kGuardRows * pitch, pitch, width, rows}; }

    bool OnlyBlockWritten() const {
        for (size_t i = 0; i < storage.size(); ++i) {
            const int y = static_cast<int>(i / pitch) - kGuardRows;
            const int x = static_cast<int>(i % pitch);
            const bool inside = y >= 0 && y < rows && x < width;
            if (!inside && storage[i] != kSentinel) return false;
        }
        return true;
    }
    bool Untouched() const {
        for (uint16_t pixel : storage) {
            if (pixel != kSentinel) return false;
        }
        return true;
    }
};

void CheckPng(const uint8_t* file, size_t size, GuardedTarget& block) {
    const PngHeader header = ReadPngHeader(file, size);
    const PngRefusal refusal = DecodePng(file, size, block.Target());
    const bool headerRefused = header.refusal != PngRefusal::kNone;
    if (headerRefused && (header.size.width != 0 || header.size.height != 0)) std::abort();
    if (headerRefused && refusal == PngRefusal::kNone) std::abort();
    if (headerRefused && (refusal != header.refusal || !block.Untouched())) std::abort();
    if (DecodePictureFile(file, size, block.Target()) != (refusal == PngRefusal::kNone)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool tablesBuilt = (BuildColourTables(0xF800, 0x07E0, 0x001F), true);
    (void)tablesBuilt;
    if (size < 2) return 0;
    GuardedTarget block(data[0], data[1]);
    const uint8_t* file = data + 2;
    const size_t fileSize = size - 2;
    if (SniffPicture(file, fileSize) == PictureKind::kPng) {
        CheckPng(file, fileSize, block);
    } else if (DecodePictureFile(file, fileSize, block.Target()) &&
               SniffPicture(file, fileSize) == PictureKind::kUnknown) {
        std::abort();
    }
    if (!block.OnlyBlockWritten()) std::abort();
    return 0;
}
