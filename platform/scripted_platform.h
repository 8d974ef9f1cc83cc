#pragma once
// A platform that tests drive by hand: a fake clock, input set per tick,
// messages scheduled at given times, queued answers for every box and dialog,
// and a record of everything shown.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "platform/platform.h"

namespace platform {

enum class DialogKind { MessageBox, OpenFile, SaveFile };

struct ShownDialog {
    DialogKind kind = DialogKind::MessageBox;
    std::string text;     // message boxes only
    std::string caption;  // box caption or dialog title
    BoxButtons buttons = BoxButtons::Ok;
    std::vector<FileFilter> filters;
    std::string startFolder;  // file dialogs only
};

// Messages to schedule: a letter or other key pressed with KeyModifier bits,
// and a file dropped on the window.
Message KeyDownMessage(int code, int modifiers = kModNone);
Message DropFileMessage(const std::string& path);

class ScriptedPlatform : public Platform {
  public:
    // Called when a box or dialog comes up with no queued answer; tests make
    // it a failure that names the dialog. The call then answers Cancel/nothing.
    std::function<void(const ShownDialog&)> onUnanswered;

    // Clock.
    void SetClock(uint32_t ms) { m_now = ms; }
    void AdvanceClock(uint32_t ms) { m_now += ms; }

    // Input for the coming polls.
    void SetCursor(int x, int y) { m_cursor = {x, y}; }
    void SetKey(int code, bool down);
    // Down and up again before the next poll: reads as pressed but not down.
    void TapKey(int code);
    void ReleaseAllKeys();
    // The modifier keys HeldModifiers reports from now on.
    void SetHeldModifiers(int modifiers) { m_heldModifiers = modifiers; }

    // A key message now, with the KeyModifier bits held, as a letter key sends.
    void PressKey(int code, int modifiers);

    // Messages become visible once the clock reaches `atMs`.
    void ScheduleMessage(uint32_t atMs, const Message& message);

    // Answers for dialogs still to come, taken in order.
    void QueueBoxAnswer(BoxAnswer answer) { m_boxAnswers.push_back(answer); }
    // A path is chosen; nothing is a cancel.
    void QueueOpenAnswer(const std::optional<std::string>& path) {
        m_openAnswers.push_back(AsResult(path));
    }
    void QueueSaveAnswer(const std::optional<std::string>& path) {
        m_saveAnswers.push_back(AsResult(path));
    }
    void QueueOpenResult(const DialogResult& result) { m_openAnswers.push_back(result); }
    // Several files chosen in one dialog, in the order given.
    void QueueOpenAnswers(const std::vector<std::string>& paths);
    void QueueSaveResult(const DialogResult& result) { m_saveAnswers.push_back(result); }

    // What was shown.
    const std::vector<ShownDialog>& Shown() const { return m_shown; }
    void ClearShown() { m_shown.clear(); }
    int PresentCount() const { return m_presentCount; }
    const std::vector<uint16_t>& LastFrame() const { return m_lastFrame; }
    int BeepCount() const { return m_beeps; }
    // A wait with no limit and nothing scheduled would sleep until the user
    // did something; the script ends the loop instead, with this exit code.
    static constexpr int kBlockedForever = -1000;
    bool BlockedForever() const { return m_blockedForever; }
    uint32_t SleptMs() const { return m_slept; }

    // Platform.
    bool CreateMainWindow(const std::string& title, int width, int height) override;
    void DestroyMainWindow() override { m_window = false; }
    bool HasWindow() const override { return m_window; }
    PixelMasks DisplayMasks() const override { return m_masks; }
    void SetDisplayMasks(PixelMasks masks) { m_masks = masks; }
    void Present(const uint16_t* pixels) override;
    uint32_t TickCount() override { return m_now; }
    void Sleep(uint32_t milliseconds) override;
    bool PeekMessage() override;
    Message GetMessage() override;
    void WaitMessage(int timeoutMs) override;
    void PostMessage(const Message& message) override;
    KeyPoll PollKey(int code) override;
    Point CursorPos() override { return m_cursor; }
    int HeldModifiers() override { return m_heldModifiers; }
    BoxAnswer MessageBox(const std::string& text, const std::string& caption,
                         BoxButtons buttons) override;
    DialogResult OpenFileDialog(const std::string& title, const std::vector<FileFilter>& filters,
                                const std::string& startFolder) override;
    // Like the real one: dropped files that are due answer it, and the
    // queued answer is left for the next dialog.
    DialogResult OpenFilesDialog(const std::string& title, const std::vector<FileFilter>& filters,
                                 const std::string& startFolder) override;
    DialogResult SaveFileDialog(const std::string& title, const std::vector<FileFilter>& filters,
                                const std::string& startFolder) override;
    // A close request is due (scheduled messages not yet due do not count).
    bool CloseRequested() override;
    void Beep(BeepKind) override { ++m_beeps; }
    bool OpenAudio(int sampleRate, AudioFill fill) override;
    void LockAudio() override {}
    void UnlockAudio() override {}

    std::string windowTitle;
    bool audioAvailable = false;
    AudioFill audioFill;
    int audioRate = 0;

  private:
    struct Scheduled {
        uint32_t at;
        Message message;
    };
    bool Due(const Scheduled& s) const { return static_cast<int32_t>(m_now - s.at) >= 0; }
    void Unanswered(const ShownDialog& dialog);
    static DialogResult AsResult(const std::optional<std::string>& path) {
        return path ? ChosenFile(*path) : DialogResult{};
    }
    DialogResult FileDialog(const ShownDialog& dialog, std::deque<DialogResult>& answers);

    uint32_t m_now = 0;
    uint32_t m_slept = 0;
    Point m_cursor;
    int m_heldModifiers = kModNone;
    std::map<int, KeyPoll> m_keys;
    std::deque<Scheduled> m_messages;  // kept in time order
    std::deque<BoxAnswer> m_boxAnswers;
    std::deque<DialogResult> m_openAnswers;
    std::deque<DialogResult> m_saveAnswers;
    std::vector<ShownDialog> m_shown;
    std::vector<uint16_t> m_lastFrame;
    PixelMasks m_masks{0xF800, 0x07E0, 0x001F};
    int m_presentCount = 0;
    int m_beeps = 0;
    bool m_window = false;
    bool m_blockedForever = false;
};

}  // namespace platform
