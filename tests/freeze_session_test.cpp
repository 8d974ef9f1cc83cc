#include <sys/stat.h>

#include <algorithm>
#include <random>

#include "display/pixmap.h"
#include "formats/colour.h"
#include "shell/music.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/file_faults.h"
#include "tests/support/recording_audio.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/freeze.h"
#include "workbench/sprite_save.h"

using platform::BoxAnswer;

namespace {

class FreezeTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        ReleaseDirectionStrips();
        SetAudioLayer(&audio);
        StartMusic();
        StartWith(WriteGradient("first.pcx", 32, 48));
        std::mt19937 random(11);  // cells 1 to 7 differ from each other
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 7 * 32; ++x) g_sheet[y * SHEET_WIDTH + x] = random();
    }
    void TearDown() override {
        SetAudioLayer(nullptr);
        ReleaseDirectionStrips();
        SessionTest::TearDown();
    }
    void SetRange(int selector, int first, int last) {
        g_state.directions.directionRanges[selector - 1] = {RANGE_CONFIRMED, first, last};
        g_state.directions.directionCount[selector - 1] = last - first;
    }
    void FreezeAll() {
        script.QueueBoxAnswer(BoxAnswer::Ok);
        Click(300, 550);
        while (g_state.freeze.freezeStep < FREEZE_STEPS) Tick();
    }
    // The report and, for a failed save, its error box are answered.
    void Save(const std::string& path, int boxes = 1) {
        script.QueueSaveAnswer(path);
        for (int i = 0; i < boxes; ++i) script.QueueBoxAnswer(BoxAnswer::Ok);
        Click(100, 15);
    }
    RecordingAudio audio;
};

// Frames are written direction by direction; a direction of fewer than three
// frames, or a backward one, is left out, and ranges changed after the
// freeze do not count.
TEST_F(FreezeTest, SavedFileHoldsTheFrozenRangesAndTheClosingScreenFollows) {
    SetRange(2, 1, 4);  // Left: 4 frames
    SetRange(5, 5, 7);  // Down: 3 frames
    SetRange(4, 1, 2);  // Up: 2 frames, left out
    SetRange(8, 3, 1);  // RightUp: backwards
    FreezeAll();
    SetRange(2, 1, 7);
    const std::string path = MakeTestFolder("road") + "/beetle.Spr";
    script.ClearShown();
    Save(path);
    ASSERT_EQ(g_state.freeze.phase, PHASE_CLOSING);
    ASSERT_EQ(script.Shown().size(), 2u);
    EXPECT_EQ(script.Shown()[1].caption, "Output Infomation");
    EXPECT_NE(script.Shown()[1].text.find("Left Direction Frame = 4\n"), std::string::npos);
    EXPECT_NE(script.Shown()[1].text.find("Down Direction Frame = 3\n"), std::string::npos);
    const std::vector<uint8_t> file = ReadWholeFile(path);
    ASSERT_EQ(file.size(), 91u + 2 * 32 * 48 * 7);
    for (int d = 0; d < DIRECTION_COUNT; ++d)
        EXPECT_EQ(Le32At(file, 55 + 4 * d), d == 1 ? 4u : d == 7 ? 3u : 0u) << d;
    for (int frame = 0; frame < 7; ++frame)
        for (int y : {0, 47})
            for (int x : {0, 31})
                EXPECT_EQ(file[91 + 2 * (frame * 32 * 48 + y * 32 + x)] |
                              file[92 + 2 * (frame * 32 * 48 + y * 32 + x)] << 8,
                          g_sheet[y * SHEET_WIDTH + frame * 32 + x])
                    << frame;
    EXPECT_EQ(audio.calls.back(), "level 64") << "the music starts with the save";
    EXPECT_EQ(g_state.closing.closingTicks, 1) << "the save's own frame is the first closing frame";
}

