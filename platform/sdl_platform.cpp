#include "platform/sdl_platform.h"

#include <SDL.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/zenity.h"
// Last: it brings in the X11 headers and their macros.
#include <SDL_syswm.h>

extern char** environ;

namespace platform {

namespace {

constexpr size_t kScreenPixels = static_cast<size_t>(SCREEN_WIDTH) * SCREEN_HEIGHT;
constexpr int kScreenPitchBytes = SCREEN_WIDTH * static_cast<int>(sizeof(uint16_t));
constexpr int kBeepRate = 22050;
constexpr int kBeepMs = 120;
constexpr double kTwoPi = 6.283185307179586;
// SDL's wait does not wake for our signal handler, so an endless wait looks
// for a close signal this often.
constexpr int kSignalLookMs = 200;
// How often the window is served while SDL's own box is up.
constexpr int kBoxLookMs = 15;
constexpr int kCloseSignals[] = {SIGINT, SIGTERM, SIGHUP};
// How SDL's own box, run in a child process, tells its end.
constexpr int kBoxClosedUnanswered = 10;
constexpr int kBoxNotShown = 11;
constexpr const char* kBoxButtonsVariable = "CELFORGE_SDL_BOX";
constexpr const char* kBoxTextVariable = "CELFORGE_SDL_BOX_TEXT";
constexpr const char* kBoxCaptionVariable = "CELFORGE_SDL_BOX_CAPTION";

volatile sig_atomic_t g_closeSignalled = 0;
struct sigaction g_previousActions[std::size(kCloseSignals)];

void OnCloseSignal(int) {
    g_closeSignalled = 1;
}

// SIGINT, SIGTERM and SIGHUP ask the window to close, like the desktop's
// close. SIGINT and SIGHUP the editor was started ignoring (a background
// job, nohup) stay ignored; SIGTERM always works. Installed before SDL
// starts, so SDL keeps its own handlers out.
bool InstallCloseSignals() {
    struct sigaction current;
    sigaction(SIGTERM, nullptr, &current);
    if (current.sa_handler == OnCloseSignal) return false;
    g_closeSignalled = 0;
    sigset_t handled;
    sigemptyset(&handled);
    for (size_t i = 0; i < std::size(kCloseSignals); ++i) {
        sigaction(kCloseSignals[i], nullptr, &g_previousActions[i]);
        const bool always = kCloseSignals[i] == SIGTERM;
        if (!always && g_previousActions[i].sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = OnCloseSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(kCloseSignals[i], &action, nullptr);
        sigaddset(&handled, kCloseSignals[i]);
    }
    pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
    return true;
}

void RestoreCloseSignals() {
    for (size_t i = 0; i < std::size(kCloseSignals); ++i)
        sigaction(kCloseSignals[i], &g_previousActions[i], nullptr);
}

bool IsDesktopDriver(const char* driver) {
    return driver && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0);
}

int PolledKeyCode(SDL_Keycode key) {
    switch (key) {
        case SDLK_ESCAPE:
            return kKeyEscape;
        case SDLK_F12:
            return kKeyF12;
        case SDLK_SPACE:
            return kKeySpace;
        case SDLK_LEFT:
            return kKeyLeft;
        case SDLK_UP:
            return kKeyUp;
        case SDLK_RIGHT:
            return kKeyRight;
        case SDLK_DOWN:
            return kKeyDown;
        default:
            return 0;
    }
}

// Letters are told by their capital, as the key caps show them.
int LetterCode(SDL_Keycode key) {
    return key >= SDLK_a && key <= SDLK_z ? std::toupper(static_cast<int>(key)) : 0;
}

int ModifierBits(uint16_t sdlModifiers) {
    int bits = kModNone;
    if (sdlModifiers & KMOD_SHIFT) bits |= kModShift;
    if (sdlModifiers & KMOD_CTRL) bits |= kModCtrl;
    return bits;
}

int ButtonCode(uint8_t button) {
    if (button == SDL_BUTTON_LEFT) return kKeyLeftButton;
    if (button == SDL_BUTTON_RIGHT) return kKeyRightButton;
    return 0;
}

// Button ids are the answers they stand for.
std::vector<SDL_MessageBoxButtonData> SdlBoxButtons(BoxButtons buttons) {
    constexpr uint32_t kEnter = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    constexpr uint32_t kEscape = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    switch (buttons) {
        case BoxButtons::OkCancel:
            return {{kEnter, static_cast<int>(BoxAnswer::Ok), "OK"},
                    {kEscape, static_cast<int>(BoxAnswer::Cancel), "Cancel"}};
        case BoxButtons::YesNo:
            return {{kEnter, static_cast<int>(BoxAnswer::Yes), "Yes"},
                    {kEscape, static_cast<int>(BoxAnswer::No), "No"}};
        case BoxButtons::Ok:
            break;
    }
    return {{kEnter | kEscape, static_cast<int>(BoxAnswer::Ok), "OK"}};
}

[[noreturn]] void ShowSdlBoxAndExit(const char* text, const char* caption, BoxButtons buttons) {
    const std::vector<SDL_MessageBoxButtonData> data = SdlBoxButtons(buttons);
    const SDL_MessageBoxData box{SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                                 nullptr,
                                 caption,
                                 text,
                                 static_cast<int>(data.size()),
                                 data.data(),
                                 nullptr};
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) {
        std::fprintf(stderr, "celforge: SDL's message box failed: %s\n", SDL_GetError());
        _exit(kBoxNotShown);
    }
    _exit(pressed < 0 ? kBoxClosedUnanswered : pressed);
}

// SDL's own box blocks whoever shows it, and a forked copy of the editor
// would share its display connection. So a fresh copy of this program shows
// it: started with the box in its environment, it shows the box before main
// would run and answers through its exit code.
bool ShowBoxIfAsked() {
    const char* buttons = std::getenv(kBoxButtonsVariable);
    if (!buttons) return false;
    const char* text = std::getenv(kBoxTextVariable);
    const char* caption = std::getenv(kBoxCaptionVariable);
    const int kind = std::atoi(buttons);
    if (!text || !caption || kind < 0 || kind > static_cast<int>(BoxButtons::YesNo))
        _exit(kBoxNotShown);
    ShowSdlBoxAndExit(text, caption, static_cast<BoxButtons>(kind));
}

[[maybe_unused]] const bool g_boxShower = ShowBoxIfAsked();

// In a process group of its own: SDL may run the box in a child of that
// child, and a close request ends them all.
pid_t StartBoxShower(const std::string& text, const std::string& caption, BoxButtons buttons) {
    std::vector<std::string> env;
    for (char** entry = environ; entry && *entry; ++entry) {
        if (std::strncmp(*entry, "CELFORGE_SDL_BOX", 16) != 0) env.emplace_back(*entry);
    }
    env.push_back(std::string(kBoxButtonsVariable) + "=" +
                  std::to_string(static_cast<int>(buttons)));
    env.push_back(std::string(kBoxTextVariable) + "=" + text);
    env.push_back(std::string(kBoxCaptionVariable) + "=" + caption);
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    char name[] = "celforge-box";
    char* argv[] = {name, nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, "/proc/self/exe", nullptr, &attributes, argv, envp.data()) != 0) pid = -1;
    posix_spawnattr_destroy(&attributes);
    return pid;
}

