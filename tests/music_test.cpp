#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
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

TEST_F(MusicTest, CallsGoInOrderWithTheirValues) {
    RecordingAudio audio;
    audio.record.channels = 7;
    SetAudioLayer(&audio);
    StartMusic();
    const Calls prepared{"start", "output 65535 257 44100", "load data/hold.xm 0", "voices 8"};
    EXPECT_EQ(audio.calls, prepared) << "settings 0xFFFF, 0x0101, 44100; channels + 1 voices";
    EXPECT_EQ(g_state.music.musicModule, &audio.record);
    PlayClosingMusic();
    EXPECT_EQ(Calls(audio.calls.begin() + 4, audio.calls.end()),
              (Calls{"play record", "level 64"}));
}

TEST_F(MusicTest, WithoutAModuleRecordTheRestIsSkipped) {
    RecordingAudio audio;
    audio.moduleLoads = false;
    SetAudioLayer(&audio);
    StartMusic();
    PlayClosingMusic();
    EXPECT_EQ(audio.calls.size(), 3u) << "start, output, load";
    EXPECT_TRUE(script.Shown().empty()) << "the editor stays silent without a word";
}

int LoudestSample(const platform::AudioFill& fill, int frames) {
    std::vector<int16_t> samples(2 * static_cast<size_t>(frames), 12345);
    fill(samples.data(), frames);
    int loudest = 0;
    for (int16_t s : samples) loudest = std::max(loudest, std::abs(int{s}));
    return loudest;
}

TEST_F(MusicTest, TheDeviceOpensWhenTheModulePlaysAndIsAudible) {
    script.audioAvailable = true;
    StartMusic();
    ASSERT_NE(g_state.music.musicModule, nullptr) << "data/hold.xm must load";
    std::ifstream file("data/hold.xm", std::ios::binary);
    const std::vector<uint8_t> xm{std::istreambuf_iterator<char>(file), {}};
    ASSERT_GT(xm.size(), 70u);
    uint16_t channels;
    std::memcpy(&channels, static_cast<const uint8_t*>(g_state.music.musicModule) + 38, 2);
    EXPECT_EQ(channels, xm[68] | xm[69] << 8) << "the record's count is the file's channels";
    EXPECT_FALSE(script.audioFill) << "no sound device is opened while editing";
    PlayClosingMusic();
    ASSERT_TRUE(script.audioFill);
    EXPECT_EQ(script.audioRate, 44100);
    EXPECT_GT(LoudestSample(script.audioFill, 2 * 44100), 500);
}

TEST_F(MusicTest, AMissingModuleOrNoDeviceLeavesTheEditorSilent) {
    script.audioAvailable = false;
    StartMusic();
    PlayClosingMusic();
    EXPECT_FALSE(script.audioFill);

    script.audioAvailable = true;
    void* module = &module;
    CurrentAudioLayer().Start();
    CurrentAudioLayer().LoadModule("data/no-such-module.xm", &module, 0);
    EXPECT_EQ(module, nullptr);
    EXPECT_TRUE(script.Shown().empty());
}

}  // namespace
