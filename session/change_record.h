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
