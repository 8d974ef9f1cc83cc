// Presented frames are compared with tests/golden/*.png; CELFORGE_UPDATE_GOLDEN=1
// rewrites them, and a mismatching frame is left in the test temp folder.
#include <SDL.h>
#include <SDL_image.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "display/pixmap.h"
#include "formats/colour.h"
#include "shell/main_loop.h"
#include "shell/music.h"
#include "shell/window.h"
#include "shell/workbench_init.h"
#include "state/change_log.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "state/work.h"
#include "tests/support/file_faults.h"
#include "tests/support/recording_audio.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/file_dialogs.h"
#include "workbench/freeze.h"
#include "workbench/input.h"
#include "workbench/placement.h"
#include "workbench/preview.h"
#include "workbench/sprite_save.h"

using platform::BoxAnswer;
using platform::Point;
using Texts = std::vector<std::string>;

namespace {

const std::string kUnavailable = "The file dialog could not be shown: zenity is not installed.";
const platform::DialogResult kNoZenity = platform::DialogUnavailable("zenity is not installed");
// Zenity gives "(null)" for a name, or a folder's name, that is not UTF-8.
const std::string kNull =
    "The file dialog gave \"(null)\", which is not a full path: this name cannot be used. The "
    "file dialog cannot pass on names that are not valid UTF-8 text, nor names in a folder "
    "whose name is not: please choose another name or folder.";
const std::string kLineBreak =
    "A name that holds a line break cannot be used: please choose another name.";

// Saves into every unwritable target, among them a kept file of 20000 bytes (files limited to
// 1000 bytes) and a 257-byte name; the box tells `generic`, the path and why. Kept stays unchanged.
void ForEachFailingSave(const std::string& folder, const std::string& generic,
                        const std::function<std::string(const std::string&)>& save) {
    const std::string kept = folder + "/kept.Spr", tooLong = folder + "/" + std::string(253, 'n');
    const std::string tooLongWhy = "Cannot save " + tooLong +
                                   ".Spr: the name is too long. A file name may hold at most 255 "
                                   "bytes: please choose a shorter one.";
    const std::vector<uint8_t> old(20000, 'o');
    ASSERT_TRUE(WriteBytesToFile(kept, old));
    std::vector<FaultyTarget> targets = FaultyTargets(folder);
    targets.insert(targets.end(), {{"file size limit", kept}, {"too long", tooLong + ".Spr"}});
    for (const FaultyTarget& target : targets) {
        SCOPED_TRACE(target.what);
        FileSizeLimit limit(target.path == kept ? 1000 : UINT64_MAX);
        const std::string told = save(target.path);
        const std::string why =
            target.what == "too long" ? tooLongWhy : generic + "\n" + target.path + ": ";
        EXPECT_EQ(told.rfind(why, 0), 0u) << told;
    }
    EXPECT_EQ(ReadWholeFile(kept), old);
}

class StoryTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        SetAudioLayer(&audio);
    }
    void TearDown() override {
        SetAudioLayer(nullptr);
        ReleaseDirectionStrips();
        SessionTest::TearDown();
    }
    static uint16_t Screen(int x, int y) { return g_screenBuf[y * SCREEN_WIDTH + x]; }
    static void SetRange(int selector, int first, int last) {
        g_state.directions.directionRanges[selector - 1] = {RANGE_CONFIRMED, first, last};
        g_state.directions.directionCount[selector - 1] = last - first;
    }
    void SaveBy(int x, int y, const platform::DialogResult& answer, int boxes) {
        script.ClearShown();
        script.QueueSaveResult(answer);
        for (int i = 0; i < boxes; ++i) script.QueueBoxAnswer(BoxAnswer::Ok);
        Click(x, y);
    }
    // The texts shown ("" for a file dialog), or the file dialogs' start folders.
    Texts Shown(bool starts = false) const {
        Texts texts;
        for (const auto& shown : script.Shown())
            if (!starts || shown.kind != platform::DialogKind::MessageBox)
                texts.push_back(starts ? shown.startFolder : shown.text);
        return texts;
    }
    std::string folder = MakeTestFolder("stories");
    RecordingAudio audio;
};

