#include "session/session_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
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
// Version 2: pixels kept once in blocks, records and blocks compressed, the
// work's small fields, names and sprite file. Other versions are left alone.
constexpr int SCHEMA_VERSION = 2;
// Mirrors the workbench's confirmed range state: a direction counts as marked
// once both ends of its range are set.
constexpr int RANGE_CONFIRMED_STATE = 3;
constexpr int64_t PAGE_BYTES = 4096;  // as the schema sets it
// A tick never waits on a lock for longer than this.
constexpr int BUSY_TIMEOUT_MS = 5;
// Pages in the WAL before the checkpoint thread folds them into the database.
constexpr int CHECKPOINT_PAGES = 256;
// The WAL at the end of a tick is never longer: past it the tick folds it
// into the database itself and empties it, waiting as long as that takes.
constexpr int64_t WAL_MOST_BYTES = int64_t{8} << 20;
constexpr int WAL_TRUNCATE_WAIT_MS = 2000;
// A sprite is never bigger than the picture pane.
constexpr size_t PICTURE_BYTES = size_t{PICTURE_WIDTH} * PICTURE_HEIGHT * 2;
constexpr size_t CELL_BYTES_MOST = PICTURE_BYTES;
// The names of a queue of many thousands of pictures, and the small fields.
constexpr size_t NAMES_BYTES_MOST = size_t{64} << 20;

// WAL with synchronous=NORMAL: a commit is complete once its frames are in
// the WAL file, which a killed or crashed process leaves in the kernel's page
// cache; the WAL is only synced at checkpoints. Only a power cut or a kernel
// crash can take back the last commits, and even then the database stays
// consistent. FULL would add a sync to every tick.
// Pages of 4 KiB: a tick that moves the mark or picks a key rewrites a page
// or two, and pixels live in compressed blocks that a tick writes once.
constexpr const char* PRAGMAS = R"(
PRAGMA synchronous=NORMAL;
PRAGMA cache_size=-2048;
PRAGMA journal_size_limit=4194304;
)";
constexpr const char* SCHEMA = R"(
PRAGMA page_size=4096;
PRAGMA journal_mode=WAL;
CREATE TABLE work(
  id INTEGER PRIMARY KEY CHECK (id = 1),
  sprite_width INTEGER NOT NULL, sprite_height INTEGER NOT NULL,
  created INTEGER NOT NULL, updated INTEGER NOT NULL,
  cell_x INTEGER NOT NULL, cell_y INTEGER NOT NULL,
  has_room INTEGER NOT NULL, placed INTEGER NOT NULL,
  key_colour INTEGER NOT NULL, ranges BLOB NOT NULL, cursor INTEGER NOT NULL,
  first_seq INTEGER NOT NULL, extras BLOB NOT NULL, file TEXT NOT NULL);
CREATE TABLE blocks(id INTEGER PRIMARY KEY, crc INTEGER NOT NULL, count INTEGER NOT NULL,
  pixels BLOB NOT NULL);
CREATE TABLE cells(cell INTEGER PRIMARY KEY, block INTEGER NOT NULL);
CREATE TABLE picture(id INTEGER PRIMARY KEY CHECK (id = 1), pixels BLOB NOT NULL);
CREATE TABLE log(seq INTEGER PRIMARY KEY, record BLOB NOT NULL);
CREATE TABLE refs(seq INTEGER NOT NULL, block INTEGER NOT NULL);
CREATE INDEX refs_by_seq ON refs(seq);
CREATE TABLE names(id INTEGER PRIMARY KEY CHECK (id = 1), names BLOB NOT NULL);
PRAGMA user_version=2;
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
    void Text(int at, const std::string& text) {
        sqlite3_bind_text(stmt_, at, text.c_str(), int(text.size()), SQLITE_STATIC);
    }

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

