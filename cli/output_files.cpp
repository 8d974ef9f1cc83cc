#include "cli/output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "formats/safe_file.h"

namespace fs = std::filesystem;

namespace {

struct FileIdentity {
    bool exists = false;
    bool device = false;  // a character device: many writers may share it
    dev_t dev = 0;
    ino_t inode = 0;
    std::string path;  // absolute and normalised, links followed
};

std::string NormalPath(const std::string& path) {
    std::error_code failure;
    fs::path absolute = fs::absolute(path, failure);
    if (failure) absolute = path;
    fs::path normal = fs::weakly_canonical(absolute, failure);
    if (failure) normal = absolute;
    normal = normal.lexically_normal();
    if (!normal.has_filename() && normal.has_parent_path()) normal = normal.parent_path();
    return normal.string();
}

FileIdentity IdentityOf(const std::string& path) {
    FileIdentity identity;
    const std::string target = FollowLinks(path);
    identity.path = NormalPath(target);
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        identity.exists = true;
        identity.device = S_ISCHR(info.st_mode);
        identity.dev = info.st_dev;
        identity.inode = info.st_ino;
    }
    return identity;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    if (a.device || b.device) return false;
    if (a.exists && b.exists) return a.dev == b.dev && a.inode == b.inode;
    return a.path == b.path;
}

std::string SystemError(const char* what, int error = errno) {
    return std::string(what) + ": " + std::strerror(error);
}

// Empty when every byte went; otherwise why not. A write that takes nothing
// without an error is a full disk or a file size limit.
std::string WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) return SystemError("cannot write");
        if (wrote == 0) return "cannot write: the disk is full or the file size limit reached";
        done += static_cast<size_t>(wrote);
    }
    return "";
}

mode_t NewFileMode(mode_t full) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return full & ~mask;
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

// A device is opened without blocking, so a FIFO put in its place cannot
// hang the command, and checked again once open.
int OpenDevice(const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = SystemError("cannot open");
        return -1;
    }
    struct stat info {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        *error = "not a file that can be replaced";
        return -1;
    }
    return fd;
}

}  // namespace

std::string FindSharedFile(const std::vector<std::string>& inputs,
                           const std::vector<std::string>& outputs) {
    struct Seen {
        const std::string* name;
        bool input;
        FileIdentity identity;
    };
    std::vector<Seen> seen;
    for (const std::string& input : inputs)
        if (input != STANDARD_OUTPUT) seen.push_back({&input, true, IdentityOf(input)});
    for (const std::string& output : outputs) {
        if (output == STANDARD_OUTPUT) continue;
        const FileIdentity identity = IdentityOf(output);
        for (const Seen& other : seen) {
            if (!SameFile(identity, other.identity)) continue;
            if (other.input)
                return output + " is the input " + *other.name + "; give another output";
            return output + " and " + *other.name + " are the same file; give each output its own";
        }
        seen.push_back({&output, false, identity});
    }
    return "";
}

OutputFiles::~OutputFiles() {
    for (const std::unique_ptr<Pending>& file : pending_) {
        if (file->fd >= 0) ::close(file->fd);
        if (!file->temporary.empty()) ::unlink(file->temporary.c_str());
    }
}

std::ostream* OutputFiles::Open(const std::string& path, std::string* error) {
    auto file = std::make_unique<Pending>();
    if (path == STANDARD_OUTPUT) {
        file->target = path;
        pending_.push_back(std::move(file));
        return &pending_.back()->bytes;
    }
    file->target = FollowLinks(path);
    struct stat info {};
    const bool exists = ::stat(file->target.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode) && !S_ISCHR(info.st_mode)) {
        *error = "not a file that can be replaced";
        return nullptr;
    }
    if (exists && ::access(file->target.c_str(), W_OK) != 0) {
        *error = SystemError("cannot write");
        return nullptr;
    }
    if (exists && S_ISCHR(info.st_mode)) {
        file->fd = OpenDevice(file->target, error);
        if (file->fd < 0) return nullptr;
    } else {
        std::string name =
            FolderOf(file->target) + "/." + fs::path(file->target).filename().string() + ".XXXXXX";
        file->fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (file->fd < 0) {
            *error = SystemError("cannot make a file in its folder");
            return nullptr;
        }
        file->temporary = name;
        ::fchmod(file->fd, exists ? info.st_mode & 07777 : NewFileMode(0666));
    }
    pending_.push_back(std::move(file));
    return &pending_.back()->bytes;
}

