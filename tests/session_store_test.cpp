#include "session/session_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "platform/scripted_platform.h"
#include "session/change_record.h"
#include "session/session_hooks.h"
#include "state/work.h"
#include "tests/support/file_faults.h"

namespace fs = std::filesystem;

namespace {

// The work a test writes: buffers of its own, seen through a WorkView.
struct Work {
    std::vector<uint16_t> sheet = std::vector<uint16_t>(SHEET_WIDTH * SHEET_HEIGHT);
    std::vector<uint16_t> picture = std::vector<uint16_t>(PICTURE_WIDTH * PICTURE_HEIGHT);
    int width = 3, height = 2;
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
    const char* base = std::getenv("TEST_TMPDIR");
    const fs::path root = fs::path(base ? base : "/tmp") / "sessions" / name;
    fs::remove_all(root);
    return root.string();
}

int Folders(const fs::path& folder) {
    int n = 0;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        n += it->is_directory();
    return n;
}

void RunSql(const std::string& db, const char* sql) {
    sqlite3* handle = nullptr;
    sqlite3_open(db.c_str(), &handle);
    EXPECT_EQ(sqlite3_exec(handle, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(handle);
}

// A session an editor left: its work written once (never, with `write`
// false), on `file` when one is named. Its folder.
std::string LeaveSession(const std::string& root, Work& work, bool write = true,
                         const std::string& file = "") {
    SessionStore store(root);
    EXPECT_EQ(store.Create(), StoreHealth::Keeping);
    if (!file.empty()) store.SetFile(file);
    if (write) {
        EXPECT_EQ(store.Flush(work.View(), work.dirt, false), StoreHealth::Keeping);
    }
    return store.Folder();
}

// The one session found under `root`, loaded.
std::optional<SessionSnapshot> LoadTheOrphan(const std::string& root) {
    std::vector<Orphan> orphans = SessionStore(root).FindOrphans();
    EXPECT_EQ(orphans.size(), 1u);
    if (orphans.size() != 1) return std::nullopt;
    return SessionStore::Load(orphans[0]);
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
    work.width = work.height = 48;
    {
        SessionStore store(root);
        ASSERT_EQ(store.Create(), StoreHealth::Keeping);
        for (int cell = 0; cell < 3; ++cell) work.Place(cell, uint16_t(cell + 1));
        store.Flush(work.View(), work.dirt, false);
        work.cursor = 1;  // two undos, then a placement in their place
        work.Place(5, 9);
        store.Flush(work.View(), work.dirt, false);
        work.cursor = 1;
        work.dirt.log = true;
        store.Flush(work.View(), work.dirt, false);
        work.records[1].cells[0].after[1] = 77;
        work.cursor = 2;
        work.dirt.log = true;
        store.Flush(work.View(), work.dirt, false);
    }
    std::optional<SessionSnapshot> s = LoadTheOrphan(root);
    ASSERT_TRUE(s);
    ASSERT_EQ(s->records.size(), 2u);
    EXPECT_EQ(s->records[0].cells[0].cell, 0);
    EXPECT_EQ(s->records[1].cells[0].cell, 5);
    EXPECT_EQ(s->records[1].cells[0].after[0], 9);
    EXPECT_EQ(s->records[1].cells[0].after[1], 77);
    EXPECT_EQ(s->cursor, 2u);
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
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char* state = std::getenv("XDG_STATE_HOME");
    const std::string savedState = state ? state : "";
    setenv("HOME", "/home/u", 1);
    for (const auto& c : kCases) {
        c.state ? setenv("XDG_STATE_HOME", c.state, 1) : unsetenv("XDG_STATE_HOME");
        EXPECT_EQ(SessionStore::DefaultRoot(), c.root);
    }
    setenv("HOME", home.c_str(), 1);
    state ? setenv("XDG_STATE_HOME", savedState.c_str(), 1) : unsetenv("XDG_STATE_HOME");
}

// A damaged session is never offered or loaded: restoring it could write
// outside the sheet on the next undo.
TEST(SessionStore, DamagedSessionsAreNotRestored) {
    const struct {
        const char* what;
        int cell;  // where the session's one placement goes
        const char* damage;
    } kCases[] = {
        {"intact", 1, ""},
        {"record of a cell off the sheet", 999999, ""},
        {"short cell", 1, "UPDATE blocks SET pixels = x'0000'"},
        {"cell of no block", 1, "UPDATE cells SET block = 5"},
        {"gap in the log", 1, "UPDATE log SET seq = 5"},
        {"cursor past the log", 1, "UPDATE work SET cursor = 2"},
        {"short ranges", 1, "UPDATE work SET ranges = x'00'"},
        {"cut record", 1, "UPDATE log SET record = substr(record, 1, 9)"},
        {"not a sprite size", 1, "UPDATE work SET sprite_width = 0"},
    };
    for (const auto& c : kCases) {
        const std::string root = Root("damaged");
        Work work;
        work.Place(c.cell, 4);
        RunSql(LeaveSession(root, work) + "/work.db", c.damage);
        SessionStore finder(root);
        std::vector<Orphan> orphans = finder.FindOrphans();
        const bool loads = !orphans.empty() && SessionStore::Load(orphans[0]);
        EXPECT_EQ(loads, c.cell == 1 && !*c.damage) << c.what;
    }
}

TEST(SessionStore, RestoreQuestionNamesTimeFramesAndDirections) {
    const char* zone = std::getenv("TZ");
    const std::string saved = zone ? zone : "";
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(RestoreQuestion({1796606520, 12, 3, ""}),  // 2026-12-07 01:22:00 UTC
              "Restore the unsaved work of 2026-12-07 01:22: 12 frames, 3 directions marked?");
    zone ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
    tzset();
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
    work.width = work.height = 48;
    std::mt19937 random(seed);
    for (int tick = 1; tick <= ticks; ++tick) KillTrialTick(work, random, tick);
    return work;
}

bool SameWork(const SessionSnapshot& s, const Work& work) {
    if (s.keyColour != work.key || s.cursor != work.cursor ||
        s.records.size() != work.records.size())
        return false;
    for (size_t i = 0; i < s.records.size(); ++i)
        if (s.records[i].cells[0].cell != work.records[i].cells[0].cell ||
            s.records[i].cells[0].after != work.records[i].cells[0].after)
            return false;
    size_t placed = 0;
    for (int cell = 0; cell < 24; ++cell)
        placed += ReadCell(work.sheet.data(), cell, 48, 48)[0] != 0;
    if (s.cells.size() != placed) return false;
    for (const StoredCell& cell : s.cells)
        if (cell.pixels != ReadCell(work.sheet.data(), cell.cell, 48, 48)) return false;
    return true;
}

TEST(SessionStore, KilledAtAnyMomentKeepsEveryWrittenTick) {
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

TEST(SessionStore, OnlySessionsWithoutALiveHolderAreOrphans) {
    const std::string root = Root("holders");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        SessionStore store(root);
        Work work;
        work.Place(0, 1);
        const bool kept = store.Create() == StoreHealth::Keeping &&
                          store.Flush(work.View(), work.dirt, false) == StoreHealth::Keeping;
        if (write(ready[1], &kept, 1) != 1) _exit(1);
        pause();
        _exit(0);
    }
    bool kept = false;
    ASSERT_EQ(read(ready[0], &kept, 1), 1);
    ASSERT_TRUE(kept);
    SessionStore mine(root), other(root);
    ASSERT_EQ(mine.Create(), StoreHealth::Keeping);
    ASSERT_EQ(other.Create(), StoreHealth::Keeping);
    EXPECT_EQ(mine.FindOrphans().size(), 0u);
    EXPECT_EQ(other.FindOrphans().size(), 0u);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(mine.FindOrphans().size(), 1u);
}

TEST(SessionStore, FullDiskIsToldOnceAndWorkGoesOn) {
    if (getuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string root = Root("full");
    fs::create_directories(root);
    if (mount("tmpfs", root.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    {
        SessionStore store(root);
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
        EXPECT_EQ(store.Flush(work.View(), work.dirt, true), StoreHealth::FailedNow);
        EXPECT_NE(store.Problem().find("not being kept"), std::string::npos);
        work.Place(1, 6);
        EXPECT_EQ(store.Flush(work.View(), work.dirt, true), StoreHealth::Failed);
        EXPECT_TRUE(work.dirt.cells.empty());
    }
    umount2(root.c_str(), MNT_DETACH);
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
    EXPECT_EQ(Folders(root), 1);  // aside alone
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(fs::exists(fs::path(root) / "aside" / names[i]), i >= 2) << i;
}

// The newest session left is offered; `celforge FILE.Spr` offers only the
// work left on that very file. Yes restores it, No sets it aside.
TEST(SessionHooks, TheBoxRestoresOrSetsTheSessionAside) {
    using platform::BoxAnswer;
    const char* const anyWork = "Restore the unsaved work of ";
    const char* const onWalk = "Restore the unsaved work on walk.Spr of ";
    const struct {
        const char* kept;  // the file the left session's work belongs to
        bool named;        // the editor starts on walk.Spr
        BoxAnswer answer;
        bool asideIsAFile;
        const char* asked;  // how the question starts; null: none
        bool restored;
        int asides;
        int sessions;  // folders in the root besides aside, this editor's included
    } kCases[] = {
        {"", false, BoxAnswer::Yes, false, anyWork, true, 0, 1},
        {"", false, BoxAnswer::No, false, anyWork, false, 1, 1},
        {"", false, BoxAnswer::No, true, anyWork, false, 0, 2},  // told, and it stays
        {"walk.Spr", true, BoxAnswer::Yes, false, onWalk, true, 0, 1},
        {"run.Spr", true, BoxAnswer::Yes, false, nullptr, false, 0, 2},
    };
    PictureBuffer pane;
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.kept) + (c.named ? " named" : "") +
                     (c.asideIsAFile ? " file" : ""));
        const std::string root = Root("hooks");
        Work work;
        work.Place(467, 0x2222);
        LeaveSession(root, work, true, *c.kept ? root + "/sprites/../" + c.kept : "");
        if (c.asideIsAFile) std::ofstream(fs::path(root) / "aside") << "a file";
        ResetEditorState();
        platform::ScriptedPlatform script;
        platform::SetPlatform(&script);
        script.QueueBoxAnswer(c.answer);
        EXPECT_EQ(StartSession(root, !c.named, c.named ? root + "/walk.Spr" : "").restored,
                  c.restored);
        ASSERT_EQ(script.Shown().size(), (c.asked ? 1u : 0u) + c.asideIsAFile);
        if (c.asked) {
            EXPECT_EQ(script.Shown()[0].text.rfind(c.asked, 0), 0u) << script.Shown()[0].text;
            EXPECT_NE(script.Shown()[0].text.find(": 1 frames, 0 directions marked?"),
                      std::string::npos);
        }
        if (c.asideIsAFile) {
            EXPECT_NE(script.Shown()[1].text.find("aside is a file, not a folder"),
                      std::string::npos);
        }
        // The sprite is 3 x 2; cell 467's first pixel lies at (3, 2).
        EXPECT_EQ(g_sheet[2 * SHEET_WIDTH + 3], c.restored ? 0x2222 : 0);
        EXPECT_EQ(g_changeLog.Records().size(), c.restored ? 1u : 0u);
        EXPECT_EQ(Folders(fs::path(root) / "aside"), c.asides);
        EXPECT_EQ(Folders(root) - (c.asides ? 1 : 0), c.sessions);
        CloseSession();
        g_changeLog.Clear();
    }
}

// A session that cannot be read is named in a box with why and stays where
// it is, its database untouched; one where nothing was ever done goes quietly.
TEST(SessionHooks, UnreadableSessionsAreToldAndStay) {
    using Damage = void (*)(const std::string& db);
    const struct {
        const char* what;
        Damage damage;
        const char* why;  // in the box; null: no box, the session is removed
    } kCases[] = {
        {"damaged",
         [](const std::string& db) {
             std::fstream file(db, std::ios::in | std::ios::out | std::ios::binary);
             file.seekp(4096);
             file << std::string(8192, '\xA5');
         },
         "it is damaged"},
        {"cut short", [](const std::string& db) { fs::resize_file(db, 6000); },
         "it cannot be read (database disk image is malformed"},
        {"future version", [](const std::string& db) { RunSql(db, "PRAGMA user_version=99"); },
         "written in format 99, which this version of the editor does not know"},
        {"nothing ever done", nullptr, nullptr},
    };
    PictureBuffer pane;
    for (const auto& c : kCases) {
        const std::string root = Root("unreadable");
        Work work;
        work.width = work.height = 48;
        for (int cell = 0; cell < 40; ++cell) work.Place(cell, uint16_t(cell + 1));
        const std::string folder = LeaveSession(root, work, c.damage != nullptr);
        if (c.damage) c.damage(folder + "/work.db");
        const std::vector<uint8_t> before = ReadWholeFile(folder + "/work.db");
        platform::ScriptedPlatform script;
        platform::SetPlatform(&script);
        EXPECT_FALSE(StartSession(root).restored) << c.what;
        ASSERT_EQ(script.Shown().size(), c.why ? 1u : 0u) << c.what;
        if (c.why) {
            EXPECT_NE(script.Shown()[0].text.find(folder), std::string::npos) << c.what;
            EXPECT_NE(script.Shown()[0].text.find(c.why), std::string::npos)
                << c.what << ": " << script.Shown()[0].text;
            EXPECT_TRUE(ReadWholeFile(folder + "/work.db") == before) << c.what;
        }
        EXPECT_EQ(fs::exists(folder), c.why != nullptr) << c.what;
        EXPECT_FALSE(fs::exists(fs::path(root) / "aside")) << c.what;
        CloseSession();
    }
}

// A picture of 640 x 480 that differs from every other, but has the broad
// flat areas a drawn frame has.
std::vector<uint16_t> VariedPicture(std::mt19937& random) {
    std::vector<uint16_t> pixels(640 * 480);
    const uint16_t base = uint16_t(random());
    const int band = 4 + int(random() % 12);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            pixels[size_t(y) * 640 + x] =
                uint16_t(base + (x / band) * 33 + (y / band) * 7 + (random() % 16 == 0));
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
    auto kept = std::make_unique<SessionStore>(root);
    SessionStore& store = *kept;
    ASSERT_EQ(store.Create(), StoreHealth::Keeping);
    int64_t walMost = 0, keyTickMost = 0;
    auto flush = [&] {
        WorkView view;
        view.spriteWidth = 640;
        view.spriteHeight = 480;
        view.sheet = g_sheet;
        view.picture = g_pictureBuf;
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
            Change place;
            place.cells.push_back({cell, CellPixels(cell), VariedPicture(random)});
            log.Do(std::move(place));
            flush();
        }
    }
    for (uint32_t key = 1; key <= 200; ++key) {
        Change pick;
        pick.kind = ChangeKind::PickKeyColour;
        pick.keyBefore = key - 1;
        pick.keyAfter = key;
        log.Do(std::move(pick));
        flush();
        keyTickMost = std::max(keyTickMost, store.LastTickBytes());
    }
    EXPECT_LE(walMost, 8 << 20);
    EXPECT_GT(keyTickMost, 0);
    EXPECT_LT(keyTickMost, 64 << 10);
    EXPECT_LE(log.Bytes(), budget);
    // 100 placements stand (the undone ones were replaced); 20 of 1.2 MB fit
    // the budget beside the 200 picks.
    EXPECT_EQ(log.FirstSequence(), 80u);
    EXPECT_EQ(log.Records().size(), 220u);
    EXPECT_LE(int64_t(fs::file_size(store.Folder() + "/work.db")), int64_t(budget));
    kept.reset();

    std::optional<SessionSnapshot> s = LoadTheOrphan(root);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->firstSequence, log.FirstSequence());
    ASSERT_EQ(s->records.size(), log.Records().size());
    EXPECT_EQ(s->cells.size(), 10u);
    for (size_t i = 0; i < s->records.size(); ++i)
        EXPECT_EQ(HashChange(s->records[i]), HashChange(log.Records()[i])) << i;
    for (const StoredCell& cell : s->cells) EXPECT_EQ(cell.pixels, CellPixels(cell.cell));
}

// Every record written reads back, however many cells it edits.
TEST(SessionStore, ABatchOfAHundredThousandEditsComesBack) {
    const std::string root = Root("batch");
    Work work;
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
    ASSERT_TRUE(s);
    ASSERT_EQ(s->records.size(), 1u);
    ASSERT_EQ(s->records[0].cells.size(), 100000u);
    EXPECT_EQ(s->records[0].cells[99999].cell, 99999);
    EXPECT_EQ(s->records[0].cells[99999].after, std::vector<uint16_t>(6, uint16_t(99999)));
    ASSERT_EQ(s->cells.size(), 100000u);
    EXPECT_EQ(s->cells[70000].pixels, std::vector<uint16_t>(6, uint16_t(70000)));
}

}  // namespace
