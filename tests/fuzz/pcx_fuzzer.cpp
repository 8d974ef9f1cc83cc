// Feeds arbitrary bytes to the PCX decoder. The destination sits between
// guard rows and is narrower than its pitch, so any write outside it is
// caught here even where the sanitizers cannot see it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/colour.h"
#include "formats/pcx.h"

namespace {

constexpr int kPitch = 208;
constexpr int kWidth = 200;
constexpr int kRows = 150;
constexpr int kGuardRows = 2;
constexpr uint16_t kSentinel = 0xA5A5;

bool OnlyBlockWritten(const std::vector<uint16_t>& storage) {
    for (size_t i = 0; i < storage.size(); ++i) {
        const int y = static_cast<int>(i / kPitch) - kGuardRows;
        const int x = static_cast<int>(i % kPitch);
        const bool inside = y >= 0 && y < kRows && x < kWidth;
        if (!inside && storage[i] != kSentinel) return false;
    }
    return true;
}

bool Untouched(const std::vector<uint16_t>& storage) {
    for (uint16_t pixel : storage) {
        if (pixel != kSentinel) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool tablesBuilt = (BuildColourTables(0xF800, 0x07E0, 0x001F), true);
    (void)tablesBuilt;
    std::vector<uint16_t> storage(static_cast<size_t>(kRows + 2 * kGuardRows) * kPitch, kSentinel);
    const PixelTarget dest{storage.data() + kGuardRows * kPitch, kPitch, kWidth, kRows};
    const bool accepted = ReadPcxLayout(data, size).has_value();
    const PcxSize pictureSize = ReadPcxSize(data, size);
    if (DecodePcxFile(data, size, dest) != accepted) std::abort();
    if (!accepted && (pictureSize.width != 0 || pictureSize.height != 0)) std::abort();
    if (!OnlyBlockWritten(storage)) std::abort();
    if (!accepted && !Untouched(storage)) std::abort();
    return 0;
}
