#include "session/session_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>

#include "session/change_record.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* DATABASE = "work.db";
constexpr const char* LOCK_FILE = "lock";
constexpr const char* ASIDE = "aside";
constexpr const char* NEW_PREFIX = ".new-";
constexpr size_t ASIDE_KEPT = 5;
constexpr int SCHEMA_VERSION = 1;
// Mirrors the workbench's confirmed range state: a direction counts as marked
// once both ends of its range are set.
constexpr int RANGE_CONFIRMED_STATE = 3;
// A tick never waits on a lock for longer than this.
constexpr int BUSY_TIMEOUT_MS = 5;
// Pages in the WAL before the checkpoint thread folds them into the database.
constexpr int CHECKPOINT_PAGES = 64;

// WAL with synchronous=NORMAL: a commit is complete once its frames are in
// the WAL file, which a killed or crashed process leaves in the kernel's page
// cache; the WAL is only synced at checkpoints. Only a power cut or a kernel
// crash can take back the last commits, and even then the database stays
// consistent. FULL would add a sync to every tick.
// Pages of 64 KiB: a 640 x 480 cell is 600 KiB, and a tick writes it in a
// tenth of the time it takes in 4 KiB pages; a small cell costs about the same.
constexpr const char* SCHEMA = R"(
PRAGMA page_size=65536;
PRAGMA journal_mode=WAL;
PRAGMA synchronous=NORMAL;
PRAGMA cache_size=-16384;
PRAGMA journal_size_limit=8388608;
CREATE TABLE IF NOT EXISTS work(
  id INTEGER PRIMARY KEY CHECK (id = 1),
  sprite_width INTEGER NOT NULL, sprite_height INTEGER NOT NULL,
  created INTEGER NOT NULL, updated INTEGER NOT NULL,
  cell_x INTEGER NOT NULL, cell_y INTEGER NOT NULL,
  has_room INTEGER NOT NULL, placed INTEGER NOT NULL,
  key_colour INTEGER NOT NULL, ranges BLOB NOT NULL, cursor INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS cells(cell INTEGER PRIMARY KEY, pixels BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS picture(id INTEGER PRIMARY KEY CHECK (id = 1), pixels BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS log(seq INTEGER PRIMARY KEY, record BLOB NOT NULL);
PRAGMA user_version=1;
)";

// Per slot: state, first cell, last cell, count, each a little-endian int32.
constexpr size_t RANGE_BYTES = 16;

std::vector<uint8_t> EncodeRanges(const DirectionRange* ranges, const int* counts) {
    std::vector<uint8_t> bytes;
    for (int slot = 0; slot < DIRECTION_COUNT; ++slot) {
        const int fields[4] = {ranges[slot].state, ranges[slot].firstCell, ranges[slot].lastCell,
                               counts[slot]};
        for (int v : fields)
            for (int shift = 0; shift < 32; shift += 8)
                bytes.push_back(uint8_t(static_cast<uint32_t>(v) >> shift));
    }
    return bytes;
}

bool DecodeRanges(const uint8_t* bytes, size_t size, DirectionRange* ranges, int* counts) {
    if (size != RANGE_BYTES * DIRECTION_COUNT) return false;
    auto field = [&](size_t at) {
        return static_cast<int>(uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 |
                                uint32_t(bytes[at + 2]) << 16 | uint32_t(bytes[at + 3]) << 24);
    };
    for (int slot = 0; slot < DIRECTION_COUNT; ++slot) {
        const size_t at = slot * RANGE_BYTES;
        ranges[slot] = {field(at), field(at + 4), field(at + 8)};
        counts[slot] = field(at + 12);
    }
    return true;
}

class Statement {
  public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }
    bool Ready() const { return stmt_ != nullptr; }
    // Steps once and resets; returns the step's result code.
    int Step() {
        const int rc = sqlite3_step(stmt_);
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        return rc;
    }
    bool Run() {
        const int rc = Step();
        return rc == SQLITE_DONE || rc == SQLITE_ROW;
    }
    void Blob(int at, const void* data, size_t size) {
        sqlite3_bind_blob64(stmt_, at, data, size, SQLITE_STATIC);
    }
    void Int(int at, int64_t v) { sqlite3_bind_int64(stmt_, at, v); }

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

sqlite3* OpenDatabase(const std::string& path, bool create) {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, BUSY_TIMEOUT_MS);
    return db;
}

bool Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Names sort in the order the sessions started, which is what keeping the
// newest few aside goes by.
std::string NewSessionName() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::random_device random;
    char tail[32];
    std::snprintf(tail, sizeof tail, "-%09ld-%08x", long(now.tv_nsec), random());
    return stamp + std::string(tail);
}

