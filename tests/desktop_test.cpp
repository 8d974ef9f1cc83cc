// The command line and its scale, the scaled window's cursor, a machine
// without sound, and where the editor looks for its data folder.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "platform/sdl_platform.h"
#include "shell/command_line.h"
#include "shell/data_folder.h"

namespace fs = std::filesystem;

namespace {

TEST(CommandLineTest, ScaleFromOptionOrVariable) {
    const std::string bad = "--scale wants a whole number from 1 to 4, not ";
    const struct {
        std::vector<std::string> args;
        const char* variable;
        int scale;
        std::string error;
    } cases[] = {
        {{}, nullptr, 1, ""},
        {{}, "", 1, ""},  // an empty variable counts as unset
        {{}, "4", 4, ""},
        {{"--scale", "2"}, "3", 2, ""},  // the option wins
        {{"--scale=3"}, "bad", 3, ""},   // a bad variable is not read then
        {{"--scale", "1"}, nullptr, 1, ""},
        {{"--scale", "5"}, nullptr, 1, bad + "\"5\""},
        {{"--scale", "0"}, nullptr, 1, bad + "\"0\""},
        {{"--scale=2x"}, nullptr, 1, bad + "\"2x\""},
        {{"--scale"}, nullptr, 1, "--scale needs a number from 1 to 4"},
        {{}, "-2", 1, "CELFORGE_SCALE wants a whole number from 1 to 4, not \"-2\""},
        {{}, "5", 1, "CELFORGE_SCALE wants a whole number from 1 to 4, not \"5\""},
        {{"picture.pcx"}, nullptr, 1, "unknown argument \"picture.pcx\" (see celforge --help)"},
    };
    for (const auto& c : cases) {
        const CommandLine line = ParseCommandLine(c.args, c.variable);
        EXPECT_EQ(line.scale, c.scale) << ::testing::PrintToString(c.args);
        EXPECT_EQ(line.error, c.error) << ::testing::PrintToString(c.args);
    }
    EXPECT_TRUE(ParseCommandLine({"--help"}, nullptr).help);
}

// Pushed events reach the platform as the window would send them.
TEST(CommandLineTest, ScaledWindowTellsTheCursorInWorkbenchPixels) {
    platform::SdlPlatform sdl(3);
    const struct {
        int windowX, windowY, x, y;
    } cases[] = {{0, 0, 0, 0}, {2, 5, 0, 1}, {2399, 1799, 799, 599}, {-1, 300, -1, 100}};
    for (const auto& c : cases) {
        SDL_Event motion{SDL_MOUSEMOTION};
        motion.motion.x = c.windowX;
        motion.motion.y = c.windowY;
        SDL_PushEvent(&motion);
        sdl.PeekMessage();
        EXPECT_EQ(sdl.CursorPos().x * 1000 + sdl.CursorPos().y, c.x * 1000 + c.y) << c.windowX;
    }
}

// An audio driver that does not exist fails like a machine without a card.
TEST(SilentMachineTest, SaysOnceThatTheEditorStaysSilentAndStopsTrying) {
    setenv("SDL_AUDIODRIVER", "celforge-no-such-driver", 1);
    platform::SdlPlatform sdl;
    ::testing::internal::CaptureStderr();
    sdl.Beep(platform::BeepKind::Default);
    sdl.Beep(platform::BeepKind::Question);
    EXPECT_FALSE(sdl.OpenAudio(44100, [](int16_t*, int) {}));
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::regex_match(
        said, std::regex("celforge: no sound device \\([^\n]+\\); the editor stays silent\n")))
        << said;
    unsetenv("SDL_AUDIODRIVER");
}

TEST(DataFolderTest, WorkingFolderFirstThenTheShareFolderBesideTheProgram) {
    EXPECT_EQ(DataFolderCandidates("/opt/cf/bin/celforge"),
              (std::vector<std::string>{"data/", "/opt/cf/share/celforge/data/"}));
    EXPECT_EQ(DataFolderCandidates(""), std::vector<std::string>{"data/"});
    const std::string root = ::testing::TempDir() + "celforge_data_" + std::to_string(getpid());
    const std::string empty = root + "/empty/", skin = root + "/skin/", folder = root + "/folder/";
    fs::create_directories(empty);
    fs::create_directories(skin);
    fs::create_directories(folder + "WTOOLBAR.pcx");  // a folder is no skin file
    std::ofstream(skin + "WTOOLBAR.pcx") << "x";
    EXPECT_EQ(FirstHoldingSkin({empty, folder, skin}), skin);
    EXPECT_EQ(FirstHoldingSkin({skin, empty}), skin);
    EXPECT_EQ(FirstHoldingSkin({empty, folder}), std::nullopt);
    fs::remove_all(root);
}

}  // namespace
