// The SDL platform's dialogs, run by a stand-in `zenity` put first on PATH; close
// requests are pushed into SDL's queue or sent as signals (no display is needed).
#include "platform/sdl_platform.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>
#include <vector>

using namespace platform;
namespace fs = std::filesystem;

namespace {

// Processes whose parent is this one, zombies included, 1000 each; and open descriptors.
int ChildrenAndDescriptors() {
    auto count = std::distance(fs::directory_iterator("/proc/self/fd"), {});
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::ifstream children(task.path() / "children");
        count += 1000 * std::distance(std::istream_iterator<int>(children), {});
    }
    return static_cast<int>(count);
}

enum class Dialog { Open, OpenMany, Box };

const std::array<int, 3> kStartSignals{SIGINT, SIGQUIT, SIGHUP};

// Puts back PATH, DISPLAY, the start signals and the scratch folder however the test ends,
// so a failed assertion cannot leak them into later tests.
struct Restored {
    const fs::path dir = fs::temp_directory_path() / ("celforge_sdl_" + std::to_string(getpid()));
    const std::string path = std::getenv("PATH");
    const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    std::array<struct sigaction, kStartSignals.size()> found{};
    Restored() {
        for (size_t i = 0; i < kStartSignals.size(); ++i)
            sigaction(kStartSignals[i], nullptr, &found[i]);
    }
    ~Restored() {
        for (size_t i = 0; i < kStartSignals.size(); ++i)
            sigaction(kStartSignals[i], &found[i], nullptr);
        setenv("PATH", path.c_str(), 1);
        if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
        fs::remove_all(dir);
    }
};

// Queues a key press (repeat: held down), a window close or a dropped file.
void Push(uint32_t type, SDL_Keycode key = 0, uint16_t mod = 0, uint8_t repeat = 0,
          const char* file = "") {
    SDL_Event event{type};
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    event.key.repeat = repeat;
    if (type == SDL_WINDOWEVENT) event.window.event = SDL_WINDOWEVENT_CLOSE;
    if (type == SDL_DROPFILE) event.drop.file = SDL_strdup(file);
    SDL_PushEvent(&event);
}

