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

DialogResult Platform::OpenFilesDialog(const std::string& title,
                                       const std::vector<FileFilter>& filters,
                                       const std::string& startFolder) {
    DialogResult answer = OpenFileDialog(title, filters, startFolder);
    if (answer.outcome == DialogOutcome::Chosen) answer.paths = {answer.path};
    return answer;
}

Platform& Current() {
    assert(g_current && "SetPlatform must run before the logic uses the platform");
    return *g_current;
}

}  // namespace platform
