// The SDL platform's dialogs, run by a stand-in `zenity` put first on PATH;
// close requests are pushed into SDL's queue (no display is needed).
#include "platform/sdl_platform.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/zenity.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

// Processes whose parent is this one, zombies included; and open descriptors.
int ChildrenAndDescriptors() {
    int count = static_cast<int>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::string line;
        int parent = 0;
        if (std::getline(std::ifstream(entry.path() / "stat"), line) &&
            line.rfind(')') != line.npos &&
            std::sscanf(line.c_str() + line.rfind(')') + 2, "%*c %d", &parent) == 1)
            count += parent == getpid() ? 1000 : 0;
    }
    return count;
}

class SdlPlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("celforge_sdl_" + std::to_string(getpid()));
        fs::create_directories(dir / "empty");
        std::ofstream(dir / "p.pcx") << "x";
        oldPath = std::getenv("PATH");
    }
    void TearDown() override {
        setenv("PATH", oldPath.c_str(), 1);
        fs::remove_all(dir);
    }
    // A zenity that adds its arguments to dir/args, then runs `body`.
    void FakeZenity(const std::string& body) {
        std::ofstream(dir / "zenity")
            << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" << (dir / "args").string() << "'\n"
            << body << "\n";
        fs::permissions(dir / "zenity", fs::perms::owner_all);
        setenv("PATH", (dir.string() + ":" + oldPath).c_str(), 1);
    }
    std::string Recorded() {
        std::ifstream in(dir / "args");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // "chosen <path>", "cancelled" or "unavailable: <reason>", then what was queued.
    std::string Told(const DialogResult& answer) {
        const char* outcomes[] = {"chosen ", "cancelled", "unavailable: "};
        std::string told = outcomes[static_cast<int>(answer.outcome)] + answer.path + answer.reason;
        while (sdl.PeekMessage())
            told += sdl.GetMessage().kind == MessageKind::KeyDown ? " +key" : " +close";
        return told;
    }

    SdlPlatform sdl;
    fs::path dir;
    std::string oldPath;
};

// Every way a dialog can end: answered, refused, failed, never there, or ended by a
// close request (a key, -1 the window's close, below that a signal), which
// stays queued so the close takes effect after it.
TEST_F(SdlPlatformTest, DialogsTellChosenCancelledAndCannotBeShown) {
    const std::string p = (dir / "p.pcx").string(), d = dir.string(), hung = "exec sleep 30";
    const struct {
        std::string zenity;  // empty: none on PATH
        int request;
        std::string told;
    } cases[] = {
        {"echo " + p, 0, "chosen " + p},
        {"echo " + p + "; exit 1", 0, "cancelled"},
        {"exit 5", 0, "cancelled"},  // zenity's own timeout
        {"echo " + d + "/gone.pcx", 0, "cancelled"},
        {"echo " + d, 0, "cancelled"},  // a folder is no picture
        {"exit 255", 0, "unavailable: zenity failed (exit status 255)"},
        {"", 0, "unavailable: zenity is not installed"},
        {"echo", 0, "unavailable: zenity gave no usable file name"},
        {"head -c 70000 /dev/zero", 0, "unavailable: zenity gave no usable file name"},
        {"kill -9 $$", 0, "unavailable: zenity ended abnormally"},
        // Without a session bus GTK gets in-memory settings and no accessibility bridge.
        {"f=" + d + "/$GSETTINGS_BACKEND-$NO_AT_BRIDGE-$GTK_A11Y; touch $f; echo $f", 0,
         "chosen " + d + "/memory-1-none"},
        {hung, -1, "cancelled +close"},
        {hung, SDLK_ESCAPE, "cancelled +key"},
        {hung, SDLK_F12, "cancelled +key"},
        {hung, -SIGINT, "cancelled +close"},
        {hung, -SIGTERM, "cancelled +close"},
        {"trap '' TERM; " + hung, -SIGTERM, "cancelled +close"},  // killed after a second
        {"kill -TERM $PPID; " + hung, 0, "cancelled +close"},
        // A name that holds a line break, and one that is not UTF-8, go to the editor.
        {"f='" + d + "/a\nb.pcx'; touch \"$f\"; echo \"$f\"", 0, "chosen " + d + "/a\nb.pcx"},
        {"echo '(null)'", 0, "chosen (null)"},
    };
    for (const char* name :
         {"DBUS_SESSION_BUS_ADDRESS", "GSETTINGS_BACKEND", "NO_AT_BRIDGE", "GTK_A11Y"})
        unsetenv(name);
    FakeZenity("exit 255");
    sdl.OpenFileDialog("warm-up", {}, "");
    const int before = ChildrenAndDescriptors();
    for (const auto& c : cases) {
        c.zenity.empty() ? (void)setenv("PATH", (dir / "empty").c_str(), 1) : FakeZenity(c.zenity);
        auto asked = std::chrono::steady_clock::now();
        std::thread user([&] {
            if (c.request == 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            asked = std::chrono::steady_clock::now();
            SDL_Event event{c.request > 0 ? SDL_KEYDOWN : SDL_WINDOWEVENT};
            event.key.keysym.sym = std::max(c.request, 0);
            event.window.event = SDL_WINDOWEVENT_CLOSE;
            c.request < -1 ? (void)kill(getpid(), -c.request) : (void)SDL_PushEvent(&event);
        });
        const DialogResult answer = sdl.OpenFileDialog("Open", {{"Pcx (*.pcx)", "*.pcx"}}, "/x");
        user.join();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - asked)
                            .count();
        EXPECT_EQ(Told(answer), c.told) << c.zenity;
        const bool stubborn = c.zenity[0] == 't';
        EXPECT_TRUE(ms >= (stubborn ? 950 : 0) && ms <= (stubborn ? 2000 : 1000)) << ms << " ms";
    }
    FakeZenity("exit 255");
    EXPECT_EQ(sdl.SaveFileDialog("Save", {}, "").outcome, DialogOutcome::Unavailable);
    // Twenty dialogs leave no descriptor and no child process behind.
    EXPECT_EQ(ChildrenAndDescriptors(), before) << "children count 1000 each";
    // A box that cannot be shown declines. (SDL's own fallback box, tried
    // after zenity failed, keeps two descriptors: not counted above.)
    EXPECT_EQ(sdl.MessageBox("<i>Sure?</i>", "Q", BoxButtons::YesNo), BoxAnswer::No);
    for (const char* args :
         {"--title=Open\n--filename=/x/\n--file-filter=Pcx (*.pcx) | *.[pP][cC][xX]\n",
          "--file-selection\n--save\n--confirm-overwrite\n--title=Save\n",
          "--question\n--no-markup\n--title=Q\n--text=<i>Sure?</i>\n"})
        EXPECT_NE(Recorded().find(args), std::string::npos) << args;
}

}  // namespace
