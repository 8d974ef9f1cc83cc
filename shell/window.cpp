#include "shell/window.h"

#include "display/ddraw.h"
#include "state/editor_state.h"
#include "workbench/history.h"
#include "workbench/open_flow.h"
#include "workbench/queue_flow.h"

using platform::Message;
using platform::MessageKind;

namespace {

constexpr const char* kWindowTitle = "Celforge_V1.0";

void CloseMainWindow() {
    g_screen.ReleaseAll();
    platform::Current().DestroyMainWindow();
    g_hWnd = 0;
    platform::Current().PostMessage(Message{MessageKind::Quit, 0, 0});
}

}  // namespace

bool OpenMainWindow() {
    platform::Platform& p = platform::Current();
    if (!p.CreateMainWindow(kWindowTitle, SCREEN_WIDTH, SCREEN_HEIGHT)) return false;
    g_hWnd = 1;
    g_screen.Create();
    g_screen.Init(g_hWnd, SCREEN_WIDTH, SCREEN_HEIGHT, 16, false);
    return true;
}

void WindowProc(const Message& message) {
    switch (message.kind) {
        case MessageKind::CloseWindow:
            CloseMainWindow();
            break;
        case MessageKind::Activate:
            g_bActive = 1;
            break;
        case MessageKind::Deactivate:
            g_bActive = 0;
            break;
        case MessageKind::KeyDown:
            if (message.key == platform::kKeyEscape || message.key == platform::kKeyF12)
                platform::Current().PostMessage(Message{MessageKind::CloseWindow, 0, 0});
            else if (!HandleHistoryKey(message.key, message.modifiers))
                HandleQueueKey(message.key, message.modifiers);
            break;
        case MessageKind::Exposed:
            g_screen.Present();
            break;
        case MessageKind::DropFile:
            TakeDroppedFile(message.path);
            break;
        case MessageKind::Quit:
            break;
    }
}
