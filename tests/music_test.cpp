#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/scripted_platform.h"
#include "shell/music.h"
#include "state/editor_state.h"
#include "tests/support/recording_audio.h"

namespace {

using Calls = std::vector<std::string>;

class MusicTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetEditorState();
        platform::SetPlatform(&script);
    }
    void TearDown() override {
        SetAudioLayer(nullptr);
        platform::SetPlatform(nullptr);
    }
    platform::ScriptedPlatform script;
};

// Settings 0xFFFF, 0x0101, 44100; one voice more than the module's channels.
// Without a module record the rest is skipped, silently.
TEST_F(MusicTest, SixCallsInOrderWithTheirValues) {
    for (bool loads : {true, false}) {
        RecordingAudio audio;
        audio.moduleLoads = loads;
        audio.record.channels = 7;
        SetAudioLayer(&audio);
        StartMusic();
        PlayClosingMusic();
        const Calls all{
            "start",   "output 65535 257 44100", "load data/hold.xm 0", "voices 8", "play record",
            "level 64"};
        EXPECT_EQ(audio.calls, loads ? all : Calls(all.begin(), all.begin() + 3));
        EXPECT_TRUE(script.Shown().empty());
    }
}

// No sound device is opened while editing; the closing music is audible.
TEST_F(MusicTest, TheDeviceOpensOnlyWhenTheMusicPlays) {
    script.audioAvailable = true;
    StartMusic();
    ASSERT_NE(g_state.music.musicModule, nullptr) << "data/hold.xm must load";
    EXPECT_FALSE(script.audioFill);
    PlayClosingMusic();
    ASSERT_TRUE(script.audioFill);
    EXPECT_EQ(script.audioRate, 44100);
    std::vector<int16_t> samples(4 * 44100, 12345);
    script.audioFill(samples.data(), 2 * 44100);
    int loudest = 0;
    for (int16_t s : samples) loudest = std::max(loudest, std::abs(int{s}));
    EXPECT_GT(loudest, 500);
}

TEST_F(MusicTest, NoDeviceLeavesTheEditorSilent) {
    script.audioAvailable = false;
    StartMusic();
    PlayClosingMusic();
    EXPECT_FALSE(script.audioFill);
    EXPECT_TRUE(script.Shown().empty());
}

}  // namespace