// The box stands at (250, 250), the bar at (280, 310) grows 2 pixels a step in
// its hole. Frames go direction by direction; fewer than three frames, or a
// backward range, are left out; ranges changed after the freeze do not count.
// Clicks in the first 20 closing frames do nothing; then the three figures
// take turns, ten frames each, until a click or the 1000th frame ends it.
TEST_F(StoryTest, FreezeDrawsThenFailedSavesStayFrozenAndAGoodOneHoldsTheRangesAndCloses) {
    ReleaseDirectionStrips();
    StartMusic();
    StartWith(WriteGradient("first.pcx", 32, 48));
    std::mt19937 random(11);  // cells 1 to 7 differ from each other
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 7 * 32; ++x) g_sheet[y * SHEET_WIDTH + x] = random();
    SetRange(2, 1, 4);  // Left: 4 frames
    SetRange(5, 5, 7);  // Down: 3 frames
    SetRange(4, 1, 2);  // Up: 2 frames
    SetRange(8, 3, 1);  // RightUp: backwards
    std::fill_n(g_skin.freezeBox->GetBits(), 350 * 100, uint16_t{0x5555});
    std::fill_n(g_skin.freezeBox->GetBits() + 60 * 350, 20 * 350, uint16_t{0});
    std::fill_n(g_skin.frozen->GetBits(), g_skin.frozen->Width() * g_skin.frozen->Height(), 0x2222);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Click(300, 550);
    for (int i = 0; i < 400 && g_state.freeze.freezeStep < 11; ++i) Tick();  // last drawn: step 10
    EXPECT_TRUE(Screen(250, 250) == 0x5555 && Screen(599, 349) == 0x5555);
    for (auto [x, y] : {std::pair{249, 250}, {250, 249}, {600, 349}, {599, 350}})
        EXPECT_NE(Screen(x, y), 0x5555) << x << ", " << y;
    EXPECT_TRUE(Screen(280, 310) == FREEZE_BAR_COLOUR && Screen(299, 329) == FREEZE_BAR_COLOUR);
    EXPECT_TRUE(Screen(300, 320) != FREEZE_BAR_COLOUR && Screen(280, 330) != FREEZE_BAR_COLOUR);
    for (int i = 0; i < 400 && g_state.freeze.freezeStep < FREEZE_STEPS; ++i) Tick();
    EXPECT_TRUE(Screen(0, WORK_TOP) == 0x2222 && Screen(0, WORK_TOP - 1) != 0x2222);
    SetRange(2, 1, 7);
    ForEachFailingSave(folder, "Error Test 1", [&](const std::string& path) {
        SaveBy(100, 15, platform::ChosenFile(path), 2);
        EXPECT_EQ(g_state.freeze.phase, PHASE_FROZEN);
        return script.Shown().size() == 3 ? script.Shown()[2].text : "";
    });
    SaveBy(100, 15, kNoZenity, 1);
    EXPECT_EQ(Shown(), (Texts{"", kUnavailable})) << "no report";
    EXPECT_EQ(audio.calls.size(), 4u) << "no music for a failed save";
    uint16_t colour = 0;  // 0x1111, 0x2222, 0x3333
    for (CPixmap* figure : g_state.closing.closingFigures)
        std::fill_n(figure->GetBits(), figure->Width() * figure->Height(), colour += 0x1111);
    script.QueueBoxAnswer(BoxAnswer::Yes);  // replace kept.Spr, named without its ".Spr"
    SaveBy(100, 15, platform::ChosenFile(folder + "/kept"), 1);
    const std::vector<uint8_t> file = ReadWholeFile(folder + "/kept.Spr");
    ASSERT_EQ(file.size(), 91u + 2 * 32 * 48 * 7);
    for (int d = 0; d < DIRECTION_COUNT; ++d)
        EXPECT_EQ(Le32At(file, 55 + 4 * d), d == 1 ? 4u : d == 7 ? 3u : 0u) << d;
    for (int frame = 1; frame <= 7; ++frame)  // each frame's last pixel
        EXPECT_EQ(file[89 + 3072 * frame] | file[90 + 3072 * frame] << 8,
                  g_sheet[frame * 32 + 47 * SHEET_WIDTH - 1])
            << frame;
    EXPECT_EQ(audio.calls.back(), "level 64") << "the music starts with the save";
    for (int i = 0; i < 19; ++i) Click(400, 300);  // the save's own frame was the first
    EXPECT_FALSE(QuitPosted());
    std::string figures;
    for (int i = 0; i < 31; ++i) {
        Tick();
        figures += char('0' + g_state.closing.closingFigure);
        if (i == 0 || i == 10) {  // figures 0 and 1 at (120, 120) and (160, 140), jitter (3, -3)
            const int x = 123 + 4 * i, y = 117 + 2 * i, figure = 0x1111 * (1 + i / 10);
            EXPECT_TRUE(Screen(x, y) == figure && Screen(x - 1, y - 1) != figure) << i;
        }
    }
    EXPECT_EQ(figures, std::string(10, '0') + std::string(10, '1') + std::string(10, '2') + "0");
    Click(400, 300);
    EXPECT_TRUE(QuitPosted());
    g_state.closing.closingTicks = 0;
    Ticks(1000);
    EXPECT_FALSE(QuitPosted());
    Tick();
    EXPECT_TRUE(QuitPosted());
}

