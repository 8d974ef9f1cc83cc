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
#include <filesystem>

#include "tests/support/file_faults.h"
#include "tests/support/pcx_writer.h"

namespace {

const uid_t kNobody = 65534;
enum class Kind { Nothing, File, Folder, Fifo, Socket, Device };
enum class Content { Fresh, Old, Absent, Unread };

// The saves run as a plain user (nobody, when the tests run as root) with
// umask 027, so a new file is 0666 & ~027 = 0640.
const struct Case {
    const char* what;
    Kind kind;           // what stands at the target before the save
    mode_t oldMode;      // of the old file
    bool lockedFolder;   // the case's folder is 0555
    const char* target;  // in the case's folder unless absolute
    WriteStep step;
    int error;
    Content after;  // of the file the target names
    mode_t mode;    // of that file after the save
} kCases[] = {
    {"new file", Kind::Nothing, 0, false, "x.Spr", WriteStep::Done, 0, Content::Fresh, 0640},
    {"set-id bits dropped", Kind::File, 06755, false, "x.Spr", WriteStep::Done, 0, Content::Fresh,
     0755},
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
const std::vector<uint8_t> kOld(5000, 'o'), kFresh(3000, 'n');

bool BecomePlainUser() {
    return geteuid() != 0 ||
           (setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0);
}

// Saves in a child acting as a plain user; a save that blocks is ended by the
// alarm and never answers.
bool SaveAsPlainUser(const std::string& path, WriteResult* result) {
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
    const bool answered = read(ends[0], result, sizeof *result) == sizeof *result;
    close(ends[0]);
    waitpid(child, nullptr, 0);
    return answered;
}

void MakeOld(const Case& c, const std::string& folder, const std::string& path) {
    if (c.kind == Kind::File) {
        ASSERT_TRUE(WriteBytesToFile(path, kOld));
        ASSERT_TRUE(geteuid() != 0 || chown(path.c_str(), kNobody, kNobody) == 0);
        ASSERT_EQ(chmod(path.c_str(), c.oldMode), 0);
    }
    if (c.kind == Kind::Folder) mkdir(path.c_str(), 0755);
    ASSERT_TRUE(c.kind != Kind::Fifo ||
                (mkfifo(path.c_str(), 0666) | chmod(path.c_str(), 0666)) == 0);
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

TEST(WriteFileReplacing, RefusesWhatItMayNotReplaceAndReplacesTheRestWhole) {
    char base[] = "/tmp/celforge-safe-XXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    chmod(base, 0777);  // nobody makes its files in the cases' folders
    for (size_t i = 0; i < std::size(kCases); ++i) {
        const Case& c = kCases[i];
        SCOPED_TRACE(c.what);
        const std::string folder = std::string(base) + "/" + std::to_string(i);
        mkdir(folder.c_str(), 0777);
        const std::string path = c.target[0] == '/' ? c.target : folder + "/" + c.target;
        MakeOld(c, folder, path);
        const std::string parent = path.substr(0, path.rfind('/'));
        std::vector<std::string> listing = FolderEntries(parent);
        const mode_t type = TypeAt(path);
        WriteResult result;
        ASSERT_TRUE(SaveAsPlainUser(path, &result)) << "the save never answered";
        EXPECT_EQ(result.step, c.step) << Describe(result);
        EXPECT_EQ(result.error, c.error) << Describe(result);
        if (type == 0 && c.after == Content::Fresh) listing.push_back(c.target);
        std::vector<std::string> after = FolderEntries(parent);
        std::sort(listing.begin(), listing.end());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, listing);
        EXPECT_TRUE(type == 0 || TypeAt(path) == type) << "keeps its kind";
        chmod(folder.c_str(), 0777);
        if (c.after == Content::Unread) continue;
        struct stat info {};
        const bool exists = stat(path.c_str(), &info) == 0;
        EXPECT_TRUE(ReadWholeFile(path) == (c.after == Content::Fresh ? kFresh
                                            : c.after == Content::Old ? kOld
                                                                      : std::vector<uint8_t>{}));
        EXPECT_EQ(exists ? info.st_mode & 07777 : 0, c.mode);
    }
    std::filesystem::remove_all(base);
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
