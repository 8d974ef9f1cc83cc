#include <sys/stat.h>

#include <random>

#include "display/pixmap.h"
#include "formats/colour.h"
#include "formats/sprite_file.h"
#include "shell/music.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "tests/support/file_faults.h"
#include "tests/support/pixel_compare.h"
#include "tests/support/recording_audio.h"
#include "tests/support/session.h"
#include "workbench/freeze.h"
#include "workbench/sprite_save.h"

using platform::BoxAnswer;
using platform::kKeyLeftButton;

namespace {

class FreezeTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        ReleaseDirectionStrips();
        SetAudioLayer(&audio);
        StartMusic();
        StartWith(WriteGradient("first.pcx", 32, 48));
    }
    void TearDown() override {
        if (realBox) std::swap(g_imgFreezeBox, realBox);
        delete realBox;
        SetAudioLayer(nullptr);
        ReleaseDirectionStrips();
        SessionTest::TearDown();
    }
    // Cells 1 to 7 get seeded noise, so every frame differs from the others.
    void FillCells() {
        std::mt19937 random(11);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 7 * 32; ++x) g_sheet[y * SHEET_WIDTH + x] = random();
    }
    void SetRange(int selector, int first, int last) {
        g_state.directions.directionRanges[selector - 1] = {3, first, last};
        g_state.directions.directionCount[selector - 1] = last - first;
    }
    void FreezeAll() {
        g_state.freeze.freezeRequested = 1;
        while (g_state.freeze.freezeStep < FREEZE_STEPS) Tick();
    }
    // The report and, for a failed save, its error box are answered.
    void Save(const std::string& path, int boxes = 1) {
        script.QueueSaveAnswer(path);
        for (int i = 0; i < boxes; ++i) script.QueueBoxAnswer(BoxAnswer::Ok);
        Click(100, 15);
    }
    // A freeze box that hides nothing, so the bar and backdrop show.
    void SeeThroughFreezeBox() {
        realBox = new CPixmap(350, 100);
        std::swap(g_imgFreezeBox, realBox);
    }
    uint16_t ScreenAt(int x, int y) { return g_screenBuf[y * SCREEN_WIDTH + x]; }

    RecordingAudio audio;
    CPixmap* realBox = nullptr;
};

// Compares the file's frame with sheet cell `cell` (1 to 7, all on the first row).
::testing::AssertionResult FrameIsCell(const std::vector<uint8_t>& file, int frame, int cell) {
    std::vector<uint16_t> pixels(32 * 48);
    const size_t start = 91 + static_cast<size_t>(frame) * 32 * 48 * 2;
    if (file.size() < start + pixels.size() * 2) return ::testing::AssertionFailure() << "short";
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint16_t>(file[start + 2 * i] | file[start + 2 * i + 1] << 8);
    return SamePixels(ViewOf(g_sheet + (cell - 1) * 32, 32, 48, SHEET_WIDTH),
                      ViewOf(pixels.data(), 32, 48));
}

TEST_F(FreezeTest, WholeRoadFromPlacingToTheClosingScreen) {
    for (int cell = 0; cell < 7; ++cell) Click(cell * 32 + 5, WORK_TOP + 5);
    ASSERT_EQ(g_state.sheet.placedCount, 7);
    FillCells();
    Click(740, 470);  // Animate
    for (auto [button, first, last] : {std::tuple{565, 1, 4}, std::tuple{585, 5, 7}}) {
        Click(button == 565 ? 120 : 230, button);
        Tick();
        MoveTo((first - 1) * 32 + 5, WORK_TOP + 5);
        Hold(kKeyLeftButton, true);
        Tick();
        MoveTo((last - 1) * 32 + 5, WORK_TOP + 5);
        Tick();
        Hold(platform::kKeySpace, true);
        Tick();
        script.ReleaseAllKeys();
        Tick();
    }
    ASSERT_EQ(g_state.directions.directionCount[1], 3) << "Left: cells 1 to 4";
    ASSERT_EQ(g_state.directions.directionCount[4], 2) << "Down: cells 5 to 7";
    Click(628, 470);  // Place
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Click(300, 550);  // Freeze
    while (g_state.freeze.freezeStep < FREEZE_STEPS) Tick();
    SetRange(2, 1, 7);  // changed after the freeze: must not count

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
    for (int frame = 0; frame < 7; ++frame) EXPECT_TRUE(FrameIsCell(file, frame, frame + 1));
    EXPECT_EQ(audio.calls.back(), "level 64") << "the music starts with the save";

    EXPECT_EQ(g_state.closing.closingTicks, 1) << "the save's own frame is the first closing frame";
    g_screenBuf[300 * SCREEN_WIDTH + 700] = PackRgb(200, 100, 50);
    Tick();
    EXPECT_EQ(ScreenAt(700, 300), PackRgb(178, 78, 28)) << "the second closing tick fades by 22";
    Ticks(17);
    Click(400, 300);
    EXPECT_FALSE(QuitPosted()) << "clicks in the first 20 closing frames do nothing";
    Click(400, 300);
    EXPECT_TRUE(QuitPosted());
}

