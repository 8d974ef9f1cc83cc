// The SDL platform's event handling, driven by events pushed into SDL's queue;
// no display is needed. Dialogs run a stand-in zenity put first on PATH.
#include "platform/sdl_platform.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

using namespace platform;
namespace fs = std::filesystem;

namespace {

void Push(uint32_t type) {
    SDL_Event event{};
    event.type = type;
    SDL_PushEvent(&event);
}

void PushKey(SDL_Keycode key, bool down, bool repeat = false) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
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

int OpenDescriptors() {
    return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

// Processes whose parent is this one, zombies included.
int ChildProcesses() {
    int children = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        char state = 0;
        int parent = 0;
        if (rest >> state >> parent && parent == getpid()) ++children;
    }
    return children;
}

long MsSince(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}

class SdlPlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("celforge_sdl_" + std::to_string(getpid()));
        fs::create_directories(dir);
        oldPath = std::getenv("PATH");
    }
    void TearDown() override {
        setenv("PATH", oldPath.c_str(), 1);
        fs::remove_all(dir);
    }

    // A zenity that records its arguments, waits, prints `output` and exits.
    void FakeZenity(int status, const std::string& output, double seconds = 0) {
        std::ostringstream body;
        body << "sleep " << seconds << "\nprintf '%s' '" << output << "'\nexit " << status;
        FakeZenityDoing(body.str());
    }
    void FakeZenityDoing(const std::string& body) {
        const fs::path script = dir / "zenity";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << (dir / "args").string()
                              << "'\n"
                              << body << "\n";
        fs::permissions(script, fs::perms::owner_all);
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

TEST_F(SdlPlatformTest, ClicksBetweenPollsReadAsPressedOnce) {
    PushButton(SDL_BUTTON_LEFT, true, 120, 45);
    PushButton(SDL_BUTTON_LEFT, false);
    PushButton(SDL_BUTTON_RIGHT, true, 121, 46);
    PushKey(SDLK_LEFT, true);
    EXPECT_FALSE(sdl.PeekMessage());  // input is polled, never a message

    const KeyPoll left = sdl.PollKey(kKeyLeftButton);
    EXPECT_TRUE(left.pressed && !left.down);
    EXPECT_EQ(sdl.CursorPos().x, 121);
    EXPECT_EQ(sdl.CursorPos().y, 46);
    EXPECT_FALSE(sdl.PollKey(kKeyLeftButton).pressed);
    EXPECT_TRUE(sdl.PollKey(kKeyRightButton).down);
    EXPECT_TRUE(sdl.PollKey(kKeyRightButton).down);

    PushKey(SDLK_LEFT, true, true);  // auto-repeat is not a new press
    const KeyPoll arrow = sdl.PollKey(kKeyLeft);
    EXPECT_TRUE(arrow.pressed && arrow.down);
    EXPECT_FALSE(sdl.PeekMessage());
    EXPECT_FALSE(sdl.PollKey(kKeyLeft).pressed);
    EXPECT_FALSE(sdl.PollKey(999).down);
}

TEST_F(SdlPlatformTest, CloseKeysAndWindowEventsBecomeMessagesInOrder) {
    PushKey(SDLK_a, true);
    PushKey(SDLK_ESCAPE, true);
    PushKey(SDLK_ESCAPE, true, true);
    PushKey(SDLK_F12, true);
    PushWindow(SDL_WINDOWEVENT_FOCUS_LOST);
    PushWindow(SDL_WINDOWEVENT_FOCUS_GAINED);
    PushWindow(SDL_WINDOWEVENT_CLOSE);
    Push(SDL_QUIT);  // follows the last window's close: one request only

    ASSERT_TRUE(sdl.PeekMessage());
    EXPECT_EQ(sdl.GetMessage().key, kKeyEscape);
    EXPECT_EQ(sdl.GetMessage().key, kKeyF12);
    const std::vector<MessageKind> expected{MessageKind::Deactivate, MessageKind::Activate,
                                            MessageKind::CloseWindow};
    EXPECT_EQ(Drain(), expected);
    sdl.PostMessage(Message{MessageKind::Quit, 0, 4});
    Push(SDL_QUIT);  // a quit signal alone still asks to close
    EXPECT_EQ(Drain(), (std::vector<MessageKind>{MessageKind::Quit, MessageKind::CloseWindow}));
}

TEST_F(SdlPlatformTest, WaitingSleepsThroughInputUntilTheTimeout) {
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 300;
    SDL_PushEvent(&motion);
    const uint32_t start = sdl.TickCount();
    sdl.WaitMessage(60);
    const uint32_t waited = sdl.TickCount() - start;
    EXPECT_GE(waited, 59u);
    EXPECT_LT(waited, 1000u);
    EXPECT_EQ(sdl.CursorPos().x, 300);

    PushWindow(SDL_WINDOWEVENT_EXPOSED);
    sdl.WaitMessage(-1);  // returns because a message is there
    EXPECT_EQ(sdl.GetMessage().kind, MessageKind::Exposed);
}

TEST_F(SdlPlatformTest, RefusesAnInvisibleVideoDriver) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    EXPECT_FALSE(sdl.CreateMainWindow("Celforge_V1.0", 800, 600));
    unsetenv("SDL_VIDEODRIVER");
    EXPECT_FALSE(sdl.HasWindow());
}