bool IsSessionName(const std::string& name) {
    return !name.empty() && name[0] != '.' && name != ASIDE;
}

}  // namespace

// ---- lock

SessionLock& SessionLock::operator=(SessionLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

SessionLock::~SessionLock() {
    if (fd_ >= 0) close(fd_);
}

SessionLock SessionLock::TryTake(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return SessionLock();
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return SessionLock();
    }
    return SessionLock(fd);
}

// ---- checkpoints

// Folding the WAL into the database syncs both files, which can take a disk
// many milliseconds; a thread of its own does it on its own connection so a
// tick only ever appends to the WAL.
struct SessionStore::Checkpointer {
    explicit Checkpointer(std::string path) : thread_([this, path] { Run(path); }) {}
    ~Checkpointer() {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void Request() {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            due_ = true;
        }
        wake_.notify_one();
    }
    static int OnCommit(void* self, sqlite3*, const char*, int pages) {
        if (pages >= CHECKPOINT_PAGES) static_cast<Checkpointer*>(self)->Request();
        return SQLITE_OK;
    }

  private:
    void Run(const std::string& path) {
        sqlite3* db = OpenDatabase(path, false);
        std::unique_lock<std::mutex> hold(mutex_);
        for (;;) {
            wake_.wait(hold, [this] { return stop_ || due_; });
            if (stop_) break;
            due_ = false;
            hold.unlock();
            // A failed checkpoint leaves the WAL longer, nothing worse; the
            // writer reports its own errors.
            if (db)
                sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
            hold.lock();
        }
        sqlite3_close(db);
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    bool due_ = false;
    bool stop_ = false;
    std::thread thread_;  // last: starts once the members above exist
};

// ---- statements reused every tick

struct SessionStore::Statements {
    explicit Statements(sqlite3* db)
        : begin(db, "BEGIN IMMEDIATE"),
          commit(db, "COMMIT"),
          rollback(db, "ROLLBACK"),
          cell(db, "INSERT OR REPLACE INTO cells(cell, pixels) VALUES (?1, ?2)"),
          picture(db, "INSERT OR REPLACE INTO picture(id, pixels) VALUES (1, ?1)"),
          record(db, "INSERT OR REPLACE INTO log(seq, record) VALUES (?1, ?2)"),
          dropRecords(db, "DELETE FROM log WHERE seq >= ?1"),
          work(db,
               "INSERT OR REPLACE INTO work(id, sprite_width, sprite_height, created, updated,"
               " cell_x, cell_y, has_room, placed, key_colour, ranges, cursor)"
               " VALUES (1, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)") {}
    bool Ready() const {
        return begin.Ready() && commit.Ready() && rollback.Ready() && cell.Ready() &&
               picture.Ready() && record.Ready() && dropRecords.Ready() && work.Ready();
    }
    Statement begin, commit, rollback, cell, picture, record, dropRecords, work;
};

// ---- store

std::string RestoreQuestion(const SessionSummary& summary) {
    char when[64];
    std::tm local{};
    localtime_r(&summary.updated, &local);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
    return "Restore the unsaved work of " + std::string(when) + ": " +
           std::to_string(summary.frames) + " frames, " + std::to_string(summary.directionsMarked) +
           " directions marked?";
}

SessionStore::SessionStore(std::string root) : root_(std::move(root)) {}

SessionStore::~SessionStore() {
    Close();
}

std::string SessionStore::DefaultRoot() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/celforge/sessions";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/state/celforge/sessions";
}

StoreHealth SessionStore::Fail(const std::string& what) {
    Close();
    if (failed_) return StoreHealth::Failed;
    failed_ = true;
    problem_ = "This session's work is not being kept: " + what;
    return StoreHealth::FailedNow;
}