// A close request ends the import's insisting loop; after a failed write the
// dialog comes again on the next frame (here cancelled). A picture wider than 640 is refused
// and the dialog comes again; an import replaces the last.
TEST_F(StoryTest, FailedDialogsAndSavesKeepThePictureAndAGoodSaveMakesAOneFrameSprite) {
    StartWith(WriteGradient("first.pcx", 32, 32));
    g_state.edit.workMode = MODE_EDIT;
    Click(500, 525);  // the window's button
    const auto import = [&](const std::string& path) {
        script.QueueOpenAnswer(path);
        Click(200, 35);
    };
    import(WriteGradient("keep.pcx", 40, 30));
    const auto check = [&](const Texts& texts, SingleWindow state) {
        EXPECT_EQ(Shown(), texts);
        EXPECT_EQ(g_state.edit.singleState, state);
        EXPECT_EQ(g_state.edit.singleImage->Width(), 40);
    };
    for (auto [open, x] : {std::pair{true, 200}, {false, 350}}) {
        script.ClearShown();
        open ? script.QueueOpenResult(kNoZenity) : script.QueueSaveResult(kNoZenity);
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
    ForEachFailingSave(folder, complaint, [&](const std::string& path) {
        SaveBy(350, 30, platform::ChosenFile(path), 1);
        const Texts told = Shown();
        script.ClearShown();
        script.QueueSaveAnswer(std::nullopt);  // cancelled the second time
        script.QueueBoxAnswer(BoxAnswer::Ok);
        Tick();
        check({"", complaint}, SINGLE_OPEN);
        return told.size() == 2 ? told[1] : "";
    });
    script.QueueOpenAnswer(WriteGradient("wide.pcx", 641, 10));
    script.QueueBoxAnswer(BoxAnswer::Ok);
    import(WriteGradient("fits.pcx", 640, 480));
    EXPECT_NE(script.Shown().end()[-2].text.find("641 x 10"), std::string::npos);
    const RgbImage image = MakeRandomImage(100, 80, 5);
    import(WritePicture("single.pcx", image));
    SaveBy(350, 30, platform::ChosenFile(folder + "/one.Spr"), 0);
    const std::vector<uint8_t> file = ReadWholeFile(folder + "/one.Spr");
    ASSERT_EQ(file.size(), 91u + 2 * 100 * 80);
    EXPECT_EQ(Le32At(file, 35), 2u) << "a single sprite";
    EXPECT_EQ(std::pair(Le32At(file, 39), Le32At(file, 43)), std::pair(100u, 80u));
    for (int d = 0; d < DIRECTION_COUNT; ++d) EXPECT_EQ(Le32At(file, 55 + 4 * d), d == 0 ? 1u : 0u);
    EXPECT_EQ(g_state.edit.singleImage, nullptr) << "released after the save";
    EXPECT_EQ(g_state.edit.singleState, SINGLE_OPEN);
    EXPECT_EQ(memcmp(file.data() + 91, PackImage(image).data(), 2 * 8000), 0);  // little-endian
}

// Answers are names in the folder, where sub/keep.Spr exists, or "(null)",
// or "" for a cancel. After a No the dialog opens where the user was.
TEST_F(StoryTest, TheSaveDialogRefusesUnusableNamesAndAsksBeforeReplacingAnotherFile) {
    mkdir((folder + "/sub").c_str(), 0755);
    ASSERT_TRUE(WriteBytesToFile(folder + "/sub/keep.Spr", {1}));
    const std::string question = "keep.Spr already exists. Replace it?";
    const struct {
        std::vector<std::string> answers;
        BoxAnswer box;
        Texts texts;
        std::string chosen;     // "" for a cancel
        std::string lastStart;  // where the last dialog opened
    } cases[] = {
        {{"sub/keep", "new"}, BoxAnswer::No, {"", question, ""}, "new.Spr", "/sub"},
        {{"sub/keep"}, BoxAnswer::Yes, {"", question}, "sub/keep.Spr", ""},
        {{"sub/keep.Spr"}, BoxAnswer::Ok, {""}, "sub/keep.Spr", "/sub"},  // asked in the dialog
        {{"(null)", "new"}, BoxAnswer::Ok, {"", kNull, ""}, "new.Spr", "/sub"},
        {{"a\nb", ""}, BoxAnswer::Ok, {"", kLineBreak, ""}, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answers[0]);
        script.ClearShown();
        for (const std::string& answer : c.answers)
            script.QueueSaveAnswer(answer.empty()     ? std::nullopt
                                   : answer[0] == '(' ? answer
                                                      : std::optional(folder + "/" + answer));
        if (c.texts.size() > 1) script.QueueBoxAnswer(c.box);
        EXPECT_EQ(AskSpriteFileName("Save").path, c.chosen.empty() ? "" : folder + "/" + c.chosen);
        EXPECT_EQ(Shown(), c.texts);
        EXPECT_EQ(Shown(true).back(), folder + c.lastStart);
    }
}

// Asking again would only bring the same box back, for ever.
TEST_F(StoryTest, AFirstDialogClosedOrThatCannotBeShownEndsTheEditor) {
    script.QueueOpenAnswer(std::nullopt);
    script.ScheduleMessage(script.TickCount(), {platform::MessageKind::CloseWindow, 0, 0});
    EXPECT_EQ(WinMain(), 0);
    EXPECT_FALSE(script.HasWindow());
    ReleaseWorkbench();  // the process would end here; this test starts again
    script.QueueOpenResult(kNoZenity);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    EXPECT_EQ(WinMain(), 1);
    EXPECT_EQ(Shown(), (Texts{"", "", kUnavailable})) << "no box after the closed dialog";
}

// Each kind starts in the working folder the first time. The first dialog
// refuses "(null)" and comes back: it used to end the editor, or take it for
// a cancel. A dialog that cannot be shown leaves the working image as it was.
TEST_F(StoryTest, DialogsStartInTheFolderUsedLastOfTheirKind) {
    ForgetDialogFolders();
    const std::string working = std::filesystem::current_path().string();
    const std::string first = WriteGradient("first.pcx", 40, 30);
    const std::string pictures = MakeTestFolder("pictures");
    const std::string sprites = MakeTestFolder("sprites");
    script.QueueOpenAnswer("(null)");
    script.QueueBoxAnswer(BoxAnswer::Ok);
    StartWith(first);
    EXPECT_EQ(Shown(), (Texts{"", kNull, ""}));
    ASSERT_TRUE(WriteBytesToFile(pictures + "/next.pcx", EncodePcx24(RgbImage(40, 30))));
    script.QueueOpenAnswer(pictures + "/next.pcx");
    script.QueueBoxAnswer(BoxAnswer::Ok);  // next.pcx is missing: skipped
    OpenNextPicture();
    script.QueueSaveAnswer(sprites + "/a.Spr");
    AskSpriteFileName("save");
    script.QueueOpenResult(platform::DialogUnavailable("zenity failed"));
    script.QueueBoxAnswer(BoxAnswer::Ok);
    const uint16_t corner = g_spritePictures.working->GetBits()[0];
    OpenNextPicture();
    EXPECT_EQ(g_spritePictures.working->GetBits()[0], corner);
    script.QueueSaveAnswer(std::nullopt);
    AskSpriteFileName("save");
    const std::string firstFolder = std::filesystem::path(first).parent_path().string();
    EXPECT_EQ(Shown(true), (Texts{working, working, firstFolder, working, pictures, sprites}));
}

std::vector<uint8_t> Sprite(SpriteType type, int width, int height, uint16_t key,
                            const SpriteCounts& counts) {
    int64_t frames = 0;
    for (int32_t count : counts) frames += count;
    std::vector<uint16_t> pixels(frames * width * height);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint16_t>(i * 7 + 1);
    return EncodeSpriteFile(MakeSpriteHeader(type, width, height, key, counts),
                            {{pixels.data(), pixels.size()}});
}

class ReopenTest : public StoryTest {
  protected:
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = folder + "/" + name;
        EXPECT_TRUE(WriteBytesToFile(path, bytes));
        return path;
    }
    Texts StartOn(const std::string& path) {
        script.ClearShown();
        SetStartFile(path);
        EXPECT_TRUE(InitWorkbench());
        return Shown();
    }
};