// The box stands at (250, 250); the bar at (280, 310) grows 2 pixels a step
// behind the box's hole; at the end the frozen picture covers the sheet pane.
TEST_F(FreezeTest, BoxBarAndFrozenPicturePositions) {
    std::fill_n(g_imgFreezeBox->GetBits(), 350 * 100, uint16_t{0x5555});
    std::fill_n(g_imgFreezeBox->GetBits() + 60 * 350, 20 * 350, uint16_t{0});
    std::fill_n(g_imgFrozen->GetBits(), g_imgFrozen->Width() * g_imgFrozen->Height(), 0x2222);
    const auto at = [](int x, int y) { return g_screenBuf[y * SCREEN_WIDTH + x]; };
    g_state.freeze.freezeRequested = 1;
    while (g_state.freeze.freezeStep < 11) Tick();  // the last drawn was step 10
    for (auto [x, y, in] : {std::tuple{250, 250, true},
                            {599, 349, true},
                            {249, 250, false},
                            {250, 249, false},
                            {600, 349, false},
                            {599, 350, false}})
        EXPECT_EQ(at(x, y) == 0x5555, in) << x << ", " << y;
    EXPECT_EQ(at(280, 310), FREEZE_BAR_COLOUR);
    EXPECT_EQ(at(299, 329), FREEZE_BAR_COLOUR);
    EXPECT_NE(at(300, 320), FREEZE_BAR_COLOUR);
    EXPECT_NE(at(280, 330), FREEZE_BAR_COLOUR);
    while (g_state.freeze.freezeStep < FREEZE_STEPS) Tick();
    EXPECT_EQ(g_state.freeze.phase, PHASE_FROZEN);
    EXPECT_EQ(at(0, WORK_TOP), 0x2222);
    EXPECT_NE(at(0, WORK_TOP - 1), 0x2222);
}

TEST_F(FreezeTest, AFailedSaveSaysSoAndStaysFrozen) {
    SetRange(2, 1, 4);
    FreezeAll();
    const std::string folder = MakeTestFolder("faults");
    const std::string kept = folder + "/kept.Spr";
    const std::vector<uint8_t> old(20000, 'o');
    ASSERT_TRUE(WriteBytesToFile(kept, old));
    std::vector<FaultyTarget> targets = FaultyTargets(folder);
    targets.push_back({"file size limit", kept});
    for (const FaultyTarget& target : targets) {
        script.ClearShown();
        {
            FileSizeLimit limit(target.path == kept ? 1000 : UINT64_MAX);
            Save(target.path, 2);
        }
        ASSERT_EQ(script.Shown().size(), 3u) << target.what;
        EXPECT_EQ(script.Shown()[2].text, "Error Test 1") << target.what;
        EXPECT_EQ(g_state.freeze.phase, PHASE_FROZEN) << target.what;
    }
    script.ClearShown();
    script.QueueSaveResult(platform::DialogUnavailable("zenity is not installed"));
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Click(100, 15);
    ASSERT_EQ(script.Shown().size(), 2u) << "no report when no dialog could be shown";
    EXPECT_EQ(script.Shown()[1].text,
              "The file dialog could not be shown: zenity is not installed.");
    EXPECT_EQ(g_state.freeze.phase, PHASE_FROZEN);
    EXPECT_EQ(ReadWholeFile(kept), old);
    struct stat info {};
    EXPECT_TRUE(stat("/dev/full", &info) == 0 && S_ISCHR(info.st_mode)) << "written in place";
    EXPECT_EQ(audio.calls.size(), 4u) << "no music for a failed save";
    Save(folder + "/kept");  // a typed name without extension gets ".Spr"
    EXPECT_EQ(g_state.freeze.phase, PHASE_CLOSING);
    EXPECT_EQ(ReadWholeFile(kept).size(), 91u + 2 * 32 * 48 * 4);
}

// Each closing tick lowers the faded screen again, by ten more than the
// tick before: white is gone after seven ticks.
TEST(FadeTest, LevelsRiseByTenUntilEverythingIsBlack) {
    ResetEditorState();
    BuildColourTables(0xF800, 0x07E0, 0x001F);
    g_screenBuf[0] = PackRgb(200, 100, 50);
    g_screenBuf[1] = 0xFFFF;
    FadeTick();
    EXPECT_EQ(g_screenBuf[0], (23 << 11) | (22 << 5) | 4) << "red 188, green 88, blue 38";
    for (int tick = 2; tick <= 6; ++tick) FadeTick();
    EXPECT_NE(g_screenBuf[1], 0) << "white lasts six ticks";
    FadeTick();
    EXPECT_EQ(g_screenBuf[1], 0);
    ResetEditorState();
}

}  // namespace
