#include <gtest/gtest.h>

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

    // Runs the loop, recording the clock at every frame; the frame posts the
    // quit message once `frames` have run. `during` may act inside a frame.
    int Run(size_t frames, const std::function<void(size_t)>& during = nullptr) {
        return RunMainLoop([&] {
            frameTimes.push_back(script.TickCount());
            if (during) during(frameTimes.size());
            if (frameTimes.size() == frames) script.PostMessage(Message{MessageKind::Quit, 0, 7});
        });
    }

    ScriptedPlatform script;
    std::vector<uint32_t> frameTimes;
};

TEST_F(MainLoopTest, FirstFrameWaitsHundredMsThenEveryTwentyWithoutFocusEvents) {
    EXPECT_EQ(script.windowTitle, "Celforge_V1.0");
    EXPECT_EQ(Run(4), 7);
    EXPECT_EQ(frameTimes,
              (std::vector<uint32_t>{kStart + 100, kStart + 120, kStart + 140, kStart + 160}));
}

TEST_F(MainLoopTest, SlowFrameIsFollowedAtOnceAndNeverMadeUp) {
    Run(4, [&](size_t n) {
        if (n == 2) script.AdvanceClock(75);  // the second frame takes 75 ms
    });
    // The deadline is taken before the frame runs, so the third frame follows
    // the slow one at once, and the fourth comes a full period later.
    EXPECT_EQ(frameTimes,
              (std::vector<uint32_t>{kStart + 100, kStart + 120, kStart + 195, kStart + 215}));
}

TEST_F(MainLoopTest, PendingMessagesAreHandledBeforeTheFrame) {
    // Lost focus and regained it, both due when the first frame is: the loop
    // must handle both messages before it considers a frame.
    script.ScheduleMessage(kStart + 100, Message{MessageKind::Deactivate, 0, 0});
    script.ScheduleMessage(kStart + 100, Message{MessageKind::Activate, 0, 0});
    Run(1, [&](size_t) { EXPECT_FALSE(script.PeekMessage()); });
    EXPECT_EQ(frameTimes, std::vector<uint32_t>{kStart + 100});
}

TEST_F(MainLoopTest, LosingFocusStopsTicksAndRegainingResumesAtOnce) {
    script.ScheduleMessage(kStart + 130, Message{MessageKind::Deactivate, 0, 0});
    script.ScheduleMessage(kStart + 900, Message{MessageKind::Activate, 0, 0});
    Run(4);
    EXPECT_EQ(frameTimes,
              (std::vector<uint32_t>{kStart + 100, kStart + 120, kStart + 900, kStart + 920}));
}

TEST_F(MainLoopTest, InactiveEditorWaitsForMessagesWithoutSpinning) {
    script.ScheduleMessage(kStart + 130, Message{MessageKind::Deactivate, 0, 0});
    EXPECT_EQ(Run(100), ScriptedPlatform::kBlockedForever);
    EXPECT_TRUE(script.BlockedForever());
    EXPECT_EQ(frameTimes.size(), 2u);
}

TEST_F(MainLoopTest, EscapeAndF12CloseTheWindowWithExitCodeZero) {
    for (int key : {platform::kKeyEscape, platform::kKeyF12}) {
        ResetEditorState();
        ASSERT_TRUE(OpenMainWindow());
        frameTimes.clear();
        script.ScheduleMessage(script.TickCount() + 150, Message{MessageKind::KeyDown, key, 0});
        EXPECT_EQ(Run(1000), 0) << "key " << key;
        EXPECT_FALSE(script.HasWindow());
        EXPECT_EQ(g_screen.GetBackSurface(), nullptr);
        EXPECT_EQ(frameTimes.size(), 3u) << "frames at +100, +120, +140 before the key";
    }
}

TEST_F(MainLoopTest, OtherKeysDoNothingAndDesktopCloseEndsTheLoop) {
    script.ScheduleMessage(kStart + 110, Message{MessageKind::KeyDown, 'A', 0});
    script.ScheduleMessage(kStart + 150, Message{MessageKind::CloseWindow, 0, 0});
    EXPECT_EQ(Run(1000), 0);
    EXPECT_EQ(frameTimes.size(), 3u);
    EXPECT_FALSE(script.HasWindow());
}

TEST_F(MainLoopTest, ScreenShowsItsBackBlockAndReleasesTwiceSafely) {
    CSurface* back = g_screen.GetBackSurface();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Pitch(), 1600);
    uint16_t* pixels = back->Lock();
    pixels[0] = 0x1234;
    pixels[SCREEN_WIDTH * SCREEN_HEIGHT - 1] = 0xBEEF;
    back->Unlock();
    EXPECT_TRUE(g_screen.Present());
    ASSERT_EQ(script.PresentCount(), 1);
    EXPECT_EQ(script.LastFrame()[0], 0x1234);
    EXPECT_EQ(script.LastFrame().back(), 0xBEEF);
    EXPECT_STREQ(g_screen.GetRuntimeClassName(), "CDDraw");
    g_screen.ReleaseAll();
    g_screen.ReleaseAll();
    EXPECT_EQ(g_screen.GetPrimarySurface(), nullptr);
    EXPECT_FALSE(g_screen.Present());
}

}  // namespace
