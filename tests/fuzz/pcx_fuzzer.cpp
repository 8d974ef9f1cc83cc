// Feeds arbitrary bytes to the PCX decoder. Byte 0 picks the destination
// (bits 0-1: the 640 x 480 picture buffer, the 800 x 600 screen, the
// 1400 x 2500 sheet, or a small block: bytes 1 and 2 its width and rows to 63,
// byte 3 its pitch's slack to 8), the colour layout (bit 2: 5-5-5 instead of
// 5-6-5) and the stream's chunks (bits 3-7: 0 the usual size, n chunks of
// n + 1 bytes); the rest is the file. Only the picture's corner of the
// destination may change, the header alone must give the whole file's size,
// and reading from memory and as a stream must agree.

#include <cstdio>
#include <cstdlib>

#include "formats/colour.h"
#include "formats/pcx.h"
#include "tests/fuzz/guarded_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    static int layout = -1;  // the tables are rebuilt only when the layout changes
    if (layout != (data[0] & 4)) {
        layout = data[0] & 4;
        BuildColourTables(layout ? 0x7C00 : 0xF800, layout ? 0x03E0 : 0x07E0, 0x001F);
    }
    const int small = data[1] % 64, fixed[3][2] = {{640, 480}, {800, 600}, {1400, 2500}};
    const bool isSmall = (data[0] & 3) == 3;
    const int pitch = isSmall ? small + data[3] % 8 + 1 : fixed[data[0] & 3][0];
    const int width = isSmall ? small : pitch,
              rows = isSmall ? data[2] % 64 : fixed[data[0] & 3][1];
    GuardedBlock memory(pitch, width, rows), streamed(pitch, width, rows);
    const uint8_t* file = data + 4;
    size -= 4;

    const PcxLayoutOr read = ReadPcxLayout(file, size);
    const PcxSize whole = ReadPcxSize(file, size),
                  head = ReadPcxSize(file, std::min(size, kPcxHeaderSize));
    if (PcxRefusalText(read.refusal) == nullptr) std::abort();
    if (whole.width != head.width || whole.height != head.height) std::abort();
    if (!read.Accepted() && (whole.width != 0 || whole.height != 0)) std::abort();
    if (DecodePcxFile(file, size, memory.Target()) != read.Accepted()) std::abort();
    if (!memory.OnlyCornerWritten(whole.width, whole.height)) std::abort();

    std::FILE* stream = size > 0 ? fmemopen(const_cast<uint8_t*>(file), size, "rb") : nullptr;
    if (stream == nullptr) return 0;
    const size_t chunk = data[0] < 8 ? kPcxChunkBytes : 1 + (data[0] >> 3);
    const bool streamAccepted = DecodePcxStream(stream, streamed.Target(), chunk);
    std::fclose(stream);
    if (streamAccepted != read.Accepted() || streamed.storage != memory.storage) std::abort();
    return 0;
}