// Null when it cannot be opened; `why` then says why.
sqlite3* OpenDatabase(const std::string& path, bool create, std::string* why = nullptr) {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        if (why) *why = db ? sqlite3_errmsg(db) : "out of memory";
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
            // writer reports its own errors. A connection that has read
            // nothing has not opened the WAL yet, and its checkpoint would do
            // nothing: it reads the schema first.
            if (db && Exec(db, "SELECT count(*) FROM sqlite_schema"))
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
          cell(db, "INSERT OR REPLACE INTO cells(cell, block) VALUES (?1, ?2)"),
          findBlock(db, "SELECT crc, count FROM blocks WHERE id = ?1"),
          putBlock(db, "INSERT INTO blocks(id, crc, count, pixels) VALUES (?1, ?2, ?3, ?4)"),
          sweep(db,
                "DELETE FROM blocks WHERE id NOT IN (SELECT block FROM cells)"
                " AND id NOT IN (SELECT block FROM refs)"),
          picture(db, "INSERT OR REPLACE INTO picture(id, pixels) VALUES (1, ?1)"),
          names(db, "INSERT OR REPLACE INTO names(id, names) VALUES (1, ?1)"),
          record(db, "INSERT OR REPLACE INTO log(seq, record) VALUES (?1, ?2)"),
          ref(db, "INSERT INTO refs(seq, block) VALUES (?1, ?2)"),
          dropRefs(db, "DELETE FROM refs WHERE seq = ?1"),
          dropFrom(db, "DELETE FROM log WHERE seq >= ?1"),
          dropRefsFrom(db, "DELETE FROM refs WHERE seq >= ?1"),
          dropBelow(db, "DELETE FROM log WHERE seq < ?1"),
          dropRefsBelow(db, "DELETE FROM refs WHERE seq < ?1"),
          work(db,
               "INSERT OR REPLACE INTO work(id, sprite_width, sprite_height, created, updated,"
               " cell_x, cell_y, has_room, placed, key_colour, ranges, cursor, first_seq,"
               " extras, file)"
               " VALUES (1, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)") {}
    bool Ready() const {
        for (const Statement* s : {&begin, &commit, &rollback, &cell, &findBlock, &putBlock, &sweep,
                                   &picture, &names, &record, &ref, &dropRefs, &dropFrom,
                                   &dropRefsFrom, &dropBelow, &dropRefsBelow, &work})
            if (!s->Ready()) return false;
        return true;
    }
    Statement begin, commit, rollback, cell, findBlock, putBlock, sweep, picture, names, record,
        ref, dropRefs, dropFrom, dropRefsFrom, dropBelow, dropRefsBelow, work;
};

// ---- store

namespace {

// Pixels compressed; a few, as they are: compressing them costs more than
// it saves.
std::vector<uint8_t> PackBlock(const std::vector<uint16_t>& pixels) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(pixels.data());
    if (pixels.size() < BLOCK_MIN_PIXELS)
        return std::vector<uint8_t>(bytes, bytes + pixels.size() * 2);
    return Compress(bytes, pixels.size() * 2);
}

int64_t PagesWritten(sqlite3* db) {
    int now = 0, highest = 0;
    sqlite3_db_status(db, SQLITE_DBSTATUS_CACHE_WRITE, &now, &highest, 0);
    return now;
}

}  // namespace

std::string RestoreQuestion(const SessionSummary& summary) {
    char when[64];
    std::tm local{};
    localtime_r(&summary.updated, &local);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
    const std::string on =
        summary.file.empty() ? "" : "on " + fs::path(summary.file).filename().string() + " ";
    return "Restore the unsaved work " + on + "of " + std::string(when) + ": " +
           std::to_string(summary.frames) + " frames, " + std::to_string(summary.directionsMarked) +
           " directions marked?";
}

