// Feeds arbitrary bytes to the PCX decoder; bytes 0 to 3 choose how, the rest
// is the file. Destination: a block byte 1 wide and byte 2 rows high (each to
// 63), its pitch wider by (byte 3 & 7) + 1; or, when byte 3's top five bits
// are set and byte 0's low two are not, the picture buffer, screen or sheet
// (byte 0 & 3). Byte 0 bit 2 picks 5-5-5; bits 3-7 the stream's chunks (0: the
// usual size; n: n + 1 bytes). Real-size blocks are made once and only the
// rows a picture reaches are scanned and put back, so an input costs its picture.

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "formats/colour.h"
#include "formats/pcx.h"
#include "tests/fuzz/guarded_block.h"

namespace {

struct BlockPair {
    GuardedBlock memory, streamed;
    BlockPair(int pitch, int width, int rows)
        : memory(pitch, width, rows), streamed(pitch, width, rows) {}
};

BlockPair& RealSize(int choice) {
    static const int sizes[3][2] = {{640, 480}, {800, 600}, {1400, 2500}};
    static std::unique_ptr<BlockPair> made[3];
    if (!made[choice])
        made[choice] =
            std::make_unique<BlockPair>(sizes[choice][0], sizes[choice][0], sizes[choice][1]);
    return *made[choice];
}

void UseLayout(bool fiveFiveFive) {
    static int layout = -1;
    if (layout == fiveFiveFive) return;
    layout = fiveFiveFive;
    BuildColourTables(layout ? 0x7C00 : 0xF800, layout ? 0x03E0 : 0x07E0, 0x001F);
}

void Check(const uint8_t* file, size_t size, size_t chunk, BlockPair& blocks) {
    const PcxLayoutOr read = ReadPcxLayout(file, size);
    const PcxSize whole = ReadPcxSize(file, size),
                  head = ReadPcxSize(file, std::min(size, kPcxHeaderSize));
    if (whole.width != head.width || whole.height != head.height) std::abort();
    if (!read.Accepted() && (whole.width != 0 || whole.height != 0)) std::abort();
    if (DecodePcxFile(file, size, blocks.memory.Target()) != read.Accepted()) std::abort();
    if (!blocks.memory.OnlyCornerWrittenNear(whole.width, whole.height)) std::abort();

    std::FILE* stream = size > 0 ? fmemopen(const_cast<uint8_t*>(file), size, "rb") : nullptr;
    if (stream == nullptr) return;
    const bool streamAccepted = DecodePcxStream(stream, blocks.streamed.Target(), chunk);
    std::fclose(stream);
    if (streamAccepted != read.Accepted() ||
        !blocks.streamed.OnlyCornerWrittenNear(whole.width, whole.height) ||
        !blocks.streamed.SameCorner(blocks.memory, whole.width, whole.height))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    UseLayout(data[0] & 4);
    const int small = data[1] % 64;
    const bool realSize = (data[3] >> 3) == 31 && (data[0] & 3) != 3;
    std::unique_ptr<BlockPair> smallBlocks;
    if (!realSize)
        smallBlocks = std::make_unique<BlockPair>(small + data[3] % 8 + 1, small, data[2] % 64);
    BlockPair& blocks = realSize ? RealSize(data[0] & 3) : *smallBlocks;
    const size_t chunk = data[0] < 8 ? kPcxChunkBytes : 1 + (data[0] >> 3);
    Check(data + 4, size - 4, chunk, blocks);
    // Only the picture's corner was written: putting it back readies the blocks.
    const PcxSize whole = ReadPcxSize(data + 4, size - 4);
    blocks.memory.ResetCorner(whole.width, whole.height);
    blocks.streamed.ResetCorner(whole.width, whole.height);
    return 0;
}
