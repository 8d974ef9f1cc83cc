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
};

// A session no running editor holds, locked by us while we decide about it.
struct Orphan {
    std::string folder;
    SessionSummary summary;
    SessionLock lock;
};

enum class StoreHealth {
    Keeping,
    FailedNow,  // this call turned the store off: tell the user, once
    Failed,     // off since an earlier call
};

// "Restore the unsaved work of <date> <time>: <N> frames, <M> directions marked?"
std::string RestoreQuestion(const SessionSummary& summary);

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
    // Sessions no running editor holds, newest first. Those that hold no
    // work or cannot be read are moved aside instead.
    std::vector<Orphan> FindOrphans();
    // Empty when the session cannot be read whole.
    static std::optional<SessionSnapshot> Load(const Orphan& orphan);
    // Moves a session into root/aside, keeping the newest five there.
    void MoveAside(Orphan orphan);
    // The clean end: the work is saved, the session is deleted.
    void Remove();

    // Writes in one transaction what the tick changed: the cells in
    // dirt.cells, the log when dirt.log, the picture pane when
    // pictureChanged, and the row holding the mark, ranges, key and cursor.
    // Clears dirt once written.
    StoreHealth Flush(const WorkView& view, LogDirt& dirt, bool pictureChanged);

    // Why the store turned off; empty while it keeps the work.
    const std::string& Problem() const { return problem_; }
    const std::string& Folder() const { return folder_; }

  private:
    struct Statements;
    struct Checkpointer;
    struct Written {
        RecordPrint print;
        uint64_t hash = 0;
    };

    StoreHealth Open(bool fresh);
    StoreHealth Fail(const std::string& what);
    bool WriteTick(const WorkView& view, const LogDirt& dirt, bool pictureDue,
                   std::vector<Written>* written);
    bool WriteLog(const WorkView& view, std::vector<Written>* written);
    bool WriteWorkRow(const WorkView& view);
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
    std::vector<Written> writtenRecords_;
    size_t writtenCursor_ = 0;
};
