#include "workbench/history.h"

#include "state/change_log.h"
#include "state/editor_state.h"
#include "workbench/directions.h"

namespace {

bool WorkOpen() {
    return g_state.freeze.phase == PHASE_EDITING && g_state.freeze.freezeRequested == 0;
}

// A marking or a clipboard exchange under way was begun on the work as it
// stood; both start again after the work moves.
void EndUnfinished() {
    DropMarkings();
    if (g_state.edit.clipboardState == CLIPBOARD_AWAIT_EXCHANGE)
        g_state.edit.clipboardState = CLIPBOARD_AWAIT_STORE;
}

}  // namespace

bool UndoChange() {
    if (!WorkOpen()) return false;
    EndUnfinished();
    return g_changeLog.Undo();
}

bool RedoChange() {
    if (!WorkOpen()) return false;
    EndUnfinished();
    return g_changeLog.Redo();
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