// Frames in cells 1-6 in file order; No Direction over 1-3 and Left (file
// position 1) over 4-6; the mark on cell 7, filled. Keys and counts: below.
TEST_F(ReopenTest, TheSheetHoldsTheFramesRangesAndMark) {
    StartOn(Write("six.Spr", Sprite(SPRITE_ANIMATION, 2, 1, 0x1234, {3, 3})));
    EXPECT_EQ(std::vector<uint16_t>(g_sheet, g_sheet + 14),
              (std::vector<uint16_t>{1, 8, 15, 22, 29, 36, 43, 50, 57, 64, 71, 78, 33000, 33000}));
    const DirectionRange* range = g_state.directions.directionRanges;
    EXPECT_TRUE(range[0] == (DirectionRange{3, 1, 3}) && range[1] == (DirectionRange{3, 4, 6}));
    EXPECT_EQ(g_changeLog.Records().size(), 0u) << "the opened work is no change";
    EXPECT_EQ(g_changeLog.Dirt().cells, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

// The editor dies while working on a sprite, named on the command line or
// dropped on the empty sheet; a start on that file offers its work back first.
TEST_F(ReopenTest, WorkLeftOnASpriteIsOfferedWhenTheSpriteIsNamedAgain) {
    const std::string path = Write("walk.Spr", Sprite(SPRITE_ANIMATION, 8, 8, 0, {3}));
    for (const bool dropped : {false, true}) {
        SCOPED_TRACE(dropped ? "dropped" : "named");
        if (dropped) {
            TearDown();
            SetUp();
            StartWith(WriteGradient("first.pcx", 8, 8));
            WindowProc(platform::DropFileMessage(path));
        } else {
            StartOn(path);
        }
        Tick();
        script.QueueOpenAnswer(WriteGradient("next.pcx", 8, 8));  // Open…, then a click
        g_state.panes.openPictureRequest = 1;
        Tick();
        g_state.edit.workMode = MODE_PLACE;
        Click(28, WORK_TOP + 4);  // on the mark, after the three frames
        ReleaseWorkbench();       // killed: the session stays behind
        ResetEditorState();
        ASSERT_TRUE(OpenMainWindow());
        script.QueueBoxAnswer(BoxAnswer::Yes);
        const Texts texts = StartOn(path);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].rfind("Restore the unsaved work on walk.Spr of ", 0), 0u) << texts[0];
        EXPECT_EQ(g_state.sheet.placedCount, 4);
    }
}

