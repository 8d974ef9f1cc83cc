// The session store through the real start-up: work left by an editor that
// ended without saving comes back whole on Yes, goes aside on No, and a
// clean animation save leaves nothing to offer.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "display/ddraw.h"
#include "display/pixmap.h"
#include "shell/window.h"
#include "shell/workbench_init.h"
#include "state/change_log.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "state/work.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/freeze.h"

using platform::BoxAnswer;
using platform::kModCtrl;

namespace {

namespace fs = std::filesystem;

// Sprites of 4 x 4: cells 1, 2, 3 of the sheet's first row lie at x = 0, 4,
// 8 on screen, y 33 is their lower row (y 31 would be on the save button).
class SessionRestoreTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        first = WriteGradient("first.pcx", 4, 4);
        StartWith(first);
        SetWorking();
    }
    static void SetWorking() {
        const uint16_t working[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        std::copy_n(working, 16, g_spritePictures.working->GetBits());
    }
    // Three frames, Left marked over them, a key picked and undone, a
    // picture in the pane: each tick writes what it changed.
    void DoWork() {
        Tick();
        for (int x : {1, 5, 9}) Click(x, 33);  // on the mark each time
        g_state.edit.workMode = MODE_ANIMATE;
        Click(100, 560);  // Left on the compass
        Tick();
        MoveTo(1, 33);
        Hold(platform::kKeyLeftButton, true);
        Tick();
        MoveTo(9, 33);
        Tick();
        Hold(platform::kKeySpace, true);
        Tick();
        Hold(platform::kKeySpace, false);
        Hold(platform::kKeyLeftButton, false);
        g_state.edit.workMode = MODE_EDIT;
        Click(350, 560);  // the key picker, then cell 2's lower row, second pixel
        Click(5, 33);
        Tick();
        Keys("z");
        RgbImage white(3, 1);
        for (int x = 0; x < 3; ++x) std::fill_n(white.At(x, 0), 3, uint8_t{255});
        script.QueueOpenAnswer(WritePicture("pane.pcx", white));
        g_state.panes.openPictureRequest = 1;
        Tick();
    }
    void Keys(const std::string& keys) {
        for (char k : keys) script.PressKey(std::toupper(k), kModCtrl);
        while (script.PeekMessage()) WindowProc(script.GetMessage());
    }
    // The editor is gone without a save; a new one starts in the same state folder.
    void Restart() {
        ReleaseWorkbench();
        g_screen.ReleaseAll();
        ResetEditorState();
        ASSERT_TRUE(OpenMainWindow());
        script.ClearShown();
    }
    // Cells 1-4 (the mark's colour as m), the mark, Left's range and count, the key colour.
    static std::string Work() {
        std::string text;
        for (int cell = 0; cell < 4; ++cell)
            for (uint16_t pixel : CellPixels(cell))
                text += pixel == 33000 ? "m" : std::to_string(pixel) + " ";
        const SheetState& s = g_state.sheet;
        const DirectionRange& left = g_state.directions.directionRanges[1];
        char rest[96];
        std::snprintf(rest, sizeof rest, "mark %d,%d %d %d Left %d:%d-%d/%d key %u", s.cellX,
                      s.cellY, s.sheetHasRoom, s.placedCount, left.state, left.firstCell,
                      left.lastCell, g_state.directions.directionCount[1], g_state.edit.keyColour);
        return text + rest;
    }
    static fs::path Sessions() {
        return fs::path(std::getenv("XDG_STATE_HOME")) / "celforge" / "sessions";
    }
    static int Count(const fs::path& folder) {
        std::error_code error;
        int count = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
            count += entry.path().filename() != "aside";
        return count;
    }
    std::string first;
};

// The mark fills the fourth cell with 33000; the undone key pick stays on the
// redo side.
const std::string kFrame = "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 ";
const std::string kMark = std::string(16, 'm');  // stands for 16 x "33000 "
const std::string kBlank = "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ";
const std::string kDone = kFrame + kFrame + kFrame + kMark + "mark 12,0 1 3 Left 3:1-3/2 key 0";

