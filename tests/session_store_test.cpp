#include "session/session_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/scripted_platform.h"
#include "session/change_record.h"
#include "session/session_hooks.h"
#include "state/work.h"
#include "tests/support/file_faults.h"

namespace fs = std::filesystem;
using platform::BoxAnswer;

namespace {

// The work a test writes: buffers of its own, seen through a WorkView.
struct Work {
    std::vector<uint16_t> sheet = std::vector<uint16_t>(SHEET_WIDTH * SHEET_HEIGHT);
    std::vector<uint16_t> picture = std::vector<uint16_t>(PICTURE_WIDTH * PICTURE_HEIGHT);
    int width = 48, height = 48;
    PlacementMark mark;
    DirectionRange ranges[DIRECTION_COUNT] = {};
    int counts[DIRECTION_COUNT] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    uint32_t key = 0;
    std::vector<Change> records;
    size_t cursor = 0;
    LogDirt dirt;

    WorkView View() const {
        return {width,  height, sheet.data(), picture.data(), mark,
                ranges, counts, key,          &records,       cursor};
    }
    // Fills a cell with `value` and logs it as one placement.
    void Place(int cell, uint16_t value) {
        std::vector<uint16_t> pixels(width * height, value);
        WriteCell(sheet.data(), cell, width, height, pixels);
        records.resize(cursor);
        records.push_back({ChangeKind::PlaceFrames, {{cell, {}, pixels}}, {}, {}, {}, {}, {}});
        cursor = records.size();
        mark.placedCount = int(cursor);
        dirt.cells.push_back(cell);
        dirt.work = dirt.log = true;
    }
};

// A picture pane for the test's while, and the editor's state reset after.
struct PictureBuffer {
    std::vector<uint16_t> pixels = std::vector<uint16_t>(PICTURE_WIDTH * PICTURE_HEIGHT);
    uint16_t* const previous = g_pictureBuf;
    PictureBuffer() { g_pictureBuf = pixels.data(); }
    ~PictureBuffer() {
        ResetEditorState();
        g_changeLog.Clear();
        g_pictureBuf = previous;
    }
};

std::string Root(const char* name) {
    const std::string root = ::testing::TempDir() + "sessions/" + name;
    fs::remove_all(root);
    return root;
}

void RunSql(const std::string& db, const char* sql) {
    sqlite3* handle = nullptr;
    sqlite3_open(db.c_str(), &handle);
    EXPECT_EQ(sqlite3_exec(handle, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(handle);
}

// A session an editor left: its work written once, on `file` when one is
// named. Its folder.
std::string LeaveSession(const std::string& root, Work& work, const std::string& file = "") {
    SessionStore store(root);
    EXPECT_EQ(store.Create(), StoreHealth::Keeping);
    if (!file.empty()) store.SetFile(file);
    EXPECT_EQ(store.Flush(work.View(), work.dirt, false), StoreHealth::Keeping);
    return store.Folder();
}

// The one session found under `root`, loaded.
std::optional<SessionSnapshot> LoadTheOrphan(const std::string& root) {
    std::vector<Orphan> orphans = SessionStore(root).FindOrphans();
    EXPECT_EQ(orphans.size(), 1u);
    return orphans.size() == 1 ? SessionStore::Load(orphans[0]) : std::nullopt;
}

TEST(SessionRecord, KeyPickIsWrittenFieldByField) {
    const Change pick{ChangeKind::PickKeyColour, {}, {}, {}, {}, 0x10u, 0x0A0B0Cu};
    const std::vector<uint8_t> bytes = {
        2,                       // layout version
        4,                       // kind: key pick
        0,    0,    0,    0,     // no cell edits
        0,                       // no mark
        0,    0,    0,    0,     // no range edits
        1,                       // key colours follow
        0x10, 0,    0,    0,     // before
        0x0C, 0x0B, 0x0A, 0x00,  // after
        0,                       // no queue move
    };
    EXPECT_EQ(EncodeChange(pick), bytes);
    // Every shorter prefix, and one byte more, is refused.
    for (size_t size = 0; size < bytes.size(); ++size)
        EXPECT_FALSE(DecodeChange(bytes.data(), size)) << size;
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(DecodeChange(longer.data(), longer.size()));
}

TEST(SessionState, CellsSitInReadingOrderAcrossTheSheet) {
    const struct {
        int width, height, cell;
        int x, y;  // top-left on the sheet; -1: not on the sheet
    } kCases[] = {
        {48, 48, 0, 0, 0},      {48, 48, 28, 1344, 0},    // 29 columns of 48
        {48, 48, 29, 0, 48},    {640, 480, 5, 640, 960},  // 2 columns of 640
        {640, 480, 10, -1, -1}, {3, 2, 467, 3, 2},        // 466 columns of 3
        {48, 48, -1, -1, -1},   {0, 48, 0, -1, -1},
    };
    for (const auto& c : kCases) {
        std::vector<uint16_t> sheet(SHEET_WIDTH * SHEET_HEIGHT);
        WriteCell(sheet.data(), c.cell, c.width, c.height,
                  std::vector<uint16_t>(std::max(c.width * c.height, 0), 7));
        const auto first = std::find(sheet.begin(), sheet.end(), 7);
        const int at = first == sheet.end() ? -1 : int(first - sheet.begin());
        EXPECT_EQ(at, c.x < 0 ? -1 : c.y * SHEET_WIDTH + c.x) << c.width << " " << c.cell;
        EXPECT_EQ(ReadCell(sheet.data(), c.cell, c.width, c.height).size(),
                  c.x < 0 ? 0u : size_t(c.width * c.height));
    }
}

// Undo, then a new placement: the record past the cursor is replaced, and a
// log cut shorter drops its rows. A replacement built in the very memory of
// the record it drops, differing in one pixel, is caught too.
TEST(SessionStore, ReplacedAndDroppedRecordsAreWritten) {
    const std::string root = Root("log");
    Work work;
    {
        SessionStore store(root);
        ASSERT_EQ(store.Create(), StoreHealth::Keeping);
        const auto flushAt = [&](size_t cursor) {
            work.cursor = cursor;
            work.dirt.log = true;
            store.Flush(work.View(), work.dirt, false);
        };
        for (int cell = 0; cell < 3; ++cell) work.Place(cell, uint16_t(cell + 1));
        flushAt(3);
        work.cursor = 1;  // two undos, then a placement in their place
        work.Place(5, 9);
        flushAt(2);
        flushAt(1);
        work.records[1].cells[0].after[1] = 77;
        flushAt(2);
    }
    std::optional<SessionSnapshot> s = LoadTheOrphan(root);
    ASSERT_TRUE(s && s->records.size() == 2) << (s ? s->records.size() : 0);
    const std::vector<uint16_t>& after = s->records[1].cells[0].after;
    EXPECT_EQ(std::vector<int>({s->records[0].cells[0].cell, s->records[1].cells[0].cell, after[0],
                                after[1], int(s->cursor)}),
              std::vector<int>({0, 5, 9, 77, 2}));
}

TEST(SessionStore, SessionsLiveInTheStateFolder) {
    const struct {
        const char* state;  // XDG_STATE_HOME; null: unset
        const char* root;
    } kCases[] = {
        {"/var/st", "/var/st/celforge/sessions"},
        {nullptr, "/home/u/.local/state/celforge/sessions"},
        {"relative", "/home/u/.local/state/celforge/sessions"},  // must be absolute
    };
    // Only the sessions root reads HOME, and each test gets a state folder of
    // its own as it starts.
    setenv("HOME", "/home/u", 1);
    for (const auto& c : kCases) {
        c.state ? setenv("XDG_STATE_HOME", c.state, 1) : unsetenv("XDG_STATE_HOME");
        EXPECT_EQ(SessionStore::DefaultRoot(), c.root);
    }
}

// The child's ticks: one in four undoes a placement, the others place the
// tick's number into one of 24 cells of a 48 x 48 sheet.
void KillTrialTick(Work& work, std::mt19937& random, int tick) {
    if (random() % 4 == 0 && work.cursor > 0) {
        --work.cursor;
        work.dirt.log = true;
    } else {
        work.Place(int(random() % 24), uint16_t(tick));
    }
    work.key = uint32_t(tick);
    work.dirt.work = true;
}

Work KillTrialAfter(uint32_t seed, int ticks) {
    Work work;
    std::mt19937 random(seed);
    for (int tick = 1; tick <= ticks; ++tick) KillTrialTick(work, random, tick);
    return work;
}

// The snapshot holds the work: its key, cursor, records and sheet.
bool SameWork(const SessionSnapshot& s, const Work& work) {
    std::vector<uint16_t> sheet(work.sheet.size());
    for (const StoredCell& cell : s.cells) WriteCell(sheet.data(), cell.cell, 48, 48, cell.pixels);
    bool same = s.keyColour == work.key && s.cursor == work.cursor && sheet == work.sheet &&
                s.records.size() == work.records.size();
    for (size_t i = 0; same && i < s.records.size(); ++i)
        same = HashChange(s.records[i]) == HashChange(work.records[i]);
    return same;
}

TEST(SessionStore, KilledAtAnyMomentKeepsEveryWrittenTickAndIsAnOrphanOnlyThen) {
    const std::string root = Root("kill");
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        fs::remove_all(root);
        int written[2];
        ASSERT_EQ(pipe(written), 0);
        const pid_t child = fork();
        if (child == 0) {
            close(written[0]);
            SessionStore store(root);
            if (store.Create() != StoreHealth::Keeping) _exit(1);
            Work work = KillTrialAfter(seed, 0);
            std::mt19937 random(seed);
            for (int tick = 1; tick < 100000; ++tick) {
                KillTrialTick(work, random, tick);
                if (store.Flush(work.View(), work.dirt, false) != StoreHealth::Keeping) _exit(2);
                if (write(written[1], &tick, sizeof tick) != sizeof tick) _exit(3);
            }
            _exit(0);
        }
        close(written[1]);
        int tick = 0, shown = 0;
        // Killed somewhere in the first 20 ms after its first tick.
        const bool started = read(written[0], &shown, sizeof shown) == sizeof shown;
        // A session a live editor holds is no orphan, to this editor or another.
        SessionStore mine(root);
        ASSERT_EQ(mine.Create(), StoreHealth::Keeping);
        EXPECT_EQ(mine.FindOrphans().size(), 0u);
        usleep(std::mt19937(seed)() % 20000);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(started && WIFSIGNALED(status)) << "child ended by itself: " << status;
        while (read(written[0], &tick, sizeof tick) == sizeof tick) shown = tick;
        close(written[0]);

        std::optional<SessionSnapshot> loaded = LoadTheOrphan(root);
        ASSERT_TRUE(loaded);
        // The tick after the last one reported may have been written too.
        EXPECT_TRUE(SameWork(*loaded, KillTrialAfter(seed, shown)) ||
                    SameWork(*loaded, KillTrialAfter(seed, shown + 1)))
            << "after tick " << shown;
    }
}

// Files that cannot grow past 1 MiB stand for a full disk.
TEST(SessionStore, AFullDiskIsToldOnceAndWorkGoesOn) {
    SessionStore store(Root("full"));
    ASSERT_EQ(store.Create(), StoreHealth::Keeping);
    Work work;
    work.width = 640;
    work.height = 480;
    std::mt19937 random(1);
    for (int cell = 0; cell < 2; ++cell) {  // 1.2 MB that no compression shrinks
        work.Place(cell, 5);
        for (uint16_t& pixel : work.records.back().cells[0].after) pixel = uint16_t(random());
        WriteCell(work.sheet.data(), cell, 640, 480, work.records.back().cells[0].after);
    }
    const FileSizeLimit full(1 << 20);
    EXPECT_EQ(store.Flush(work.View(), work.dirt, true), StoreHealth::FailedNow);
    EXPECT_NE(store.Problem().find("not being kept"), std::string::npos);
    work.Place(1, 6);
    EXPECT_EQ(store.Flush(work.View(), work.dirt, true), StoreHealth::Failed);
    EXPECT_TRUE(work.dirt.cells.empty());
}

TEST(SessionStore, MovingAsideKeepsTheNewestFive) {
    const std::string root = Root("aside");
    Work work;
    std::vector<std::string> names;
    for (uint16_t i = 1; i <= 7; ++i) {
        work.Place(0, i);
        names.push_back(fs::path(LeaveSession(root, work)).filename());
    }
    SessionStore finder(root);
    std::vector<Orphan> orphans = finder.FindOrphans();
    ASSERT_EQ(orphans.size(), 7u);
    EXPECT_EQ(fs::path(orphans[0].folder).filename(), names[6]);
    for (Orphan& orphan : orphans) EXPECT_EQ(finder.MoveAside(std::move(orphan)), "");
    std::vector<std::string> aside = FolderEntries(root + "/aside");
    std::sort(aside.begin(), aside.end());
    EXPECT_EQ(FolderEntries(root), std::vector<std::string>{"aside"});
    EXPECT_EQ(aside, std::vector<std::string>(names.begin() + 2, names.end()));
}

// How a left session is harmed before the next editor starts, besides the
// SQL run on its database.
enum class Harm { None, AsideIsAFile, Overwritten, CutShort, NeverWritten, RecordOffTheSheet };

// The folders under root and root/aside, sorted; a session's name is put as
// "left" when it is `left`, else as "new".
std::vector<std::string> Layout(const std::string& root, const std::string& left) {
    std::vector<std::string> found;
    for (const std::string under : {"", "aside/"})
        for (const std::string& name : FolderEntries(root + "/" + under))
            found.push_back(under + (name == "aside" ? name : name == left ? "left" : "new"));
    std::sort(found.begin(), found.end());
    return found;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
        text.replace(at, from.size(), to);
    return text;
}

// A session is left with forty 48 x 48 cells placed, last written 2026-12-07
// 01:22 UTC, then harmed; the next editor starts (on `file` when one is
// named) and answers its question. Only a session that reads back whole is
// offered, and `celforge FILE.Spr` offers only the work left on that file.
// Yes restores it, No sets it aside. One that cannot be read is named in a
// box with why and stays, its database untouched (restoring it could write
// outside the sheet on the next undo); one where nothing was ever done goes.
TEST(SessionHooks, ALeftSessionIsRestoredSetAsideOrToldAndStays) {
    const std::string when = "of 2026-12-07 01:22: 40 frames, 0 directions marked?";
    const std::string ask = "Restore the unsaved work " + when;
    const std::string askWalk = "Restore the unsaved work on walk.Spr " + when;
    const std::string no = "The unsaved work in L cannot be restored: ";
    const std::string history = no + "its undo history is damaged. It stays there.";
    const std::string cell = no + "a cell of its sheet is damaged. It stays there.";
    const std::string row = no + "its work row is damaged. It stays there.";
    const std::string future = no +
                               "it was written in format 99, which this version of the "
                               "editor does not know. It stays there.";
    const std::string asideFile =
        "R/aside is a file, not a folder, so the unsaved work in L stays where it is.";
    const std::vector<std::string> kept = {"left", "new"}, back = {"left"};
    const BoxAnswer yes = BoxAnswer::Yes;
    const struct {
        Harm harm;
        const char* sql;
        const char* file;  // the sprite file the work belongs to, named at the start
        BoxAnswer answer;
        std::vector<std::string> boxes;  // how each box's text starts; L: the session
        std::vector<std::string> folders;
    } kCases[] = {
        {Harm::None, "", "", yes, {ask}, back},
        {Harm::None, "", "", BoxAnswer::No, {ask}, {"aside", "aside/left", "new"}},
        {Harm::AsideIsAFile, "", "", BoxAnswer::No, {ask, asideFile}, {"aside", "left", "new"}},
        {Harm::None, "", "walk.Spr", yes, {askWalk}, back},
        {Harm::None, "", "run.Spr", yes, {}, kept},
        {Harm::NeverWritten, "", "", yes, {}, {"new"}},
        {Harm::Overwritten, "", "", yes, {no + "it is damaged ("}, kept},
        {Harm::CutShort,
         "",
         "",
         yes,
         {no + "it cannot be read (database disk image is malformed"},
         kept},
        {Harm::None, "PRAGMA user_version=99", "", yes, {future}, kept},
        {Harm::None, "UPDATE work SET ranges = x'00'", "", yes, {row}, kept},
        {Harm::None, "UPDATE work SET sprite_width = 0", "", yes, {row}, kept},
        {Harm::RecordOffTheSheet, "", "", yes, {ask, history}, kept},
        {Harm::None, "UPDATE blocks SET pixels = x'0000'", "", yes, {ask, cell}, kept},
        {Harm::None, "UPDATE cells SET block = 99999", "", yes, {ask, cell}, kept},
        {Harm::None, "UPDATE log SET seq = 99 WHERE seq = 5", "", yes, {ask, history}, kept},
        {Harm::None, "UPDATE work SET cursor = 41", "", yes, {ask, history}, kept},
        {Harm::None, "UPDATE log SET record = substr(record, 1, 9)", "", yes, {ask, history}, kept},
    };
    PictureBuffer pane;
    for (const auto& c : kCases) {
        SCOPED_TRACE("case " + std::to_string(&c - kCases));
        const std::string root = Root("hooks");
        Work work;
        work.width = c.harm == Harm::NeverWritten ? 0 : 48;  // no sprite yet: nothing is written
        for (int cell = 0; cell < 40; ++cell) work.Place(cell, uint16_t(cell + 1));
        if (c.harm == Harm::RecordOffTheSheet) work.records.back().cells[0].cell = 999999;
        const std::string file = *c.file ? root + "/sprites/../" + c.file : "";
        const std::string folder = LeaveSession(root, work, file);
        const std::string db = folder + "/work.db";
        if (c.harm != Harm::NeverWritten) RunSql(db, "UPDATE work SET updated = 1796606520");
        if (*c.sql) RunSql(db, c.sql);
        if (c.harm == Harm::AsideIsAFile) std::ofstream(fs::path(root) / "aside") << "a file";
        if (c.harm == Harm::Overwritten)
            std::fstream(db, std::ios::in | std::ios::out | std::ios::binary).seekp(4096)
                << std::string(8192, '\xA5');
        if (c.harm == Harm::CutShort) fs::resize_file(db, 6000);
        const std::vector<uint8_t> before = ReadWholeFile(db);

        ResetEditorState();
        platform::ScriptedPlatform script;
        platform::SetPlatform(&script);
        script.QueueBoxAnswer(c.answer);
        StartSession(root, !*c.file, *c.file ? root + "/walk.Spr" : "");
        std::vector<std::string> boxes;
        for (const platform::ShownDialog& box : script.Shown()) {
            const std::string text = Replaced(Replaced(box.text, folder, "L"), root, "R");
            const size_t i = boxes.size();
            boxes.push_back(i < c.boxes.size() ? text.substr(0, c.boxes[i].size()) : text);
        }
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(Layout(root, fs::path(folder).filename()), c.folders);
        // Cell 39, the 11th of the second row of 29, holds 40 from (480, 48) on.
        const size_t restored = c.folders == back ? 40 : 0;
        EXPECT_EQ(
            std::vector<size_t>({g_sheet[48 * SHEET_WIDTH + 480], g_changeLog.Records().size()}),
            std::vector<size_t>({restored, restored}));
        EXPECT_TRUE(c.folders != kept || ReadWholeFile(db) == before);
        CloseSession();
        g_changeLog.Clear();
    }
}

// A picture of 640 x 480 that differs from every other, but has the broad
// flat areas a drawn frame has.
std::vector<uint16_t> VariedPicture(std::mt19937& random) {
    std::vector<uint16_t> pixels(640 * 480);
    const uint16_t base = uint16_t(random());
    const int band = 4 + int(random() % 12);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] =
            uint16_t(base + (i % 640 / band) * 33 + (i / 640 / band) * 7 + (random() % 16 == 0));
    return pixels;
}

// The benchmark's sequence, cut down: placements into a 640 x 480 sprite
// (every third undone and placed anew) past a small history budget, then key
// picks. The WAL stays under 8 MiB, a key pick writes under 64 KiB, the
// database holds the budget's records, and all of it comes back.
TEST(SessionStore, StaysSmallAndComesBackWhole) {
    const std::string root = Root("small");
    const size_t budget = size_t{24} << 20;
    PictureBuffer pane;
    g_state.sheet.spriteWidth = 640;
    g_state.sheet.spriteHeight = 480;
    g_state.sheet.sheetColumns = 2;
    ChangeLog log;
    log.SetBudget(budget);
    std::optional<SessionStore> kept(std::in_place, root);
    SessionStore& store = *kept;
    ASSERT_EQ(store.Create(), StoreHealth::Keeping);
    int64_t walMost = 0, keyTickMost = 0;
    auto flush = [&] {
        WorkView view = CurrentWork();
        view.records = &log.Records();
        view.cursor = log.Cursor();
        view.firstSequence = log.FirstSequence();
        ASSERT_EQ(store.Flush(view, log.Dirt(), false), StoreHealth::Keeping) << store.Problem();
        walMost = std::max(walMost, int64_t(fs::file_size(store.WalPath())));
    };
    std::mt19937 random(7);
    for (int i = 0; i < 100; ++i) {
        const int cell = i % 10;
        for (int again = 0; again < (i % 3 == 2 ? 2 : 1); ++again) {
            if (again) log.Undo();
            log.Do({ChangeKind::PlaceFrames,
                    {{cell, CellPixels(cell), VariedPicture(random)}},
                    {},
                    {},
                    {},
                    {},
                    {}});
            flush();
        }
    }
    for (uint32_t key = 1; key <= 200; ++key) {
        log.Do({ChangeKind::PickKeyColour, {}, {}, {}, {}, key - 1, key});
        flush();
        keyTickMost = std::max(keyTickMost, store.LastTickBytes());
    }
    EXPECT_LE(walMost, 8 << 20);
    EXPECT_GT(keyTickMost, 0);
    EXPECT_LT(keyTickMost, 64 << 10);
    // 100 placements stand (the undone ones were replaced); 20 of 1.2 MB fit
    // the budget beside the 200 picks.
    EXPECT_EQ(log.FirstSequence(), 80u);
    EXPECT_EQ(log.Records().size(), 220u);
    EXPECT_LE(int64_t(fs::file_size(store.Folder() + "/work.db")), int64_t(budget));
    kept.reset();

    std::optional<SessionSnapshot> s = LoadTheOrphan(root);
    ASSERT_TRUE(s && s->records.size() == 220 && s->cells.size() == 10);
    EXPECT_EQ(s->firstSequence, 80u);
    for (size_t i = 0; i < s->records.size(); ++i)
        EXPECT_EQ(HashChange(s->records[i]), HashChange(log.Records()[i])) << i;
    for (const StoredCell& cell : s->cells) EXPECT_EQ(cell.pixels, CellPixels(cell.cell));
}

// Every record written reads back, however many cells it edits.
TEST(SessionStore, ABatchOfAHundredThousandEditsComesBack) {
    const std::string root = Root("batch");
    Work work;
    work.width = 3;
    work.height = 2;
    Change batch;
    for (int cell = 0; cell < 100000; ++cell) {
        const std::vector<uint16_t> pixels(6, uint16_t(cell));
        WriteCell(work.sheet.data(), cell, 3, 2, pixels);
        batch.cells.push_back({cell, {}, pixels});
        work.dirt.cells.push_back(cell);
    }
    work.records.push_back(std::move(batch));
    work.cursor = 1;
    work.dirt.log = work.dirt.work = true;
    LeaveSession(root, work);
    std::optional<SessionSnapshot> s = LoadTheOrphan(root);
    ASSERT_TRUE(s && s->records.size() == 1 && s->cells.size() == 100000);
    EXPECT_EQ(HashChange(s->records[0]), HashChange(work.records[0]));
    EXPECT_EQ(s->cells[70000].pixels, std::vector<uint16_t>(6, uint16_t(70000)));
}

}  // namespace
