#include <filesystem>

#include "display/pixmap.h"
#include "platform/zenity.h"
#include "shell/window.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/session.h"
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
    EXPECT_EQ(Working(), 0x0800);  // walk_1
    const struct {
        uint16_t working;
        uint16_t corner;  // the count's top-left pixel, or the pane beneath
    } after[] = {{0x1000, 0x101}, {0x1800, 0}, {0x1800, 0}};
    for (const auto& step : after) {
        PlaceOnMark();
        Tick();
        EXPECT_EQ(Working(), step.working);
        EXPECT_EQ(Screen(789, 33), step.corner);
    }
    EXPECT_EQ(g_state.queue.placedNames,
              (std::vector<std::string>{folder + "/walk_1.pcx", folder + "/walk_2.pcx",
                                        folder + "/walk_10.pcx"}));
}

TEST_F(QueueTest, DropsJoinTheQueueAndFoldersAreRefused) {
    StartWith(Flat("a_1.pcx", 1));
    const std::string folder = std::filesystem::path(Flat("a_3.pcx", 3)).parent_path();
    using platform::MessageKind;
    auto drop = [](const std::string& path) {
        platform::Message message(MessageKind::DropFile);
        message.path = path;
        WindowProc(message);
    };
    drop(folder + "/a_3.pcx");
    drop(Flat("a_2.pcx", 2));
    EXPECT_EQ(g_state.queue.waiting,
              (std::vector<std::string>{folder + "/a_2.pcx", folder + "/a_3.pcx"}));
    EXPECT_EQ(Working(), 0x0800) << "the pane's picture is not placed yet";
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    drop(folder);
    ASSERT_EQ(script.Shown().size(), 2u);
    EXPECT_NE(script.Shown()[1].text.find("is a folder"), std::string::npos);
    for (uint16_t expected : {0x1000, 0x1800, 0x1800}) {
        PlaceOnMark();
        EXPECT_EQ(Working(), expected);
    }
    drop(Flat("a_4.pcx", 4));
    EXPECT_EQ(Working(), 0x2000) << "a placed picture gives way at once";
    EXPECT_TRUE(g_state.queue.waiting.empty());
}

// A drop that comes while the open dialog is up answers it.
TEST_F(QueueTest, DropsAnswerTheFirstDialog) {
    platform::Message message(platform::MessageKind::DropFile);
    message.path = Flat("d_2.pcx", 2);
    script.PostMessage(message);
    message.path = Flat("d_1.pcx", 1);
    script.PostMessage(message);
    ASSERT_TRUE(InitWorkbench());
    EXPECT_EQ(Working(), 0x0800);
    EXPECT_EQ(g_state.queue.waiting.size(), 1u);
}

}  // namespace
