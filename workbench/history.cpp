#include "workbench/history.h"

#include "state/work.h"
#include "workbench/directions.h"
#include "workbench/mode_tools.h"
#include "workbench/queue_flow.h"
#include "workbench/work_guard.h"

namespace {

// A marking, a key pick or a clipboard exchange under way was begun on the
// work as it stood; they end before the work moves.
void EndUnfinished() {
    DropMarkings();
    FinishKeyPick();
    if (g_state.edit.clipboardState == CLIPBOARD_AWAIT_EXCHANGE)
        g_state.edit.clipboardState = CLIPBOARD_AWAIT_STORE;
}

bool Step(bool undo) {
    if (RefusedWhileFrozen()) return false;
    EndUnfinished();
    if (!(undo ? g_changeLog.Undo() : g_changeLog.Redo())) return false;
    SyncPicturePane();
    return true;
}

}  // namespace

bool UndoChange() {
    return Step(true);
}

bool RedoChange() {
    return Step(false);
}

bool HandleHistoryKey(int key, int modifiers) {
    if (!(modifiers & platform::kModCtrl)) return false;
    const bool shift = modifiers & platform::kModShift;
    if (key == platform::kKeyZ && !shift) {
        UndoChange();
        return true;
    }
    if (key != platform::kKeyY && key != platform::kKeyZ) return false;
    RedoChange();
    return true;
}
