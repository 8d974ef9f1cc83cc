#pragma once
// Writing a file so that a failure never leaves the old one truncated.

#include <cstdint>
#include <string>
#include <vector>

// Writes the bytes to a new file in the target's folder and renames it over
// the target once every byte is on disk, so a failure never leaves the
// target truncated. A target that exists and is not a regular file (a
// device) is written in place. False when anything failed.
bool WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes);
