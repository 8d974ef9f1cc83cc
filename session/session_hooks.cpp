#include "session/session_hooks.h"

#include <cstdio>
#include <memory>

#include "platform/platform.h"
#include "session/session_store.h"

namespace {

std::unique_ptr<SessionStore> g_session;

void Report(StoreHealth health) {
    if (health != StoreHealth::FailedNow) return;
    std::fprintf(stderr, "celforge: %s\n", g_session->Problem().c_str());
    platform::Current().MessageBox(g_session->Problem(), "Session", platform::BoxButtons::Ok);
}

bool AskRestore(const Orphan& orphan) {
    return platform::Current().MessageBox(RestoreQuestion(orphan.summary), "Unsaved work",
                                          platform::BoxButtons::YesNo) == platform::BoxAnswer::Yes;
}

bool Restore(Orphan& orphan) {
    std::optional<SessionSnapshot> snapshot = SessionStore::Load(orphan);
    if (!snapshot) {
        platform::Current().MessageBox("That work cannot be read back; it was moved aside.",
                                       "Unsaved work", platform::BoxButtons::Ok);
        return false;
    }
    ApplySnapshot(std::move(*snapshot));
    g_changeLog.Dirt() = LogDirt();
    Report(g_session->Adopt(std::move(orphan), CurrentWork()));
    return true;
}

}  // namespace

SessionStartResult StartSession(const std::string& root, bool offerRestore) {
    g_session = std::make_unique<SessionStore>(root.empty() ? SessionStore::DefaultRoot() : root);
    SessionStartResult result;
    std::vector<Orphan> orphans;
    if (offerRestore) orphans = g_session->FindOrphans();
    for (Orphan& orphan : orphans) {
        if (AskRestore(orphan) && Restore(orphan)) {
            result.restored = true;
            // Older sessions stay where they are, to be offered next time.
            break;
        }
        g_session->MoveAside(std::move(orphan));
    }
    if (!result.restored) Report(g_session->Create());
    return result;
}

void SessionTick(bool picturePaneChanged) {
    if (g_session) Report(g_session->Flush(CurrentWork(), g_changeLog.Dirt(), picturePaneChanged));
}

void EndSessionSaved() {
    if (g_session) g_session->Remove();
}

void CloseSession() {
    g_session.reset();
}
