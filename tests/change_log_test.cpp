// The change log over every kind of change the handlers make: done, undone
// with Ctrl+Z, redone with Ctrl+Y and Ctrl+Shift+Z, and a new change after
// an undo dropping the redo side.
#include <cctype>
#include <cstdio>
#include <functional>
#include <string>

#include "display/pixmap.h"
#include "shell/window.h"
#include "state/change_log.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/session.h"
#include "workbench/directions.h"

using platform::BoxAnswer;
using platform::kModCtrl;
using platform::kModShift;

namespace {

// Sprites of 2 x 2: the sheet's first row holds cells 0, 1, 2, 3 at x = 0,
// 2, 4, 6 on screen (y 31 is each cell's lower row).
class ChangeLogTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        StartWith(WriteGradient("first.pcx", 2, 2));
        const uint16_t working[4] = {1, 2, 3, 4};
        std::copy_n(working, 4, g_spritePictures.working->GetBits());
        for (int cell = 1; cell < 4; ++cell)
            for (int i = 0; i < 4; ++i)
                g_sheet[(i / 2) * SHEET_WIDTH + 2 * cell + i % 2] =
                    static_cast<uint16_t>(10 * (cell + 1) + i);
        Tick();  // the mark fills cell 0
    }
    // z: Ctrl+Z, y: Ctrl+Y, Z: Ctrl+Shift+Z.
    void Keys(const std::string& keys) {
        for (char k : keys) script.PressKey(std::toupper(k), kModCtrl | (k == 'Z' ? kModShift : 0));
        while (script.PeekMessage()) WindowProc(script.GetMessage());
    }
    // Cells 0-3 row by row, the mark, Left's range and count, the key colour.
    static std::string Work() {
        std::string text;
        for (int cell = 0; cell < 4; ++cell)
            for (uint16_t pixel : CellPixels(cell)) text += std::to_string(pixel) + " ";
        const SheetState& s = g_state.sheet;
        const DirectionRange& left = g_state.directions.directionRanges[1];
        char rest[96];
        std::snprintf(rest, sizeof rest, "mark %d,%d %d %d Left %d:%d-%d/%d key %u", s.cellX,
                      s.cellY, s.sheetHasRoom, s.placedCount, left.state, left.firstCell,
                      left.lastCell, g_state.directions.directionCount[1], g_state.edit.keyColour);
        return text + rest;
    }
    // Presses Left on the compass, then drags from cell `from` to `to`
    // (1-based) and, when asked, confirms with Space.
    void MarkLeft(int from, int to, bool confirm = true) {
        g_state.edit.workMode = MODE_ANIMATE;
        Click(100, 560);
        Tick();
        MoveTo(2 * from - 1, 31);
        Hold(platform::kKeyLeftButton, true);
        Tick();
        MoveTo(2 * to - 1, 31);
        Tick();
        if (!confirm) return;
        Hold(platform::kKeySpace, true);
        Tick();
        Hold(platform::kKeySpace, false);
        Hold(platform::kKeyLeftButton, false);
    }
    void Exchange(int first, int second) {
        g_state.edit.workMode = MODE_EDIT;
        g_state.edit.clipboardOpen = 1;
        g_state.edit.clipboardState = CLIPBOARD_AWAIT_STORE;
        for (BoxAnswer answer : {BoxAnswer::Yes, BoxAnswer::Ok, BoxAnswer::Yes, BoxAnswer::Ok})
            script.QueueBoxAnswer(answer);
        Click(2 * first - 1, 31);
        Click(2 * second - 1, 31);
    }
    void PickKey(std::initializer_list<int> xs) {
        g_state.edit.workMode = MODE_EDIT;
        Click(350, 560);  // the picker
        Hold(platform::kKeyLeftButton, true);
        for (int x : xs) {
            MoveTo(x, 31);
            Tick();
        }
        Hold(platform::kKeyLeftButton, false);
        Tick();
    }
};

const std::string kStart =
    "33000 33000 33000 33000 20 21 22 23 30 31 32 33 40 41 42 43 mark 0,0 1 0 "
    "Left 0:0-0/1 key 0";

