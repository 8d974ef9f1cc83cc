#pragma once
// The editor's only window onto the machine: clock, window, input, dialogs,
// sound. Logic code talks to the Platform installed with SetPlatform and never
// to SDL or a desktop tool directly. Two implementations exist: the SDL one
// for the real program and a scripted one that tests drive tick by tick.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

constexpr int SCREEN_WIDTH = 800;
constexpr int SCREEN_HEIGHT = 600;

// Key codes polled by the workbench (the same numbers as the desktop's
// virtual-key codes, so tables read naturally).
enum KeyCode : int {
    kKeyLeftButton = 1,
    kKeyRightButton = 2,
    kKeySpace = 32,
    kKeyLeft = 37,
    kKeyUp = 38,
    kKeyRight = 39,
    kKeyDown = 40,
    kKeyEscape = 27,
    kKeyF12 = 123,
    // Letters come as KeyDown messages with their capital's code.
    kKeyD = 'D',
    kKeyY = 'Y',
    kKeyZ = 'Z',
};

// Modifier keys held, as a KeyDown message carries them and HeldModifiers
// reports them.
enum KeyModifier : int { kModNone = 0, kModShift = 1, kModCtrl = 2 };

struct KeyPoll {
    bool down = false;     // held now
    bool pressed = false;  // went down since the previous poll of this key
};

struct Point {
    int x = 0;
    int y = 0;
};

struct PixelMasks {
    uint32_t red = 0;
    uint32_t green = 0;
    uint32_t blue = 0;
};

// What the window has to say between frames, in arrival order.
enum class MessageKind {
    KeyDown,      // a key other than the polled ones went down; key holds its code
    CloseWindow,  // the desktop (or the editor itself) asks the window to close
    Quit,         // the loop must end; code holds the exit code
    Activate,     // the window gained the input focus
    Deactivate,   // the window lost the input focus
    Exposed,      // the window's content must be shown again
    DropFile,     // a file or folder was dropped on the window; path holds it
};

struct Message {
    Message() = default;
    Message(MessageKind kind_, int key_ = 0, int code_ = 0) : kind(kind_), key(key_), code(code_) {}

    MessageKind kind = MessageKind::Exposed;
    int key = 0;
    int code = 0;
    int modifiers = 0;  // KeyDown: the KeyModifier bits held
    std::string path;   // DropFile: what was dropped
};

// The desktop's close, Escape or F12, or the end of the loop.
bool IsCloseRequest(const Message& message);

enum class BoxButtons { Ok, OkCancel, YesNo };
enum class BoxAnswer { Ok, Cancel, Yes, No };
enum class BeepKind { Default, Question };

// A file dialog ends with a chosen path, a cancel (a close request while it
// is up counts as one), or not at all when it could not be shown.
enum class DialogOutcome { Chosen, Cancelled, Unavailable };

struct DialogResult {
    DialogOutcome outcome = DialogOutcome::Cancelled;
    std::string path;                // Chosen: the file (the first, when several were chosen)
    std::string reason;              // Unavailable: why, e.g. "zenity is not installed"
    std::vector<std::string> paths;  // Chosen in OpenFilesDialog: every file
};

inline DialogResult ChosenFile(std::string path) {
    return {DialogOutcome::Chosen, std::move(path), {}, {}};
}
inline DialogResult DialogUnavailable(std::string reason) {
    return {DialogOutcome::Unavailable, {}, std::move(reason), {}};
}

struct FileFilter {
    std::string name;     // "Pcx files (*.pcx)"
    std::string pattern;  // "*.pcx"
};

// Fills `frames` stereo frames of signed 16-bit samples (left, right).
using AudioFill = std::function<void(int16_t* samples, int frames)>;

class Platform {
  public:
    virtual ~Platform() = default;

    // Window and display.
    virtual bool CreateMainWindow(const std::string& title, int width, int height) = 0;
    virtual void DestroyMainWindow() = 0;
    virtual bool HasWindow() const = 0;
    virtual PixelMasks DisplayMasks() const = 0;
    // Shows an 800 x 600 block of 16-bit pixels, rows `SCREEN_WIDTH` apart.
    virtual void Present(const uint16_t* pixels) = 0;

    // Clock in milliseconds since an arbitrary start; wraps like a 32-bit count.
    virtual uint32_t TickCount() = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;

    // Messages. PeekMessage reports whether one is waiting without taking it.
    virtual bool PeekMessage() = 0;
    virtual Message GetMessage() = 0;
    // Blocks until a message arrives or `timeoutMs` passes (-1: no limit).
    virtual void WaitMessage(int timeoutMs) = 0;
    virtual void PostMessage(const Message& message) = 0;

    // Input, collected between ticks.
    virtual KeyPoll PollKey(int code) = 0;
    virtual Point CursorPos() = 0;
    // The KeyModifier bits held now.
    virtual int HeldModifiers() { return kModNone; }

    // Modal dialogs. While one is up the window keeps handling its events; a
    // close request (the desktop's close, Escape, F12, SIGINT, SIGTERM) ends
    // the dialog as if cancelled and stays queued, so it takes effect after.
    // A box that cannot be shown at all gives the harmless answer.
    virtual BoxAnswer MessageBox(const std::string& text, const std::string& caption,
                                 BoxButtons buttons) = 0;
    // startFolder: where the dialog opens; empty leaves it to the dialog.
    virtual DialogResult OpenFileDialog(const std::string& title,
                                        const std::vector<FileFilter>& filters,
                                        const std::string& startFolder) = 0;
    // Lets the user choose several files at once. A platform that cannot
    // offers the one-file dialog instead.
    virtual DialogResult OpenFilesDialog(const std::string& title,
                                         const std::vector<FileFilter>& filters,
                                         const std::string& startFolder);
    virtual DialogResult SaveFileDialog(const std::string& title,
                                        const std::vector<FileFilter>& filters,
                                        const std::string& startFolder) = 0;
    // Whether a close request waits to be handled. Loops that insist on an
    // answer stop asking then, or the editor could never end.
    virtual bool CloseRequested() = 0;
    virtual void Beep(BeepKind kind) = 0;

    // Sound: a stereo output at `sampleRate` pulled through `fill` on the
    // platform's own audio thread. Returns false when there is no device.
    virtual bool OpenAudio(int sampleRate, AudioFill fill) = 0;
    virtual void LockAudio() = 0;
    virtual void UnlockAudio() = 0;
};

// The platform the logic talks to. Must be set before any logic runs.
void SetPlatform(Platform* platform);
Platform& Current();

}  // namespace platform
