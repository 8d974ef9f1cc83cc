// The SDL platform's dialogs, run by a stand-in `zenity` put first on PATH; close
// requests are pushed into SDL's queue or sent as signals (no display is needed).
#include "platform/sdl_platform.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>
#include <vector>

#include "platform/zenity.h"

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

enum class Dialog { Open, OpenMany, Save, Box };

// Every way a dialog can end: answered, refused, failed, never there, or ended by a
// close request (a key, 0 the window's close, below that signals; 300 ms apart),
// which stays queued so the close takes effect after it. SIGINT and SIGHUP the
// editor started ignoring stay ignored; SIGTERM always works. Files dropped
// 300 ms in answer the open-pictures dialog; under a box they wait for its end.
// Letters come as KeyDown messages with their capital and the modifiers held
// (1 Shift, 2 Ctrl), once per press and not while a dialog is up; a file
// dropped while no dialog is up comes as a message at once.
TEST(SdlPlatformTest, DialogsEndAsAnsweredKeysAndDropsBecomeMessages) {
    const fs::path dir = fs::temp_directory_path() / ("celforge_sdl_" + std::to_string(getpid()));
    fs::create_directories(dir / "empty");
    std::ofstream(dir / "p.pcx") << "x";
    const char* shownOn = std::getenv("DISPLAY");
    const std::string oldPath = std::getenv("PATH"), display = shownOn ? shownOn : "";
    unsetenv("DISPLAY");
    const std::array<int, 3> startSignals{SIGINT, SIGQUIT, SIGHUP};
    std::array<struct sigaction, startSignals.size()> found{};
    for (size_t i = 0; i < startSignals.size(); ++i) sigaction(startSignals[i], nullptr, &found[i]);
    std::optional<SdlPlatform> sdl;
    // Starts the platform as in a shell (SIGINT, SIGQUIT and SIGHUP at their
    // defaults) or as a background job under nohup (all three ignored).
    const auto start = [&](bool ignoring) {
        sdl.reset();
        for (int signal : startSignals) ::signal(signal, ignoring ? SIG_IGN : SIG_DFL);
        sdl.emplace();
    };
    // A zenity that adds its arguments to dir/args, then runs `body`.
    const auto fakeZenity = [&](const std::string& body) {
        std::ofstream(dir / "zenity")
            << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" << (dir / "args").string() << "'\n"
            << body << "\n";
        fs::permissions(dir / "zenity", fs::perms::owner_all);
        setenv("PATH", (dir.string() + ":" + oldPath).c_str(), 1);
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
        {"exit 255", {}, "unavailable: zenity failed (exit status 255)"},
        {"exit 255", {}, "unavailable: zenity failed (exit status 255)", Dialog::Save},
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
    const struct {
        uint32_t type;
        SDL_Keycode key;
        uint16_t mod;
        uint8_t repeat;
    } events[] = {
        {SDL_KEYDOWN, SDLK_z, KMOD_LCTRL, 0},                // Ctrl+Z
        {SDL_KEYDOWN, SDLK_z, KMOD_LCTRL, 1},                // held: no second message
        {SDL_KEYUP, SDLK_z, KMOD_LCTRL, 0},                  // releases say nothing
        {SDL_KEYDOWN, SDLK_y, KMOD_RCTRL | KMOD_LSHIFT, 0},  // Ctrl+Shift+Y
        {SDL_KEYDOWN, SDLK_a, KMOD_CAPS | KMOD_ALT, 0},      // no modifier we tell
        {SDL_KEYDOWN, SDLK_1, KMOD_NONE, 0},                 // not a letter
        {SDL_DROPFILE, 0, 0, 0},
    };
    for (const auto& e : events) {
        SDL_Event event{e.type};
        event.key.keysym.sym = e.key;
        event.key.keysym.mod = e.mod;
        event.key.repeat = e.repeat;
        if (e.type == SDL_DROPFILE) event.drop.file = SDL_strdup("/p/idle.pcx");
        SDL_PushEvent(&event);
    }
    EXPECT_EQ(told(DialogResult{}), "cancelled +key 90/2 +key 89/3 +key 65/0 +drop /p/idle.pcx");
    SDL_SetModState(static_cast<SDL_Keymod>(KMOD_RSHIFT | KMOD_LCTRL | KMOD_NUM));
    EXPECT_EQ(sdl->HeldModifiers(), 3);
    SDL_SetModState(KMOD_NONE);
    EXPECT_EQ(sdl->HeldModifiers(), 0);
    fakeZenity("exit 255");
    sdl->OpenFileDialog("warm-up", {}, "");
    const int before = ChildrenAndDescriptors();
    for (const auto& c : cases) {
        if (c.ignoring) start(true);
        c.zenity.empty() ? (void)setenv("PATH", (dir / "empty").c_str(), 1) : fakeZenity(c.zenity);
        auto asked = std::chrono::steady_clock::now();
        std::thread user([&] {
            for (int request : c.requests) {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                asked = std::chrono::steady_clock::now();
                SDL_Event event{request > 0 ? SDL_KEYDOWN : SDL_WINDOWEVENT};
                event.key.keysym.sym = std::max(request, 0);
                event.window.event = SDL_WINDOWEVENT_CLOSE;
                request < 0 ? (void)kill(getpid(), -request) : (void)SDL_PushEvent(&event);
            }
            if (!c.drops.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(300));
            for (const char* path : c.drops) {
                asked = std::chrono::steady_clock::now();
                SDL_Event event{SDL_DROPFILE};
                event.drop.file = SDL_strdup(path);
                SDL_PushEvent(&event);
            }
        });
        const DialogResult answer =
            c.dialog == Dialog::Open ? sdl->OpenFileDialog("Open", {{"Pcx (*.pcx)", "*.pcx"}}, "/x")
            : c.dialog == Dialog::OpenMany ? sdl->OpenFilesDialog("Open", {}, "")
            : c.dialog == Dialog::Save     ? sdl->SaveFileDialog("Save", {}, "")
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
    sdl.reset();
    for (size_t i = 0; i < startSignals.size(); ++i) sigaction(startSignals[i], &found[i], nullptr);
    setenv("PATH", oldPath.c_str(), 1);
    if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
    fs::remove_all(dir);
}

}  // namespace
