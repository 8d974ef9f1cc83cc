// A sprite file or a picture named on the command line: a sprite reopened,
// frozen and saved without a change gives back the same bytes; a file the
// editor cannot open is refused with its reason before the first picture is
// asked for.
#include <filesystem>
#include <string>
#include <vector>

#include "cli/picture_source.h"
#include "display/pixmap.h"
#include "shell/window.h"
#include "shell/workbench_init.h"
#include "state/change_log.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "state/work.h"
#include "tests/support/file_faults.h"
#include "tests/support/session.h"
#include "workbench/freeze.h"
#include "workbench/sprite_save.h"

using platform::BoxAnswer;

namespace {

std::vector<uint8_t> Sprite(SpriteType type, int width, int height, uint16_t key,
                            const SpriteCounts& counts) {
    int64_t frames = 0;
    for (int32_t count : counts) frames += count;
    std::vector<uint16_t> pixels(frames * width * height);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint16_t>(i * 7 + 1);
    return EncodeSpriteFile(MakeSpriteHeader(type, width, height, key, counts),
                            {{pixels.data(), pixels.size()}});
}

class ReopenTest : public SessionTest {
  protected:
    void TearDown() override {
        ReleaseDirectionStrips();
        SessionTest::TearDown();
    }
    void Restart() {
        TearDown();
        script.ClearShown();
        SetUp();
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = folder + "/" + name;
        EXPECT_TRUE(WriteBytesToFile(path, bytes));
        return path;
    }
    // Starts on the file, freezes without a change and saves.
    std::vector<uint8_t> ReopenAndSave(const std::string& path) {
        SetStartFile(path);
        EXPECT_TRUE(InitWorkbench());
        g_state.freeze.freezeRequested = 1;
        for (int i = 0; i < 400 && g_state.freeze.freezeStep < FREEZE_STEPS; ++i) Tick();
        script.QueueSaveAnswer(path + ".saved.Spr");
        script.QueueBoxAnswer(BoxAnswer::Ok);  // the report
        Click(100, 15);
        return ReadWholeFile(path + ".saved.Spr");
    }
    std::string folder = MakeTestFolder("reopen");
};

TEST_F(ReopenTest, ReopenedAndSavedWithoutAChangeGivesTheSameBytes) {
    // clang-format off
    const struct { const char* what; std::vector<uint8_t> bytes; } cases[] = {
        {"1 x 1, a direction spanning rows", Sprite(SPRITE_ANIMATION, 1, 1, 0, {1403, 0, 0, 0, 0, 0, 0, 0, 3})},
        {"49 x 48, odd width", Sprite(SPRITE_ANIMATION, 49, 48, 0xF81F, {0, 4, 3, 3, 3, 0, 7, 0, 0})},
        {"640 x 480, every cell of the sheet", Sprite(SPRITE_ANIMATION, 640, 480, 7, {3, 0, 0, 0, 0, 3, 0, 4, 0})},
        {"no frames at all", Sprite(SPRITE_ANIMATION, 5, 3, 1, {})},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (&c != cases) Restart();
        EXPECT_TRUE(ReopenAndSave(Write("sprite.Spr", c.bytes)) == c.bytes);
        EXPECT_TRUE(script.Shown().size() == 2u) << "the save dialog and its report only";
    }
}

// Frames in cells 1-6 in file order; No Direction over 1-3 and Left (file
// position 1) over 4-6, each counting 2 steps; the mark on cell 7, filled.
TEST_F(ReopenTest, TheSheetHoldsTheFramesRangesKeyAndMark) {
    SetStartFile(Write("six.Spr", Sprite(SPRITE_ANIMATION, 2, 1, 0x1234, {3, 3})));
    ASSERT_TRUE(InitWorkbench());
    EXPECT_EQ(std::vector<uint16_t>(g_sheet, g_sheet + 14),
              (std::vector<uint16_t>{1, 8, 15, 22, 29, 36, 43, 50, 57, 64, 71, 78, 33000, 33000}));
    const DirectionState& d = g_state.directions;
    EXPECT_TRUE(d.directionRanges[0].state == 3 && d.directionRanges[0].firstCell == 1 &&
                d.directionRanges[0].lastCell == 3 && d.directionCount[0] == 2);
    EXPECT_TRUE(d.directionRanges[1].state == 3 && d.directionRanges[1].firstCell == 4 &&
                d.directionRanges[1].lastCell == 6 && d.directionCount[1] == 2);
    EXPECT_EQ(g_state.edit.keyColour, 0x1234u);
    EXPECT_TRUE(CurrentPlacementMark() == (PlacementMark{12, 0, 1, 6}));
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
            Restart();
            StartWith(WriteGradient("first.pcx", 8, 8));
            WindowProc(platform::DropFileMessage(path));
        } else {
            SetStartFile(path);
            ASSERT_TRUE(InitWorkbench());
        }
        Tick();
        script.QueueOpenAnswer(WriteGradient("next.pcx", 8, 8));  // Open…, then a click
        g_state.panes.openPictureRequest = 1;
        Tick();
        g_state.edit.workMode = MODE_PLACE;
        Click(28, WORK_TOP + 4);  // on the mark, after the three frames
        ASSERT_EQ(g_state.sheet.placedCount, 4);
        ReleaseWorkbench();  // killed: the session stays behind
        ResetEditorState();
        ASSERT_TRUE(OpenMainWindow());
        script.ClearShown();
        script.QueueBoxAnswer(BoxAnswer::Yes);
        SetStartFile(path);
        ASSERT_TRUE(InitWorkbench());
        ASSERT_EQ(script.Shown().size(), 1u);
        EXPECT_EQ(script.Shown()[0].text.rfind("Restore the unsaved work on walk.Spr of ", 0), 0u)
            << script.Shown()[0].text;
        EXPECT_EQ(g_state.sheet.placedCount, 4);
    }
}

