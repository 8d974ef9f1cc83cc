#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "display/pixmap.h"
#include "shell/main_loop.h"
#include "shell/music.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/file_faults.h"
#include "tests/support/recording_audio.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/file_dialogs.h"
#include "workbench/freeze.h"
#include "workbench/placement.h"
#include "workbench/sprite_save.h"

using platform::BoxAnswer;

namespace {

const char* const kUnavailable = "The file dialog could not be shown: zenity is not installed.";

// Saves into every target no save can write, a kept file of 20000 bytes
// among them (with files limited to 1000 bytes); the kept file is unchanged.
void ForEachFailingSave(const std::string& folder,
                        const std::function<void(const std::string&)>& save) {
    const std::string kept = folder + "/kept.Spr";
    const std::vector<uint8_t> old(20000, 'o');
    ASSERT_TRUE(WriteBytesToFile(kept, old));
    std::vector<FaultyTarget> targets = FaultyTargets(folder);
    targets.push_back({"file size limit", kept});
    for (const FaultyTarget& target : targets) {
        SCOPED_TRACE(target.what);
        FileSizeLimit limit(target.path == kept ? 1000 : UINT64_MAX);
        save(target.path);
    }
    EXPECT_EQ(ReadWholeFile(kept), old);
}

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
    static void SetRange(int selector, int first, int last) {
        g_state.directions.directionRanges[selector - 1] = {RANGE_CONFIRMED, first, last};
        g_state.directions.directionCount[selector - 1] = last - first;
    }
    void Save(const std::string& path, int boxes = 1) {
        script.ClearShown();
        script.QueueSaveAnswer(path);
        for (int i = 0; i < boxes; ++i) script.QueueBoxAnswer(BoxAnswer::Ok);
        Click(100, 15);
    }
    RecordingAudio audio;
};

// Frames go direction by direction; fewer than three frames, or a backward
// range, are left out, and ranges changed after the freeze do not count. A
// failed save says so and stays frozen; a good one brings the closing screen.
TEST_F(FreezeTest, FailedSavesStayFrozenAndTheSavedFileHoldsTheFrozenRanges) {
    SetRange(2, 1, 4);  // Left: 4 frames
    SetRange(5, 5, 7);  // Down: 3 frames
    SetRange(4, 1, 2);  // Up: 2 frames
    SetRange(8, 3, 1);  // RightUp: backwards
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Click(300, 550);
    for (int i = 0; i < 400 && g_state.freeze.freezeStep < FREEZE_STEPS; ++i) Tick();
    ASSERT_EQ(g_state.freeze.phase, PHASE_FROZEN);
    SetRange(2, 1, 7);
    const std::string folder = MakeTestFolder("faults");
    ForEachFailingSave(folder, [&](const std::string& path) {
        Save(path, 2);
        ASSERT_EQ(script.Shown().size(), 3u);
        const std::string& text = script.Shown()[2].text;
        EXPECT_EQ(text.rfind("Error Test 1\n" + path + ": ", 0), 0u) << text << ", then why";
        EXPECT_EQ(g_state.freeze.phase, PHASE_FROZEN);
    });
    script.ClearShown();
    script.QueueSaveResult(platform::DialogUnavailable("zenity is not installed"));
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Click(100, 15);
    EXPECT_EQ(script.Shown().size(), 2u) << "the dialog and its box, no report";
    EXPECT_EQ(audio.calls.size(), 4u) << "no music for a failed save";
    script.QueueBoxAnswer(BoxAnswer::Yes);  // replace kept.Spr
    Save(folder + "/kept");                 // a typed name without extension gets ".Spr"
    EXPECT_EQ(script.Shown()[1].text, "kept.Spr already exists. Replace it?");
    ASSERT_EQ(g_state.freeze.phase, PHASE_CLOSING);
    const std::vector<uint8_t> file = ReadWholeFile(folder + "/kept.Spr");
    ASSERT_EQ(file.size(), 91u + 2 * 32 * 48 * 7);
    for (int d = 0; d < DIRECTION_COUNT; ++d)
        EXPECT_EQ(Le32At(file, 55 + 4 * d), d == 1 ? 4u : d == 7 ? 3u : 0u) << d;
    for (int frame = 1; frame <= 7; ++frame)  // each frame's last pixel
        EXPECT_EQ(file[89 + 3072 * frame] | file[90 + 3072 * frame] << 8,
                  g_sheet[frame * 32 + 47 * SHEET_WIDTH - 1])
            << frame;
    EXPECT_EQ(audio.calls.back(), "level 64") << "the music starts with the save";
    EXPECT_EQ(g_state.closing.closingTicks, 1) << "the save's own frame is the first closing frame";
}