std::optional<BoxAnswer> BoxChildAnswer(int status, BoxButtons buttons) {
    if (!WIFEXITED(status)) return std::nullopt;
    const int code = WEXITSTATUS(status);
    if (code == kBoxClosedUnanswered) return DeclinedAnswer(buttons);
    if (code > static_cast<int>(BoxAnswer::No)) return std::nullopt;
    return static_cast<BoxAnswer>(code);
}

bool ChildEnded(pid_t pid, int* status) {
    for (;;) {
        const pid_t done = waitpid(pid, status, WNOHANG);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) *status = -1;
        return done != 0;
    }
}

bool IsRegularFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A short sine with soft edges, so the speaker does not click.
std::vector<int16_t> BeepTone(BeepKind kind) {
    const double hz = kind == BeepKind::Question ? 660.0 : 880.0;
    const int samples = kBeepRate * kBeepMs / 1000;
    const int edge = kBeepRate / 200;
    std::vector<int16_t> tone(samples);
    for (int i = 0; i < samples; ++i) {
        const double gain = std::min({1.0, double(i) / edge, double(samples - 1 - i) / edge});
        const double wave = std::sin(kTwoPi * hz * i / kBeepRate);
        tone[i] = static_cast<int16_t>(6000.0 * gain * wave);
    }
    return tone;
}