void SessionStore::Close() {
    checkpointer_.reset();
    statements_.reset();
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
}

StoreHealth SessionStore::Create() {
    if (failed_) return StoreHealth::Failed;
    std::error_code error;
    fs::create_directories(root_, error);
    if (error) return Fail("cannot make " + root_ + " (" + error.message() + ")");
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string name = NewSessionName();
        const fs::path fresh = fs::path(root_) / (NEW_PREFIX + name);
        if (!fs::create_directory(fresh, error)) continue;
        // Locked before it gets its real name, so no other editor can ever
        // see it unlocked and take it for an orphan.
        lock_ = SessionLock::TryTake((fresh / LOCK_FILE).string());
        const fs::path final = fs::path(root_) / name;
        if (lock_.Held() && !fs::exists(final)) fs::rename(fresh, final, error);
        if (!lock_.Held() || error || !fs::exists(final)) {
            lock_ = SessionLock();
            fs::remove_all(fresh, error);
            return Fail("cannot start a session in " + root_);
        }
        folder_ = final.string();
        created_ = std::time(nullptr);
        return Open(true);
    }
    return Fail("cannot make a session folder in " + root_ +
                (error ? " (" + error.message() + ")" : ""));
}

StoreHealth SessionStore::Adopt(Orphan orphan, const WorkView& restored) {
    if (failed_) return StoreHealth::Failed;
    folder_ = orphan.folder;
    lock_ = std::move(orphan.lock);
    created_ = std::time(nullptr);
    const StoreHealth health = Open(false);
    if (health != StoreHealth::Keeping) return health;
    writtenWidth_ = restored.spriteWidth;
    writtenHeight_ = restored.spriteHeight;
    writtenRecords_.clear();
    if (restored.records)
        for (const Change& change : *restored.records)
            writtenRecords_.push_back({PrintChange(change), HashChange(change)});
    writtenCursor_ = restored.cursor;
    return StoreHealth::Keeping;
}

StoreHealth SessionStore::Open(bool fresh) {
    const std::string path = folder_ + "/" + DATABASE;
    db_ = OpenDatabase(path, fresh);
    if (!db_) return Fail("cannot open " + path);
    if (!Exec(db_, SCHEMA)) return Fail(sqlite3_errmsg(db_) + (" in " + path));
    statements_ = std::make_unique<Statements>(db_);
    if (!statements_->Ready()) return Fail(sqlite3_errmsg(db_) + (" in " + path));
    checkpointer_ = std::make_unique<Checkpointer>(path);
    sqlite3_wal_hook(db_, &Checkpointer::OnCommit, checkpointer_.get());
    writtenWidth_ = writtenHeight_ = 0;
    writtenRecords_.clear();
    writtenCursor_ = 0;
    return StoreHealth::Keeping;
}

StoreHealth SessionStore::Flush(const WorkView& view, LogDirt& dirt, bool pictureChanged) {
    if (!db_) {
        dirt = LogDirt();
        return failed_ ? StoreHealth::Failed : StoreHealth::Keeping;
    }
    if (view.spriteWidth <= 0 || view.spriteHeight <= 0) return StoreHealth::Keeping;
    const bool sizeNew = view.spriteWidth != writtenWidth_ || view.spriteHeight != writtenHeight_;
    if (!sizeNew && dirt.cells.empty() && !dirt.work && !dirt.log && !pictureChanged)
        return StoreHealth::Keeping;
    std::vector<Written> written = writtenRecords_;
    LogDirt due = dirt;
    due.log |= sizeNew;
    const int begun = statements_->begin.Step();
    // Busy for a moment (the checkpoint thread): the dirt waits for the next tick.
    if (begun == SQLITE_BUSY) return StoreHealth::Keeping;
    if (begun != SQLITE_DONE) return Fail(sqlite3_errmsg(db_));
    if (!WriteTick(view, due, pictureChanged || sizeNew, &written) || !statements_->commit.Run()) {
        const std::string what = sqlite3_errmsg(db_);
        statements_->rollback.Run();
        return Fail(what);
    }
    writtenWidth_ = view.spriteWidth;
    writtenHeight_ = view.spriteHeight;
    writtenRecords_ = std::move(written);
    writtenCursor_ = view.cursor;
    dirt = LogDirt();
    return StoreHealth::Keeping;
}

