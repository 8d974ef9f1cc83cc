#pragma once
// Each running editor keeps its work in a session of its own: a folder under
// the sessions root holding a SQLite database (WAL) and a lock file. The
// editor holds an flock on the lock file for as long as it runs; the system
// drops it when the process dies in any way, so a session whose lock can be
// taken is one no running editor holds. Process ids never decide it.
//
// Nothing here throws or waits: the first error turns the store off and
// reports once; the editor goes on working without it.

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "session/change_record.h"
#include "session/session_state.h"

struct sqlite3;

// A held flock on a session's lock file; released when destroyed.
class SessionLock {
  public:
    SessionLock() = default;
    explicit SessionLock(int fd) : fd_(fd) {}
    SessionLock(SessionLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    SessionLock& operator=(SessionLock&& other) noexcept;
    ~SessionLock();
    // Takes the lock without waiting; empty when another process holds it.
    static SessionLock TryTake(const std::string& path);
    bool Held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

struct SessionSummary {
    std::time_t updated = 0;  // when the work was last written
    int frames = 0;
    int directionsMarked = 0;
    std::string file;  // the sprite file the work came from or was saved to, absolute
};

// A session no running editor holds, locked by us while we decide about it.
struct Orphan {
    std::string folder;
    SessionSummary summary;
    SessionLock lock;
};

// A session that cannot be read back: it is left where it lies, and the
// user is told why.
struct Unreadable {
    std::string folder;
    std::string why;
};

enum class StoreHealth {
    Keeping,
    FailedNow,  // this call turned the store off: tell the user, once
    Failed,     // off since an earlier call
};

// "Restore the unsaved work of <date> <time>: <N> frames, <M> directions
// marked?", "... work on <file name> of <date> ..." when it came from a file.
std::string RestoreQuestion(const SessionSummary& summary);
// The path from the root, as a session keeps the file its work belongs to.
std::string AbsolutePath(const std::string& path);
// "The unsaved work in <folder> cannot be restored: <why>. It stays there."
std::string UnreadableMessage(const Unreadable& session);

class SessionStore {
  public:
    // root: the folder holding the sessions; nothing is touched until Create.
    explicit SessionStore(std::string root);
    ~SessionStore();
    SessionStore(const SessionStore&) = delete;
    SessionStore& operator=(const SessionStore&) = delete;

    // $XDG_STATE_HOME/celforge/sessions, or ~/.local/state/celforge/sessions.
    static std::string DefaultRoot();

    // Starts a new, empty session and holds its lock.
    StoreHealth Create();
    // Goes on writing into an orphan whose work was loaded and applied;
    // `restored` is that work as the editor now holds it.
    StoreHealth Adopt(Orphan orphan, const WorkView& restored);
    // Sessions no running editor holds, newest first. Those in which no
    // change was ever made are removed; those that cannot be read are left
    // where they are and listed in `unreadable`.
    std::vector<Orphan> FindOrphans(std::vector<Unreadable>* unreadable = nullptr);
    // Empty when the session cannot be read whole; `why` then says why.
    static std::optional<SessionSnapshot> Load(const Orphan& orphan, std::string* why = nullptr);
    // Moves a session into root/aside, keeping the newest five there. When
    // it cannot, the session stays where it is and the answer says why.
    std::string MoveAside(Orphan orphan);
    // The sprite file the work now belongs to (made absolute), kept with
    // the work from the next tick on so a start that names it finds it.
    void SetFile(const std::string& path);
    // The clean end: the work is saved, the session is deleted.
    void Remove();

    // Writes in one transaction what the tick changed: the cells in
    // dirt.cells, the log when dirt.log, the names when dirt.names, the
    // picture pane when pictureChanged, and the row holding the mark,
    // ranges, key, cursor and the work's small fields. A tick that changed
    // nothing writes nothing. Clears dirt once written.
    StoreHealth Flush(const WorkView& view, LogDirt& dirt, bool pictureChanged);

    // Why the store turned off; empty while it keeps the work.
    const std::string& Problem() const { return problem_; }
    const std::string& Folder() const { return folder_; }
    // The session's write-ahead log, which the store keeps under 8 MiB.
    std::string WalPath() const;
    // The bytes of pages the last written tick added to the WAL.
    int64_t LastTickBytes() const { return lastTickBytes_; }

  private:
    struct Statements;
    struct Checkpointer;
    struct Written {
        RecordPrint print;
        uint64_t hash = 0;
    };
    // The log as the database holds it: rows first .. first + size - 1.
    struct WrittenLog {
        uint64_t first = 0;
        std::vector<Written> records;
        size_t cursor = 0;
    };

    StoreHealth Open(bool fresh);
    StoreHealth Fail(const std::string& what);
    bool WriteTick(const WorkView& view, const LogDirt& dirt, bool pictureDue, WrittenLog* log);
    bool WriteCells(const WorkView& view, std::vector<int> cells);
    bool WriteLog(const WorkView& view, WrittenLog* log);
    bool WriteRecord(const Change& change, uint64_t seq);
    bool DropRecords(const char* where, uint64_t seq);
    bool WriteNames(const WorkView& view);
    bool WriteWorkRow(const WorkView& view);
    bool WriteCompressed(const std::vector<uint8_t>& bytes, const char* table, const char* column);
    int64_t PutBlock(const std::vector<uint16_t>& pixels);
    void KeepWalSmall();
    void Close();
    void PruneAside();

    std::string root_;
    std::string folder_;
    SessionLock lock_;
    sqlite3* db_ = nullptr;
    std::unique_ptr<Statements> statements_;
    std::unique_ptr<Checkpointer> checkpointer_;
    std::string problem_;
    bool failed_ = false;
    int writtenWidth_ = 0;
    int writtenHeight_ = 0;
    std::time_t created_ = 0;
    std::string file_;
    bool fileDue_ = false;
    bool sweepDue_ = false;
    WrittenLog written_;
    int64_t lastTickBytes_ = 0;
};