// Nine frames of 400 x 480 fill the rows at y 0, 480 and 960 (three to a
// row); only the first two rows take placements, yet all nine count and the
// mark waits after the last, with no room, on no frame.
TEST_F(ReopenTest, TheMarkOfASpriteFillingTheRowsWaitsAfterItsLastFrame) {
    SetStartFile(Write("rows.Spr", Sprite(SPRITE_ANIMATION, 400, 480, 0, {9})));
    ASSERT_TRUE(InitWorkbench());
    const PlacementMark mark = CurrentPlacementMark();
    EXPECT_EQ(std::vector<int>({mark.cellX, mark.cellY, mark.sheetHasRoom, mark.placedCount}),
              std::vector<int>({0, 1440, 0, 9}));
}

TEST_F(ReopenTest, ASingleSpriteOrAPictureIsTheFirstPicture) {
    SetStartFile(Write("one.Spr", Sprite(SPRITE_SINGLE, 3, 2, 9, {1})));
    ASSERT_TRUE(InitWorkbench());
    EXPECT_TRUE(g_state.sheet.spriteWidth == 3 && g_state.sheet.spriteHeight == 2);
    const uint16_t* working = g_spritePictures.working->GetBits();
    EXPECT_EQ(std::vector<uint16_t>(working, working + 6),
              (std::vector<uint16_t>{1, 8, 15, 22, 29, 36}));
    EXPECT_EQ(g_state.edit.keyColour, 0u);
    Restart();
    SetStartFile(WriteGradient("start.pcx", 5, 4));
    ASSERT_TRUE(InitWorkbench());
    EXPECT_TRUE(g_state.sheet.spriteWidth == 5 && g_state.sheet.spriteHeight == 4);
}

// A direction of 1 or 2 frames is marked but the freeze leaves it out.
TEST_F(ReopenTest, DirectionsTooShortToSaveAreNamed) {
    script.QueueBoxAnswer(BoxAnswer::Ok);
    SetStartFile(
        Write("short.Spr", Sprite(SPRITE_ANIMATION, 2, 2, 0, {2, 0, 0, 3, 0, 0, 0, 0, 1})));
    ASSERT_TRUE(InitWorkbench());
    ASSERT_EQ(script.Shown().size(), 1u);
    EXPECT_EQ(script.Shown()[0].text,
              "A direction is saved only from 3 frames on. These are marked but will be left out "
              "of the next save unless their ranges are marked longer: No Direction (2 frames), "
              "LeftDown (1 frame)");
}

TEST_F(ReopenTest, DamagedFilesAreRefusedWithTheirReasonThenTheFirstPictureIsAskedFor) {
    std::vector<uint8_t> good = Sprite(SPRITE_ANIMATION, 2, 2, 0, {3});  // 91 + 24 bytes
    std::vector<uint8_t> badType = good, longFile = good;
    badType[35] = 3;                               // the type field
    longFile.resize(91 + 2 * 1400 * 2500 + 2, 0);  // past the longest the sheet can take
    RgbImage wide(641, 1);
    const std::string is = " is not a sound sprite file:\n- ";
    // clang-format off
    const struct { std::string name; std::vector<uint8_t> bytes; std::string told; } cases[] = {
        {"long.Spr", longFile, is + "file is 7000093 bytes, the header implies 115 (6999978 bytes too long)"},
        {"many.Spr", Sprite(SPRITE_ANIMATION, 640, 480, 0, {11}),
         " holds 11 frames; the sheet has room for 10 frames of 640 x 480."},
        {"signed.pcx", badType, is + "type is 3, expected 1 (animation) or 2 (single)"},  // content, not name
        {"text.pcx", {'h', 'i'}, " cannot be read as a picture (PCX or PNG)."},
        {"wide.pcx", EncodePcx24(wide), " is 641 x 1 pixels; the sprite size can be at most 640 x 480."},
        {"", {}, " cannot be opened: No such file or directory"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (&c != cases) Restart();
        const std::string path = c.name.empty() ? folder + "/missing.Spr" : Write(c.name, c.bytes);
        SetStartFile(path);
        script.QueueBoxAnswer(BoxAnswer::Ok);
        script.QueueOpenAnswer(WriteGradient("first.pcx", 4, 4));
        ASSERT_TRUE(InitWorkbench());
        ASSERT_EQ(script.Shown().size(), 2u);
        EXPECT_EQ(script.Shown()[0].text, path + c.told);
        EXPECT_EQ(g_state.sheet.spriteWidth, 4);
    }
}

}  // namespace