TEST_F(SdlPlatformTest, InputDuringABoxIsNotOursAndAnAnswerComesBack) {
    FakeZenity(0, "", 0.4);
    std::thread user([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        PushButton(SDL_BUTTON_LEFT, true);
        PushButton(SDL_BUTTON_LEFT, false);
        PushKey(SDLK_LEFT, true);
    });
    const BoxAnswer answer = sdl.MessageBox("<i>Sure?</i>", "Question", BoxButtons::YesNo);
    user.join();
    EXPECT_EQ(answer, BoxAnswer::Yes);
    EXPECT_NE(Recorded().find("--question\n--no-markup\n--title=Question\n--text=<i>Sure?</i>"),
              std::string::npos)
        << Recorded();
    EXPECT_FALSE(sdl.PollKey(kKeyLeftButton).pressed);
    EXPECT_FALSE(sdl.PollKey(kKeyLeft).pressed);
    EXPECT_FALSE(sdl.PeekMessage());
}

// Every way of asking the editor to close ends a dialog that would never
// end, as a cancel, and stays queued so the close takes effect after it.
TEST_F(SdlPlatformTest, CloseRequestsEndAHungDialogAndStayQueued) {
    const struct {
        const char* what;
        std::function<void()> request;
        MessageKind queued;
    } cases[] = {
        {"window close", [] { PushWindow(SDL_WINDOWEVENT_CLOSE); }, MessageKind::CloseWindow},
        {"Escape", [] { PushKey(SDLK_ESCAPE, true); }, MessageKind::KeyDown},
        {"F12", [] { PushKey(SDLK_F12, true); }, MessageKind::KeyDown},
        {"SIGTERM", [] { kill(getpid(), SIGTERM); }, MessageKind::CloseWindow},
        {"SIGINT", [] { kill(getpid(), SIGINT); }, MessageKind::CloseWindow},
    };
    FakeZenityDoing("exec sleep 5");
    for (const auto& c : cases) {
        std::chrono::steady_clock::time_point asked;
        std::thread user([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            asked = std::chrono::steady_clock::now();
            c.request();
        });
        const DialogResult answer = sdl.OpenFileDialog("Open", {}, "");
        user.join();
        const long ms = MsSince(asked);
        std::printf("%s ended the hung dialog in %ld ms\n", c.what, ms);
        EXPECT_EQ(answer.outcome, DialogOutcome::Cancelled) << c.what;
        EXPECT_LT(ms, 1000) << c.what;
        EXPECT_EQ(Drain(), std::vector<MessageKind>{c.queued}) << c.what;
    }
    std::thread user([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(getpid(), SIGTERM);
    });
    EXPECT_EQ(sdl.MessageBox("t", "c", BoxButtons::YesNo), BoxAnswer::No);
    user.join();
    EXPECT_EQ(Drain(), std::vector<MessageKind>{MessageKind::CloseWindow});
}

