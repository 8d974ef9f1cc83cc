#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/scripted_platform.h"
#include "shell/main_loop.h"
#include "shell/music.h"
#include "tests/support/recording_audio.h"
#include "tests/support/session.h"

using namespace platform;

namespace {

constexpr uint32_t kStart = 5000;

// The deadline is taken before the frame runs: a 75 ms frame is followed at
// once and the time is never made up. Without focus the loop waits.
TEST_F(SessionTest, FirstFrameAfter100MsThenEvery20AndTheQuitMessagesCode) {
    script.SetClock(kStart);
    std::vector<uint32_t> times;
    // Runs the loop, noting the clock at every frame; the frame posts a quit
    // message with code 7 once `frames` have run. `during` acts inside a frame.
    const auto run = [&](size_t frames, const std::function<void(size_t)>& during) {
        return RunMainLoop([&] {
            times.push_back(script.TickCount() - kStart);
            if (during) during(times.size());
            if (times.size() == frames) script.PostMessage(Message{MessageKind::Quit, 0, 7});
        });
    };
    EXPECT_EQ(run(5, [&](size_t n) { n == 3 ? script.AdvanceClock(75) : void(); }), 7);
    EXPECT_EQ(times, (std::vector<uint32_t>{100, 120, 140, 215, 235}));
    EXPECT_EQ(script.SleptMs(), 0u) << "waits for messages, never sleeps blind";
    times.clear();
    script.ScheduleMessage(kStart + 280, Message{MessageKind::Deactivate, 0, 0});
    script.ScheduleMessage(kStart + 900, Message{MessageKind::Activate, 0, 0});
    script.ScheduleMessage(kStart + 950, Message{MessageKind::Deactivate, 0, 0});
    EXPECT_EQ(run(100, nullptr), ScriptedPlatform::kBlockedForever);  // no spinning
    EXPECT_EQ(times, (std::vector<uint32_t>{900, 920, 940})) << "no frame before focus comes back";
}

// Settings 0xFFFF, 0x0101, 44100; one voice more than the module's channels; without a
// module record the rest is skipped, silently. The editor's own layer opens no sound
// device while editing nor without one, and the closing music is audible.
TEST_F(SessionTest, MusicMakesSixCallsInOrderAndOpensTheDeviceOnlyWhenItPlays) {
    const std::vector<std::string> all{
        "start",   "output 65535 257 44100", "load data/hold.xm 0", "voices 8", "play record",
        "level 64"};
    for (bool present : {false, true}) {  // the module record, then the sound device
        RecordingAudio audio;
        audio.moduleLoads = present;
        audio.record.channels = 7;
        SetAudioLayer(&audio);
        StartMusic();
        PlayClosingMusic();
        EXPECT_EQ(audio.calls, present ? all : decltype(all)(all.begin(), all.begin() + 3));
        SetAudioLayer(nullptr);
        script.audioAvailable = present;
        StartMusic();
        EXPECT_FALSE(script.audioFill);
        PlayClosingMusic();
        ASSERT_EQ(bool(script.audioFill), present);
    }
    EXPECT_TRUE(script.Shown().empty());
    std::vector<int16_t> samples(4 * 44100, 12345);
    script.audioFill(samples.data(), 2 * 44100);
    EXPECT_TRUE(std::any_of(samples.begin(), samples.end(), [](int16_t s) { return s > 500; }));
}

}  // namespace