TEST_F(FreezeTest, DirectionsOfFewerThanThreeFramesAreLeftOut) {
    FillCells();
    SetRange(1, 1, 2);
    SetRange(3, 3, 1);  // backwards
    FreezeAll();
    const std::string path = MakeTestFolder("empty") + "/none.Spr";
    Save(path);
    const std::vector<uint8_t> file = ReadWholeFile(path);
    ASSERT_EQ(file.size(), 91u);
    for (int d = 0; d < DIRECTION_COUNT; ++d) EXPECT_EQ(Le32At(file, 55 + 4 * d), 0u);
}

TEST_F(FreezeTest, ProgressBoxBarBackdropAndCover) {
    SeeThroughFreezeBox();
    g_state.freeze.freezeRequested = 1;
    Tick();
    EXPECT_NE(ScreenAt(280, 320), FREEZE_BAR_COLOUR) << "step 0 has no bar";
    EXPECT_EQ(ScreenAt(620, 300), g_pictureBuf[270 * PICTURE_WIDTH + 20]) << "no tint past 600";
    const uint16_t tinted = ScreenAt(400, 300);
    while (g_state.freeze.freezeStep < 5) Tick();
    g_sheet[270 * SHEET_WIDTH + 400] = 0xFFFF;
    Tick();
    EXPECT_EQ(ScreenAt(400, 300), tinted) << "the backdrop is the one of step 0";
    g_state.edit.workMode = MODE_EDIT;
    Ticks(5);
    EXPECT_EQ(g_state.freeze.freezeStep, 6) << "the freeze waits outside Place mode";
    g_state.edit.workMode = MODE_PLACE;

    const int lengths[][2] = {{10, 20}, {145, 290}};
    for (const auto& [step, length] : lengths) {
        while (g_state.freeze.freezeStep < step) Tick();
        Tick();
        EXPECT_EQ(ScreenAt(280 + length - 1, 320), FREEZE_BAR_COLOUR) << "step " << step;
        EXPECT_NE(ScreenAt(280 + length, 320), FREEZE_BAR_COLOUR) << "step " << step;
    }
    while (g_state.freeze.freezeStep < 150) Tick();
    EXPECT_EQ(g_state.freeze.phase, PHASE_EDITING);
    Tick();
    EXPECT_EQ(g_state.freeze.phase, PHASE_FROZEN);
    while (g_state.freeze.freezeStep < FREEZE_STEPS) Tick();
    EXPECT_TRUE(SamePixels(ViewOf(g_imgFrozen->GetBits(), 600, 470),
                           ViewOf(g_screenBuf + WORK_TOP * SCREEN_WIDTH, 600, 470, SCREEN_WIDTH)));
}

TEST_F(FreezeTest, AFailedSaveSaysSoAndStaysFrozen) {
    FillCells();
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
        EXPECT_EQ(script.Shown()[1].caption, "Output Infomation") << "shown before writing";
        EXPECT_EQ(script.Shown()[2].text, "Error Test 1") << target.what;
        EXPECT_EQ(script.Shown()[2].caption, "Error Message");
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
    Save(folder + "/kept");  // the dialog's extension is added
    EXPECT_EQ(g_state.freeze.phase, PHASE_CLOSING) << "the user can save again elsewhere";
    EXPECT_EQ(ReadWholeFile(kept).size(), 91u + 2 * 32 * 48 * 4);
}

TEST(FadeTest, LevelsRiseByTenUntilEverythingIsBlack) {
    ResetEditorState();
    BuildColourTables(0xF800, 0x07E0, 0x001F);
    std::mt19937 random(3);
    for (uint16_t& pixel : g_screenBuf) pixel = random();
    g_screenBuf[0] = PackRgb(200, 100, 50);
    g_screenBuf[1] = 0;
    FadeTick();
    EXPECT_EQ(g_screenBuf[0], (23 << 11) | (22 << 5) | 4) << "red 188, green 88, blue 38";
    EXPECT_EQ(g_screenBuf[1], 0);
    for (int tick = 2; tick <= 26; ++tick) FadeTick();
    const std::vector<uint16_t> black(SCREEN_WIDTH * SCREEN_HEIGHT, 0);
    EXPECT_TRUE(SamePixels(ViewOf(black.data(), 800, 600), ViewOf(g_screenBuf, 800, 600)));
    ResetEditorState();
}

}  // namespace
