#include "session/session_hooks.h"

#include <cstdio>
#include <memory>

#include "platform/platform.h"
#include "session/session_store.h"

namespace {

std::unique_ptr<SessionStore> g_session;

void Tell(const std::string& text) {
    platform::Current().MessageBox(text, "Unsaved work", platform::BoxButtons::Ok);
}

void Report(StoreHealth health) {
    if (health != StoreHealth::FailedNow) return;
    std::fprintf(stderr, "celforge: %s\n", g_session->Problem().c_str());
    platform::Current().MessageBox(g_session->Problem(), "Session", platform::BoxButtons::Ok);
}

bool AskRestore(const Orphan& orphan) {
    return platform::Current().MessageBox(RestoreQuestion(orphan.summary), "Unsaved work",
                                          platform::BoxButtons::YesNo) == platform::BoxAnswer::Yes;
}

// The store writes what it holds from the next tick on.
WorkView LiveWork() {
    WorkView view = CurrentWork();
    view.firstSequence = g_changeLog.FirstSequence();
    return view;
}

// False, with a box that says why, when the work cannot be read back; the
// session then stays where it is.
bool Restore(Orphan& orphan) {
    std::string why;
    std::optional<SessionSnapshot> snapshot = SessionStore::Load(orphan, &why);
    if (!snapshot) {
        Tell(UnreadableMessage({orphan.folder, why}));
        return false;
    }
    const uint64_t first = snapshot->firstSequence;
    ApplySnapshot(std::move(*snapshot));
    g_changeLog.ContinueNumbering(first);
    g_changeLog.Dirt() = LogDirt();
    Report(g_session->Adopt(std::move(orphan), LiveWork()));
    return true;
}

}  // namespace

SessionStartResult StartSession(const std::string& root, bool offerRestore,
                                const std::string& namedFile) {
    g_session = std::make_unique<SessionStore>(root.empty() ? SessionStore::DefaultRoot() : root);
    SessionStartResult result;
    const std::string wanted = namedFile.empty() ? "" : AbsolutePath(namedFile);
    std::vector<Unreadable> unreadable;
    std::vector<Orphan> orphans;
    if (offerRestore || !wanted.empty()) orphans = g_session->FindOrphans(&unreadable);
    if (offerRestore)
        for (const Unreadable& session : unreadable) Tell(UnreadableMessage(session));
    for (Orphan& orphan : orphans) {
        // Work on another file than the one named waits for a later start.
        if (!offerRestore && orphan.summary.file != wanted) continue;
        if (!AskRestore(orphan)) {
            const std::string problem = g_session->MoveAside(std::move(orphan));
            if (!problem.empty()) Tell(problem);
        } else if (Restore(orphan)) {
            result.restored = true;
            // Older sessions stay where they are, to be offered next time.
            break;
        }
    }
    if (!result.restored) Report(g_session->Create());
    return result;
}

void SessionSetFile(const std::string& path) {
    if (g_session) g_session->SetFile(path);
}

void SessionTick(bool picturePaneChanged) {
    if (g_session) Report(g_session->Flush(LiveWork(), g_changeLog.Dirt(), picturePaneChanged));
}

void EndSessionSaved() {
    if (g_session) g_session->Remove();
}

void CloseSession() {
    g_session.reset();
}