bool SessionStore::WriteTick(const WorkView& view, const LogDirt& dirt, bool pictureDue,
                             std::vector<Written>* written) {
    std::vector<int> cells = dirt.cells;
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    Statement& cell = statements_->cell;
    for (int index : cells) {
        const std::vector<uint16_t> pixels =
            ReadCell(view.sheet, index, view.spriteWidth, view.spriteHeight);
        if (pixels.empty()) continue;
        cell.Int(1, index);
        cell.Blob(2, pixels.data(), pixels.size() * 2);
        if (!cell.Run()) return false;
    }
    if (pictureDue && view.picture) {
        statements_->picture.Blob(1, view.picture, size_t(PICTURE_WIDTH) * PICTURE_HEIGHT * 2);
        if (!statements_->picture.Run()) return false;
    }
    if (dirt.log && !WriteLog(view, written)) return false;
    return WriteWorkRow(view);
}

// Writes the records that are new or replaced since the last tick and drops
// the rows past the log's end. A record is replaced only by a change made
// after undoing back to it: when a tick does one thing, the replaced record
// lies between the lower of the last written and the present cursor and the
// present cursor, so those few are checked pixel by pixel; prints tell the
// rest.
bool SessionStore::WriteLog(const WorkView& view, std::vector<Written>* written) {
    if (!view.records) return true;
    const std::vector<Change>& records = *view.records;
    const size_t low = std::min(writtenCursor_, view.cursor);
    Statement& record = statements_->record;
    for (size_t i = 0; i < records.size(); ++i) {
        const RecordPrint print = PrintChange(records[i]);
        const bool suspect = i >= low && i < view.cursor;
        if (i < written->size() && !suspect && (*written)[i].print == print) continue;
        const uint64_t hash = HashChange(records[i]);
        if (i < written->size() && (*written)[i].hash == hash) {
            (*written)[i].print = print;  // the same record, moved in memory
            continue;
        }
        const std::vector<uint8_t> blob = EncodeChange(records[i]);
        record.Int(1, int64_t(i));
        record.Blob(2, blob.data(), blob.size());
        if (!record.Run()) return false;
        if (i < written->size())
            (*written)[i] = {print, hash};
        else
            written->push_back({print, hash});
    }
    if (written->size() > records.size()) {
        statements_->dropRecords.Int(1, int64_t(records.size()));
        if (!statements_->dropRecords.Run()) return false;
        written->resize(records.size());
    }
    return true;
}

bool SessionStore::WriteWorkRow(const WorkView& view) {
    static const int DEFAULT_COUNTS[DIRECTION_COUNT] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    static const DirectionRange NO_RANGES[DIRECTION_COUNT] = {};
    const std::vector<uint8_t> ranges = EncodeRanges(view.ranges ? view.ranges : NO_RANGES,
                                                     view.counts ? view.counts : DEFAULT_COUNTS);
    Statement& work = statements_->work;
    const int64_t fields[] = {view.spriteWidth,       view.spriteHeight,     created_,
                              std::time(nullptr),     view.mark.cellX,       view.mark.cellY,
                              view.mark.sheetHasRoom, view.mark.placedCount, view.keyColour};
    int at = 1;
    for (int64_t v : fields) work.Int(at++, v);
    work.Blob(at++, ranges.data(), ranges.size());
    work.Int(at, int64_t(view.cursor));
    return work.Run();
}

// ---- sessions left behind