// The box stands at (250, 250); the bar at (280, 310) grows 2 pixels a step
// behind the box's hole; at the end the frozen picture covers the sheet pane.
TEST_F(FreezeTest, BoxBarAndFrozenPicturePositions) {
    std::fill_n(g_skin.freezeBox->GetBits(), 350 * 100, uint16_t{0x5555});
    std::fill_n(g_skin.freezeBox->GetBits() + 60 * 350, 20 * 350, uint16_t{0});
    std::fill_n(g_skin.frozen->GetBits(), g_skin.frozen->Width() * g_skin.frozen->Height(), 0x2222);
    const auto at = [](int x, int y) { return g_screenBuf[y * SCREEN_WIDTH + x]; };
    g_state.freeze.freezeRequested = 1;
    while (g_state.freeze.freezeStep < 11) Tick();  // the last drawn was step 10
    EXPECT_TRUE(at(250, 250) == 0x5555 && at(599, 349) == 0x5555);
    for (auto [x, y] : {std::pair{249, 250}, {250, 249}, {600, 349}, {599, 350}})
        EXPECT_NE(at(x, y), 0x5555) << x << ", " << y;
    EXPECT_TRUE(at(280, 310) == FREEZE_BAR_COLOUR && at(299, 329) == FREEZE_BAR_COLOUR);
    EXPECT_TRUE(at(300, 320) != FREEZE_BAR_COLOUR && at(280, 330) != FREEZE_BAR_COLOUR);
    while (g_state.freeze.freezeStep < FREEZE_STEPS) Tick();
    EXPECT_TRUE(at(0, WORK_TOP) == 0x2222 && at(0, WORK_TOP - 1) != 0x2222);
}

class SingleSpriteTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        StartWith(WriteGradient("first.pcx", 32, 32));
        g_state.edit.workMode = MODE_EDIT;
        Click(500, 525);  // the window's button
    }
    void Import(const std::string& path) {
        script.QueueOpenAnswer(path);
        Click(200, 35);
    }
    void Save(const std::string& path) {
        script.ClearShown();
        script.QueueSaveAnswer(path);
        Click(350, 30);
    }
    std::string folder = MakeTestFolder("single");
};

// A picture wider than 640 is refused and the dialog comes again; a second
// import replaces the first; the save releases the picture.
TEST_F(SingleSpriteTest, APictureBecomesAOneFrameSprite) {
    script.QueueOpenAnswer(WriteGradient("wide.pcx", 641, 10));
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Import(WriteGradient("fits.pcx", 640, 480));
    EXPECT_NE(script.Shown().end()[-2].text.find("641 x 10"), std::string::npos);
    ASSERT_EQ(g_state.edit.singleImage->Width(), 640);
    const RgbImage image = MakeRandomImage(100, 80, 5);
    Import(WritePicture("single.pcx", image));
    Save(folder + "/one.Spr");
    const std::vector<uint8_t> file = ReadWholeFile(folder + "/one.Spr");
    ASSERT_EQ(file.size(), 91u + 2 * 100 * 80);
    EXPECT_EQ(Le32At(file, 35), 2u) << "a single sprite";
    EXPECT_EQ(std::pair(Le32At(file, 39), Le32At(file, 43)), std::pair(100u, 80u));
    for (int d = 0; d < DIRECTION_COUNT; ++d) EXPECT_EQ(Le32At(file, 55 + 4 * d), d == 0 ? 1u : 0u);
    EXPECT_EQ(g_state.edit.singleImage, nullptr) << "released after the save";
    EXPECT_EQ(g_state.edit.singleState, SINGLE_OPEN);
    const std::vector<uint16_t> expected = PackImage(image);  // little-endian, as the file
    EXPECT_EQ(memcmp(ReadWholeFile(folder + "/one.Spr").data() + 91, expected.data(), 2 * 8000), 0);
}