std::string UnreadableMessage(const Unreadable& session) {
    return "The unsaved work in " + session.folder + " cannot be restored: " + session.why +
           ". It stays there.";
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

std::string SessionStore::WalPath() const {
    return folder_ + "/" + DATABASE + "-wal";
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
    file_ = orphan.summary.file;
    const StoreHealth health = Open(false);
    if (health != StoreHealth::Keeping) return health;
    writtenWidth_ = restored.spriteWidth;
    writtenHeight_ = restored.spriteHeight;
    written_ = WrittenLog{restored.firstSequence, {}, restored.cursor};
    if (restored.records)
        for (const Change& change : *restored.records)
            written_.records.push_back({PrintChange(change), HashChange(change)});
    return StoreHealth::Keeping;
}

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

void SessionStore::SetFile(const std::string& path) {
    const std::string file = AbsolutePath(path);
    fileDue_ |= file != file_;
    file_ = file;
}

// A fresh session gets the schema; an adopted one keeps its own, whose
// version FindOrphans checked, and is never stamped again.
StoreHealth SessionStore::Open(bool fresh) {
    const std::string path = folder_ + "/" + DATABASE;
    std::string why;
    db_ = OpenDatabase(path, fresh, &why);
    if (!db_) return Fail("cannot open " + path + " (" + why + ")");
    if ((fresh && !Exec(db_, SCHEMA)) || !Exec(db_, PRAGMAS))
        return Fail(sqlite3_errmsg(db_) + (" in " + path));
    statements_ = std::make_unique<Statements>(db_);
    if (!statements_->Ready()) return Fail(sqlite3_errmsg(db_) + (" in " + path));
    checkpointer_ = std::make_unique<Checkpointer>(path);
    sqlite3_wal_hook(db_, &Checkpointer::OnCommit, checkpointer_.get());
    writtenWidth_ = writtenHeight_ = 0;
    written_ = WrittenLog();
    return StoreHealth::Keeping;
}

StoreHealth SessionStore::Flush(const WorkView& view, LogDirt& dirt, bool pictureChanged) {
    if (!db_) {
        dirt = LogDirt();
        return failed_ ? StoreHealth::Failed : StoreHealth::Keeping;
    }
    if (view.spriteWidth <= 0 || view.spriteHeight <= 0) return StoreHealth::Keeping;
    const bool sizeNew = view.spriteWidth != writtenWidth_ || view.spriteHeight != writtenHeight_;
    if (!sizeNew && dirt.cells.empty() && !dirt.work && !dirt.log && !dirt.names && !dirt.extras &&
        !pictureChanged && !fileDue_)
        return StoreHealth::Keeping;
    WrittenLog log = written_;
    LogDirt due = dirt;
    due.log |= sizeNew;
    due.names |= sizeNew;
    const int begun = statements_->begin.Step();
    // Busy for a moment (the checkpoint thread): the dirt waits for the next tick.
    if (begun == SQLITE_BUSY) return StoreHealth::Keeping;
    if (begun != SQLITE_DONE) return Fail(sqlite3_errmsg(db_));
    sweepDue_ = false;
    const int64_t pagesBefore = PagesWritten(db_);
    if (!WriteTick(view, due, pictureChanged || sizeNew, &log) || !statements_->commit.Run()) {
        const std::string what = sqlite3_errmsg(db_);
        statements_->rollback.Run();
        return Fail(what);
    }
    writtenWidth_ = view.spriteWidth;
    writtenHeight_ = view.spriteHeight;
    written_ = std::move(log);
    fileDue_ = false;
    lastTickBytes_ = (PagesWritten(db_) - pagesBefore) * PAGE_BYTES;
    dirt = LogDirt();
    KeepWalSmall();
    return StoreHealth::Keeping;
}

// The checkpoint thread keeps the WAL short as a rule; a tick that wrote
// much, or ran while a checkpoint could not finish, empties it here.
void SessionStore::KeepWalSmall() {
    std::error_code error;
    const auto size = fs::file_size(WalPath(), error);
    if (error || int64_t(size) <= WAL_MOST_BYTES) return;
    // The busy handler waits for readers, not for the checkpoint thread's
    // own checkpoint: that one is waited out here.
    sqlite3_busy_timeout(db_, WAL_TRUNCATE_WAIT_MS);
    for (int waited = 0; waited < WAL_TRUNCATE_WAIT_MS; ++waited) {
        if (sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr,
                                      nullptr) != SQLITE_BUSY)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    sqlite3_busy_timeout(db_, BUSY_TIMEOUT_MS);
}

bool SessionStore::WriteTick(const WorkView& view, const LogDirt& dirt, bool pictureDue,
                             WrittenLog* log) {
    if (!WriteCells(view, dirt.cells)) return false;
    if (pictureDue && view.picture) {
        const std::vector<uint8_t> pixels =
            Compress(reinterpret_cast<const uint8_t*>(view.picture), PICTURE_BYTES);
        statements_->picture.Blob(1, pixels.data(), pixels.size());
        if (pixels.empty() || !statements_->picture.Run()) return false;
    }
    if (dirt.log && !WriteLog(view, log)) return false;
    if (dirt.names && !WriteNames(view)) return false;
    if (sweepDue_ && !statements_->sweep.Run()) return false;
    return WriteWorkRow(view);
}

bool SessionStore::WriteCells(const WorkView& view, std::vector<int> cells) {
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    Statement& cell = statements_->cell;
    for (int index : cells) {
        const std::vector<uint16_t> pixels =
            ReadCell(view.sheet, index, view.spriteWidth, view.spriteHeight);
        if (pixels.empty()) continue;
        const int64_t block = PutBlock(pixels);
        cell.Int(1, index);
        cell.Int(2, block);
        if (block == 0 || !cell.Run()) return false;
        sweepDue_ = true;  // the cell's former block may be held by nothing now
    }
    return true;
}

// Blocks are numbered by their content's hash; two contents that share it
// take the next free numbers.
int64_t SessionStore::PutBlock(const std::vector<uint16_t>& pixels) {
    constexpr int PROBES = 16;
    const uint32_t crc = PixelsCrc(pixels);
    const int64_t count = int64_t(pixels.size());
    sqlite3_stmt* find = statements_->findBlock.get();
    int64_t id = int64_t(PixelsHash(pixels) & (UINT64_MAX >> 2));
    for (int probe = 0; probe < PROBES; ++probe, ++id) {
        if (id == 0) continue;
        sqlite3_bind_int64(find, 1, id);
        const int rc = sqlite3_step(find);
        const bool same = rc == SQLITE_ROW && uint32_t(sqlite3_column_int64(find, 0)) == crc &&
                          sqlite3_column_int64(find, 1) == count;
        sqlite3_reset(find);
        if (same) return id;
        if (rc == SQLITE_ROW) continue;
        if (rc != SQLITE_DONE) return 0;
        const std::vector<uint8_t> packed = PackBlock(pixels);
        Statement& put = statements_->putBlock;
        put.Int(1, id);
        put.Int(2, crc);
        put.Int(3, count);
        put.Blob(4, packed.data(), packed.size());
        return !packed.empty() && put.Run() ? id : 0;
    }
    return 0;
}

bool SessionStore::DropRecords(const char* where, uint64_t seq) {
    Statement& records = where[0] == '<' ? statements_->dropBelow : statements_->dropFrom;
    Statement& refs = where[0] == '<' ? statements_->dropRefsBelow : statements_->dropRefsFrom;
    records.Int(1, int64_t(seq));
    refs.Int(1, int64_t(seq));
    sweepDue_ = true;
    return records.Run() && refs.Run();
}

bool SessionStore::WriteRecord(const Change& change, uint64_t seq) {
    std::vector<int64_t> blocks;
    const std::vector<uint8_t> blob = PackChange(
        change, [this](const std::vector<uint16_t>& pixels) { return PutBlock(pixels); }, &blocks);
    if (blob.empty()) return false;
    Statement& record = statements_->record;
    record.Int(1, int64_t(seq));
    record.Blob(2, blob.data(), blob.size());
    statements_->dropRefs.Int(1, int64_t(seq));
    if (!statements_->dropRefs.Run() || !record.Run()) return false;
    std::sort(blocks.begin(), blocks.end());
    blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
    for (int64_t block : blocks) {
        statements_->ref.Int(1, int64_t(seq));
        statements_->ref.Int(2, block);
        if (!statements_->ref.Run()) return false;
    }
    sweepDue_ = true;  // a record written in the place of another
    return true;
}

// Writes the records that are new or replaced since the last tick and drops
// the rows past the log's end or before its first record. A record is
// replaced only by a change made after undoing back to it: when a tick does
// one thing, the replaced record lies between the lower of the last written
// and the present cursor and the present cursor, so those few are checked
// pixel by pixel; prints tell the rest.
bool SessionStore::WriteLog(const WorkView& view, WrittenLog* log) {
    static const std::vector<Change> NO_RECORDS;
    const std::vector<Change>& records = view.records ? *view.records : NO_RECORDS;
    for (const Change& change : records)
        if (change.cells.size() > MAX_CELL_EDITS) return false;
    std::vector<Written>& written = log->records;
    if (view.firstSequence < log->first) {  // a log numbered anew: every row goes
        if (!DropRecords(">=", 0)) return false;
        *log = WrittenLog{view.firstSequence, {}, 0};
    } else if (view.firstSequence > log->first) {  // the oldest records went
        const size_t gone =
            size_t(std::min<uint64_t>(view.firstSequence - log->first, written.size()));
        written.erase(written.begin(), written.begin() + long(gone));
        log->cursor -= std::min(log->cursor, gone);
        log->first = view.firstSequence;
        if (!DropRecords("<", log->first)) return false;
    }
    const size_t low = std::min(log->cursor, view.cursor);
    for (size_t i = 0; i < records.size(); ++i) {
        const RecordPrint print = PrintChange(records[i]);
        const bool suspect = i >= low && i < view.cursor;
        if (i < written.size() && !suspect && written[i].print == print) continue;
        const uint64_t hash = HashChange(records[i]);
        if (i < written.size() && written[i].hash == hash) {
            written[i].print = print;  // the same record, moved in memory
            continue;
        }
        if (!WriteRecord(records[i], log->first + i)) return false;
        if (i < written.size())
            written[i] = {print, hash};
        else
            written.push_back({print, hash});
    }
    if (written.size() > records.size()) {
        if (!DropRecords(">=", log->first + records.size())) return false;
        written.resize(records.size());
    }
    log->cursor = view.cursor;
    return true;
}

bool SessionStore::WriteNames(const WorkView& view) {
    const std::vector<uint8_t> names = EncodeNames(view);
    const std::vector<uint8_t> packed = Compress(names.data(), names.size());
    statements_->names.Blob(1, packed.data(), packed.size());
    return !packed.empty() && statements_->names.Run();
}

bool SessionStore::WriteWorkRow(const WorkView& view) {
    static const int DEFAULT_COUNTS[DIRECTION_COUNT] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    static const DirectionRange NO_RANGES[DIRECTION_COUNT] = {};
    const std::vector<uint8_t> ranges = EncodeRanges(view.ranges ? view.ranges : NO_RANGES,
                                                     view.counts ? view.counts : DEFAULT_COUNTS);
    const std::vector<uint8_t> extras = EncodeWorkExtras(view);
    Statement& work = statements_->work;
    const int64_t fields[] = {view.spriteWidth,       view.spriteHeight,     created_,
                              std::time(nullptr),     view.mark.cellX,       view.mark.cellY,
                              view.mark.sheetHasRoom, view.mark.placedCount, view.keyColour};
    int at = 1;
    for (int64_t v : fields) work.Int(at++, v);
    work.Blob(at++, ranges.data(), ranges.size());
    work.Int(at++, int64_t(view.cursor));
    work.Int(at++, int64_t(view.firstSequence));
    // A blob bound to an empty vector would be NULL, which the column refuses.
    static const uint8_t NOTHING = 0;
    work.Blob(at++, extras.empty() ? &NOTHING : extras.data(), extras.size());
    work.Text(at, file_);
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
    int64_t firstSequence = 0;
    std::vector<uint8_t> extras;
};

std::optional<WorkRow> ReadWorkRow(sqlite3* db) {
    Statement read(db,
                   "SELECT sprite_width, sprite_height, updated, cell_x, cell_y, has_room, placed,"
                   " key_colour, ranges, cursor, first_seq, extras, file FROM work WHERE id = 1");
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
    row.firstSequence = sqlite3_column_int64(s, 10);
    const auto* extras = static_cast<const uint8_t*>(sqlite3_column_blob(s, 11));
    row.extras.assign(extras, extras + sqlite3_column_bytes(s, 11));
    const auto* file = reinterpret_cast<const char*>(sqlite3_column_text(s, 12));
    row.summary.file = file ? file : "";
    if (!CellOnSheet(0, row.width, row.height) || row.width > PICTURE_WIDTH ||
        row.height > PICTURE_HEIGHT || row.firstSequence < 0)
        return std::nullopt;
    row.summary.frames = row.mark.placedCount;
    for (const DirectionRange& range : row.ranges)
        row.summary.directionsMarked += range.state == RANGE_CONFIRMED_STATE;
    return row;
}

int64_t QueryInt(sqlite3* db, const char* sql, int64_t otherwise) {
    Statement query(db, sql);
    if (!query.Ready() || sqlite3_step(query.get()) != SQLITE_ROW) return otherwise;
    return sqlite3_column_int64(query.get(), 0);
}

// Closing it never folds the WAL into the database: a session only looked
// at, or of a version this editor does not know, stays as it was.
sqlite3* OpenToRead(const std::string& folder, std::string* why) {
    sqlite3* db = OpenDatabase(folder + "/" + DATABASE, false, why);
    if (!db) {
        *why = "it cannot be opened (" + *why + ")";
        return nullptr;
    }
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    return db;
}

enum class Found { Work, Empty, Unreadable };

// What a session's database holds: work, nothing ever changed, or nothing
// this editor can read (with why).
Found Inspect(sqlite3* db, std::string* why) {
    Statement version(db, "PRAGMA user_version");
    if (!version.Ready() || sqlite3_step(version.get()) != SQLITE_ROW) {
        *why = std::string("it cannot be read (") + sqlite3_errmsg(db) +
               "; a full disk or a damaged file can cause this)";
        return Found::Unreadable;
    }
    const int64_t stamped = sqlite3_column_int64(version.get(), 0);
    if (stamped == 0 && QueryInt(db, "SELECT count(*) FROM sqlite_schema", -1) == 0)
        return Found::Empty;  // its editor died before the tables were made
    if (stamped != SCHEMA_VERSION) {
        *why = "it was written in format " + std::to_string(stamped) +
               ", which this version of the editor does not know";
        return Found::Unreadable;
    }
    Statement check(db, "PRAGMA quick_check");
    const char* verdict = check.Ready() && sqlite3_step(check.get()) == SQLITE_ROW
                              ? reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0))
                              : sqlite3_errmsg(db);
    std::string said = verdict ? verdict : "";
    if (said != "ok") {
        said = said.substr(0, said.find('\n', said.find('\n') + 1));  // the first lines tell
        *why = "it is damaged (" + said + ")";
        return Found::Unreadable;
    }
    const int64_t held = QueryInt(db,
                                  "SELECT (SELECT count(*) FROM cells) + (SELECT count(*) FROM log)"
                                  " + (SELECT count(*) FROM names)",
                                  -1);
    if (held == 0 && QueryInt(db, "SELECT count(*) FROM work", -1) == 0) return Found::Empty;
    return Found::Work;
}

