#include "workbench/work_guard.h"

#include "platform/platform.h"
#include "state/work.h"

const char* const FROZEN_TEXT =
    "The sheet is frozen: nothing on it can change now. Save the sprite, or start the editor "
    "again to make a new one.";

bool RefusedWhileFrozen() {
    if (WorkCanChange()) return false;
    platform::Current().MessageBox(FROZEN_TEXT, "Frozen", platform::BoxButtons::Ok);
    return true;
}
