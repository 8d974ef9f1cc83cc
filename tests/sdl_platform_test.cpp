// The SDL platform driven by events pushed into SDL's queue (no display is
// needed); its dialogs run a stand-in `zenity` put first on PATH.
#include "platform/sdl_platform.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/zenity.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

void PushKey(SDL_Keycode key, bool repeat = false) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    event.key.repeat = repeat;
    SDL_PushEvent(&event);
}

void PushButton(uint8_t button, bool down, int x = 5, int y = 6) {
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = button;
    event.button.x = x;
    event.button.y = y;
    SDL_PushEvent(&event);
}

void PushWindow(uint8_t what) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    SDL_PushEvent(&event);
}

// Processes whose parent is this one, zombies included; and open descriptors.
int ChildrenAndDescriptors() {
    int count = static_cast<int>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        char state = 0;
        int parent = 0;
        if (rest >> state >> parent && parent == getpid()) count += 1000;
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
    // A zenity that records its arguments in dir/args, then runs `body`.
    void FakeZenity(const std::string& body) {
        std::ofstream(dir / "zenity")
            << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << (dir / "args").string() << "'\n"
            << body << "\n";
        fs::permissions(dir / "zenity", fs::perms::owner_all);
        setenv("PATH", (dir.string() + ":" + oldPath).c_str(), 1);
    }
    std::string Recorded() {
        std::ifstream in(dir / "args");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<MessageKind> Drain() {
        std::vector<MessageKind> kinds;
        while (sdl.PeekMessage()) kinds.push_back(sdl.GetMessage().kind);
        return kinds;
    }

    SdlPlatform sdl;
    fs::path dir;
    std::string oldPath;
};

TEST_F(SdlPlatformTest, ClicksBetweenPollsReadAsPressedOnceAndCloseKeysAsMessages) {
    PushButton(SDL_BUTTON_LEFT, true, 120, 45);
    PushButton(SDL_BUTTON_LEFT, false);
    PushButton(SDL_BUTTON_RIGHT, true, 121, 46);
    PushKey(SDLK_LEFT);
    PushKey(SDLK_LEFT, true);         // auto-repeat is no new press
    EXPECT_FALSE(sdl.PeekMessage());  // input is polled, never a message
    const KeyPoll left = sdl.PollKey(kKeyLeftButton);
    EXPECT_TRUE(left.pressed && !left.down);
    EXPECT_EQ(sdl.CursorPos().x * 1000 + sdl.CursorPos().y, 121046);
    EXPECT_FALSE(sdl.PollKey(kKeyLeftButton).pressed);
    EXPECT_TRUE(sdl.PollKey(kKeyRightButton).down);
    EXPECT_TRUE(sdl.PollKey(kKeyLeft).pressed);
    EXPECT_FALSE(sdl.PollKey(kKeyLeft).pressed);

    PushKey(SDLK_ESCAPE);
    PushKey(SDLK_ESCAPE, true);
    PushKey(SDLK_F12);
    PushWindow(SDL_WINDOWEVENT_FOCUS_LOST);
    PushWindow(SDL_WINDOWEVENT_FOCUS_GAINED);
    PushWindow(SDL_WINDOWEVENT_CLOSE);
    SDL_Event quit{SDL_QUIT};
    SDL_PushEvent(&quit);  // follows the last window's close: one request only
    EXPECT_EQ(sdl.GetMessage().key, kKeyEscape);
    EXPECT_EQ(sdl.GetMessage().key, kKeyF12);
    EXPECT_EQ(Drain(), (std::vector<MessageKind>{MessageKind::Deactivate, MessageKind::Activate,
                                                 MessageKind::CloseWindow}));
    SDL_PushEvent(&quit);  // a quit signal alone still asks to close
    EXPECT_EQ(Drain(), std::vector<MessageKind>{MessageKind::CloseWindow});
}

TEST_F(SdlPlatformTest, WaitingSleepsThroughInputUntilTheTimeoutOrAMessage) {
    PushButton(SDL_BUTTON_LEFT, true);
    const uint32_t start = sdl.TickCount();
    sdl.WaitMessage(60);
    EXPECT_GE(sdl.TickCount() - start, 59u);
    PushWindow(SDL_WINDOWEVENT_EXPOSED);
    sdl.WaitMessage(-1);  // returns because a message is there
    EXPECT_EQ(sdl.GetMessage().kind, MessageKind::Exposed);
    EXPECT_LT(sdl.TickCount() - start, 1000u);
    setenv("SDL_VIDEODRIVER", "dummy", 1);  // a window nobody could see is refused
    EXPECT_FALSE(sdl.CreateMainWindow("Celforge_V1.0", 800, 600));
    unsetenv("SDL_VIDEODRIVER");
}

// Every way a dialog can end: answered, refused, never there, or ended by a
// close request, which also stays queued so the close takes effect after it.
TEST_F(SdlPlatformTest, DialogsTellChosenCancelledAndCannotBeShown) {
    const std::string p = (dir / "p.pcx").string(), hung = "exec sleep 30";
    const struct {
        std::string zenity;  // empty: none on PATH
        std::function<void()> request;
        DialogOutcome outcome;
        std::string pathOrReason;
        std::vector<MessageKind> queued = {};
        int minMs = 0, maxMs = 1000;
    } cases[] = {
        {"echo '" + p + "'", nullptr, DialogOutcome::Chosen, p},
        {"echo '" + p + "'; exit 1", nullptr, DialogOutcome::Cancelled, ""},
        {"exit 5", nullptr, DialogOutcome::Cancelled, ""},  // zenity's own timeout
        {"echo " + dir.string() + "/gone.pcx", nullptr, DialogOutcome::Cancelled, ""},
        {"exit 255", nullptr, DialogOutcome::Unavailable, "zenity failed (exit status 255)"},
        {"", nullptr, DialogOutcome::Unavailable, "zenity is not installed"},
        {"echo", nullptr, DialogOutcome::Unavailable, "zenity gave no usable file name"},
        {"kill -9 $$", nullptr, DialogOutcome::Unavailable, "zenity ended abnormally"},
        // Without a session bus GTK gets in-memory settings and no accessibility bridge.
        {"f=" + dir.string() + "/$GSETTINGS_BACKEND-$NO_AT_BRIDGE-$GTK_A11Y; touch $f; echo $f",
         nullptr, DialogOutcome::Chosen, dir.string() + "/memory-1-none"},
        {hung,
         [] { PushWindow(SDL_WINDOWEVENT_CLOSE); },
         DialogOutcome::Cancelled,
         "",
         {MessageKind::CloseWindow}},
        {hung, [] { PushKey(SDLK_ESCAPE); }, DialogOutcome::Cancelled, "", {MessageKind::KeyDown}},
        {hung, [] { PushKey(SDLK_F12); }, DialogOutcome::Cancelled, "", {MessageKind::KeyDown}},
        {hung,
         [] { kill(getpid(), SIGINT); },
         DialogOutcome::Cancelled,
         "",
         {MessageKind::CloseWindow}},
        {hung,
         [] { kill(getpid(), SIGTERM); },
         DialogOutcome::Cancelled,
         "",
         {MessageKind::CloseWindow}},
        {"trap '' TERM; " + hung,
         [] { kill(getpid(), SIGTERM); },
         DialogOutcome::Cancelled,
         "",
         {MessageKind::CloseWindow},
         950,
         2000},  // killed after the grace second
    };
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    unsetenv("GSETTINGS_BACKEND");
    unsetenv("NO_AT_BRIDGE");
    unsetenv("GTK_A11Y");
    for (const auto& c : cases) {
        c.zenity.empty() ? (void)setenv("PATH", (dir / "empty").c_str(), 1) : FakeZenity(c.zenity);
        auto asked = std::chrono::steady_clock::now();
        std::thread user([&] {
            if (!c.request) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            asked = std::chrono::steady_clock::now();
            c.request();
        });
        const DialogResult answer = sdl.OpenFileDialog("Open", {{"Pcx (*.pcx)", "*.pcx"}}, "/x");
        user.join();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - asked)
                            .count();
        EXPECT_EQ(answer.outcome, c.outcome) << c.zenity;
        EXPECT_EQ(c.outcome == DialogOutcome::Chosen ? answer.path : answer.reason, c.pathOrReason);
        EXPECT_EQ(Drain(), c.queued) << c.zenity;
        EXPECT_TRUE(ms >= c.minMs && ms <= c.maxMs) << c.zenity << ": " << ms << " ms";
    }
    EXPECT_NE(Recorded().find("--title=Open\n--filename=/x/\n--file-filter=Pcx (*.pcx) | "
                              "*.[pP][cC][xX]\n"),
              std::string::npos)
        << Recorded();
    FakeZenity("exit 1");
    EXPECT_EQ(sdl.SaveFileDialog("Save", {}, "").outcome, DialogOutcome::Cancelled);
    EXPECT_EQ(Recorded().rfind("--file-selection\n--save\n--confirm-overwrite\n--title=Save\n", 0),
              0u);
}