// Reads blocks through one statement; a session may hold many thousands.
class BlockReader {
  public:
    explicit BlockReader(sqlite3* db)
        : read_(db, "SELECT crc, count, pixels FROM blocks WHERE id = ?1") {}
    bool Read(int64_t block, std::vector<uint16_t>* pixels);

  private:
    Statement read_;
};

bool BlockReader::Read(int64_t block, std::vector<uint16_t>* pixels) {
    if (!read_.Ready()) return false;
    sqlite3_stmt* s = read_.get();
    sqlite3_reset(s);
    read_.Int(1, block);
    if (sqlite3_step(s) != SQLITE_ROW) return false;
    const size_t count = size_t(sqlite3_column_int64(s, 1));
    const auto* stored = static_cast<const uint8_t*>(sqlite3_column_blob(s, 2));
    const size_t storedBytes = size_t(sqlite3_column_bytes(s, 2));
    std::optional<std::vector<uint8_t>> bytes;
    if (count < BLOCK_MIN_PIXELS)
        bytes.emplace(stored, stored + storedBytes);
    else
        bytes = Decompress(stored, storedBytes, CELL_BYTES_MOST);
    if (!bytes || bytes->size() != count * 2) return false;
    pixels->resize(count);
    if (count) std::memcpy(pixels->data(), bytes->data(), bytes->size());
    return PixelsCrc(*pixels) == uint32_t(sqlite3_column_int64(s, 0));
}