TEST_F(SessionRestoreTest, YesBringsTheWorkBackWithItsHistory) {
    DoWork();
    ASSERT_EQ(Work(), kDone);
    Restart();
    script.QueueBoxAnswer(BoxAnswer::Yes);  // no first-picture answer: it must not be asked
    ASSERT_TRUE(InitWorkbench());
    ASSERT_EQ(script.Shown().size(), 1u);
    EXPECT_EQ(script.Shown()[0].text.find("Restore the unsaved work of "), 0u);
    EXPECT_NE(script.Shown()[0].text.find(": 3 frames, 1 directions marked?"), std::string::npos);
    EXPECT_EQ(Work(), kDone);
    EXPECT_EQ(g_pictureBuf[0], 65535);  // the white picture, in the pane
    EXPECT_EQ(g_pictureBuf[2], 65535);
    EXPECT_EQ(g_pictureBuf[3], 0);
    EXPECT_EQ(g_spritePictures.working->GetBits()[0], 65535) << "placing goes on from the pane";
    Keys("y");
    EXPECT_EQ(g_state.edit.keyColour, 14u) << "the key pick is redone";
    Keys("zzz");
    EXPECT_EQ(Work(), kFrame + kFrame + kMark + kBlank + "mark 8,0 1 2 Left 0:0-0/1 key 0");
    Tick();
    EXPECT_EQ(Count(Sessions()), 1) << "the restored session goes on being written";
}

// The first picture lives on only as the working image drawn in the pane.
TEST_F(SessionRestoreTest, TheWorkingImageComesBackWithNoPictureOpenedSinceStart) {
    Tick();
    Click(1, 33);
    Restart();
    script.QueueBoxAnswer(BoxAnswer::Yes);
    ASSERT_TRUE(InitWorkbench());
    const uint16_t* working = g_spritePictures.working->GetBits();
    EXPECT_EQ(std::vector<uint16_t>(working, working + 16),
              std::vector<uint16_t>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
}

TEST_F(SessionRestoreTest, NoMovesTheWorkAsideAndAsksForTheFirstPicture) {
    DoWork();
    Restart();
    script.QueueBoxAnswer(BoxAnswer::No);
    script.QueueOpenAnswer(first);
    ASSERT_TRUE(InitWorkbench());
    ASSERT_EQ(script.Shown().size(), 2u);
    EXPECT_EQ(script.Shown()[0].caption, "Unsaved work");
    EXPECT_EQ(script.Shown()[1].caption, FIRST_PICTURE_TITLE);
    EXPECT_EQ(Work(), kBlank + kBlank + kBlank + kBlank + "mark 0,0 1 0 Left 0:0-0/1 key 0");
    EXPECT_EQ(Count(Sessions() / "aside"), 1);
    EXPECT_EQ(Count(Sessions()), 1) << "this editor's own";
}

TEST_F(SessionRestoreTest, ACleanAnimationSaveRemovesTheSession) {
    DoWork();
    g_state.edit.workMode = MODE_PLACE;
    g_state.freeze.freezeRequested = 1;
    for (int i = 0; i < 400 && g_state.freeze.freezeStep < FREEZE_STEPS; ++i) Tick();
    ASSERT_EQ(g_state.freeze.phase, PHASE_FROZEN);
    ASSERT_EQ(Count(Sessions()), 1);
    script.QueueSaveAnswer(::testing::TempDir() + "clean.Spr");
    script.QueueBoxAnswer(BoxAnswer::Ok);  // the report
    Click(100, 15);
    ASSERT_EQ(g_state.freeze.phase, PHASE_CLOSING);
    EXPECT_EQ(Count(Sessions()), 0);
    Restart();
    script.QueueOpenAnswer(first);  // no restore box before it
    ASSERT_TRUE(InitWorkbench());
    EXPECT_EQ(script.Shown().size(), 1u);
}

TEST_F(SessionRestoreTest, AStateFolderThatCannotBeWrittenIsToldOnceAndTheWorkGoesOn) {
    Restart();
    setenv("XDG_STATE_HOME", "/proc/celforge-no-state", 1);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    script.QueueOpenAnswer(first);
    ASSERT_TRUE(InitWorkbench());
    SetWorking();
    DoWork();
    EXPECT_EQ(Work(), kDone);
    int told = 0;
    for (const platform::ShownDialog& shown : script.Shown()) told += shown.caption == "Session";
    EXPECT_EQ(told, 1);
    EXPECT_EQ(script.Shown()[0].caption, "Session") << "before the first picture is asked for";
}

}  // namespace