// Every way a dialog can end: answered, refused, failed, never there, or ended by a
// close request (a key, 0 the window's close, below that signals; 300 ms apart),
// which stays queued so the close takes effect after it. SIGINT and SIGHUP the
// editor started ignoring stay ignored; SIGTERM always works. Files dropped
// 300 ms in answer the open-pictures dialog; under a box they wait for its end.
// Letters come as KeyDown messages with their capital and the modifiers held
// (1 Shift, 2 Ctrl), once per press and not while a dialog is up; a file
// dropped while no dialog is up comes as a message at once.
TEST(SdlPlatformTest, DialogsEndAsAnsweredKeysAndDropsBecomeMessages) {
    const Restored restored;
    const fs::path& dir = restored.dir;
    fs::create_directories(dir / "empty");
    std::ofstream(dir / "p.pcx") << "x";
    unsetenv("DISPLAY");
    std::optional<SdlPlatform> sdl;  // ended before the signals are put back
    // Starts the platform as in a shell (SIGINT, SIGQUIT and SIGHUP at their
    // defaults) or as a background job under nohup (all three ignored).
    const auto start = [&](bool ignoring) {
        sdl.reset();
        for (int signal : kStartSignals) ::signal(signal, ignoring ? SIG_IGN : SIG_DFL);
        sdl.emplace();
    };
    // A zenity that adds its arguments to dir/args, then runs `body`.
    const auto fakeZenity = [&](const std::string& body) {
        std::ofstream(dir / "zenity")
            << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" << (dir / "args").string() << "'\n"
            << body << "\n";
        fs::permissions(dir / "zenity", fs::perms::owner_all);
        setenv("PATH", (dir.string() + ":" + restored.path).c_str(), 1);
    };
    // "chosen <path>", "cancelled" or "unavailable: <reason>", then what was queued.
    const auto told = [&](const DialogResult& answer) {
        const char* outcomes[] = {"chosen ", "cancelled", "unavailable: "};
        std::string text = outcomes[static_cast<int>(answer.outcome)] + answer.path + answer.reason;
        for (size_t i = 1; i < answer.paths.size(); ++i) text += " and " + answer.paths[i];
        while (sdl->PeekMessage()) {
            const Message m = sdl->GetMessage();
            const std::string key = std::to_string(m.key) + "/" + std::to_string(m.modifiers);
            text += m.kind == MessageKind::DropFile  ? " +drop " + m.path
                    : m.kind == MessageKind::KeyDown ? " +key " + key
                                                     : " +close";
        }
        return text;
    };
    const std::string p = (dir / "p.pcx").string(), d = dir.string(), hung = "exec sleep 30";
    const struct {
        std::string zenity;  // empty: none on PATH
        std::vector<int> requests;
        std::string told;
        Dialog dialog = Dialog::Open;
        std::vector<const char*> drops = {};
        bool ignoring = false;  // SIGINT, SIGQUIT and SIGHUP ignored at start
    } cases[] = {
        {"echo " + p, {}, "chosen " + p},
        {"echo " + p + "; exit 1", {}, "cancelled"},
        {"exit 5", {}, "cancelled"},  // zenity's own timeout
        {"echo " + d + "/gone.pcx", {}, "cancelled"},
        {"echo " + d, {}, "cancelled"},  // a folder is no picture
        {"", {}, "unavailable: zenity is not installed"},
        {"echo", {}, "unavailable: zenity gave no usable file name"},
        {"head -c 4200000 /dev/zero", {}, "unavailable: zenity gave no usable file name"},
        {"kill -9 $$", {}, "unavailable: zenity ended abnormally"},
        // Without a session bus GTK gets in-memory settings and no accessibility bridge.
        {"f=" + d + "/$GSETTINGS_BACKEND-$NO_AT_BRIDGE-$GTK_A11Y; touch $f; echo $f",
         {},
         "chosen " + d + "/memory-1-none"},
        {hung, {0}, "cancelled +close"},
        {hung, {SDLK_q, SDLK_ESCAPE}, "cancelled +key 27/0"},
        {hung, {SDLK_F12}, "cancelled +key 123/0"},
        {hung, {-SIGINT}, "cancelled +close"},
        {hung, {-SIGHUP}, "cancelled +close"},
        {"trap '' TERM; " + hung, {-SIGTERM}, "cancelled +close"},  // killed after a second
        {"kill -TERM $PPID; " + hung, {}, "cancelled +close"},
        // A name that holds a line break, and one that is not UTF-8, go to the editor.
        {"f='" + d + "/a\nb.pcx'; touch \"$f\"; echo \"$f\"", {}, "chosen " + d + "/a\nb.pcx"},
        {"echo '(null)'", {}, "chosen (null)"},
        {hung, {}, "chosen /p/a 1.pcx and /p/b.pcx", Dialog::OpenMany, {"/p/a 1.pcx", "/p/b.pcx"}},
        {"printf '/q/x.pcx///q/y.pcx\\n'", {}, "chosen /q/x.pcx and /q/y.pcx", Dialog::OpenMany},
        {"sleep 1", {}, "chosen Yes +drop /p/late.pcx", Dialog::Box, {"/p/late.pcx"}},
        // SDL's own box, tried in a child process, finds no display to show on.
        {"exit 255", {}, "chosen No", Dialog::Box},
        {hung, {-SIGINT, -SIGQUIT, -SIGHUP, -SIGTERM}, "cancelled +close", {}, {}, true},
    };
    for (const char* name :
         {"DBUS_SESSION_BUS_ADDRESS", "GSETTINGS_BACKEND", "NO_AT_BRIDGE", "GTK_A11Y"})
        unsetenv(name);
    start(false);
    Push(SDL_KEYDOWN, SDLK_z, KMOD_LCTRL);                // Ctrl+Z
    Push(SDL_KEYDOWN, SDLK_z, KMOD_LCTRL, 1);             // held: no second message
    Push(SDL_KEYUP, SDLK_z, KMOD_LCTRL);                  // releases say nothing
    Push(SDL_KEYDOWN, SDLK_y, KMOD_RCTRL | KMOD_LSHIFT);  // Ctrl+Shift+Y
    Push(SDL_KEYDOWN, SDLK_a, KMOD_CAPS | KMOD_ALT);      // no modifier we tell
    Push(SDL_KEYDOWN, SDLK_1);                            // not a letter
    Push(SDL_DROPFILE, 0, 0, 0, "/p/idle.pcx");
    EXPECT_EQ(told(DialogResult{}), "cancelled +key 90/2 +key 89/3 +key 65/0 +drop /p/idle.pcx");
    SDL_SetModState(static_cast<SDL_Keymod>(KMOD_RSHIFT | KMOD_LCTRL | KMOD_NUM));
    EXPECT_EQ(sdl->HeldModifiers(), 3);
    SDL_SetModState(KMOD_NONE);
    EXPECT_EQ(sdl->HeldModifiers(), 0);
    fakeZenity("exit 255");
    EXPECT_EQ(told(sdl->SaveFileDialog("Save", {}, "")),
              "unavailable: zenity failed (exit status 255)");
    const int before = ChildrenAndDescriptors();
    for (const auto& c : cases) {
        if (c.ignoring) start(true);
        c.zenity.empty() ? (void)setenv("PATH", (dir / "empty").c_str(), 1) : fakeZenity(c.zenity);
        auto asked = std::chrono::steady_clock::now();
        std::thread user([&] {
            for (int request : c.requests) {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                asked = std::chrono::steady_clock::now();
                request < 0 ? (void)kill(getpid(), -request)
                            : Push(request ? SDL_KEYDOWN : SDL_WINDOWEVENT, request);
            }
            if (c.drops.empty()) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            asked = std::chrono::steady_clock::now();
            for (const char* path : c.drops) Push(SDL_DROPFILE, 0, 0, 0, path);
        });
        const DialogResult answer =
            c.dialog == Dialog::Open ? sdl->OpenFileDialog("Open", {{"Pcx (*.pcx)", "*.pcx"}}, "/x")
            : c.dialog == Dialog::OpenMany ? sdl->OpenFilesDialog("Open", {}, "")
            : sdl->MessageBox("<i>Sure?</i>", "Q", BoxButtons::YesNo) == BoxAnswer::Yes
                ? ChosenFile("Yes")
                : ChosenFile("No");
        const auto ended = std::chrono::steady_clock::now();
        user.join();
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(ended - asked).count();
        EXPECT_EQ(told(answer), c.told) << c.zenity;
        // The last request ended it (none before), within the promised 2 seconds.
        EXPECT_TRUE(ms >= (c.zenity[0] == 't' ? 950 : 0) && ms <= 2000) << ms << " ms " << c.zenity;
    }
    // Two dozen dialogs leave no descriptor and no child process behind.
    EXPECT_EQ(ChildrenAndDescriptors(), before);
    std::ifstream in(dir / "args");
    const std::string recorded(std::istreambuf_iterator<char>(in), {});
    for (const char* args :
         {"--title=Open\n--filename=/x/\n--file-filter=Pcx (*.pcx) | *.[pP][cC][xX]\n",
          "--file-selection\n--save\n--confirm-overwrite\n--title=Save\n",
          "--question\n--no-markup\n--title=Q\n--text=<i>Sure?</i>\n"})
        EXPECT_NE(recorded.find(args), std::string::npos) << args;
}

}  // namespace