bool ReadCells(sqlite3* db, SessionSnapshot* snapshot) {
    Statement read(db, "SELECT cell, block FROM cells ORDER BY cell");
    BlockReader blocks(db);
    if (!read.Ready()) return false;
    const size_t pixels = size_t(snapshot->spriteWidth) * snapshot->spriteHeight;
    int rc;
    while ((rc = sqlite3_step(read.get())) == SQLITE_ROW) {
        StoredCell cell;
        cell.cell = sqlite3_column_int(read.get(), 0);
        if (!blocks.Read(sqlite3_column_int64(read.get(), 1), &cell.pixels) ||
            cell.pixels.size() != pixels ||
            !CellOnSheet(cell.cell, snapshot->spriteWidth, snapshot->spriteHeight))
            return false;
        snapshot->cells.push_back(std::move(cell));
    }
    return rc == SQLITE_DONE;
}

// The row's blob unpacked; nullopt when it is damaged, an empty vector when
// there is no row.
std::optional<std::vector<uint8_t>> ReadPacked(sqlite3* db, const char* sql, size_t limit) {
    Statement read(db, sql);
    if (!read.Ready()) return std::nullopt;
    const int rc = sqlite3_step(read.get());
    if (rc == SQLITE_DONE) return std::vector<uint8_t>();
    if (rc != SQLITE_ROW) return std::nullopt;
    return Decompress(static_cast<const uint8_t*>(sqlite3_column_blob(read.get(), 0)),
                      size_t(sqlite3_column_bytes(read.get(), 0)), limit);
}

