#include "platform/scripted_platform.h"

#include <algorithm>
#include <cstdio>

namespace platform {

Message KeyDownMessage(int code, int modifiers) {
    Message message{MessageKind::KeyDown, code, 0};
    message.modifiers = modifiers;
    return message;
}

Message DropFileMessage(const std::string& path) {
    Message message{MessageKind::DropFile, 0, 0};
    message.path = path;
    return message;
}

void ScriptedPlatform::SetKey(int code, bool down) {
    KeyPoll& key = m_keys[code];
    if (down && !key.down) key.pressed = true;
    key.down = down;
}

void ScriptedPlatform::TapKey(int code) {
    KeyPoll& key = m_keys[code];
    key.pressed = true;
    key.down = false;
}

void ScriptedPlatform::ReleaseAllKeys() {
    for (auto& entry : m_keys) entry.second.down = false;
}

void ScriptedPlatform::ScheduleMessage(uint32_t atMs, const Message& message) {
    auto later = std::find_if(m_messages.begin(), m_messages.end(), [&](const Scheduled& s) {
        return static_cast<int32_t>(s.at - atMs) > 0;
    });
    m_messages.insert(later, Scheduled{atMs, message});
}

void ScriptedPlatform::PressKey(int code, int modifiers) {
    Message message{MessageKind::KeyDown, code};
    message.modifiers = modifiers;
    PostMessage(message);
}

bool ScriptedPlatform::CreateMainWindow(const std::string& title, int, int) {
    windowTitle = title;
    m_window = true;
    return true;
}

void ScriptedPlatform::Present(const uint16_t* pixels) {
    m_lastFrame.assign(pixels, pixels + SCREEN_WIDTH * SCREEN_HEIGHT);
    ++m_presentCount;
}

void ScriptedPlatform::Sleep(uint32_t milliseconds) {
    m_now += milliseconds;
    m_slept += milliseconds;
}

bool ScriptedPlatform::PeekMessage() {
    return !m_messages.empty() && Due(m_messages.front());
}

Message ScriptedPlatform::GetMessage() {
    // Like the desktop's GetMessage, this waits for the next message.
    if (m_messages.empty()) {
        m_blockedForever = true;
        return Message{MessageKind::Quit, 0, kBlockedForever};
    }
    if (!Due(m_messages.front())) m_now = m_messages.front().at;
    Message message = m_messages.front().message;
    m_messages.pop_front();
    return message;
}

void ScriptedPlatform::WaitMessage(int timeoutMs) {
    m_blockedForever = false;
    if (PeekMessage()) return;
    const bool haveNext = !m_messages.empty();
    if (timeoutMs < 0) {
        if (haveNext) {
            m_now = m_messages.front().at;
        } else {
            m_blockedForever = true;
            PostMessage(Message{MessageKind::Quit, 0, kBlockedForever});
        }
        return;
    }
    const uint32_t limit = m_now + static_cast<uint32_t>(timeoutMs);
    if (haveNext && static_cast<int32_t>(m_messages.front().at - limit) < 0)
        m_now = m_messages.front().at;
    else
        m_now = limit;
}

void ScriptedPlatform::PostMessage(const Message& message) {
    ScheduleMessage(m_now, message);
}

KeyPoll ScriptedPlatform::PollKey(int code) {
    KeyPoll& key = m_keys[code];
    const KeyPoll answer = key;
    key.pressed = false;
    return answer;
}

void ScriptedPlatform::Unanswered(const ShownDialog& dialog) {
    if (onUnanswered) {
        onUnanswered(dialog);
        return;
    }
    std::fprintf(stderr, "unanswered dialog \"%s\": \"%s\"\n", dialog.caption.c_str(),
                 dialog.text.c_str());
}

BoxAnswer ScriptedPlatform::MessageBox(const std::string& text, const std::string& caption,
                                       BoxButtons buttons) {
    ShownDialog dialog{DialogKind::MessageBox, text, caption, buttons, {}, {}};
    m_shown.push_back(dialog);
    if (m_boxAnswers.empty()) {
        Unanswered(dialog);
        return buttons == BoxButtons::Ok      ? BoxAnswer::Ok
               : buttons == BoxButtons::YesNo ? BoxAnswer::No
                                              : BoxAnswer::Cancel;
    }
    const BoxAnswer answer = m_boxAnswers.front();
    m_boxAnswers.pop_front();
    return answer;
}

DialogResult ScriptedPlatform::FileDialog(const ShownDialog& dialog,
                                          std::deque<DialogResult>& answers) {
    m_shown.push_back(dialog);
    if (answers.empty()) {
        Unanswered(dialog);
        return {};
    }
    const DialogResult answer = answers.front();
    answers.pop_front();
    return answer;
}

DialogResult ScriptedPlatform::OpenFileDialog(const std::string& title,
                                              const std::vector<FileFilter>& filters,
                                              const std::string& startFolder) {
    return FileDialog({DialogKind::OpenFile, "", title, BoxButtons::Ok, filters, startFolder},
                      m_openAnswers);
}

void ScriptedPlatform::QueueOpenAnswers(const std::vector<std::string>& paths) {
    DialogResult result = ChosenFile(paths.empty() ? std::string() : paths.front());
    result.paths = paths;
    m_openAnswers.push_back(result);
}

DialogResult ScriptedPlatform::OpenFilesDialog(const std::string& title,
                                               const std::vector<FileFilter>& filters,
                                               const std::string& startFolder) {
    std::vector<std::string> dropped;
    for (auto it = m_messages.begin(); it != m_messages.end();) {
        if (Due(*it) && it->message.kind == MessageKind::DropFile) {
            dropped.push_back(it->message.path);
            it = m_messages.erase(it);
        } else {
            ++it;
        }
    }
    if (!dropped.empty()) {
        m_shown.push_back({DialogKind::OpenFile, "", title, BoxButtons::Ok, filters, startFolder});
        DialogResult result = ChosenFile(dropped.front());
        result.paths = dropped;
        return result;
    }
    DialogResult answer = OpenFileDialog(title, filters, startFolder);
    if (answer.outcome == DialogOutcome::Chosen && answer.paths.empty())
        answer.paths = {answer.path};
    return answer;
}

DialogResult ScriptedPlatform::SaveFileDialog(const std::string& title,
                                              const std::vector<FileFilter>& filters,
                                              const std::string& startFolder) {
    return FileDialog({DialogKind::SaveFile, "", title, BoxButtons::Ok, filters, startFolder},
                      m_saveAnswers);
}

bool ScriptedPlatform::CloseRequested() {
    return std::any_of(m_messages.begin(), m_messages.end(),
                       [this](const Scheduled& s) { return Due(s) && IsCloseRequest(s.message); });
}

bool ScriptedPlatform::OpenAudio(int sampleRate, AudioFill fill) {
    if (!audioAvailable) return false;
    audioRate = sampleRate;
    audioFill = std::move(fill);
    return true;
}

}  // namespace platform
