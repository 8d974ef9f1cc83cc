// The command line and its scale, a machine without sound, and where the editor looks for its data
// folder.
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
    const std::string bad = " wants a whole number from 1 to 4, not ";
    // clang-format off
    const struct { std::vector<std::string> args; const char* variable; std::string told; } cases[] = {
        {{}, nullptr, "1"},
        {{}, "", "1"},  // an empty variable counts as unset
        {{}, "4", "4"},
        {{"--scale", "2"}, "3", "2"},  // the option wins
        {{"--scale=3"}, "bad", "3"},   // a bad variable is not read then
        {{"--scale", "1"}, nullptr, "1"},
        {{"--scale", "5"}, nullptr, "1 --scale" + bad + "\"5\""},
        {{"--scale", "0"}, nullptr, "1 --scale" + bad + "\"0\""},
        {{"--scale=2x"}, nullptr, "1 --scale" + bad + "\"2x\""},
        {{"--scale"}, nullptr, "1 --scale needs a number from 1 to 4"},
        {{}, "5", "1 CELFORGE_SCALE" + bad + "\"5\""},
        {{"picture.pcx"}, "2", "2 picture.pcx"},
        {{"--", "-a.Spr", "--scale", "3"}, nullptr, "3 -a.Spr"},
        {{"a.Spr", "b.pcx"}, nullptr, "1 a.Spr a sprite file opens alone: \"a.Spr\" and \"b.pcx\" were given"},
        {{"a.pcx", "b.SPR"}, nullptr, "1 a.pcx a sprite file opens alone: \"a.pcx\" and \"b.SPR\" were given"},
        {{"a.pcx", "--scale=2", "b.png", "c.pcx"}, nullptr, "2 a.pcx +b.png +c.pcx"},
        {{"-x"}, nullptr, "1 unknown option \"-x\" (see celforge --help)"},
    };
    // clang-format on
    for (const auto& c : cases) {
        const CommandLine line = ParseCommandLine(c.args, c.variable);
        std::string more;
        for (const std::string& picture : line.morePictures) more += " +" + picture;
        EXPECT_EQ(std::to_string(line.scale) + (line.file.empty() ? "" : " " + line.file) + more +
                      (line.error.empty() ? "" : " " + line.error),
                  c.told);
    }
    EXPECT_TRUE(ParseCommandLine({"--help"}, nullptr).help);
}

TEST(CommandLineTest, DitherMatteAndThresholdFromOptionsOrVariable) {
    // clang-format off
    const struct { std::vector<std::string> args; const char* variable; std::string told; } cases[] = {
        {{}, nullptr, "0 - 128"},
        {{}, "1", "1 - 128"},
        {{}, "0", "0 - 128"},
        {{}, "", "0 - 128"},
        {{"--no-dither"}, "1", "0 - 128"},  // the option wins
        {{"--dither"}, "0", "1 - 128"},
        {{"--dither"}, "yes", "1 - 128"},   // a variable the option overrides is not read
        {{}, "yes", "0 - 128 CELFORGE_DITHER wants 1 (dither) or 0 (do not), not \"yes\""},
        {{"--matte", "10,20,30", "--alpha-threshold=200"}, nullptr, "0 10,20,30 200"},
        {{"--matte=0,0,0", "--alpha-threshold", "1"}, nullptr, "0 0,0,0 1"},
        {{"--alpha-threshold", "0"}, nullptr, "0 - 128 --alpha-threshold wants a whole number from 1 to 255, not \"0\""},
        {{"--alpha-threshold=256"}, nullptr, "0 - 128 --alpha-threshold wants a whole number from 1 to 255, not \"256\""},
        {{"--matte", "1,2"}, nullptr, "0 - 128 --matte wants R,G,B with each a whole number from 0 to 255, not \"1,2\""},
        {{"--matte"}, nullptr, "0 - 128 --matte needs R,G,B"},
        {{"--matte", "1,2,3,4"}, nullptr, "0 - 128 --matte wants R,G,B with each a whole number from 0 to 255, not \"1,2,3,4\""},
        {{"--matte=-1,2,3"}, nullptr, "0 - 128 --matte wants R,G,B with each a whole number from 0 to 255, not \"-1,2,3\""},
        {{"--alpha-threshold", "+5"}, nullptr, "0 - 128 --alpha-threshold wants a whole number from 1 to 255, not \"+5\""},
    };
    // clang-format on
    for (const auto& c : cases) {
        const CommandLine line = ParseCommandLine(c.args, nullptr, c.variable);
        const ColourOptions& o = line.colour;
        const std::string matte = o.useMatte ? std::to_string(o.matte.red) + "," +
                                                   std::to_string(o.matte.green) + "," +
                                                   std::to_string(o.matte.blue)
                                             : "-";
        EXPECT_EQ(std::to_string(o.dither) + " " + matte + " " + std::to_string(o.alphaThreshold) +
                      (line.error.empty() ? "" : " " + line.error),
                  c.told);
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
    for (const std::string& made : {empty, skin, folder + "WTOOLBAR.pcx"})  // a folder is no skin
        fs::create_directories(made);
    std::ofstream(skin + "WTOOLBAR.pcx") << "x";
    EXPECT_EQ(FirstHoldingSkin({empty, folder, skin}), skin);
    EXPECT_EQ(FirstHoldingSkin({skin, empty}), skin);
    EXPECT_EQ(FirstHoldingSkin({empty, folder}), std::nullopt);
    fs::remove_all(root);
}

}  // namespace