// On a machine without a sound card the sound system's libraries write a
// page of complaints to stderr while SDL looks for a device; the editor says
// so in one line of its own instead.
class StderrMuted {
  public:
    StderrMuted() {
        std::fflush(stderr);
        m_saved = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (m_saved >= 0 && null >= 0) dup2(null, STDERR_FILENO);
        if (null >= 0) close(null);
    }
    ~StderrMuted() {
        std::fflush(stderr);
        if (m_saved < 0) return;
        dup2(m_saved, STDERR_FILENO);
        close(m_saved);
    }
    StderrMuted(const StderrMuted&) = delete;
    StderrMuted& operator=(const StderrMuted&) = delete;

  private:
    int m_saved = -1;
};

// Floor division, so a cursor left of or above the window stays outside.
int WorkbenchCoordinate(int window, int scale) {
    return window >= 0 ? window / scale : -((-window + scale - 1) / scale);
}

}  // namespace

SdlPlatform::SdlPlatform(int scale) : m_scale(std::max(1, scale)) {
    m_ownsCloseSignals = InstallCloseSignals();
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    if (SDL_Init(SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0)
        std::fprintf(stderr, "celforge: SDL could not start: %s\n", SDL_GetError());
}

SdlPlatform::~SdlPlatform() {
    if (m_audioDevice) SDL_CloseAudioDevice(m_audioDevice);
    if (m_beepDevice) SDL_CloseAudioDevice(m_beepDevice);
    DestroyMainWindow();
    SDL_Quit();
    if (m_ownsCloseSignals) RestoreCloseSignals();
}

bool SdlPlatform::CreateMainWindow(const std::string& title, int width, int height) {
    if (m_window) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "celforge: no display to open a window on: %s\n", SDL_GetError());
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!IsDesktopDriver(driver)) {
        std::fprintf(stderr,
                     "celforge: no desktop display (SDL offers only the \"%s\" video driver); "
                     "run it on an X11 or Wayland desktop\n",
                     driver ? driver : "none");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    // Whole pixels when scaled: each workbench pixel becomes a square block.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    m_window = SDL_CreateWindow(title.c_str(), 0, 0, width * m_scale, height * m_scale,
                                SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
    if (m_window) m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_SOFTWARE);
    if (m_renderer)
        m_texture = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_RGB565,
                                      SDL_TEXTUREACCESS_STREAMING, SCREEN_WIDTH, SCREEN_HEIGHT);
    if (!m_texture) {
        std::fprintf(stderr, "celforge: the window could not be created: %s\n", SDL_GetError());
        DestroyMainWindow();
        return false;
    }
    m_shown.assign(kScreenPixels, 0);
    Redraw();
    int x = 0;
    int y = 0;
    SDL_GetMouseState(&x, &y);
    m_cursor = WorkbenchPoint(x, y);
    return true;
}

void SdlPlatform::DestroyMainWindow() {
    if (m_texture) SDL_DestroyTexture(m_texture);
    if (m_renderer) SDL_DestroyRenderer(m_renderer);
    if (m_window) SDL_DestroyWindow(m_window);
    m_texture = nullptr;
    m_renderer = nullptr;
    m_window = nullptr;
    m_stale = true;
}

void SdlPlatform::Present(const uint16_t* pixels) {
    if (!m_texture || !pixels) return;
    const size_t bytes = kScreenPixels * sizeof(uint16_t);
    if (!m_stale && std::memcmp(pixels, m_shown.data(), bytes) == 0) return;
    std::memcpy(m_shown.data(), pixels, bytes);
    Redraw();
}

void SdlPlatform::Redraw() {
    if (!m_texture) return;
    SDL_UpdateTexture(m_texture, nullptr, m_shown.data(), kScreenPitchBytes);
    SDL_RenderCopy(m_renderer, m_texture, nullptr, nullptr);
    SDL_RenderPresent(m_renderer);
    m_stale = false;
}

uint32_t SdlPlatform::TickCount() {
    return SDL_GetTicks();
}

void SdlPlatform::Sleep(uint32_t milliseconds) {
    SDL_Delay(milliseconds);
}

void SdlPlatform::HandleEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:
            PostCloseRequest();
            break;
        case SDL_WINDOWEVENT:
            HandleWindowEvent(event);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            HandleKey(event.key.keysym.sym, event.type == SDL_KEYDOWN, event.key.repeat != 0,
                      ModifierBits(event.key.keysym.mod));
            break;
        case SDL_DROPFILE:
            HandleDrop(event.drop.file);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            m_cursor = WorkbenchPoint(event.button.x, event.button.y);
            SetKey(ButtonCode(event.button.button), event.type == SDL_MOUSEBUTTONDOWN);
            break;
        case SDL_MOUSEMOTION:
            m_cursor = WorkbenchPoint(event.motion.x, event.motion.y);
            break;
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            Redraw();
            break;
        default:
            break;
    }
}