// A refused file's reason follows its path, then the first picture (4 x 4)
// is asked for. Nine frames of 400 x 480 fill the rows at y 0, 480 and 960;
// only two rows take placements, so the mark waits after the last, no room.
// An animation opened without a word saves back the same bytes.
TEST_F(ReopenTest, AStartFileOpensOrIsRefusedWithItsReason) {
    std::vector<uint8_t> badType = Sprite(SPRITE_ANIMATION, 2, 2, 0, {3}), longFile = badType;
    badType[35] = 3;                               // the type field
    longFile.resize(91 + 2 * 1400 * 2500 + 2, 0);  // past the longest the sheet can take
    const std::string is = " is not a sound sprite file:\n- ";
    const PlacementMark none{0, 0, 1, 0};
    // clang-format off
    const struct { std::string name; std::vector<uint8_t> bytes; std::string told; int width, height;
                   PlacementMark mark; } cases[] = {
        {"long.Spr", longFile, is + "file is 7000093 bytes, the header implies 115 (6999978 bytes too long)", 4, 4, none},
        {"many.Spr", Sprite(SPRITE_ANIMATION, 640, 480, 0, {11}),
         " holds 11 frames; the sheet has room for 10 frames of 640 x 480.", 4, 4, none},
        {"signed.pcx", badType, is + "type is 3, expected 1 (animation) or 2 (single)", 4, 4, none},  // content, not name
        {"text.pcx", {'h', 'i'}, " cannot be read as a picture (PCX or PNG).", 4, 4, none},
        {"wide.pcx", EncodePcx24(RgbImage(641, 1)),
         " is 641 x 1 pixels; the sprite size can be at most 640 x 480.", 4, 4, none},
        {"", {}, " cannot be opened: No such file or directory", 4, 4, none},
        {"short.Spr", Sprite(SPRITE_ANIMATION, 2, 2, 0, {2, 0, 0, 3, 0, 0, 0, 0, 1}), "A direction is saved only from 3 "
         "frames on. These are marked but will be left out of the next save unless their ranges are marked longer: "
         "No Direction (2 frames), LeftDown (1 frame)", 2, 2, {12, 0, 1, 6}},
        {"rows.Spr", Sprite(SPRITE_ANIMATION, 400, 480, 0, {9}), "", 400, 480, {0, 1440, 0, 9}},
        {"spanning.Spr", Sprite(SPRITE_ANIMATION, 1, 1, 0, {1403, 0, 0, 0, 0, 0, 0, 0, 3}), "", 1, 1, {6, 1, 1, 1406}},
        {"odd.Spr", Sprite(SPRITE_ANIMATION, 49, 48, 0xF81F, {0, 4, 3, 3, 3, 0, 7, 0, 0}), "", 49, 48, {980, 0, 1, 20}},
        {"full.Spr", Sprite(SPRITE_ANIMATION, 640, 480, 7, {3, 0, 0, 0, 0, 3, 0, 4, 0}), "", 640, 480, {0, 2400, 0, 10}},
        {"empty.Spr", Sprite(SPRITE_ANIMATION, 5, 3, 1, {}), "", 5, 3, none},
        {"start.pcx", EncodePcx24(RgbImage(5, 4)), "", 5, 4, none},
        {"one.Spr", Sprite(SPRITE_SINGLE, 3, 2, 9, {1}), "", 3, 2, none},  // last: see below
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();  // a fresh start for each file
        SetUp();
        const std::string path = c.name.empty() ? folder + "/missing.Spr" : Write(c.name, c.bytes);
        const bool refused = c.told[0] == ' ';
        if (refused) script.QueueOpenAnswer(WriteGradient("first.pcx", 4, 4));
        if (!c.told.empty()) script.QueueBoxAnswer(BoxAnswer::Ok);
        Texts texts{path + c.told, ""};
        if (!refused) texts = c.told.empty() ? Texts{} : Texts{c.told};
        EXPECT_EQ(StartOn(path), texts);
        EXPECT_EQ(std::pair(g_state.sheet.spriteWidth, g_state.sheet.spriteHeight),
                  std::pair(c.width, c.height));
        EXPECT_TRUE(CurrentPlacementMark() == c.mark);
        if (c.bytes.size() < 91 || c.bytes[35] != SPRITE_ANIMATION || !c.told.empty()) continue;
        g_state.freeze.freezeRequested = 1;
        for (int i = 0; i < 400 && g_state.freeze.freezeStep < FREEZE_STEPS; ++i) Tick();
        SaveBy(100, 15, platform::ChosenFile(path + ".saved.Spr"), 1);  // Ok to the report
        EXPECT_TRUE(ReadWholeFile(path + ".saved.Spr") == c.bytes) << "saved without a change";
        EXPECT_EQ(script.Shown().size(), 2u) << "the save dialog and its report only";
    }
    const uint16_t* working = g_spritePictures.working->GetBits();
    EXPECT_EQ(std::vector<uint16_t>(working, working + 6),
              (std::vector<uint16_t>{1, 8, 15, 22, 29, 36}));
    EXPECT_EQ(g_state.edit.keyColour, 0u) << "a single sprite's key is not the work's";
}

