#pragma once
// The files one command writes. Each is written under a temporary name in its
// own folder and put in place only when every one of them is complete, so a
// command that fails leaves no output of its own behind and no file it was
// to replace changed.

#include <fstream>
#include <memory>
#include <string>
#include <vector>

// Empty when no output names the same file as an input or as another output;
// otherwise the message. Existing files are compared by device and inode (so
// links and other spellings are caught), the rest by their normalised path.
std::string FindSharedFile(const std::vector<std::string>& inputs,
                           const std::vector<std::string>& outputs);

class OutputFiles {
  public:
    OutputFiles() = default;
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;
    ~OutputFiles();  // removes whatever was not put in place

    // The stream that becomes `path`; null, with `error` set, when it cannot
    // be written. A character device (/dev/null) is written directly.
    std::ostream* Open(const std::string& path, std::string* error);
    // Every file flushed to disk and renamed into place; false, with `error`
    // naming the file, when any write failed (then none is put in place).
    bool Commit(std::string* error);

  private:
    struct Pending {
        std::string target, temporary;  // temporary empty: written in place
        std::unique_ptr<std::ofstream> stream;
    };
    std::vector<Pending> pending_;
};