Point SdlPlatform::WorkbenchPoint(int windowX, int windowY) const {
    return {WorkbenchCoordinate(windowX, m_scale), WorkbenchCoordinate(windowY, m_scale)};
}

// Closing the last window brings a quit event right after it: one request.
void SdlPlatform::PostCloseRequest() {
    if (m_messages.empty() || m_messages.back().kind != MessageKind::CloseWindow)
        PostMessage(Message{MessageKind::CloseWindow, 0, 0});
}

void SdlPlatform::HandleWindowEvent(const SDL_Event& event) {
    switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            PostMessage(Message{MessageKind::Activate, 0, 0});
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            PostMessage(Message{MessageKind::Deactivate, 0, 0});
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            // Shown at once: while a dialog is up nobody else would.
            Redraw();
            PostMessage(Message{MessageKind::Exposed, 0, 0});
            break;
        case SDL_WINDOWEVENT_CLOSE:
            PostMessage(Message{MessageKind::CloseWindow, 0, 0});
            break;
        default:
            break;
    }
}

void SdlPlatform::HandleKey(int sdlKey, bool down, bool repeat, int modifiers) {
    const int code = PolledKeyCode(sdlKey);
    if (code == kKeyEscape || code == kKeyF12) {
        // They close the window even while a box is up.
        if (down && !repeat) PostMessage(Message{MessageKind::KeyDown, code, 0});
        return;
    }
    const int letter = LetterCode(sdlKey);
    if (letter && down && !repeat && m_modal == 0) {
        Message message{MessageKind::KeyDown, letter, 0};
        message.modifiers = modifiers;
        PostMessage(message);
    }
    SetKey(code, down);
}

// A drop while a box is up waits until the box is answered, then reaches
// the window; the open-pictures dialog takes it as its answer.
void SdlPlatform::HandleDrop(char* file) {
    if (!file) return;
    Message message{MessageKind::DropFile, 0, 0};
    message.path = file;
    SDL_free(file);
    if (m_modal == 0 || m_dropAnswers)
        PostMessage(message);
    else
        m_heldDrops.push_back(std::move(message));
}

int SdlPlatform::HeldModifiers() {
    return ModifierBits(static_cast<uint16_t>(SDL_GetModState()));
}

// A press that lands while a box is up belongs to the box; releases always
// count, so no key stays down forever.
void SdlPlatform::SetKey(int code, bool down) {
    if (code <= 0 || static_cast<size_t>(code) >= m_keys.size()) return;
    if (down && m_modal > 0) return;
    KeyPoll& key = m_keys[code];
    if (down && !key.down) key.pressed = true;
    key.down = down;
}

void SdlPlatform::PumpEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) HandleEvent(event);
    if (g_closeSignalled) {
        g_closeSignalled = 0;
        PostCloseRequest();
    }
}

// Returns whether an event came before the timeout (-1: no limit); an endless
// wait comes back after kSignalLookMs, having looked for a close signal.
bool SdlPlatform::WaitForEvent(int timeoutMs) {
    SDL_Event event;
    const int slice = timeoutMs < 0 ? kSignalLookMs : std::min(timeoutMs, kSignalLookMs);
    const int got = SDL_WaitEventTimeout(&event, slice);
    if (got) HandleEvent(event);
    PumpEvents();
    return got != 0;
}

bool SdlPlatform::PeekMessage() {
    PumpEvents();
    return !m_messages.empty();
}

Message SdlPlatform::GetMessage() {
    PumpEvents();
    while (m_messages.empty()) {
        // SDL_WaitEvent fails only when events cannot be read at all.
        if (!WaitForEvent(-1)) SDL_Delay(10);
    }
    const Message message = m_messages.front();
    m_messages.pop_front();
    return message;
}

void SdlPlatform::WaitMessage(int timeoutMs) {
    PumpEvents();
    if (timeoutMs < 0) {
        while (m_messages.empty()) {
            if (!WaitForEvent(-1)) SDL_Delay(10);
        }
        return;
    }
    const uint32_t deadline = SDL_GetTicks() + static_cast<uint32_t>(timeoutMs);
    while (m_messages.empty()) {
        const int32_t left = static_cast<int32_t>(deadline - SDL_GetTicks());
        if (left <= 0) return;
        WaitForEvent(left);
    }
}