// Arrows are flat green with their left half a hole.
constexpr uint16_t kArrow = 0x07E0;

bool SaveFramePng(const std::vector<uint16_t>& frame, const std::string& path) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint16_t*>(frame.data()), SCREEN_WIDTH, SCREEN_HEIGHT, 16, SCREEN_WIDTH * 2,
        SDL_PIXELFORMAT_RGB565);
    const bool saved = surface && IMG_SavePNG(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return saved;
}

class WorkbenchTest : public StoryTest {
  protected:
    // The first frame placed (the mode bar waits for it), a noise sheet, flat skins, `mode`.
    void Begin(int width, int height, WorkMode mode) {
        StartWith(WriteGradient("first.pcx", width, height));
        Click(width / 2, WORK_TOP + height / 2);
        std::mt19937 random(21);
        for (uint16_t& pixel : g_sheet) pixel = static_cast<uint16_t>(random());
        for (CPixmap* arrow : g_skin.arrow)
            for (int i = 0; i < arrow->Width() * arrow->Height(); ++i)
                arrow->GetBits()[i] = i % arrow->Width() < 10 ? 0 : kArrow;
        std::fill_n(g_skin.delay->GetBits(), 49 * 41, uint16_t{0x4321});
        g_state.sheet.sheetHasRoom = 0;
        Click(mode == MODE_EDIT ? 684 : 740, 500);
    }
    void ExpectGolden(const std::string& name) {
        const std::vector<uint16_t>& frame = script.LastFrame();
        const std::string path = CELFORGE_SOURCE_DIR + ("/tests/golden/" + name + ".png");
        const char* update = std::getenv("CELFORGE_UPDATE_GOLDEN");
        if (update && std::string(update) == "1") {
            ASSERT_TRUE(SaveFramePng(frame, path));
        }
        uint32_t width = 0, height = 0;
        const std::vector<uint8_t> rgba = ReadPngRgba(path, &width, &height);
        std::vector<uint16_t> golden;  // empty when the reference cannot be read
        for (size_t i = 0; width == SCREEN_WIDTH && i < rgba.size(); i += 4)
            golden.push_back(PackRgb(rgba[i], rgba[i + 1], rgba[i + 2]));
        if (golden != frame) SaveFramePng(frame, ::testing::TempDir() + name + "_actual.png");
        EXPECT_TRUE(golden == frame) << name << " against " << path;
    }
};

