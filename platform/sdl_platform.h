#pragma once
// The real platform: one borderless SDL window showing the 16-bit screen
// block, SDL events turned into messages and key polls, SDL audio, and boxes
// and file dialogs from zenity (SDL's own message box, in a child process,
// when zenity fails).
// Callers never see SDL: its types are only named here, never included.

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace platform {

struct ToolResult;

class SdlPlatform : public Platform {
  public:
    // The window shows the 800 x 600 workbench `scale` times larger, pixel
    // for pixel; the cursor is always told in workbench pixels.
    explicit SdlPlatform(int scale = 1);
    ~SdlPlatform() override;
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;

    // Refuses (false, with a line on stderr) unless a desktop display is there.
    bool CreateMainWindow(const std::string& title, int width, int height) override;
    void DestroyMainWindow() override;
    bool HasWindow() const override { return m_window != nullptr; }
    PixelMasks DisplayMasks() const override { return {0xF800, 0x07E0, 0x001F}; }
    // Skips the upload when the block equals the one on screen.
    void Present(const uint16_t* pixels) override;

    uint32_t TickCount() override;
    void Sleep(uint32_t milliseconds) override;

    bool PeekMessage() override;
    Message GetMessage() override;
    void WaitMessage(int timeoutMs) override;
    void PostMessage(const Message& message) override { m_messages.push_back(message); }

    KeyPoll PollKey(int code) override;
    Point CursorPos() override { return m_cursor; }
    int HeldModifiers() override;

    BoxAnswer MessageBox(const std::string& text, const std::string& caption,
                         BoxButtons buttons) override;
    DialogResult OpenFileDialog(const std::string& title, const std::vector<FileFilter>& filters,
                                const std::string& startFolder) override;
    // Files dropped on the window while it is up answer it in its place.
    DialogResult OpenFilesDialog(const std::string& title, const std::vector<FileFilter>& filters,
                                 const std::string& startFolder) override;
    DialogResult SaveFileDialog(const std::string& title, const std::vector<FileFilter>& filters,
                                const std::string& startFolder) override;
    bool CloseRequested() override;
    void Beep(BeepKind kind) override;

    bool OpenAudio(int sampleRate, AudioFill fill) override;
    void LockAudio() override;
    void UnlockAudio() override;

  private:
    void HandleEvent(const SDL_Event& event);
    void HandleWindowEvent(const SDL_Event& event);
    void HandleKey(int sdlKey, bool down, bool repeat, int modifiers);
    void HandleDrop(char* file);
    void SetKey(int code, bool down);
    void PumpEvents();
    bool WaitForEvent(int timeoutMs);
    void Redraw();
    std::string OwnerWindowId() const;
    ToolResult RunDialogTool(const std::vector<std::string>& argv);
    std::optional<BoxAnswer> ShowSdlBox(const std::string& text, const std::string& caption,
                                        BoxButtons buttons);
    DialogResult RunFileDialog(const std::string& title, const std::vector<FileFilter>& filters,
                               const std::string& startFolder, bool save);
    bool CloseWaiting() const;
    bool DropWaiting() const;
    std::vector<std::string> TakeDroppedPaths();
    bool KeepWaiting(int waitMs);
    void PostCloseRequest();
    void EndModal();
    Point WorkbenchPoint(int windowX, int windowY) const;
    uint32_t OpenSoundDevice(int sampleRate, int channels, bool withCallback);
    static void AudioCallback(void* self, uint8_t* stream, int length);

    int m_scale = 1;
    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    std::vector<uint16_t> m_shown;  // the block the window shows now
    bool m_stale = true;            // the window may not show m_shown

    std::deque<Message> m_messages;
    std::array<KeyPoll, 256> m_keys{};
    Point m_cursor;
    int m_modal = 0;                   // boxes and dialogs up; their input is not ours
    bool m_dropAnswers = false;        // a drop ends the dialog that is up
    std::vector<Message> m_heldDrops;  // dropped while a box was up
    // SIGINT/SIGTERM/SIGHUP handlers installed here, to be put back at the end.
    bool m_ownsCloseSignals = false;

    uint32_t m_audioDevice = 0;
    AudioFill m_audioFill;
    uint32_t m_beepDevice = 0;
    bool m_silent = false;  // no sound device: said once, never tried again
};

}  // namespace platform