KeyPoll SdlPlatform::PollKey(int code) {
    if (code <= 0 || static_cast<size_t>(code) >= m_keys.size()) return {};
    KeyPoll& key = m_keys[code];
    const KeyPoll answer = key;
    key.pressed = false;
    return answer;
}

std::string SdlPlatform::OwnerWindowId() const {
    if (!m_window) return {};
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(m_window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
    return std::to_string(static_cast<unsigned long>(info.info.x11.window));
}

// Input that reached the window while the box was up is still in the queue:
// it is taken while the box still counts as up.
void SdlPlatform::EndModal() {
    PumpEvents();
    --m_modal;
    if (m_modal != 0) return;
    if (m_window) SDL_SetWindowInputFocus(m_window);
    for (Message& message : m_heldDrops) PostMessage(message);
    m_heldDrops.clear();
}

bool SdlPlatform::CloseWaiting() const {
    return std::any_of(m_messages.begin(), m_messages.end(), IsCloseRequest);
}

bool SdlPlatform::CloseRequested() {
    PumpEvents();
    return CloseWaiting();
}

// Serves the window while a dialog is up; false ends the dialog.
bool SdlPlatform::KeepWaiting(int waitMs) {
    WaitForEvent(waitMs);
    return !CloseWaiting() && !(m_dropAnswers && DropWaiting());
}

bool SdlPlatform::DropWaiting() const {
    return std::any_of(m_messages.begin(), m_messages.end(),
                       [](const Message& m) { return m.kind == MessageKind::DropFile; });
}

std::vector<std::string> SdlPlatform::TakeDroppedPaths() {
    std::vector<std::string> paths;
    std::deque<Message> kept;
    for (Message& message : m_messages) {
        if (message.kind == MessageKind::DropFile)
            paths.push_back(std::move(message.path));
        else
            kept.push_back(std::move(message));
    }
    m_messages.swap(kept);
    return paths;
}

// While the editor is closing no box is shown: nobody would answer it. A
// tool that ended meanwhile was ended by the close (a Ctrl+C in the terminal
// reaches zenity too), so its end is no failure.
BoxAnswer SdlPlatform::MessageBox(const std::string& text, const std::string& caption,
                                  BoxButtons buttons) {
    if (CloseRequested()) return DeclinedAnswer(buttons);
    ++m_modal;
    const ToolResult result = RunTool(ZenityBoxArguments(text, caption, buttons, OwnerWindowId()),
                                      [this](int waitMs) { return KeepWaiting(waitMs); });
    std::optional<BoxAnswer> answer = BoxAnswerFromStatus(buttons, result.exitStatus);
    if (result.abandoned || (!answer && CloseRequested()))
        answer = DeclinedAnswer(buttons);
    else if (!result.started || !answer)
        answer = ShowSdlBox(text, caption, buttons);
    EndModal();
    if (answer) return *answer;
    std::fprintf(stderr, "celforge: no message box could be shown: %s: %s\n", caption.c_str(),
                 text.c_str());
    return DeclinedAnswer(buttons);
}

ToolResult SdlPlatform::RunDialogTool(const std::vector<std::string>& argv) {
    ++m_modal;
    const ToolResult result = RunTool(argv, [this](int waitMs) { return KeepWaiting(waitMs); });
    EndModal();
    return result;
}

// Serves the window while the box is up, like a zenity box.
std::optional<BoxAnswer> SdlPlatform::ShowSdlBox(const std::string& text,
                                                 const std::string& caption, BoxButtons buttons) {
    const pid_t pid = StartBoxShower(text, caption, buttons);
    if (pid < 0) return std::nullopt;
    int status = 0;
    while (!ChildEnded(pid, &status)) {
        if (KeepWaiting(kBoxLookMs)) continue;
        kill(-pid, SIGKILL);
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return DeclinedAnswer(buttons);
    }
    return BoxChildAnswer(status, buttons);
}

DialogResult SdlPlatform::RunFileDialog(const std::string& title,
                                        const std::vector<FileFilter>& filters,
                                        const std::string& startFolder, bool save) {
    if (CloseRequested()) return {};
    const ToolResult result =
        RunDialogTool(ZenityFileArguments(title, filters, save, startFolder, OwnerWindowId()));
    DialogResult answer = FileDialogAnswer(result);
    if (answer.outcome == DialogOutcome::Unavailable && CloseWaiting()) return {};
    return answer;
}

DialogResult SdlPlatform::OpenFileDialog(const std::string& title,
                                         const std::vector<FileFilter>& filters,
                                         const std::string& startFolder) {
    DialogResult answer = RunFileDialog(title, filters, startFolder, false);
    // A name that is no full path, zenity's "(null)", goes to the editor to refuse.
    const bool fullPath = !answer.path.empty() && answer.path[0] == '/';
    if (answer.outcome == DialogOutcome::Chosen && fullPath && !IsRegularFile(answer.path))
        return {};
    return answer;
}

// Drops that reached the window before the dialog came up answer it too.
DialogResult SdlPlatform::OpenFilesDialog(const std::string& title,
                                          const std::vector<FileFilter>& filters,
                                          const std::string& startFolder) {
    if (CloseRequested()) return {};
    ToolResult result;
    if (!DropWaiting()) {
        m_dropAnswers = true;
        result = RunDialogTool(ZenityFilesArguments(title, filters, startFolder, OwnerWindowId()));
        m_dropAnswers = false;
    }
    if (!CloseWaiting() && DropWaiting()) {
        DialogResult dropped = ChosenFile({});
        dropped.paths = TakeDroppedPaths();
        dropped.path = dropped.paths.front();
        return dropped;
    }
    DialogResult answer = FilesDialogAnswer(result);
    if (answer.outcome == DialogOutcome::Unavailable && CloseWaiting()) return {};
    return answer;
}

DialogResult SdlPlatform::SaveFileDialog(const std::string& title,
                                         const std::vector<FileFilter>& filters,
                                         const std::string& startFolder) {
    return RunFileDialog(title, filters, startFolder, true);
}

void SdlPlatform::Beep(BeepKind kind) {
    if (!m_beepDevice) m_beepDevice = OpenSoundDevice(kBeepRate, 1, false);
    if (m_beepDevice) {
        const std::vector<int16_t> tone = BeepTone(kind);
        SDL_ClearQueuedAudio(m_beepDevice);
        SDL_QueueAudio(m_beepDevice, tone.data(), static_cast<uint32_t>(tone.size() * 2));
        SDL_PauseAudioDevice(m_beepDevice, 0);
    } else if (isatty(STDERR_FILENO)) {
        std::fputc('\a', stderr);
    }
}

void SdlPlatform::AudioCallback(void* self, uint8_t* stream, int length) {
    auto* platform = static_cast<SdlPlatform*>(self);
    platform->m_audioFill(reinterpret_cast<int16_t*>(stream), length / 4);
}

// Opened only when a sound is due. After the first failure the editor stays
// silent for the rest of the run, having said so once.
uint32_t SdlPlatform::OpenSoundDevice(int sampleRate, int channels, bool withCallback) {
    if (m_silent) return 0;
    SDL_AudioSpec want{};
    want.freq = sampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<uint8_t>(channels);
    want.samples = withCallback ? 1024 : 512;
    if (withCallback) {
        want.callback = &SdlPlatform::AudioCallback;
        want.userdata = this;
    }
    SDL_AudioDeviceID device = 0;
    {
        const StderrMuted muted;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
            device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
            if (!device) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
    }
    if (!device) {
        m_silent = true;
        std::fprintf(stderr, "celforge: no sound device (%s); the editor stays silent\n",
                     SDL_GetError());
    }
    return device;
}

bool SdlPlatform::OpenAudio(int sampleRate, AudioFill fill) {
    if (m_audioDevice) {
        SDL_CloseAudioDevice(m_audioDevice);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_audioDevice = 0;
    }
    if (sampleRate <= 0 || !fill) return false;
    m_audioFill = std::move(fill);
    m_audioDevice = OpenSoundDevice(sampleRate, 2, true);
    if (!m_audioDevice) return false;
    SDL_PauseAudioDevice(m_audioDevice, 0);
    return true;
}

void SdlPlatform::LockAudio() {
    if (m_audioDevice) SDL_LockAudioDevice(m_audioDevice);
}

void SdlPlatform::UnlockAudio() {
    if (m_audioDevice) SDL_UnlockAudioDevice(m_audioDevice);
}

}  // namespace platform