bool OutputFiles::WriteOut(Pending& file, std::string* error) {
    const std::string bytes = file.bytes.str();
    if (file.fd < 0) {
        standardOutput_->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        *error = standardOutput_->flush() ? "" : "cannot write to standard output";
        return error->empty();
    }
    *error = WriteAll(file.fd, bytes);
    if (error->empty() && !file.temporary.empty() && ::fsync(file.fd) != 0)
        *error = SystemError("cannot flush to disk");
    const int closed = ::close(file.fd);
    const int closeError = errno;
    file.fd = -1;
    if (error->empty() && closed != 0) *error = SystemError("cannot finish the file", closeError);
    if (!error->empty()) *error = file.target + ": " + *error;
    return error->empty();
}

bool OutputFiles::Commit(std::string* error) {
    for (const std::unique_ptr<Pending>& file : pending_)
        if (file->target != STANDARD_OUTPUT && !WriteOut(*file, error)) return false;
    for (const std::unique_ptr<Pending>& file : pending_) {
        if (file->temporary.empty()) continue;
        if (::rename(file->temporary.c_str(), file->target.c_str()) != 0) {
            *error = file->target + ": " + SystemError("cannot put in place");
            return false;
        }
        file->temporary.clear();
        SyncPath(FolderOf(file->target), O_RDONLY | O_DIRECTORY);
    }
    // Standard output goes last: once it is written it cannot be taken back.
    for (const std::unique_ptr<Pending>& file : pending_)
        if (file->target == STANDARD_OUTPUT && !WriteOut(*file, error)) return false;
    return true;
}

namespace {

std::string WriteFolderFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, NewFileMode(0666));
    if (fd < 0) return SystemError("cannot make the file");
    std::string error = WriteAll(fd, std::string(bytes.begin(), bytes.end()));
    if (error.empty() && ::fsync(fd) != 0) error = SystemError("cannot flush to disk");
    const int closed = ::close(fd);
    if (error.empty() && closed != 0) error = SystemError("cannot finish the file");
    return error;
}

// The parents of `folder` that are missing, the deepest first.
std::vector<fs::path> MissingParents(const fs::path& folder) {
    std::vector<fs::path> missing;
    std::error_code failure;
    for (fs::path p = folder.parent_path(); !p.empty() && !fs::exists(p, failure);
         p = p.parent_path()) {
        missing.push_back(p);
        if (p == p.parent_path()) break;
    }
    return missing;
}

// Empty on success; the temporary folder is left for the caller to remove.
std::string FillFolder(const std::string& temporary, const NamedFiles& files) {
    for (const auto& [name, bytes] : files) {
        const std::string path = temporary + "/" + name;
        const std::string error = WriteFolderFile(path, bytes);
        if (!error.empty()) return name + ": " + error;
    }
    if (::chmod(temporary.c_str(), NewFileMode(0777)) != 0)
        return SystemError("cannot set the folder's permissions");
    if (!SyncPath(temporary, O_RDONLY | O_DIRECTORY)) return SystemError("cannot flush to disk");
    return "";
}

}  // namespace

bool WriteNewFolder(const std::string& folder, const NamedFiles& files, std::string* error) {
    fs::path target = fs::path(folder).lexically_normal();
    if (!target.has_filename()) target = target.parent_path();
    const std::vector<fs::path> made = MissingParents(target);
    std::error_code failure;
    if (!made.empty()) fs::create_directories(made.front(), failure);
    if (failure) {
        *error = "cannot make its parent folder: " + failure.message();
        return false;
    }
    const std::string parent = target.has_parent_path() ? target.parent_path().string() : ".";
    std::string temporary = parent + "/." + target.filename().string() + ".XXXXXX";
    if (::mkdtemp(temporary.data()) == nullptr) {
        *error = SystemError("cannot make a folder beside it");
    } else {
        *error = FillFolder(temporary, files);
        if (error->empty() && ::rename(temporary.c_str(), target.c_str()) != 0)
            *error = SystemError("cannot put the folder in place");
        if (error->empty()) {
            SyncPath(parent, O_RDONLY | O_DIRECTORY);
            return true;
        }
        fs::remove_all(temporary, failure);
    }
    for (const fs::path& p : made) fs::remove(p, failure);  // only while still empty
    return false;
}
