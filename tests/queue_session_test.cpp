#include <sys/stat.h>

#include <filesystem>

#include "display/pixmap.h"
#include "formats/sprite_file.h"
#include "platform/zenity.h"
#include "shell/window.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/placement.h"

namespace {

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
    for (const auto& c : cases) EXPECT_EQ(platform::SplitChosenPaths(c.printed), c.paths);
    const std::vector<std::string> args = platform::ZenityFilesArguments("T", {}, "", "");
    EXPECT_EQ(std::count(args.begin(), args.end(), "--multiple"), 1);
    EXPECT_EQ(std::count(args.begin(), args.end(), "--separator=//"), 1);
    platform::ToolResult printed{true, 0, 0, false, "/a/1.pcx///a/2.pcx\n", false};
    const platform::DialogResult answer = platform::FilesDialogAnswer(printed);
    EXPECT_EQ(answer.paths, (std::vector<std::string>{"/a/1.pcx", "/a/2.pcx"}));
    EXPECT_EQ(answer.path, "/a/1.pcx");
}

// Flat pictures, red 8 * shade, so the pane's picture tells which file it is.
class QueueTest : public SessionTest {
  protected:
    std::string Flat(const std::string& name, int shade) {
        return WritePicture(name, MakeFlatImage(16, 16, static_cast<uint8_t>(8 * shade), 0, 0));
    }
    static uint16_t Working() { return g_spritePictures.working->GetBits()[0]; }
    static uint16_t Screen(int x, int y) { return g_screenBuf[y * SCREEN_WIDTH + x]; }
    // The digit strip's pixels are 0x100 + their digit.
    static void MarkDigits() {
        CPixmap& strip = *g_skin.digits;
        for (int y = 0; y < strip.Height(); ++y)
            for (int x = 0; x < strip.Width(); ++x)
                strip.GetBits()[y * strip.Width() + x] = static_cast<uint16_t>(0x100 + x / 8);
    }
    static void ResetRanges() { g_state.directions = DirectionState{}; }
    // Confirmed ranges as "slot:first-last/count ".
    static std::string Marked() {
        std::string text;
        for (int slot = 0; slot < DIRECTION_COUNT; ++slot) {
            const DirectionRange& r = g_state.directions.directionRanges[slot];
            if (r.state != RANGE_CONFIRMED) continue;
            text += std::to_string(slot) + ":" + std::to_string(r.firstCell) + "-" +
                    std::to_string(r.lastCell) + "/" +
                    std::to_string(g_state.directions.directionCount[slot]) + " ";
        }
        return text;
    }
    void PlaceOnMark() { Click(g_state.sheet.cellX + 8, WORK_TOP + g_state.sheet.cellY + 8); }
};

TEST_F(QueueTest, ChosenPicturesQueueInNameOrderAndSkipTheUnusableInOneBox) {
    const std::string folder = std::filesystem::path(Flat("walk_10.pcx", 3)).parent_path();
    std::filesystem::create_directories(folder + "/frames.pcx");
    const std::string big = WritePicture("huge.pcx", MakeFlatImage(641, 2, 0, 0, 0));
    script.QueueOpenAnswers({folder + "/walk_10.pcx", Flat("walk_2.pcx", 2), folder + "/gone.pcx",
                             folder + "/frames.pcx", Flat("walk_1.pcx", 1), big, "(null)"});
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    ASSERT_TRUE(InitWorkbench());
    ASSERT_EQ(script.Shown().size(), 2u);
    EXPECT_EQ(script.Shown()[1].text,
              "These pictures could not be used and were skipped:\n"
              "(null): not a full path\n"
              "frames.pcx: a folder, not a picture\n"
              "gone.pcx: No such file or directory\n"
              "huge.pcx: 641 x 2 pixels, larger than 640 x 480");
    EXPECT_EQ(g_state.sheet.spriteWidth, 16);
    EXPECT_EQ(g_state.queue.waiting,
              (std::vector<std::string>{folder + "/walk_2.pcx", folder + "/walk_10.pcx"}));
    MarkDigits();
    Tick();
    // Two waiting: the digit covers x 789-796, y 33-44, and no more.
    EXPECT_EQ(Screen(789, 33), 0x102);
    EXPECT_EQ(Screen(796, 44), 0x102);
    for (auto [x, y] : {std::pair{788, 33}, {797, 33}, {789, 32}, {789, 45}})
        EXPECT_EQ(Screen(x, y), 0) << x << ", " << y << ": the pane, empty there";
    for (uint16_t corner : {0x101, 0}) {  // the count's top-left pixel, or the pane beneath
        PlaceOnMark();
        Tick();
        EXPECT_EQ(Screen(789, 33), corner);
    }
}

// The files of one drop join together, in name order, and one box names
// every file of it that is not a picture file; a pipe is never opened.
TEST_F(QueueTest, OneDropJoinsTogetherAndOneBoxNamesWhatIsNotAFile) {
    StartWith(Flat("a_1.pcx", 1));
    const std::string folder = std::filesystem::path(Flat("a_3.pcx", 3)).parent_path();
    ASSERT_EQ(mkfifo((folder + "/pipe.pcx").c_str(), 0600), 0);
    for (const std::string& path :
         {folder + "/a_3.pcx", folder + "/pipe.pcx", Flat("a_2.pcx", 2), folder})
        WindowProc(platform::DropFileMessage(path));
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    Tick();
    ASSERT_EQ(script.Shown().size(), 2u);
    EXPECT_EQ(script.Shown()[1].text,
              "These pictures could not be used and were skipped:\npipe.pcx: a named pipe, not a "
              "file\n" +
                  std::filesystem::path(folder).filename().string() + ": a folder, not a picture");
}

