// The command line, a machine without sound, and where the editor looks for its data folder.
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

// "<scale> <dither> <matte or -> <alpha threshold>", the file, further pictures, the error.
std::string Told(const CommandLine& line) {
    const ColourOptions& o = line.colour;
    std::string told = std::to_string(line.scale) + " " + std::to_string(o.dither) + " ";
    told += o.useMatte ? std::to_string(o.matte.red) + "," + std::to_string(o.matte.green) + "," +
                             std::to_string(o.matte.blue)
                       : "-";
    told += " " + std::to_string(o.alphaThreshold) + (line.file.empty() ? "" : " " + line.file);
    for (const std::string& picture : line.morePictures) told += " +" + picture;
    return told + (line.error.empty() ? "" : " " + line.error);
}

// The scale and dither options win over CELFORGE_SCALE and CELFORGE_DITHER, then not read.
TEST(CommandLineTest, ScaleColourAndFilesFromOptionsOrVariables) {
    const std::string bad = " wants a whole number from 1 to 4, not ";
    const std::string threshold = "--alpha-threshold wants a whole number from 1 to 255, not ";
    const std::string matte = "--matte wants R,G,B with each a whole number from 0 to 255, not ";
    // clang-format off
    const struct { std::vector<std::string> args; const char* scale; const char* dither; std::string told; } cases[] = {
        {{}, "", "", "1 0 - 128"},  // an empty variable counts as unset
        {{}, "4", "1", "4 1 - 128"},
        {{"--scale", "1", "--no-dither"}, "3", "1", "1 0 - 128"},
        {{"--scale=3", "--dither"}, "bad", "yes", "3 1 - 128"},
        {{"picture.pcx"}, "2", "0", "2 0 - 128 picture.pcx"},
        {{"--matte", "10,20,30", "--alpha-threshold=200", "--", "-a.Spr", "--scale", "3"}, nullptr, nullptr, "3 0 10,20,30 200 -a.Spr"},
        {{"a.pcx", "--scale=2", "b.png", "--matte=0,0,0", "--alpha-threshold", "1", "c.pcx"}, nullptr, nullptr, "2 0 0,0,0 1 a.pcx +b.png +c.pcx"},
        {{"--scale", "5"}, nullptr, nullptr, "1 0 - 128 --scale" + bad + "\"5\""},
        {{"--scale=2x"}, nullptr, nullptr, "1 0 - 128 --scale" + bad + "\"2x\""},
        {{"--scale"}, nullptr, nullptr, "1 0 - 128 --scale needs a number from 1 to 4"},
        {{}, "0", nullptr, "1 0 - 128 CELFORGE_SCALE" + bad + "\"0\""},
        {{"a.Spr", "b.pcx"}, nullptr, nullptr, "1 0 - 128 a.Spr a sprite file opens alone: \"a.Spr\" and \"b.pcx\" were given"},
        {{"a.pcx", "b.SPR"}, nullptr, nullptr, "1 0 - 128 a.pcx a sprite file opens alone: \"a.pcx\" and \"b.SPR\" were given"},
        {{"-x"}, nullptr, nullptr, "1 0 - 128 unknown option \"-x\" (see celforge --help)"},
        {{}, nullptr, "yes", "1 0 - 128 CELFORGE_DITHER wants 1 (dither) or 0 (do not), not \"yes\""},
        {{"--alpha-threshold", "0"}, nullptr, nullptr, "1 0 - 128 " + threshold + "\"0\""},
        {{"--alpha-threshold=256"}, nullptr, nullptr, "1 0 - 128 " + threshold + "\"256\""},
        {{"--alpha-threshold", "+5"}, nullptr, nullptr, "1 0 - 128 " + threshold + "\"+5\""},
        {{"--matte", "1,2"}, nullptr, nullptr, "1 0 - 128 " + matte + "\"1,2\""},
        {{"--matte", "1,2,3,4"}, nullptr, nullptr, "1 0 - 128 " + matte + "\"1,2,3,4\""},
        {{"--matte"}, nullptr, nullptr, "1 0 - 128 --matte needs R,G,B"},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(Told(ParseCommandLine(c.args, c.scale, c.dither)), c.told);
    EXPECT_TRUE(ParseCommandLine({"--help"}, nullptr).help);
}

// An audio driver that does not exist fails like a machine without a card.
TEST(SilentMachineTest, SaysOnceThatTheEditorStaysSilentAndStopsTrying) {
    setenv("SDL_AUDIODRIVER", "celforge-no-such-driver", 1);
    platform::SdlPlatform sdl;
    ::testing::internal::CaptureStderr();
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
    EXPECT_EQ(FirstHoldingSkin({empty, folder}), std::nullopt);
    fs::remove_all(root);
}

}  // namespace
