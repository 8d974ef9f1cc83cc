#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "display/ddraw.h"
#include "platform/scripted_platform.h"
#include "shell/main_loop.h"
#include "state/editor_state.h"

using platform::Message;
using platform::MessageKind;
using platform::ScriptedPlatform;

namespace {

constexpr uint32_t kStart = 5000;

class MainLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetEditorState();
        platform::SetPlatform(&script);
        script.SetClock(kStart);
        ASSERT_TRUE(OpenMainWindow());
    }
    void TearDown() override {
        g_screen.ReleaseAll();
        platform::SetPlatform(nullptr);
    }
    // Runs the loop, noting the clock at every frame; the frame posts a quit
    // message with code 7 once `frames` have run. `during` acts inside a frame.
    int Run(size_t frames, const std::function<void(size_t)>& during = nullptr) {
        return RunMainLoop([&] {
            times.push_back(script.TickCount() - kStart);
            if (during) during(times.size());
            if (times.size() == frames) script.PostMessage(Message{MessageKind::Quit, 0, 7});
        });
    }
    ScriptedPlatform script;
    std::vector<uint32_t> times;
};

// The deadline is taken before the frame runs: a 75 ms frame is followed at
// once and the time is never made up.
TEST_F(MainLoopTest, FirstFrameAfter100MsThenEvery20AndTheQuitMessagesCode) {
    EXPECT_EQ(Run(5,
                  [&](size_t n) {
                      if (n == 3) script.AdvanceClock(75);
                  }),
              7);
    EXPECT_EQ(times, (std::vector<uint32_t>{100, 120, 140, 215, 235}));
    EXPECT_EQ(script.SleptMs(), 0u) << "waits for messages, never sleeps blind";
}

TEST_F(MainLoopTest, LosingFocusStopsFramesAndWaitsWithoutSpinning) {
    script.ScheduleMessage(kStart + 130, Message{MessageKind::Deactivate, 0, 0});
    script.ScheduleMessage(kStart + 900, Message{MessageKind::Activate, 0, 0});
    Run(4);
    EXPECT_EQ(times, (std::vector<uint32_t>{100, 120, 900, 920}));
    times.clear();
    script.ScheduleMessage(script.TickCount() + 130, Message{MessageKind::Deactivate, 0, 0});
    EXPECT_EQ(Run(100), ScriptedPlatform::kBlockedForever);
    EXPECT_TRUE(script.BlockedForever());
    EXPECT_EQ(times.size(), 2u);
}

TEST_F(MainLoopTest, EscapeF12AndTheDesktopsCloseEndWithCodeZero) {
    for (const Message& end : {Message{MessageKind::KeyDown, platform::kKeyEscape, 0},
                               Message{MessageKind::KeyDown, platform::kKeyF12, 0},
                               Message{MessageKind::CloseWindow, 0, 0}}) {
        ResetEditorState();
        ASSERT_TRUE(OpenMainWindow());
        times.clear();
        script.ScheduleMessage(script.TickCount() + 110, Message{MessageKind::KeyDown, 'A', 0});
        script.ScheduleMessage(script.TickCount() + 150, end);
        EXPECT_EQ(Run(1000), 0);
        EXPECT_FALSE(script.HasWindow());
        EXPECT_EQ(g_screen.GetBackSurface(), nullptr);
        EXPECT_EQ(times.size(), 3u) << "frames at +100, +120, +140 before the end";
    }
}

}  // namespace