bool ReadPicture(sqlite3* db, SessionSnapshot* snapshot) {
    const std::optional<std::vector<uint8_t>> bytes =
        ReadPacked(db, "SELECT pixels FROM picture WHERE id = 1", PICTURE_BYTES);
    if (!bytes || (!bytes->empty() && bytes->size() != PICTURE_BYTES)) return false;
    snapshot->picture.resize(bytes->size() / 2);
    if (!bytes->empty()) std::memcpy(snapshot->picture.data(), bytes->data(), bytes->size());
    return true;
}

bool ReadNames(sqlite3* db, SessionSnapshot* snapshot) {
    const std::optional<std::vector<uint8_t>> bytes =
        ReadPacked(db, "SELECT names FROM names WHERE id = 1", NAMES_BYTES_MOST);
    if (!bytes) return false;
    // Never written: the session's names are all blank.
    if (QueryInt(db, "SELECT count(*) FROM names", 0) == 0) return true;
    return DecodeNames(bytes->data(), bytes->size(), snapshot);
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
    BlockReader blocks(db);
    const GetBlock get = [&blocks](int64_t block, std::vector<uint16_t>* pixels) {
        return blocks.Read(block, pixels);
    };
    int rc;
    while ((rc = sqlite3_step(read.get())) == SQLITE_ROW) {
        if (uint64_t(sqlite3_column_int64(read.get(), 0)) !=
            snapshot->firstSequence + snapshot->records.size())
            return false;
        const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(read.get(), 1));
        std::optional<Change> change =
            UnpackChange(bytes, size_t(sqlite3_column_bytes(read.get(), 1)), get);
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

std::vector<Orphan> SessionStore::FindOrphans(std::vector<Unreadable>* unreadable) {
    std::vector<Orphan> orphans;
    std::error_code error;
    for (const fs::path& folder : Subfolders(root_)) {
        const std::string name = folder.filename().string();
        const bool unnamed = name.rfind(NEW_PREFIX, 0) == 0;
        if (folder.string() == folder_ || (!unnamed && !IsSessionName(name))) continue;
        SessionLock lock = SessionLock::TryTake((folder / LOCK_FILE).string());
        if (!lock.Held()) continue;
        // An editor that died while naming it never wrote there.
        Found found = unnamed ? Found::Empty : Found::Unreadable;
        std::string why;
        std::optional<WorkRow> row;
        if (!unnamed && !fs::exists(folder / DATABASE, error)) found = Found::Empty;
        if (sqlite3* db = found == Found::Empty ? nullptr : OpenToRead(folder.string(), &why)) {
            found = Inspect(db, &why);
            if (found == Found::Work && !(row = ReadWorkRow(db))) {
                found = Found::Unreadable;
                why = "its work row is damaged";
            }
            sqlite3_close(db);
        }
        if (found == Found::Empty) {
            fs::remove_all(folder, error);
        } else if (found == Found::Unreadable) {
            if (unreadable) unreadable->push_back({folder.string(), why});
        } else {
            orphans.push_back({folder.string(), row->summary, std::move(lock)});
        }
    }
    std::sort(orphans.begin(), orphans.end(), [](const Orphan& a, const Orphan& b) {
        if (a.summary.updated != b.summary.updated) return a.summary.updated > b.summary.updated;
        return a.folder > b.folder;
    });
    return orphans;
}

std::optional<SessionSnapshot> SessionStore::Load(const Orphan& orphan, std::string* why) {
    std::string reason;
    std::optional<SessionSnapshot> snapshot(std::in_place);
    sqlite3* db = OpenToRead(orphan.folder, &reason);
    if (db && Inspect(db, &reason) != Found::Work) {
        if (reason.empty()) reason = "it holds no work";
        sqlite3_close(db);
        db = nullptr;
    }
    std::optional<WorkRow> row;
    if (db && !(row = ReadWorkRow(db))) reason = "its work row is damaged";
    if (row) {
        snapshot->spriteWidth = row->width;
        snapshot->spriteHeight = row->height;
        snapshot->mark = row->mark;
        std::copy(row->ranges, row->ranges + DIRECTION_COUNT, snapshot->ranges);
        std::copy(row->counts, row->counts + DIRECTION_COUNT, snapshot->counts);
        snapshot->keyColour = row->key;
        snapshot->cursor = row->cursor < 0 ? SIZE_MAX : size_t(row->cursor);
        snapshot->firstSequence = uint64_t(row->firstSequence);
        if (!ReadCells(db, &*snapshot))
            reason = "a cell of its sheet is damaged";
        else if (!ReadPicture(db, &*snapshot))
            reason = "its picture pane is damaged";
        else if (!ReadLog(db, &*snapshot))
            reason = "its undo history is damaged";
        else if (!DecodeWorkExtras(row->extras.data(), row->extras.size(), &*snapshot) ||
                 !ReadNames(db, &*snapshot))
            reason = "its names or settings are damaged or of a newer kind";
    }
    sqlite3_close(db);
    if (!reason.empty()) snapshot.reset();
    if (why) *why = reason;
    return snapshot;
}

std::string SessionStore::MoveAside(Orphan orphan) {
    std::error_code error;
    const fs::path aside = fs::path(root_) / ASIDE;
    const fs::path from(orphan.folder);
    if (fs::exists(aside, error) && !fs::is_directory(aside, error))
        return aside.string() + " is a file, not a folder, so the unsaved work in " +
               from.string() + " stays where it is.";
    fs::create_directories(aside, error);
    fs::path to = aside / from.filename();
    for (int n = 2; !error && fs::exists(to, error); ++n)
        to = aside / (from.filename().string() + "-" + std::to_string(n));
    if (!error) fs::rename(from, to, error);
    if (error)
        return "The unsaved work in " + from.string() + " cannot be moved to " + aside.string() +
               " (" + error.message() + "); it stays where it is.";
    PruneAside();
    return "";
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
