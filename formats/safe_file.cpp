#include "formats/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// A close that fails can mean the data never reached the disk.
bool WriteAndClose(int fd, const std::vector<uint8_t>& bytes, bool sync) {
    bool ok = WriteAll(fd, bytes);
    if (ok && sync) ok = ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    return ok;
}

// A link is followed, so the save replaces the file it names, not the link.
std::string ResolveTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool WriteInPlace(const std::string& path, const std::vector<uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    return fd >= 0 && WriteAndClose(fd, bytes, false);
}

bool WriteThroughTemporary(const std::string& target, mode_t mode,
                           const std::vector<uint8_t>& bytes) {
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string temporary = folder + ".celforge-save-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, mode) == 0;
    ok = WriteAndClose(fd, bytes, true) && ok;
    if (ok) ok = ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

}  // namespace

bool WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (path.empty() || path.back() == '/') return false;
    const std::string target = ResolveTarget(path);
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return false;
        if (!S_ISREG(info.st_mode)) return WriteInPlace(target, bytes);
        return WriteThroughTemporary(target, info.st_mode & 07777, bytes);
    }
    return WriteThroughTemporary(target, NewFileMode(), bytes);
}
