#pragma once
// One change-log record as the session store keeps it: a blob of
// little-endian fields, read back with every length checked so a damaged
// blob is refused instead of read past its end.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "state/change_log.h"

// The most cell edits one record may hold, written or read: more than a
// sheet of the smallest sprites has cells, so any batch fits.
constexpr uint32_t MAX_CELL_EDITS = 4000000;

std::vector<uint8_t> EncodeChange(const Change& change);
// Empty when the bytes are not a whole, well-formed record.
std::optional<Change> DecodeChange(const uint8_t* bytes, size_t size);

// What tells a log record from the one the store last wrote at its place
// without reading all its pixels: where its buffers sit, its shape and a
// few pixels of each side. A record never changes once logged, so a new
// record at an old place differs here unless it was built in the very
// memory of a dropped one; HashChange settles those places.
struct RecordPrint {
    const void* cells = nullptr;
    const void* ranges = nullptr;
    size_t cellCount = 0;
    size_t rangeCount = 0;
    uint64_t sample = 0;
    bool operator==(const RecordPrint& other) const;
};
RecordPrint PrintChange(const Change& change);
// Every field and pixel.
uint64_t HashChange(const Change& change);

// ---- the record as the store keeps it

// Pixels of at least this many stay out of the record, in a block the store
// keeps once however many records and cells hold them.
constexpr size_t BLOCK_MIN_PIXELS = 128;

// Stores one picture's pixels and gives its block's number (never 0);
// 0 when it cannot be stored.
using PutBlock = std::function<int64_t(const std::vector<uint16_t>& pixels)>;
// Reads a block back; false when it is missing or damaged.
using GetBlock = std::function<bool(int64_t block, std::vector<uint16_t>* pixels)>;

// The record's fields, compressed, with the pixels of each cell edit's sides
// replaced by the numbers of their blocks. Empty when a block could not be
// stored. `blocks` receives the numbers the record refers to.
std::vector<uint8_t> PackChange(const Change& change, const PutBlock& put,
                                std::vector<int64_t>* blocks);
// Empty when the bytes or a block they name cannot be read whole.
std::optional<Change> UnpackChange(const uint8_t* bytes, size_t size, const GetBlock& get);

// zlib at its fastest setting, behind the uncompressed size (4 bytes).
std::vector<uint8_t> Compress(const uint8_t* bytes, size_t size);
// Empty when the bytes are damaged or would unpack to more than `limit`.
std::optional<std::vector<uint8_t>> Decompress(const uint8_t* bytes, size_t size, size_t limit);

// Names a block by its content: a hash of every pixel, and a CRC to tell
// the rare two blocks that share the hash.
uint64_t PixelsHash(const std::vector<uint16_t>& pixels);
uint32_t PixelsCrc(const std::vector<uint16_t>& pixels);
