#pragma once
// Files for save tests: reading one back, and targets every save fails on.

#include <sys/resource.h>

#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> ReadWholeFile(const std::string& path);
// A PNG file's RGBA bytes, read by the PNG library, not by the code under test.
std::vector<uint8_t> ReadPngRgba(const std::string& path, uint32_t* width, uint32_t* height);
uint32_t Le32At(const std::vector<uint8_t>& bytes, size_t offset);
// The names in a folder other than "." and "..".
std::vector<std::string> FolderEntries(const std::string& folder);

struct FaultyTarget {
    std::string what;
    std::string path;
};
// A fresh folder under the test temp dir.
std::string MakeTestFolder(const std::string& name);
// Targets no save can write: a missing folder, a path through a file, a
// read-only folder (not for root), /proc and /dev/full.
std::vector<FaultyTarget> FaultyTargets(const std::string& folder);

// While alive, files cannot grow past `bytes` (root is bound too) and the
// signal for it is ignored, so writes past it fail.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();

  private:
    rlimit m_old;
    void (*m_oldHandler)(int);
};