namespace {

struct WorkRow {
    int width = 0;
    int height = 0;
    SessionSummary summary;
    PlacementMark mark;
    DirectionRange ranges[DIRECTION_COUNT] = {};
    int counts[DIRECTION_COUNT] = {};
    uint32_t key = 0;
    int64_t cursor = 0;
};

std::optional<WorkRow> ReadWorkRow(sqlite3* db) {
    Statement read(db,
                   "SELECT sprite_width, sprite_height, updated, cell_x, cell_y, has_room, placed,"
                   " key_colour, ranges, cursor FROM work WHERE id = 1");
    if (!read.Ready() || sqlite3_step(read.get()) != SQLITE_ROW) return std::nullopt;
    sqlite3_stmt* s = read.get();
    WorkRow row;
    row.width = sqlite3_column_int(s, 0);
    row.height = sqlite3_column_int(s, 1);
    row.summary.updated = std::time_t(sqlite3_column_int64(s, 2));
    row.mark = {sqlite3_column_int(s, 3), sqlite3_column_int(s, 4), sqlite3_column_int(s, 5),
                sqlite3_column_int(s, 6)};
    row.key = uint32_t(sqlite3_column_int64(s, 7));
    const auto* ranges = static_cast<const uint8_t*>(sqlite3_column_blob(s, 8));
    if (!DecodeRanges(ranges, size_t(sqlite3_column_bytes(s, 8)), row.ranges, row.counts))
        return std::nullopt;
    row.cursor = sqlite3_column_int64(s, 9);
    if (!CellOnSheet(0, row.width, row.height) || row.width > PICTURE_WIDTH ||
        row.height > PICTURE_HEIGHT)
        return std::nullopt;
    row.summary.frames = row.mark.placedCount;
    for (const DirectionRange& range : row.ranges)
        row.summary.directionsMarked += range.state == RANGE_CONFIRMED_STATE;
    return row;
}

// The session's database, checked whole; null when it is missing or damaged.
sqlite3* OpenChecked(const std::string& folder) {
    sqlite3* db = OpenDatabase(folder + "/" + DATABASE, false);
    if (!db) return nullptr;
    Statement check(db, "PRAGMA quick_check");
    const bool ok =
        check.Ready() && sqlite3_step(check.get()) == SQLITE_ROW &&
        std::string(reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0))) == "ok";
    if (ok) return db;
    sqlite3_close(db);
    return nullptr;
}

bool ReadCells(sqlite3* db, SessionSnapshot* snapshot) {
    Statement read(db, "SELECT cell, pixels FROM cells ORDER BY cell");
    if (!read.Ready()) return false;
    const size_t bytes = size_t(snapshot->spriteWidth) * snapshot->spriteHeight * 2;
    int rc;
    while ((rc = sqlite3_step(read.get())) == SQLITE_ROW) {
        StoredCell cell;
        cell.cell = sqlite3_column_int(read.get(), 0);
        const auto* pixels = static_cast<const uint16_t*>(sqlite3_column_blob(read.get(), 1));
        if (size_t(sqlite3_column_bytes(read.get(), 1)) != bytes ||
            !CellOnSheet(cell.cell, snapshot->spriteWidth, snapshot->spriteHeight))
            return false;
        cell.pixels.assign(pixels, pixels + bytes / 2);
        snapshot->cells.push_back(std::move(cell));
    }
    return rc == SQLITE_DONE;
}

bool ReadPicture(sqlite3* db, SessionSnapshot* snapshot) {
    Statement read(db, "SELECT pixels FROM picture WHERE id = 1");
    if (!read.Ready()) return false;
    const int rc = sqlite3_step(read.get());
    if (rc == SQLITE_DONE) return true;
    const size_t count = size_t(PICTURE_WIDTH) * PICTURE_HEIGHT;
    if (rc != SQLITE_ROW || size_t(sqlite3_column_bytes(read.get(), 0)) != count * 2) return false;
    const auto* pixels = static_cast<const uint16_t*>(sqlite3_column_blob(read.get(), 0));
    snapshot->picture.assign(pixels, pixels + count);
    return true;
}

// An undo after a restore writes these pixels back into the sheet: every edit
// must be of a cell on the sheet, at the sprite's size.
bool FitsSprite(const Change& change, int width, int height) {
    const size_t pixels = size_t(width) * height;
    for (const CellEdit& edit : change.cells)
        if (!CellOnSheet(edit.cell, width, height) ||
            (!edit.before.empty() && edit.before.size() != pixels) ||
            (!edit.after.empty() && edit.after.size() != pixels))
            return false;
    return true;
}