// `celforge a.pcx b.pcx ...` names the pictures it cannot use in one box
// (the work model checks the queue they start).
TEST_F(QueueTest, CommandLinePicturesThatCannotBeUsedAreNamedInOneBox) {
    SetStartPictures({Flat("c_10.pcx", 3), "no-such-picture.pcx", Flat("c_9.pcx", 2)});
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    ASSERT_TRUE(InitWorkbench());
    ASSERT_EQ(script.Shown().size(), 1u) << "no dialog, one box";
    EXPECT_EQ(script.Shown()[0].text,
              "These pictures could not be used and were skipped:\n"
              "no-such-picture.pcx: No such file or directory");
}

// A sprite file dropped on the empty sheet opens as from the command line;
// once there is work it is refused with a box.
TEST_F(QueueTest, DroppedSpriteOpensOnlyOnTheEmptySheet) {
    StartWith(Flat("s.pcx", 1));
    const SpriteCounts counts{0, 3, 0, 0, 0, 0, 0, 0, 0};  // three frames facing left
    std::vector<uint16_t> pixels(3 * 8 * 4, 0x0123);
    const std::string sprite = ::testing::TempDir() + "walk.SPR";
    ASSERT_TRUE(WriteBytesToFile(
        sprite, EncodeSpriteFile(MakeSpriteHeader(SPRITE_ANIMATION, 8, 4, 0, counts),
                                 {{pixels.data(), pixels.size()}})));
    const platform::Message message = platform::DropFileMessage(sprite);
    WindowProc(message);
    Tick();
    EXPECT_EQ(g_state.sheet.spriteWidth, 8);
    EXPECT_EQ(g_state.sheet.spriteHeight, 4);
    EXPECT_EQ(g_state.sheet.placedCount, 3);
    EXPECT_EQ(g_sheet[3 * SHEET_WIDTH + 23], 0x0123) << "the third frame's last pixel";
    EXPECT_EQ(Working(), 0x0800) << "the picture waiting in the pane stays";
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    WindowProc(message);
    Tick();
    ASSERT_EQ(script.Shown().size(), 2u);
    EXPECT_NE(script.Shown()[1].text.find("A sprite file can be opened only while"),
              std::string::npos);
    EXPECT_EQ(g_state.sheet.placedCount, 3);
}

// The mark on the last cells with room of a sheet of 16 x 16 sprites (87 to a
// row; the row at y 2432 is the last that takes frames), the sheet scrolled
// to its far corner.
TEST_F(QueueTest, ShiftClickFillsTheSheetKeepsTheRestAndUndoesAsOne) {
    const std::string folder = std::filesystem::path(Flat("f_1.pcx", 1)).parent_path();
    script.QueueOpenAnswers(
        {folder + "/f_1.pcx", Flat("f_2.pcx", 2), Flat("f_3.pcx", 3), Flat("f_4.pcx", 4)});
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
    auto at = [](int x, int y) { return g_sheet[y * SHEET_WIDTH + x]; };
    EXPECT_EQ(at(1360, 2432), 0x0800);  // f_1
    EXPECT_EQ(at(1376, 2432), 0x1000);  // f_2, the last cell with room
    EXPECT_EQ(at(0, 2448), 0) << "no mark on a row without room";
    EXPECT_EQ(g_state.sheet.placedCount, 7);
    EXPECT_EQ(g_state.sheet.sheetHasRoom, 0);
    EXPECT_EQ(UnplacedPictures(g_state.queue),
              (std::vector<std::string>{folder + "/f_3.pcx", folder + "/f_4.pcx"}));
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    g_state.panes.sheetScrollX = 0;
    Click(8, 485);
    EXPECT_EQ(script.Shown().back().caption, "The sheet is full");
    EXPECT_EQ(at(0, 2448), 0) << "a full sheet refuses and overwrites nothing";
    script.PressKey(platform::kKeyZ, platform::kModCtrl);
    while (script.PeekMessage()) WindowProc(script.GetMessage());
    EXPECT_EQ(at(1360, 2432), PLACEMENT_MARK);
    EXPECT_EQ(at(1376, 2432), 0x0042);
}

// Cells hold pictures of these names; Ctrl+D marks (slot: first-last) and
// lists the rest.
TEST_F(QueueTest, CtrlDMarksTheDirectionsNamesGive) {
    const struct {
        std::vector<std::string> names;
        std::string marked;  // slot:first-last/count, in slot order
        std::string box;
    } cases[] = {
        // The first slot and the last: No Direction and RightDown.
        {{"b_nodirection_1", "b_nodirection_2", "b_nodirection_3", "b_rightdown_1", "b_rightdown_2",
          "b_rightdown_3"},
         "0:1-3/2 8:4-6/2 ",
         ""},
        {{"left_1", "left_2", "left_3", "right_1", "RIGHT_2", "right-3", "left_4"},
         "2:4-6/2 ",
         "These directions were left unmarked:\nleft: its pictures are not next to each other"},
        {{"walk_1", "walk_2", "walk_3", ""},
         "",
         "No placed picture's name holds a direction word."},
    };
    StartWith(Flat("s.pcx", 1));
    g_state.edit.workMode = MODE_ANIMATE;
    for (const auto& c : cases) {
        ResetRanges();
        g_state.queue.placedNames = c.names;
        g_state.sheet.placedCount = static_cast<int>(c.names.size());
        script.ClearShown();
        if (!c.box.empty()) script.QueueBoxAnswer(platform::BoxAnswer::Ok);
        script.PressKey(platform::kKeyD, platform::kModCtrl);
        while (script.PeekMessage()) WindowProc(script.GetMessage());
        EXPECT_EQ(Marked(), c.marked);
        EXPECT_EQ(script.Shown().empty() ? "" : script.Shown()[0].text, c.box);
    }
}

}  // namespace
