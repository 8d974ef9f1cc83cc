#include "formats/safe_file.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include "tests/support/file_faults.h"
#include "tests/support/pcx_writer.h"

namespace {

const uid_t kNobody = 65534;
enum Kind { kNothing, kFile, kFolder, kFifo, kDevice, kDanglingLink };
enum Content { kFresh, kOld, kAbsent, kUnread };
using Step = WriteStep;

// The saves run as a plain user (nobody, when the tests run as root) with
// umask 027, so a new file is 0666 & ~027 = 0640. The target is x.Spr in
// the case's own folder, or the device named; a dangling x.Spr names real.Spr.
const struct Case {
    const char* what;
    Kind kind;          // what stands at the target before the save
    mode_t oldMode;     // of the old file
    bool lockedFolder;  // the case's folder is 0555
    Step step;
    int error;
    Content after;        // of the file the target names
    mode_t mode;          // of that file after the save
    bool sticky = false;  // the folder is 01777 and the old file stays the runner's
} kCases[] = {
    {"new file", kNothing, 0, false, Step::Done, 0, kFresh, 0640},
    {"set-id bits dropped", kFile, 06755, false, Step::Done, 0, kFresh, 0755},
    {"read-only file", kFile, 0444, false, Step::AccessDenied, EACCES, kOld, 0444},
    {"file in a locked folder", kFile, 0620, true, Step::Done, 0, kFresh, 0620},
    {"new file in a locked folder", kNothing, 0, true, Step::OpenTemporary, EACCES, kAbsent, 0},
    {"folder", kFolder, 0, false, Step::NotRegularFile, EISDIR, kUnread, 0},
    {"dangling link", kDanglingLink, 0, false, Step::Done, 0, kFresh, 0640},
    {"FIFO", kFifo, 0, false, Step::NotRegularFile, 0, kUnread, 0},
    {"/dev/null", kDevice, 0, false, Step::Done, 0, kUnread, 0},
    {"/dev/full", kDevice, 0, false, Step::Write, ENOSPC, kUnread, 0},
    // Only the owner may rename over it; anyone allowed to write it may still
    // write it in place (another user's file when the tests run as root).
    {"file in a sticky folder", kFile, 0666, false, Step::Done, 0, kFresh, 0666, true}};
const std::vector<uint8_t> kOldBytes(5000, 'o'), kNewBytes(3000, 'n'), kNoBytes;

// Saves in a child acting as a plain user; a save that blocks is ended by the
// alarm and never answers.
bool SaveAsPlainUser(const std::string& path, WriteResult* result) {
    void* shared =
        mmap(nullptr, sizeof *result, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    const pid_t child = fork();
    if (child == 0) {
        const bool root = geteuid() == 0;  // the group first: after setuid it may not change
        if (root && (setgroups(0, nullptr) || setgid(kNobody) || setuid(kNobody))) _exit(1);
        umask(027);
        alarm(5);
        *static_cast<WriteResult*>(shared) = WriteFileReplacing(path, kNewBytes);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    *result = *static_cast<WriteResult*>(shared);
    munmap(shared, sizeof *result);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void MakeOld(const Case& c, const std::string& folder, const std::string& path) {
    if (c.kind == kFile) {
        ASSERT_TRUE(WriteBytesToFile(path, kOldBytes));
        ASSERT_TRUE(geteuid() != 0 || c.sticky || chown(path.c_str(), kNobody, kNobody) == 0);
        ASSERT_EQ(chmod(path.c_str(), c.oldMode), 0);
    }
    ASSERT_TRUE(c.kind != kDanglingLink || symlink("real.Spr", path.c_str()) == 0);
    if (c.kind == kFolder) mkdir(path.c_str(), 0755);
    ASSERT_TRUE(c.kind != kFifo || (mkfifo(path.c_str(), 0666) | chmod(path.c_str(), 0666)) == 0);
    chmod(folder.c_str(), c.sticky ? 01777 : c.lockedFolder ? 0555 : 0777);
}

std::set<std::string> Entries(const std::string& folder) {
    const std::vector<std::string> names = FolderEntries(folder);
    return {names.begin(), names.end()};
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
        const std::string path = c.kind == kDevice ? c.what : folder + "/x.Spr";
        MakeOld(c, folder, path);
        const std::string parent = path.substr(0, path.rfind('/'));
        std::set<std::string> listing = Entries(parent);
        WriteResult result;
        ASSERT_TRUE(SaveAsPlainUser(path, &result)) << "the save never answered";
        EXPECT_EQ(result.step, c.step) << Describe(result);
        EXPECT_EQ(result.error, c.error) << Describe(result);
        if (c.kind == kNothing && c.after == kFresh) listing.insert("x.Spr");
        if (c.kind == kDanglingLink) listing.insert("real.Spr");  // the link stays
        EXPECT_EQ(Entries(parent), listing);
        chmod(folder.c_str(), 0777);
        if (c.after == kUnread) continue;
        struct stat info {};
        const bool exists = stat(path.c_str(), &info) == 0;
        const std::vector<uint8_t>* expected[] = {&kNewBytes, &kOldBytes, &kNoBytes};
        EXPECT_TRUE(ReadWholeFile(path) == *expected[c.after]);
        EXPECT_EQ(exists ? info.st_mode & 07777 : 0, c.mode);
    }
    std::filesystem::remove_all(base);
}

TEST(WithDefaultExtension, AppendsOnlyWhereTheNameHasNone) {
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"beetle", "beetle.Spr"}, {"beetle.spr", "beetle.spr"}, {"dir.v2/name", "dir.v2/name.Spr"},
        {".hidden", ".hidden.Spr"}, {"name.", "name."}, {"a/b.c.d", "a/b.c.d"}, {"dir/", "dir/"},
        {"..", ".."}};
    // clang-format on
    for (const auto& [typed, saved] : cases) EXPECT_EQ(WithDefaultExtension(typed, ".Spr"), saved);
    EXPECT_EQ(SavePathFor("/dev/null", ".Spr"), "/dev/null") << "an existing name stays";
    EXPECT_EQ(SavePathFor("/no-such-folder/beetle", ".Spr"), "/no-such-folder/beetle.Spr");
}

}  // namespace