TEST_F(ChangeLogTest, EveryKindDoneUndoneRedoneAndDroppedByANewChange) {
    // clang-format off
    const struct { const char* what; std::function<void()> act; std::string done; } cases[] = {
        {"frame placed on the mark", [this] { Click(1, 31); },
         "1 2 3 4 33000 33000 33000 33000 30 31 32 33 40 41 42 43 mark 2,0 1 1 "
         "Left 0:0-0/1 key 0"},
        {"cells 2 and 4 exchanged", [this] { Exchange(2, 4); },
         "33000 33000 33000 33000 40 41 42 43 30 31 32 33 20 21 22 23 mark 0,0 1 0 "
         "Left 0:0-0/1 key 0"},
        {"cell 3 exchanged with itself", [this] { Exchange(3, 3); }, kStart},
        {"Left marked over cells 2 to 4", [this] { MarkLeft(2, 4); },
         "33000 33000 33000 33000 20 21 22 23 30 31 32 33 40 41 42 43 mark 0,0 1 0 "
         "Left 3:2-4/2 key 0"},
        {"key picked on cell 4's lower row", [this] { PickKey({7}); },
         "33000 33000 33000 33000 20 21 22 23 30 31 32 33 40 41 42 43 mark 0,0 1 0 "
         "Left 0:0-0/1 key 43"},
        {"key dragged over cells 4, 3, 2: one change", [this] { PickKey({6, 4, 2}); },
         "33000 33000 33000 33000 20 21 22 23 30 31 32 33 40 41 42 43 mark 0,0 1 0 "
         "Left 0:0-0/1 key 22"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (&c != cases) {
            TearDown();
            SetUp();
        }
        ASSERT_EQ(Work(), kStart);
        c.act();
        ASSERT_EQ(g_changeLog.Records().size(), 1u);
        EXPECT_EQ(Work(), c.done);
        Keys("z");
        EXPECT_EQ(Work(), kStart) << "undone";
        Keys("y");
        EXPECT_EQ(Work(), c.done) << "redone with Ctrl+Y";
        Keys("zzZy");  // the second undo and the second redo find nothing to do
        EXPECT_EQ(Work(), c.done) << "redone with Ctrl+Shift+Z";
        Keys("z");
        Change paint;
        paint.cells.push_back({2, CellPixels(2), {7, 7, 7, 7}});
        g_changeLog.Do(paint);
        Keys("y");
        EXPECT_EQ(Work(),
                  "33000 33000 33000 33000 20 21 22 23 7 7 7 7 40 41 42 43 "
                  "mark 0,0 1 0 Left 0:0-0/1 key 0")
            << "the new change dropped the redo side";
        EXPECT_EQ(g_changeLog.Records().size(), 1u);
    }
}

// Undo in the middle of marking puts back the range the marking replaced
// before undoing; nothing of the marking goes on, and a stored clipboard cell
// waits to be chosen again. The freeze ends undoing.
TEST_F(ChangeLogTest, UndoWhileMarkingLeavesNothingHalfDoneAndTheFreezeIsFinal) {
    MarkLeft(2, 4);
    MarkLeft(1, 3, false);
    ASSERT_EQ(g_state.directions.directionRanges[1].state, RANGE_MARKING);
    g_state.edit.clipboardState = CLIPBOARD_AWAIT_EXCHANGE;
    Keys("z");
    EXPECT_EQ(Work(), kStart);
    EXPECT_EQ(g_state.edit.clipboardState, CLIPBOARD_AWAIT_STORE) << "the exchange starts again";
    Hold(platform::kKeySpace, true);
    Ticks(2);
    EXPECT_EQ(Work(), kStart) << "the dropped marking is not confirmed";
    Hold(platform::kKeySpace, false);
    Hold(platform::kKeyLeftButton, false);
    Tick();
    MarkLeft(1, 3);
    Keys("z");
    EXPECT_EQ(Work(), kStart) << "the new marking replaced the undone range, not the dropped one";
    Keys("y");
    g_state.freeze.freezeRequested = 1;
    Keys("z");
    EXPECT_EQ(g_state.directions.directionRanges[1].lastCell, 3);
    EXPECT_EQ(g_changeLog.Cursor(), 1u);
}

// A cell edited twice in one change is undone to what it held before both.
TEST_F(ChangeLogTest, ACellEditedTwiceInOneChangeIsUndoneToItsFirstPixels) {
    Change twice;
    twice.cells = {{3, {40, 41, 42, 43}, {5, 5, 5, 5}}, {3, {5, 5, 5, 5}, {6, 6, 6, 6}}};
    g_changeLog.Do(twice);
    EXPECT_EQ(CellPixels(3), (std::vector<uint16_t>{6, 6, 6, 6}));
    g_changeLog.Undo();
    EXPECT_EQ(CellPixels(3), (std::vector<uint16_t>{40, 41, 42, 43}));
}

// Each direction tints its cells with its own colour: on black, Left adds
// blue 200 (0x0019 in 5-6-5) and Down red 100 (0x6000).
TEST_F(ChangeLogTest, ConfirmedAndLiveRangesTintWithTheirOwnDirection) {
    std::fill_n(g_sheet, 8, uint16_t{0});
    std::fill_n(g_sheet + SHEET_WIDTH, 8, uint16_t{0});
    for (auto [selector, tint] : {std::pair{2, 0x0019}, {5, 0x6000}}) {
        g_state.directions.directionRanges[selector - 1] = {RANGE_CONFIRMED, 1, 3};
        g_state.directions.directionCount[selector - 1] = 2;
        g_screenBuf[WORK_TOP * SCREEN_WIDTH] = 0;
        DrawConfirmedRanges();
        EXPECT_EQ(g_screenBuf[WORK_TOP * SCREEN_WIDTH], tint) << selector;
        g_state.directions.directionRanges[selector - 1].state = RANGE_UNSET;
        g_screenBuf[WORK_TOP * SCREEN_WIDTH + 2] = 0;
        DrawLiveRange(selector);
        EXPECT_EQ(g_screenBuf[WORK_TOP * SCREEN_WIDTH + 2], tint) << selector;
    }
}

}  // namespace
