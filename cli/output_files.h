#pragma once
// The files one command writes. Each is written under a temporary name in its
// own folder and put in place only when every one of them is complete, so a
// command that fails leaves no output of its own behind and no file it was
// to replace changed.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

// The name that stands for standard output where a command has one output.
constexpr const char* STANDARD_OUTPUT = "-";

// Empty when no output names the same file as an input or as another output;
// otherwise the message. Paths are compared absolute and normalised, links
// followed (even to a file not yet there), and files that exist also by
// device and inode, so hard links are caught. Character devices (/dev/null)
// and standard output may be named more than once.
std::string FindSharedFile(const std::vector<std::string>& inputs,
                           const std::vector<std::string>& outputs);

class OutputFiles {
  public:
    // An output named "-" goes to `standardOutput`, written at Commit.
    explicit OutputFiles(std::ostream& standardOutput) : standardOutput_(&standardOutput) {}
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;
    ~OutputFiles();  // removes whatever was not put in place

    // The stream that becomes `path`; null, with `error` set, when it cannot
    // be written. A character device (/dev/null) is written directly.
    std::ostream* Open(const std::string& path, std::string* error);
    // Every file written, flushed to disk and renamed into place; false, with
    // `error` naming the file and the system's reason, when any write failed
    // (then none is put in place).
    bool Commit(std::string* error);

  private:
    struct Pending {
        std::string target, temporary;  // temporary empty: written in place
        int fd = -1;                    // -1 for standard output
        std::ostringstream bytes;
    };
    bool WriteOut(Pending& file, std::string* error);

    std::ostream* standardOutput_;
    std::vector<std::unique_ptr<Pending>> pending_;
};

using NamedFiles = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

// Makes the folder `folder`, which must not exist yet, holding `files`: they
// are written into a hidden folder beside it, which is renamed into place
// once every byte is on disk. False, with `error`, when anything failed; then
// neither folder is left, nor any parent made for it.
bool WriteNewFolder(const std::string& folder, const NamedFiles& files, std::string* error);
