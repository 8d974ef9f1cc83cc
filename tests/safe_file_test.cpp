#include "formats/safe_file.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "tests/support/file_faults.h"
#include "tests/support/pcx_writer.h"

namespace {

const uid_t kNobody = 65534;

enum class Kind { Nothing, File, Link, Folder, Fifo, Socket, Device };
enum class Content { Fresh, Old, Absent, Unread };

struct Case {
    const char* what;
    Kind kind;           // what stands at the target before the save
    mode_t oldMode;      // of the old file
    bool lockedFolder;   // the case's folder is 0555
    const char* target;  // in the case's folder unless absolute
    WriteStep step;
    int error;
    Content after;  // of the file the target names
    mode_t mode;    // of that file after a save
};

// The saves run as a plain user with umask 027, so a new file is 0640.
const Case kCases[] = {
    {"new file", Kind::Nothing, 0, false, "x.Spr", WriteStep::Done, 0, Content::Fresh, 0640},
    {"set-id bits dropped", Kind::File, 06755, false, "x.Spr", WriteStep::Done, 0, Content::Fresh,
     0755},
    {"link followed", Kind::Link, 0604, false, "x.Spr", WriteStep::Done, 0, Content::Fresh, 0604},
    {"read-only file", Kind::File, 0444, false, "x.Spr", WriteStep::AccessDenied, EACCES,
     Content::Old, 0444},
    {"file in a locked folder", Kind::File, 0620, true, "x.Spr", WriteStep::Done, 0, Content::Fresh,
     0620},
    {"new file in a locked folder", Kind::Nothing, 0, true, "x.Spr", WriteStep::OpenTemporary,
     EACCES, Content::Absent, 0},
    {"folder", Kind::Folder, 0, false, "x.Spr", WriteStep::NotRegularFile, EISDIR, Content::Unread,
     0},
    {"FIFO", Kind::Fifo, 0, false, "x.Spr", WriteStep::NotRegularFile, 0, Content::Unread, 0},
    {"socket", Kind::Socket, 0, false, "x.Spr", WriteStep::NotRegularFile, 0, Content::Unread, 0},
    {"/dev/null", Kind::Device, 0, false, "/dev/null", WriteStep::Done, 0, Content::Unread, 0},
    {"/dev/full", Kind::Device, 0, false, "/dev/full", WriteStep::Write, ENOSPC, Content::Unread,
     0},
};

const std::vector<uint8_t> kOld(5000, 'o');
const std::vector<uint8_t> kFresh(3000, 'n');

// Root may write anything, so as root the save runs as nobody.
bool BecomePlainUser() {
    return geteuid() != 0 ||
           (setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0);
}

bool RootCannotBecomeNobody() {
    const pid_t child = fork();
    if (child == 0) _exit(BecomePlainUser() ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    return geteuid() == 0 && !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A save that blocks is ended by the alarm.
bool SaveAsPlainUser(const std::string& path, WriteResult* result, int* status) {
    int ends[2];
    if (pipe(ends) != 0) return false;
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        if (!BecomePlainUser()) _exit(1);
        umask(027);
        alarm(5);
        const WriteResult saved = WriteFileReplacing(path, kFresh);
        _exit(write(ends[1], &saved, sizeof saved) == sizeof saved ? 0 : 1);
    }
    close(ends[1]);
    const bool read = ::read(ends[0], result, sizeof *result) == sizeof *result;
    close(ends[0]);
    waitpid(child, status, 0);
    return read;
}

void MakeOld(const Case& c, const std::string& folder, const std::string& path) {
    const std::string file = c.kind == Kind::Link ? folder + "/real.Spr" : path;
    if (c.kind == Kind::Link) symlink("real.Spr", path.c_str());
    if (c.kind == Kind::File || c.kind == Kind::Link) {
        ASSERT_TRUE(WriteBytesToFile(file, kOld));
        if (geteuid() == 0) {
            ASSERT_EQ(chown(file.c_str(), kNobody, kNobody), 0);
        }
        ASSERT_EQ(chmod(file.c_str(), c.oldMode), 0);
    }
    if (c.kind == Kind::Folder) mkdir(path.c_str(), 0755);
    if (c.kind == Kind::Fifo) {
        ASSERT_EQ(mkfifo(path.c_str(), 0666), 0);
        chmod(path.c_str(), 0666);  // so opening it would block, not fail
    }
    if (c.kind == Kind::Socket) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(fd);
    }
    chmod(folder.c_str(), c.lockedFolder ? 0555 : 0777);
}

mode_t TypeAt(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode & S_IFMT : 0;
}

void ExpectFileAfter(const Case& c, const std::string& file) {
    if (c.after == Content::Unread) return;
    struct stat info {};
    const bool exists = stat(file.c_str(), &info) == 0;
    EXPECT_EQ(exists, c.after != Content::Absent) << c.what;
    const std::vector<uint8_t> expected = c.after == Content::Fresh ? kFresh
                                          : c.after == Content::Old ? kOld
                                                                    : std::vector<uint8_t>{};
    EXPECT_TRUE(ReadWholeFile(file) == expected) << c.what << ": wrong bytes";
    EXPECT_EQ(exists ? info.st_mode & 07777 : 0, c.mode) << c.what;
}

TEST(WriteFileReplacing, RefusesWhatItMayNotReplaceAndReplacesTheRestWhole) {
    if (RootCannotBecomeNobody()) GTEST_SKIP() << "root here cannot act as nobody";
    char base[] = "/tmp/celforge-safe-XXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    chmod(base, 0777);  // nobody makes its files in the cases' folders
    for (size_t i = 0; i < std::size(kCases); ++i) {
        const Case& c = kCases[i];
        const std::string folder = std::string(base) + "/" + std::to_string(i);
        mkdir(folder.c_str(), 0777);
        const std::string path = c.target[0] == '/' ? c.target : folder + "/" + c.target;
        MakeOld(c, folder, path);
        const std::string parent = path.substr(0, path.rfind('/'));
        std::vector<std::string> listing = FolderEntries(parent);
        const mode_t type = TypeAt(path);
        WriteResult result;
        int status = 0;
        const bool reported = SaveAsPlainUser(path, &result, &status);
        ASSERT_TRUE(reported) << c.what << ": the save never answered, status " << status;
        EXPECT_EQ(result.step, c.step) << c.what << ": " << Describe(result);
        EXPECT_EQ(result.error, c.error) << c.what << ": " << Describe(result);
        if (type == 0 && c.after == Content::Fresh) listing.push_back(c.target);
        std::vector<std::string> after = FolderEntries(parent);
        std::sort(listing.begin(), listing.end());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, listing) << c.what;
        if (type != 0) {
            EXPECT_EQ(TypeAt(path), type) << c.what << " keeps its kind";
        }
        ExpectFileAfter(c, c.kind == Kind::Link ? folder + "/real.Spr" : path);
        chmod(folder.c_str(), 0777);
    }
    std::filesystem::remove_all(base);
    struct stat full {};
    EXPECT_TRUE(stat("/dev/full", &full) == 0 && S_ISCHR(full.st_mode));
}

TEST(WithDefaultExtension, AppendsOnlyWhereTheNameHasNone) {
    const std::pair<const char*, const char*> cases[] = {
        {"beetle", "beetle.Spr"},
        {"beetle.spr", "beetle.spr"},
        {"dir.v2/name", "dir.v2/name.Spr"},
        {".hidden", ".hidden.Spr"},
        {"name.", "name."},
        {"a/b.c.d", "a/b.c.d"},
        {"dir/", "dir/"},
        {"..", ".."},
    };
    for (const auto& [typed, saved] : cases) EXPECT_EQ(WithDefaultExtension(typed, ".Spr"), saved);
    EXPECT_EQ(SavePathFor("/dev/null", ".Spr"), "/dev/null") << "an existing name stays";
    EXPECT_EQ(SavePathFor("/no-such-folder/beetle", ".Spr"), "/no-such-folder/beetle.Spr");
}

}  // namespace