TEST_F(SdlPlatformTest, BoxesSwallowInputAndAnswerOrDecline) {
    const struct {
        std::string zenity;
        BoxButtons buttons;
        BoxAnswer answer;
    } cases[] = {
        {"sleep 0.4", BoxButtons::YesNo, BoxAnswer::Yes},
        {"sleep 0.4; exit 1", BoxButtons::OkCancel, BoxAnswer::Cancel},
        {"sleep 0.4; exit 255", BoxButtons::YesNo, BoxAnswer::No},
        {"exec sleep 30", BoxButtons::OkCancel, BoxAnswer::Cancel},  // ended by SIGTERM
    };
    for (const auto& c : cases) {
        FakeZenity(c.zenity);
        std::thread user([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            PushButton(SDL_BUTTON_LEFT, true);
            PushKey(SDLK_LEFT);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (c.zenity[0] == 'e') kill(getpid(), SIGTERM);
        });
        EXPECT_EQ(sdl.MessageBox("<i>Sure?</i>", "Q", c.buttons), c.answer) << c.zenity;
        user.join();
        EXPECT_FALSE(sdl.PollKey(kKeyLeftButton).pressed || sdl.PollKey(kKeyLeft).pressed);
        Drain();
    }
    EXPECT_NE(Recorded().find("--question\n--no-markup\n--title=Q\n--text=<i>Sure?</i>"),
              std::string::npos)
        << Recorded();
}

