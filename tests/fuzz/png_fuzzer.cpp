// Feeds arbitrary bytes to the picture readers, PNG first of all. Bytes 0
// and 1 are the destination's width and rows (0 to 255, so pictures are
// clipped on either side); the rest is the file.

#include <cstdlib>

#include "formats/colour.h"
#include "formats/picture.h"
#include "formats/png.h"
#include "tests/fuzz/guarded_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool tablesBuilt = (BuildColourTables(0xF800, 0x07E0, 0x001F), true);
    (void)tablesBuilt;
    if (size < 2) return 0;
    GuardedBlock block(data[0] + 3, data[0], data[1]);
    const uint8_t* file = data + 2;
    size -= 2;
    const PictureKind kind = SniffPicture(file, size);
    if (kind == PictureKind::Png) {
        const PngHeader header = ReadPngHeader(file, size);
        const PngRefusal refusal = DecodePng(file, size, block.Target());
        if (header.refusal != PngRefusal::None &&
            (header.size.width != 0 || header.size.height != 0 || refusal != header.refusal ||
             !block.Untouched()))
            std::abort();
        if (DecodePictureFile(file, size, block.Target()) != (refusal == PngRefusal::None))
            std::abort();
    } else if (DecodePictureFile(file, size, block.Target()) && kind == PictureKind::Unknown) {
        std::abort();
    }
    if (!block.OnlyBlockWritten()) std::abort();
    return 0;
}
