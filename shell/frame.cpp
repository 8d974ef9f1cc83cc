#include "shell/frame.h"

#include <cstring>

#include "display/ddraw.h"
#include "shell/editor_state.h"

namespace {

// The back surface's rows are exactly 1600 bytes apart, so the composed
// buffer goes in as one block.
void CopyScreenToBack() {
    CSurface* back = g_screen.GetBackSurface();
    if (!back) return;
    uint16_t* pixels = back->Lock();
    if (pixels) std::memcpy(pixels, g_screenBuf, sizeof g_screenBuf);
    back->Unlock();
}

}  // namespace

void ComposeWorkbench() { CopyScreenToBack(); }

void UpdateFrame() {
    ComposeWorkbench();
    g_screen.Present();
}
