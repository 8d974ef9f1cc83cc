#pragma once
// The work as one value: the sheet's cells and their picture names, the
// placement mark, the confirmed ranges and those being marked, the key
// colour, the picture in the pane and the queue behind it. Every change of
// it is one Change through g_changeLog; adding pictures to the queue is not
// a change that can be undone, but is kept all the same.

#include "state/change_log.h"
#include "state/editor_state.h"

// Whether the work may change now: not once Freeze has begun.
bool WorkCanChange();

// The editor state and the change log back to their start-up values, and
// the buffers cleared.
void ResetEditorState();