bool ReadLog(sqlite3* db, SessionSnapshot* snapshot) {
    Statement read(db, "SELECT seq, record FROM log ORDER BY seq");
    if (!read.Ready()) return false;
    int rc;
    while ((rc = sqlite3_step(read.get())) == SQLITE_ROW) {
        if (sqlite3_column_int64(read.get(), 0) != int64_t(snapshot->records.size())) return false;
        const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(read.get(), 1));
        std::optional<Change> change =
            DecodeChange(bytes, size_t(sqlite3_column_bytes(read.get(), 1)));
        if (!change || !FitsSprite(*change, snapshot->spriteWidth, snapshot->spriteHeight))
            return false;
        snapshot->records.push_back(std::move(*change));
    }
    return rc == SQLITE_DONE && snapshot->cursor <= snapshot->records.size();
}

std::vector<fs::path> Subfolders(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_directory(error)) found.push_back(it->path());
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

std::vector<Orphan> SessionStore::FindOrphans() {
    std::vector<Orphan> orphans;
    std::error_code error;
    for (const fs::path& folder : Subfolders(root_)) {
        const std::string name = folder.filename().string();
        const bool unnamed = name.rfind(NEW_PREFIX, 0) == 0;
        if (folder.string() == folder_ || (!unnamed && !IsSessionName(name))) continue;
        SessionLock lock = SessionLock::TryTake((folder / LOCK_FILE).string());
        if (!lock.Held()) continue;
        if (unnamed) {
            // An editor died while naming it: nothing was ever written there.
            fs::remove_all(folder, error);
            continue;
        }
        Orphan orphan{folder.string(), {}, std::move(lock)};
        sqlite3* db = OpenChecked(orphan.folder);
        std::optional<WorkRow> row;
        if (db) row = ReadWorkRow(db);
        sqlite3_close(db);
        if (!row) {
            MoveAside(std::move(orphan));
            continue;
        }
        orphan.summary = row->summary;
        orphans.push_back(std::move(orphan));
    }
    std::sort(orphans.begin(), orphans.end(), [](const Orphan& a, const Orphan& b) {
        if (a.summary.updated != b.summary.updated) return a.summary.updated > b.summary.updated;
        return a.folder > b.folder;
    });
    return orphans;
}

std::optional<SessionSnapshot> SessionStore::Load(const Orphan& orphan) {
    sqlite3* db = OpenChecked(orphan.folder);
    if (!db) return std::nullopt;
    std::optional<SessionSnapshot> snapshot(std::in_place);
    std::optional<WorkRow> row = ReadWorkRow(db);
    if (row) {
        snapshot->spriteWidth = row->width;
        snapshot->spriteHeight = row->height;
        snapshot->mark = row->mark;
        std::copy(row->ranges, row->ranges + DIRECTION_COUNT, snapshot->ranges);
        std::copy(row->counts, row->counts + DIRECTION_COUNT, snapshot->counts);
        snapshot->keyColour = row->key;
        snapshot->cursor = row->cursor < 0 ? SIZE_MAX : size_t(row->cursor);
    }
    const bool whole =
        row && ReadCells(db, &*snapshot) && ReadPicture(db, &*snapshot) && ReadLog(db, &*snapshot);
    sqlite3_close(db);
    if (!whole) snapshot.reset();
    return snapshot;
}

void SessionStore::MoveAside(Orphan orphan) {
    std::error_code error;
    const fs::path aside = fs::path(root_) / ASIDE;
    fs::create_directories(aside, error);
    const fs::path from(orphan.folder);
    fs::path to = aside / from.filename();
    for (int n = 2; fs::exists(to, error); ++n)
        to = aside / (from.filename().string() + "-" + std::to_string(n));
    fs::rename(from, to, error);
    // A session that cannot be moved is deleted rather than offered forever.
    if (error) fs::remove_all(from, error);
    PruneAside();
}

void SessionStore::PruneAside() {
    std::vector<fs::path> kept = Subfolders(fs::path(root_) / ASIDE);
    std::error_code error;
    while (kept.size() > ASIDE_KEPT) {
        fs::remove_all(kept.front(), error);
        kept.erase(kept.begin());
    }
}

void SessionStore::Remove() {
    Close();
    std::error_code error;
    if (!folder_.empty()) fs::remove_all(folder_, error);
    folder_.clear();
    lock_ = SessionLock();
}