// Answered, refused, failed or ended by the editor's own SIGTERM: twenty
// dialogs leave no descriptor and no child process behind.
TEST_F(SdlPlatformTest, TwentyDialogsLeaveNoDescriptorOrChildBehind) {
    FakeZenity("exit 255");
    sdl.OpenFileDialog("warm-up", {}, "");
    const int before = ChildrenAndDescriptors();
    const std::string scripts[] = {"echo " + (dir / "p.pcx").string(), "exit 1", "exit 255",
                                   "kill -TERM $PPID; exec sleep 30"};
    for (int i = 0; i < 20; ++i) {
        FakeZenity(scripts[i % 4]);
        const DialogOutcome outcome = sdl.OpenFileDialog("Open", {}, "").outcome;
        EXPECT_EQ(outcome, i % 4 == 0   ? DialogOutcome::Chosen
                           : i % 4 == 2 ? DialogOutcome::Unavailable
                                        : DialogOutcome::Cancelled);
        Drain();
    }
    EXPECT_EQ(ChildrenAndDescriptors(), before) << "children count 1000 each";
}

TEST(RunTool, CutsAFloodOfOutputAndKeepsASessionBusUsersSettings) {
    const ToolResult flood = RunTool({"sh", "-c", "head -c 300000 /dev/zero; exit 3"}, nullptr);
    EXPECT_EQ(flood.exitStatus, 3);
    EXPECT_TRUE(flood.truncated);
    EXPECT_EQ(flood.output.size(), kMaxToolOutput);
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/bus", 1);
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    const ToolResult env = RunTool(
        {"sh", "-c", "printf '%s|%s|%s' \"$GSETTINGS_BACKEND\" \"$NO_AT_BRIDGE\" \"$LC_ALL\""},
        nullptr);
    EXPECT_EQ(env.output, "keyfile||C.UTF-8");
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    unsetenv("GSETTINGS_BACKEND");
}

}  // namespace
