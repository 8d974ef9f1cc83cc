#pragma once
// One change-log record as the session store keeps it: a blob of
// little-endian fields, read back with every length checked so a damaged
// blob is refused instead of read past its end.

#include <cstdint>
#include <optional>
#include <vector>

#include "state/change_log.h"

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
