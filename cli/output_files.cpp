#include "cli/output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct FileIdentity {
    bool exists = false;
    bool device = false;  // a character device: many writers may share it
    dev_t dev = 0;
    ino_t inode = 0;
    std::string path;  // normalised, for a file not yet there
};

FileIdentity IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        return {true, S_ISCHR(info.st_mode), info.st_dev, info.st_ino, ""};
    std::error_code failure;
    fs::path normal = fs::weakly_canonical(path, failure);
    if (failure) normal = fs::absolute(path, failure).lexically_normal();
    return {false, false, 0, 0, normal.string()};
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    if (a.device || b.device || a.exists != b.exists) return false;
    return a.exists ? a.dev == b.dev && a.inode == b.inode : a.path == b.path;
}

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A link is followed, so the file it names is replaced, not the link.
std::string FollowLink(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

bool SyncPath(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

std::string FolderOf(const std::string& path) {
    const std::string folder = fs::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

}  // namespace

std::string FindSharedFile(const std::vector<std::string>& inputs,
                           const std::vector<std::string>& outputs) {
    std::vector<FileIdentity> seen;
    for (const std::string& input : inputs) seen.push_back(IdentityOf(input));
    for (size_t o = 0; o < outputs.size(); ++o) {
        const FileIdentity output = IdentityOf(outputs[o]);
        for (size_t s = 0; s < seen.size(); ++s) {
            if (!SameFile(output, seen[s])) continue;
            if (s < inputs.size())
                return outputs[o] + " is the input " + inputs[s] + "; give another output";
            return outputs[o] + " and " + outputs[s - inputs.size()] +
                   " are the same file; give each output its own";
        }
        seen.push_back(output);
    }
    return "";
}

OutputFiles::~OutputFiles() {
    for (Pending& file : pending_) {
        if (file.temporary.empty()) continue;
        file.stream->close();
        ::unlink(file.temporary.c_str());
    }
}

std::ostream* OutputFiles::Open(const std::string& path, std::string* error) {
    Pending file{FollowLink(path), "", nullptr};
    struct stat info {};
    const bool exists = ::stat(file.target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode) && !S_ISCHR(info.st_mode)) {
        *error = "not a file that can be replaced";
        return nullptr;
    }
    if (exists && ::access(file.target.c_str(), W_OK) != 0) {
        *error = SystemError("cannot write");
        return nullptr;
    }
    if (!exists || S_ISREG(info.st_mode)) {
        std::string name =
            FolderOf(file.target) + "/." + fs::path(file.target).filename().string() + ".XXXXXX";
        const int fd = ::mkstemp(name.data());
        if (fd < 0) {
            *error = SystemError("cannot make a file in its folder");
            return nullptr;
        }
        ::fchmod(fd, exists ? info.st_mode & 07777 : NewFileMode());
        ::close(fd);
        file.temporary = name;
    }
    file.stream = std::make_unique<std::ofstream>(
        file.temporary.empty() ? file.target : file.temporary, std::ios::binary | std::ios::trunc);
    if (!*file.stream) {
        *error = SystemError("cannot open");
        if (!file.temporary.empty()) ::unlink(file.temporary.c_str());
        return nullptr;
    }
    pending_.push_back(std::move(file));
    return pending_.back().stream.get();
}

bool OutputFiles::Commit(std::string* error) {
    for (Pending& file : pending_) {
        errno = 0;
        bool written = static_cast<bool>(file.stream->flush());
        file.stream->close();
        written = written && !file.stream->fail();
        if (written && !file.temporary.empty()) written = SyncPath(file.temporary, O_RDONLY);
        if (!written) {
            *error = file.target + ": " + SystemError("cannot write");
            return false;
        }
    }
    for (Pending& file : pending_) {
        if (file.temporary.empty()) continue;
        if (::rename(file.temporary.c_str(), file.target.c_str()) != 0) {
            *error = file.target + ": " + SystemError("cannot put in place");
            return false;
        }
        file.temporary.clear();
        SyncPath(FolderOf(file.target), O_RDONLY | O_DIRECTORY);
    }
    return true;
}
