#include "formats/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

WriteResult Failed(WriteStep step, int error = errno) {
    return {step, error};
}

WriteResult WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) return Failed(WriteStep::Write);
        if (wrote == 0) return Failed(WriteStep::Write, EIO);
        done += static_cast<size_t>(wrote);
    }
    return {};
}

// A close that fails can mean the data never reached the disk.
WriteResult FinishFile(int fd, WriteResult result, bool sync) {
    if (result && sync && ::fsync(fd) != 0) result = Failed(WriteStep::Sync);
    if (::close(fd) != 0 && result) result = Failed(WriteStep::Close);
    return result;
}

constexpr int kMaxLinkHops = 40;  // as the system allows before ELOOP

// With its trailing slash; empty for a bare name in the working folder.
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Opened without blocking and checked again, so a FIFO that took the
// target's place since it was looked at cannot hang the save.
WriteResult WriteInPlace(const std::string& target, mode_t type, bool sync,
                         const std::vector<uint8_t>& bytes) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Failed(WriteStep::OpenInPlace);
    struct stat info {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || (info.st_mode & S_IFMT) != type || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return Failed(WriteStep::NotRegularFile, 0);
    }
    // Old bytes are overwritten before the rest is cut, so a full disk
    // fails before they are freed rather than after.
    WriteResult result = WriteAll(fd, bytes);
    if (result && type == S_IFREG && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0)
        result = Failed(WriteStep::Write);
    return FinishFile(fd, result, sync);
}

// The rename is only lasting once the folder that holds it is on disk.
WriteResult SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Failed(WriteStep::SyncFolder);
    WriteResult result;
    if (::fsync(fd) != 0) result = Failed(WriteStep::SyncFolder);
    ::close(fd);
    return result;
}

WriteResult ReplaceThroughTemporary(const std::string& target, mode_t mode,
                                    const std::vector<uint8_t>& bytes) {
    const std::string folder = FolderOf(target);
    std::string temporary = folder + ".celforge-save-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return Failed(WriteStep::OpenTemporary);
    // The file stays private (0600) until every byte is in it.
    WriteResult result = WriteAll(fd, bytes);
    if (result && ::fchmod(fd, mode) != 0) result = Failed(WriteStep::SetMode);
    result = FinishFile(fd, result, true);
    if (result && ::rename(temporary.c_str(), target.c_str()) != 0)
        result = Failed(WriteStep::Rename);
    if (!result) {
        ::unlink(temporary.c_str());
        return result;
    }
    return SyncFolder(folder.empty() ? "." : folder);
}

// The system's own check, with the effective ids an open would use.
bool MayWrite(const std::string& target) {
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

bool Refused(const WriteResult& result) {
    return result.error == EACCES || result.error == EPERM;
}

// A folder that takes no new file, or a sticky one where only a file's owner
// may replace it, still lets a writable file be written in place.
WriteResult ReplaceRegularFile(const std::string& target, mode_t mode,
                               const std::vector<uint8_t>& bytes) {
    if (!MayWrite(target)) return Failed(WriteStep::AccessDenied);
    const WriteResult replaced = ReplaceThroughTemporary(target, mode & 0777, bytes);
    const bool inPlace =
        (replaced.step == WriteStep::OpenTemporary || replaced.step == WriteStep::Rename) &&
        Refused(replaced);
    return inPlace ? WriteInPlace(target, S_IFREG, true, bytes) : replaced;
}

const char* StepText(WriteStep step) {
    switch (step) {
        case WriteStep::Done:
            return "saved";
        case WriteStep::Stat:
            return "cannot look at the file";
        case WriteStep::NotRegularFile:
            return "not a file that can be saved over";
        case WriteStep::AccessDenied:
            return "cannot write";
        case WriteStep::OpenTemporary:
            return "cannot make a new file in its folder";
        case WriteStep::OpenInPlace:
            return "cannot open the file";
        case WriteStep::SetMode:
            return "cannot set the new file's permissions";
        case WriteStep::Write:
            return "cannot write";
        case WriteStep::Sync:
            return "cannot flush the file to disk";
        case WriteStep::Close:
            return "cannot finish the file";
        case WriteStep::Rename:
            return "cannot put the new file in place";
        case WriteStep::SyncFolder:
            return "cannot flush the folder to disk";
    }
    return "failed";
}

}  // namespace

std::string FollowLinks(std::string path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        char named[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), named, sizeof named);
        if (length <= 0 || static_cast<size_t>(length) == sizeof named) return path;
        const std::string next(named, static_cast<size_t>(length));
        path = next[0] == '/' ? next : FolderOf(path) + next;
    }
    return path;  // a loop of links: looking at it fails with ELOOP
}

std::string Describe(const WriteResult& result) {
    std::string text = StepText(result.step);
    if (result.error != 0) text += std::string(": ") + std::strerror(result.error);
    return text;
}

WriteResult WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (path.empty()) return Failed(WriteStep::Stat, ENOENT);
    const std::string target = FollowLinks(path);
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) {
        if (errno != ENOENT) return Failed(WriteStep::Stat);
        return ReplaceThroughTemporary(target, NewFileMode(), bytes);
    }
    // Devices have no folder entry to replace, and syncing one can fail.
    if (S_ISCHR(info.st_mode)) return WriteInPlace(target, S_IFCHR, false, bytes);
    if (S_ISREG(info.st_mode)) return ReplaceRegularFile(target, info.st_mode, bytes);
    return Failed(WriteStep::NotRegularFile, S_ISDIR(info.st_mode) ? EISDIR : 0);
}

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t stemStart = path.find_first_not_of('.', nameStart);
    if (stemStart == std::string::npos) return path;  // a folder, "." or ".."
    if (path.find('.', stemStart) != std::string::npos) return path;
    return path + extension;
}

std::string SavePathFor(const std::string& typed, const std::string& extension) {
    struct stat info {};
    return ::lstat(typed.c_str(), &info) == 0 ? typed : WithDefaultExtension(typed, extension);
}
