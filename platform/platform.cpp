#include "platform/platform.h"

#include <cassert>

namespace platform {

namespace {
Platform* g_current = nullptr;
}

void SetPlatform(Platform* platform) {
    g_current = platform;
}

bool IsCloseRequest(const Message& message) {
    switch (message.kind) {
        case MessageKind::CloseWindow:
        case MessageKind::Quit:
            return true;
        case MessageKind::KeyDown:
            return message.key == kKeyEscape || message.key == kKeyF12;
        default:
            return false;
    }
}

Platform& Current() {
    assert(g_current && "SetPlatform must run before the logic uses the platform");
    return *g_current;
}

}  // namespace platform
