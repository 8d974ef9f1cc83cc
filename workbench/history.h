#pragma once
// Undo and redo of the changes to the work, and the keys that ask for them:
// Ctrl+Z undoes, Ctrl+Y and Ctrl+Shift+Z redo. Once the freeze has begun the
// work is final and nothing is undone.

// False when there was nothing to undo / redo, or the work is frozen.
bool UndoChange();
bool RedoChange();

// A key message with the modifiers it came with; true when it was one of
// the history keys.
bool HandleHistoryKey(int key, int modifiers);