// A dialog that cannot be shown says why once and the window comes back; a
// close request ends the import's insisting loop; a failed write complains,
// and the dialog comes again on the next frame with the picture kept; a name
// too long for the file system says so.
TEST_F(SingleSpriteTest, DialogsThatCannotBeShownACloseAndFailedSavesKeepThePicture) {
    Import(WriteGradient("keep.pcx", 40, 30));
    const auto unavailable = platform::DialogUnavailable("zenity is not installed");
    const auto check = [&](const std::vector<std::string>& texts, SingleWindow state) {
        std::vector<std::string> shown;
        for (const auto& dialog : script.Shown()) shown.push_back(dialog.text);
        EXPECT_EQ(shown, texts);
        EXPECT_EQ(g_state.edit.singleState, state);
        EXPECT_EQ(g_state.edit.singleImage->Width(), 40);
    };
    for (auto [open, x] : {std::pair{true, 200}, {false, 350}}) {
        script.ClearShown();
        open ? script.QueueOpenResult(unavailable) : script.QueueSaveResult(unavailable);
        script.QueueBoxAnswer(BoxAnswer::Ok);
        Click(x, 35);
        check({"", kUnavailable}, SINGLE_OPEN);
    }
    script.ClearShown();
    script.QueueOpenAnswer(std::nullopt);
    script.ScheduleMessage(script.TickCount() + 20, {platform::MessageKind::CloseWindow, 0, 0});
    Click(200, 35);
    check({""}, SINGLE_OPEN);
    const std::string complaint = "무슨짓을 하시는지, 도대체 이해할수 없음이야 ";
    ForEachFailingSave(folder, [&](const std::string& path) {
        script.QueueBoxAnswer(BoxAnswer::Ok);
        Save(path);
        ASSERT_EQ(script.Shown().size(), 2u);
        const std::string& text = script.Shown()[1].text;
        EXPECT_EQ(text.rfind(complaint + "\n" + path + ": ", 0), 0u) << text << ", then why";
        EXPECT_EQ(g_state.edit.singleState, SINGLE_SAVE);
        script.ClearShown();
        script.QueueSaveAnswer(std::nullopt);  // cancelled the second time
        script.QueueBoxAnswer(BoxAnswer::Ok);
        Tick();
        check({"", complaint}, SINGLE_OPEN);
    });
    const std::string name = folder + "/" + std::string(253, 'n');  // 255 bytes and ".Spr"
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Save(name);
    EXPECT_EQ(script.Shown().back().text,
              "Cannot save " + name +
                  ".Spr: the name is too long. A file name may hold at most 255 bytes: please "
                  "choose a shorter one.");
}

class StartupTest : public SessionTest {};

TEST_F(StartupTest, ClosingTheWindowDuringTheFirstDialogEndsStartUp) {
    script.QueueOpenAnswer(std::nullopt);
    script.ScheduleMessage(script.TickCount(), {platform::MessageKind::CloseWindow, 0, 0});
    EXPECT_FALSE(InitWorkbench());
    EXPECT_FALSE(script.HasWindow());
    EXPECT_EQ(script.Shown().size(), 1u) << "the dialog only";
}

// Asking again would only bring the same box back, for ever.
TEST_F(StartupTest, AFirstPictureDialogThatCannotBeShownEndsTheEditorWithCodeOne) {
    RecordingAudio audio;
    SetAudioLayer(&audio);
    script.QueueOpenResult(platform::DialogUnavailable("zenity is not installed"));
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    const int code = WinMain();
    SetAudioLayer(nullptr);
    EXPECT_EQ(code, 1);
    ASSERT_EQ(script.Shown().size(), 2u) << "the dialog and one box";
    EXPECT_EQ(script.Shown()[1].text, kUnavailable);
}

// Open dialogs start where the last picture came from, save dialogs where
// the last save went; each starts in the working folder the first time. A
// dialog that cannot be shown leaves the working image as it was.
TEST_F(StartupTest, DialogsStartInTheFolderUsedLastOfTheirKind) {
    ForgetDialogFolders();
    const std::string working = std::filesystem::current_path().string();
    const std::string first = WriteGradient("first.pcx", 40, 30);
    const std::string pictures = MakeTestFolder("pictures");
    const std::string sprites = MakeTestFolder("sprites");
    StartWith(first);
    ASSERT_TRUE(WriteBytesToFile(pictures + "/next.pcx", EncodePcx24(RgbImage(40, 30))));
    script.QueueOpenAnswer(pictures + "/next.pcx");
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);  // next.pcx is missing: skipped
    OpenNextPicture();
    script.QueueSaveAnswer(sprites + "/a.Spr");
    AskSpriteFileName("save");
    script.QueueOpenResult(platform::DialogUnavailable("zenity failed"));
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    const uint16_t corner = g_spritePictures.working->GetBits()[0];
    OpenNextPicture();
    EXPECT_EQ(g_spritePictures.working->GetBits()[0], corner);
    script.QueueSaveAnswer(std::nullopt);
    AskSpriteFileName("save");
    std::vector<std::string> starts;
    for (const platform::ShownDialog& d : script.Shown())
        if (d.kind != platform::DialogKind::MessageBox) starts.push_back(d.startFolder);
    const std::string firstFolder = std::filesystem::path(first).parent_path().string();
    EXPECT_EQ(starts, (std::vector<std::string>{working, firstFolder, working, pictures, sprites}));
}

}  // namespace
