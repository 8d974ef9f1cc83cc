#include "workbench/picture_queue.h"
#include "platform/zenity.h"
#include "shell/window.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "tests/support/session.h"
#include "workbench/placement.h"

namespace {

TEST(PictureQueueTest, SortsNamesAsPeopleNumberThem) {
    std::vector<std::string> paths = {
        "/b/walk_10.pcx", "/b/walk_2.pcx", "/a/walk_1.pcx",  "/c/walk_02.pcx",
        "/a/Walk_2.pcx",  "/z/idle.pcx",   "/a/WALK_9b.pcx", "/a/walk_9a.pcx",
    };
    SortNaturally(paths);
    const std::vector<std::string> expected = {
        "/z/idle.pcx",                      // letters before the walk frames
        "/a/walk_1.pcx",  "/a/Walk_2.pcx",  // case does not count...
        "/b/walk_2.pcx",                    // ...ties go by the full path
        "/c/walk_02.pcx",                   // a leading zero is the same number
        "/a/walk_9a.pcx", "/a/WALK_9b.pcx", "/b/walk_10.pcx",
    };
    EXPECT_EQ(paths, expected);
}

TEST(PictureQueueTest, FindsTheDirectionWordInAName) {
    const struct {
        const char* path;
        std::optional<int> slot;
    } cases[] = {
        {"/x/hero-RIGHT-03.png", 2},
        {"/x/up7.pcx", 3},
        {"/x/Down.pcx", 4},
        {"/x/bug_leftup_1.pcx", 5},
        {"/x/bug.leftdown.2.pcx", 6},
        {"/x/bug_rightup_1.pcx", 7},
        {"/x/9rightdown9.pcx", 8},
        {"/left/bug_1.pcx", std::nullopt},      // only the file's own name counts
        {"/x/upper_1.pcx", std::nullopt},       // a word, not a part of one
        {"/x/left_right_1.pcx", std::nullopt},  // two directions: neither
        {"/x/left_up_1.pcx", std::nullopt},     // "left" and "up" are two words
        {"/x/walk_left_left.pcx", 1},           // the same one twice is fine
    };
    // No Direction, Left and RightDown: the work model's names.
    for (const auto& c : cases) EXPECT_EQ(DirectionSlotInName(c.path), c.slot) << c.path;
}

// zenity's output for several files splits only at the separator it was given.
TEST(ZenityFilesTest, SplitsPrintedPathsAtTheSeparatorOnly) {
    const struct {
        const char* printed;
        std::vector<std::string> paths;
    } cases[] = {
        {"/a/x.pcx///b/y.pcx", {"/a/x.pcx", "/b/y.pcx"}},
        {"/a/two\nlines.pcx///b/y.pcx", {"/a/two\nlines.pcx", "/b/y.pcx"}},  // a name's own break
        {"//host/a.pcx////host/b.pcx", {"//host/a.pcx", "//host/b.pcx"}},    // leading pairs
        {"/one.pcx", {"/one.pcx"}},
        {"(null)///b/y.pcx", {"(null)", "/b/y.pcx"}},  // left for the editor to refuse
    };
    for (const auto& c : cases) {
        const platform::DialogResult answer =
            platform::FilesDialogAnswer({true, 0, 0, false, c.printed + std::string("\n"), false});
        EXPECT_EQ(std::pair(answer.path, answer.paths), std::pair(c.paths[0], c.paths));
    }
    const std::vector<std::string> args = platform::ZenityFilesArguments("T", {}, "", "");
    EXPECT_EQ(std::count(args.begin(), args.end(), "--multiple"), 1);
    EXPECT_EQ(std::count(args.begin(), args.end(), "--separator=//"), 1);
}

// The mark on the last cells with room of a sheet of 16 x 16 sprites (87 to a
// row; the row at y 2432 is the last that takes frames), the sheet scrolled
// to its far corner: Shift+click places two, a click on the full sheet
// places none, and undo takes both back as one.
class FullSheetTest : public SessionTest {};

TEST_F(FullSheetTest, ShiftClickFillsTheSheetKeepsTheRestAndUndoesAsOne) {
    std::vector<std::string> chosen;
    for (int shade = 1; shade <= 4; ++shade)
        chosen.push_back(
            WritePicture("f_" + std::to_string(shade) + ".pcx",
                         MakeFlatImage(16, 16, static_cast<uint8_t>(8 * shade), 0, 0)));
    script.QueueOpenAnswers(chosen);
    ASSERT_TRUE(InitWorkbench());
    g_state.sheet.cellX = 1360;
    g_state.sheet.cellY = 2432;
    g_state.sheet.placedCount = 5;
    g_state.panes.sheetScrollX = 800;
    g_state.panes.sheetScrollY = 2000;
    g_sheet[2432 * SHEET_WIDTH + 1376] = 0x0042;
    Tick();  // marks cell (1360, 2432)
    script.SetHeldModifiers(platform::kModShift);
    Click(568, 470);
    script.SetHeldModifiers(platform::kModNone);
    const auto at = [](int x, int y) { return g_sheet[y * SHEET_WIDTH + x]; };
    EXPECT_EQ(std::vector<int>({at(1360, 2432), at(1376, 2432), at(0, 2448),
                                g_state.sheet.placedCount, g_state.sheet.sheetHasRoom}),
              std::vector<int>({0x0800, 0x1000, 0, 7, 0}));  // f_1, f_2; no mark below
    EXPECT_EQ(UnplacedPictures(g_state.queue), (std::vector<std::string>{chosen[2], chosen[3]}));
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    g_state.panes.sheetScrollX = 0;
    Click(8, 485);
    EXPECT_EQ(script.Shown().back().caption, "The sheet is full");
    EXPECT_EQ(at(0, 2448), 0) << "a full sheet refuses and overwrites nothing";
    script.PressKey(platform::kKeyZ, platform::kModCtrl);
    while (script.PeekMessage()) WindowProc(script.GetMessage());
    EXPECT_EQ(std::pair(at(1360, 2432), at(1376, 2432)),
              std::pair(PLACEMENT_MARK, uint16_t{0x0042}));
}

}  // namespace
