#include "state/work.h"

bool WorkCanChange() {
    return g_state.freeze.phase == PHASE_EDITING && g_state.freeze.freezeRequested == 0;
}

void ResetEditorState() {
    ResetEditorStateOnly();
    g_changeLog.Clear();
}