TEST_F(WorkbenchTest, FirstWorkbenchFrameAndAfterThreePlacements) {
    StartWith(WriteGradient("golden.pcx", 96, 72));
    Tick();
    ExpectGolden("first_frame");
    for (int cell = 0; cell < 3; ++cell) Click(96 * cell + 48, WORK_TOP + 36);
    MoveTo(700, 560);
    Tick();
    ExpectGolden("three_placements");
}

// Full once the next cell and one more row would reach the last two rows.
TEST_F(WorkbenchTest, SheetFullThresholdAndItsNoticeAt200InPlaceModeOnly) {
    StartWith(WriteGradient("first.pcx", 64, 480));  // full past cellY + 960 > 2500 - 960
    std::fill_n(g_skin.sheetFull->GetBits(), 200 * 50, uint16_t{0x1234});
    for (auto [cellY, mode, room] :
         {std::tuple{580, MODE_PLACE, 1}, {581, MODE_PLACE, 0}, {581, MODE_EDIT, 0}}) {
        g_state.sheet.cellY = cellY;
        g_state.sheet.sheetHasRoom = 1;
        g_state.edit.workMode = mode;
        MoveTo(300, 596);
        Tick();
        EXPECT_EQ(g_state.sheet.sheetHasRoom, room) << cellY;
        const bool shows = room == 0 && mode == MODE_PLACE;
        EXPECT_EQ(Screen(200, 200) == 0x1234 && Screen(399, 249) == 0x1234, shows) << cellY;
        for (auto [x, y] : {std::pair{199, 200}, {200, 199}, {400, 249}, {399, 250}})
            EXPECT_NE(Screen(x, y), 0x1234) << x << ", " << y;
    }
}

// The sheet steps 20 a tick, forward up to 800 and then settles on 799; the
// picture pane steps 4 sideways up to 440, 1 up and none down, in Place mode only.
TEST_F(WorkbenchTest, ScrollStepsAndStops) {
    StartWith(WriteGradient("first.pcx", 32, 32));
    PaneState& p = g_state.panes;
    int *sx = &p.sheetScrollX, *sy = &p.sheetScrollY, *px = &p.pictureScrollX,
        *py = &p.pictureScrollY;
    using platform::kKeyDown, platform::kKeyLeft, platform::kKeyRight, platform::kKeyUp;
    const WorkMode P = MODE_PLACE, E = MODE_EDIT;
    const struct {
        WorkMode mode;
        int key, *value, from, to;  // the pane of `value` has the focus
    } cases[] = {
        // clang-format off
        {P, kKeyUp, sy, 100, 80},      {E, kKeyUp, sy, 15, 0},          {P, kKeyDown, sy, 100, 120},
        {P, kKeyDown, sy, 1990, 2000}, {P, kKeyDown, sy, 2000, 1999},   {P, kKeyLeft, sx, 100, 80},
        {P, kKeyRight, sx, 780, 800},  {P, kKeyRight, sx, 800, 799},    {P, kKeyRight, sx, 799, 799},
        {P, kKeyLeft, px, 5, 1},       {P, kKeyLeft, px, 3, 0},         {P, kKeyRight, px, 438, 440},
        {P, kKeyUp, py, 5, 4},         {P, kKeyDown, py, 5, 5},         {E, kKeyLeft, px, 100, 100},
        // clang-format on
    };
    MoveTo(300, 596);
    for (const auto& c : cases) {
        p = {};
        g_state.edit.workMode = c.mode;
        p.focusPane = c.value == sx || c.value == sy ? FOCUS_SHEET : FOCUS_PICTURE;
        *c.value = c.from;
        Hold(c.key, true);
        Tick();
        Hold(c.key, false);
        EXPECT_EQ(*c.value, c.to) << "key " << c.key << " from " << c.from;
    }
}