TEST_F(SdlPlatformTest, FileDialogsTellChosenCancelledAndCannotBeShown) {
    const fs::path empty = dir / "empty";
    fs::create_directories(empty);
    const struct {
        const char* what;
        std::function<void()> setUp;
        DialogOutcome outcome;
        std::string reason;
    } cases[] = {
        {"cancelled", [&] { FakeZenity(1, ""); }, DialogOutcome::Cancelled, ""},
        {"timed out", [&] { FakeZenity(5, ""); }, DialogOutcome::Cancelled, ""},
        {"failing", [&] { FakeZenity(255, ""); }, DialogOutcome::Unavailable,
         "zenity failed (exit status 255)"},
        {"missing", [&] { setenv("PATH", empty.c_str(), 1); }, DialogOutcome::Unavailable,
         "zenity is not installed"},
    };
    for (const auto& c : cases) {
        c.setUp();
        const DialogResult answer = sdl.SaveFileDialog("Save", {}, dir.string());
        EXPECT_EQ(answer.outcome, c.outcome) << c.what;
        EXPECT_EQ(answer.reason, c.reason) << c.what;
    }
    EXPECT_NE(Recorded().find("--filename=" + dir.string() + "/\n"), std::string::npos)
        << Recorded();
}

// Descriptors and child processes come back to where they were, whether the
// dialog answered, failed or had to be ended (its own SIGTERM to the editor).
TEST_F(SdlPlatformTest, TwentyDialogsLeaveNoDescriptorOrChildBehind) {
    FakeZenity(255, "");
    sdl.OpenFileDialog("warm-up", {}, "");
    const int descriptors = OpenDescriptors();
    const int children = ChildProcesses();
    const fs::path picture = dir / "p.pcx";
    std::ofstream(picture) << "x";
    for (int i = 0; i < 20; ++i) {
        if (i % 4 == 0) FakeZenity(0, picture.string());
        if (i % 4 == 1) FakeZenity(1, "");
        if (i % 4 == 2) FakeZenity(255, "");
        if (i % 4 == 3) FakeZenityDoing("kill -TERM $PPID; exec sleep 5");
        const DialogResult answer = sdl.OpenFileDialog("Open", {}, "");
        EXPECT_EQ(answer.outcome, i % 4 == 2   ? DialogOutcome::Unavailable
                                  : i % 4 == 0 ? DialogOutcome::Chosen
                                               : DialogOutcome::Cancelled)
            << i;
        Drain();
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(ChildProcesses(), children);
}

TEST_F(SdlPlatformTest, OpenDialogReturnsOnlyExistingFiles) {
    const fs::path picture = dir / "a picture.PCX";
    std::ofstream(picture) << "x";
    FakeZenity(0, picture.string() + "\n");
    const DialogResult chosen = sdl.OpenFileDialog("Open", {{"Pcx files (*.pcx)", "*.pcx"}}, "");
    EXPECT_EQ(chosen.outcome, DialogOutcome::Chosen);
    EXPECT_EQ(chosen.path, picture.string());
    EXPECT_NE(Recorded().find("--file-filter=Pcx files (*.pcx) | *.[pP][cC][xX]"),
              std::string::npos);
    EXPECT_EQ(Recorded().find("--filename"), std::string::npos) << "no start folder given";

    FakeZenity(0, (dir / "gone.pcx").string() + "\n");
    EXPECT_EQ(sdl.OpenFileDialog("Open", {}, "").outcome, DialogOutcome::Cancelled);
    FakeZenity(0, dir.string() + "\n");
    EXPECT_EQ(sdl.OpenFileDialog("Open", {}, "").outcome, DialogOutcome::Cancelled);
    FakeZenity(1, "");
    EXPECT_EQ(sdl.SaveFileDialog("Save", {}, "").outcome, DialogOutcome::Cancelled);
    EXPECT_NE(Recorded().find("--save\n--confirm-overwrite\n"), std::string::npos);
}

TEST_F(SdlPlatformTest, ABoxThatCannotBeShownDeclines) {
    setenv("PATH", dir.c_str(), 1);  // no zenity anywhere
    std::vector<std::pair<std::string, std::string>> hidden;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        if (const char* value = std::getenv(name)) hidden.emplace_back(name, value);
        unsetenv(name);
    }
    EXPECT_EQ(sdl.MessageBox("t", "c", BoxButtons::YesNo), BoxAnswer::No);
    EXPECT_EQ(sdl.MessageBox("t", "c", BoxButtons::OkCancel), BoxAnswer::Cancel);
    for (const auto& [name, value] : hidden) setenv(name.c_str(), value.c_str(), 1);
}

}  // namespace
