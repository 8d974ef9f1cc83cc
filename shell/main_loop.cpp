#include "shell/main_loop.h"

#include <cstdio>

#include "display/ddraw.h"
#include "shell/frame.h"
#include "shell/music.h"
#include "shell/window.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"

using platform::Message;
using platform::MessageKind;

namespace {

bool DeadlinePassed(uint32_t now, uint32_t deadline) {
    return static_cast<int32_t>(now - deadline) >= 0;
}

}  // namespace

int InitApplication(bool /*popup*/) {
    if (!OpenMainWindow()) return INIT_NO_WINDOW;
    StartMusic();
    switch (StartWorkbench()) {
        case WorkbenchStart::ClosedByUser:
            return INIT_CLOSED_BY_USER;
        case WorkbenchStart::NoFileDialog:
            return INIT_NO_FILE_DIALOG;
        case WorkbenchStart::Ready:
            break;
    }
    return INIT_READY;
}

int RunMainLoop(const std::function<void()>& frame) {
    platform::Platform& p = platform::Current();
    uint32_t deadline = p.TickCount() + FIRST_FRAME_DELAY_MS;
    for (;;) {
        if (p.PeekMessage()) {
            const Message message = p.GetMessage();
            if (message.kind == MessageKind::Quit) return message.code;
            WindowProc(message);
            continue;
        }
        if (!g_bActive) {
            p.WaitMessage(-1);
            continue;
        }
        const uint32_t now = p.TickCount();
        if (!DeadlinePassed(now, deadline)) {
            // Sleep until the deadline or the next message, whichever is first.
            p.WaitMessage(static_cast<int>(deadline - now));
            continue;
        }
        deadline = p.TickCount() + FRAME_PERIOD_MS;
        frame();
    }
}

int WinMain() {
    switch (InitApplication(true)) {
        case INIT_NO_WINDOW:
            std::fprintf(stderr, "celforge: the main window could not be created\n");
            return 1;
        case INIT_CLOSED_BY_USER:
            return 0;
        case INIT_NO_FILE_DIALOG:
            std::fprintf(stderr,
                         "celforge: the editor needs a first picture, and no file dialog "
                         "could be shown to choose one\n");
            return 1;
        default:
            break;
    }
    const int code = RunMainLoop(UpdateFrame);
    g_screen.ReleaseAll();
    ReleaseWorkbench();
    return code;
}