// Turning off a clipboard that waits for a cell ends the frame before it is
// copied out: the presented frame is still the one before.
TEST_F(WorkbenchTest, ClipboardToggledOffEndsItsFrameEarly) {
    StartWith(WriteGradient("first.pcx", 32, 32));
    g_state.edit.workMode = MODE_EDIT;
    g_state.edit.clipboardOpen = 1;
    g_state.edit.clipboardState = CLIPBOARD_AWAIT_STORE;
    Tick();
    g_sheet[100 * SHEET_WIDTH + 300] = 0x1234;
    Click(650, 255);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_IDLE);
    EXPECT_TRUE(Screen(300, 130) == 0x1234 &&
                script.LastFrame()[130 * SCREEN_WIDTH + 300] != 0x1234);
    Tick();
    EXPECT_EQ(script.LastFrame()[130 * SCREEN_WIDTH + 300], 0x1234);
}

TEST_F(WorkbenchTest, ConfirmedAndLiveRangesTintWithTheirOwnDirection) {
    StartWith(WriteGradient("first.pcx", 2, 2));
    for (int y : {0, 1}) std::fill_n(g_sheet + y * SHEET_WIDTH, 8, uint16_t{0});
    for (auto [selector, tint] : {std::pair{2, 0x0019}, {5, 0x6000}}) {
        SetRange(selector, 1, 3);
        DrawConfirmedRanges();
        EXPECT_EQ(Screen(0, WORK_TOP), tint) << selector;
        g_state.directions.directionRanges[selector - 1].state = RANGE_UNSET;
        DrawLiveRange(selector);
        EXPECT_EQ(Screen(2, WORK_TOP), tint) << selector;
    }
}

// Arrows are 20 pixels wide: cell 2's right half shows where cell 3's arrow
// has its hole.
TEST_F(WorkbenchTest, ArrowOfACellJustOffThePaneStillShows) {
    Begin(10, 10, MODE_ANIMATE);
    SetRange(2, 1, 4);                // Left
    g_state.panes.sheetScrollX = 20;  // cell 2 (x 10 to 19) lies at screen x -10 to -1
    MoveTo(300, 596);
    Tick();
    for (int x : {0, 9}) EXPECT_EQ(g_screenBuf[(WORK_TOP + 5) * SCREEN_WIDTH + x], kArrow) << x;
}

// The delay runs 0 to 10000 in steps of 100; the wait is a hundredth of it and
// the knob stands 140 rows down, less (delay - 100) / 90. Cell 2906 is below
// the last full row (83 rows of 35); of 250-row cells the tenth row ends on
// the sheet's last row.
TEST_F(WorkbenchTest, PreviewSpeedKnobWaitFramesAndCellsBelowTheSheet) {
    Begin(40, 30, MODE_ANIMATE);
    SetRange(2, 10, 12);  // Left
    Click(420, 545);
    Click(250, 290);  // the pad's Left
    for (auto [from, y, to, knobY, waitMs] : {std::tuple{9900, 130, 10000, 150, 100u},
                                              {10000, 130, 10000, 150, 100u},
                                              {100, 310, 0, 261, 0u},
                                              {5000, 310, 4900, 207, 49u}}) {
        g_state.preview.previewDelay = from;
        Click(130, y);
        EXPECT_EQ(g_state.preview.previewDelay, to) << from;
        const uint32_t slept = script.SleptMs();
        Tick();
        EXPECT_EQ(script.SleptMs() - slept, waitMs) << from;
        EXPECT_TRUE(Screen(108, knobY) == 0x4321 && Screen(108, knobY - 1) != 0x4321) << from;
    }
    const auto shows = [](int cell) {
        const Point o = CellOrigin(cell);
        return Screen(311, 120) == g_sheet[o.y * SHEET_WIDTH + o.x] &&
               Screen(350, 149) == g_sheet[(o.y + 29) * SHEET_WIDTH + o.x + 39];
    };
    g_state.preview.previewStep = 1;
    for (int cell : {10, 11, 12, 10}) {
        Tick();
        EXPECT_TRUE(shows(cell)) << cell;
    }
    SetRange(2, 2904, 2906);
    g_state.preview.previewStep = 2;
    Tick();
    EXPECT_TRUE(shows(2905));
    Tick();
    EXPECT_EQ(g_screenBuf[120 * SCREEN_WIDTH + 311], PREVIEW_PANEL_COLOUR);
    g_state.sheet.spriteHeight = 250;
    EXPECT_TRUE(CellFitsSheet(1) && CellFitsSheet(10 * 35));
    EXPECT_FALSE(CellFitsSheet(10 * 35 + 1) || CellFitsSheet(0) || CellFitsSheet(INT32_MAX));
}

}  // namespace
