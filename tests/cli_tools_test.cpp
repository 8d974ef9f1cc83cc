// celforge-spr's unpack, build --from, --mirror and thumbnail, in process:
// sprite files made here go out to folders and pictures and must come back
// byte for byte, or as the literal pixels written beside each case.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/commands.h"
#include "cli/export.h"
#include "cli/picture_source.h"
#include "cli/thumbnail.h"
#include "formats/colour.h"
#include "formats/sprite_reader.h"
#include "tests/support/file_faults.h"
#include "tests/support/pcx_writer.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int code;
    std::string out, err;
};

Outcome SprRun(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = RunCelforgeSpr(args, out, err);
    return {code, out.str(), err.str()};
}

int Spr(const std::vector<std::string>& args) {
    return SprRun(args).code;
}

struct SpriteCase {
    SpriteType type;
    int width, height;
    SpriteCounts counts;
};

std::vector<uint8_t> SpriteOf(const SpriteCase& c, uint16_t key,
                              const std::vector<uint16_t>& pixels) {
    const SpriteFileHeader header = MakeSpriteHeader(c.type, c.width, c.height, key, c.counts);
    return EncodeSpriteFile(header, {{pixels.data(), pixels.size()}});
}

// Pixels i * 40503 + seed: every 65,536 in a row hold each 5-6-5 value once.
std::vector<uint8_t> MakeSpriteFile(const SpriteCase& c, uint16_t key, uint32_t seed) {
    int64_t frames = 0;
    for (int32_t n : c.counts) frames += n;
    std::vector<uint16_t> pixels(static_cast<size_t>(frames * c.width * c.height));
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint16_t>(i * 40503 + seed);
    return SpriteOf(c, key, pixels);
}

std::string WriteSprite(const std::string& path, const std::vector<uint8_t>& bytes) {
    EXPECT_TRUE(WriteBytesToFile(path, bytes));
    return path;
}

std::vector<uint16_t> PixelsOf(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    SpriteReadResult read = ReadSprite(bytes.data(), bytes.size());
    EXPECT_TRUE(read.sprite) << path;
    return read.sprite ? read.sprite->pixels : std::vector<uint16_t>();
}

TEST(CliTools, UnpackThenBuildFromGivesTheFileByteForByte) {
    const SpriteCounts none{};
    const SpriteCase cases[] = {
        {SPRITE_ANIMATION, 1, 1, {0, 3, 0, 0, 0, 0, 0, 0, 0}},
        {SPRITE_ANIMATION, 1, 7, {0, 0, 0, 1, 0, 0, 0, 0, 0}},  // fewer than 3 frames stays
        {SPRITE_ANIMATION, 3, 5, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {SPRITE_ANIMATION, 640, 480, {0, 0, 0, 2, 0, 0, 0, 0, 0}},
        {SPRITE_ANIMATION, 4, 4, none},  // no frames: sprite.json alone
        {SPRITE_SINGLE, 1, 1, {1, 0, 0, 0, 0, 0, 0, 0, 0}},
        {SPRITE_SINGLE, 256, 256, {1, 0, 0, 0, 0, 0, 0, 0, 0}},  // every 5-6-5 value, once
    };
    const std::string folder = MakeTestFolder("tools_round");
    int n = 0;
    for (const SpriteCase& c : cases) {
        for (const char* keep : {"", "--keep-key"}) {
            const std::string tag = std::to_string(n++);
            const std::vector<uint8_t> original = MakeSpriteFile(c, 0xF81F, n);
            const std::string in = WriteSprite(folder + "/" + tag + ".Spr", original);
            std::vector<std::string> unpack{"unpack", in, "-o", folder + "/" + tag};
            if (*keep) unpack.push_back(keep);
            ASSERT_EQ(Spr(unpack), EXIT_DONE) << tag;
            // Dithering leaves the colours unpack widened as they were.
            for (const char* dither : {"", "--dither"}) {
                const std::string out = folder + "/" + tag + dither + ".Spr";
                std::vector<std::string> build{"build", "--from", folder + "/" + tag, "-o", out};
                if (*dither) build.push_back(dither);
                ASSERT_EQ(Spr(build), EXIT_DONE) << tag;
                EXPECT_EQ(ReadWholeFile(out), original)
                    << c.width << "x" << c.height << " " << keep << dither;
            }
        }
    }
}

TEST(CliTools, UnpackWritesNamedFramesKeyTransparentAndDescribesTheSprite) {
    const std::string folder = MakeTestFolder("tools_names");
    // Up: two 2 x 1 frames, then the key 0xF81F and pure blue 0x001F.
    WriteSprite(folder + "/up.Spr", SpriteOf({SPRITE_ANIMATION, 2, 1, {0, 0, 0, 2}}, 0xF81F,
                                             {0x0000, 0xFFFF, 0xF81F, 0x001F}));
    ASSERT_EQ(Spr({"unpack", folder + "/up.Spr", "-o", folder + "/plain"}), EXIT_DONE);
    ASSERT_EQ(Spr({"unpack", folder + "/up.Spr", "-o", folder + "/kept", "--keep-key"}), EXIT_DONE);
    auto names = FolderEntries(folder + "/plain");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Up_0.png", "Up_1.png", "sprite.json"}));
    uint32_t w = 0, h = 0;
    EXPECT_EQ(ReadPngRgba(folder + "/plain/Up_1.png", &w, &h),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 255, 255}));
    EXPECT_EQ(w * 10 + h, 21u);
    EXPECT_EQ(ReadPngRgba(folder + "/kept/Up_1.png", &w, &h),
              (std::vector<uint8_t>{255, 0, 255, 255, 0, 0, 255, 255}));
    const std::vector<uint8_t> text = ReadWholeFile(folder + "/plain/sprite.json");
    const auto json = nlohmann::json::parse(text.begin(), text.end());
    EXPECT_EQ(nlohmann::json({json["type"], json["width"], json["height"], json["key"],
                              json["directions"]["Up"], json["directions"]["Left"]}),
              nlohmann::json::parse(R"(["animation", 2, 1,
                                        {"red": 255, "green": 0, "blue": 255}, 2, 0])"));
}

TEST(CliTools, BuildFromARetouchedFrameKeysItsTransparentPixels) {
    UseFileColourTables();
    const std::string folder = MakeTestFolder("tools_retouch");
    WriteSprite(folder + "/s.Spr", SpriteOf({SPRITE_SINGLE, 4, 1, {1}}, 0x07E0, {0, 0, 0, 0}));
    ASSERT_EQ(Spr({"unpack", folder + "/s.Spr", "-o", folder + "/f"}), EXIT_DONE);
    const std::vector<uint8_t> painted = {
        12,  34, 56, 0,    // fully transparent: the key
        12,  34, 56, 127,  // mostly transparent: the key
        255, 0,  0,  128,  // mostly opaque: red 0xF800
        8,   4,  8,  255,  // 00001 000001 00001
    };
    std::string error;
    ASSERT_TRUE(
        WriteBytesToFile(folder + "/f/NoDirection_0.png", *EncodePngRgba(painted, 4, 1, &error)));
    ASSERT_EQ(Spr({"build", "--from", folder + "/f", "-o", folder + "/back.Spr"}), EXIT_DONE);
    EXPECT_EQ(PixelsOf(folder + "/back.Spr"),
              (std::vector<uint16_t>{0x07E0, 0x07E0, 0xF800, 0x0821}));
}

TEST(CliTools, UnpackAndBuildFromRefuseWhatWouldLoseOrGarbleWork) {
    const std::string folder = MakeTestFolder("tools_refuse");
    const std::string sprite =
        WriteSprite(folder + "/s.Spr", MakeSpriteFile({SPRITE_ANIMATION, 2, 2, {0, 3}}, 0xF81F, 1));
    std::vector<uint8_t> cut = ReadWholeFile(sprite);
    cut.pop_back();
    WriteSprite(folder + "/cut.Spr", cut);
    std::filesystem::create_directories(folder + "/busy");
    ASSERT_TRUE(WriteBytesToFile(folder + "/busy/keep.txt", {'k'}));
    ASSERT_EQ(Spr({"unpack", sprite, "-o", folder + "/good"}), EXIT_DONE);
    std::filesystem::remove(folder + "/good/Left_2.png");
    std::filesystem::copy(folder + "/good", folder + "/bad_json");
    ASSERT_TRUE(WriteBytesToFile(folder + "/bad_json/sprite.json", {'{', '}'}));
    const struct {
        std::vector<std::string> args;
        int code;
        const char* leaves;  // a path that must not exist afterwards, or ""
    } cases[] = {
        {{"unpack", sprite, "-o", folder + "/busy"}, EXIT_BAD_INPUT, "/busy/sprite.json"},
        {{"unpack", folder + "/cut.Spr", "-o", folder + "/fromcut"}, EXIT_BAD_INPUT, "/fromcut"},
        {{"unpack", sprite}, EXIT_USAGE, ""},
        {{"build", "--from", folder + "/good", "-o", folder + "/a.Spr"}, EXIT_BAD_INPUT, "/a.Spr"},
        {{"build", "--from", folder + "/bad_json", "-o", folder + "/b.Spr"},
         EXIT_BAD_INPUT,
         "/b.Spr"},
        {{"build", "--from", folder + "/busy", "-o", folder + "/c.Spr"}, EXIT_BAD_INPUT, "/c.Spr"},
        {{"build", "--from", folder, "--size", "2x2", "-o", folder + "/d.Spr"},
         EXIT_USAGE,
         "/d.Spr"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Spr(c.args), c.code) << c.args[1] << " " << c.args[2];
        EXPECT_FALSE(*c.leaves && std::filesystem::exists(folder + c.leaves)) << c.leaves;
    }
    // One more frame than build --from takes is refused before anything is written.
    WriteSprite(folder + "/many.Spr",
                SpriteOf({SPRITE_ANIMATION, 1, 1, {0, 100001}}, 0, std::vector<uint16_t>(100001)));
    const Outcome tooMany = SprRun({"unpack", folder + "/many.Spr", "-o", folder + "/many"});
    EXPECT_EQ(tooMany.code, EXIT_BAD_INPUT);
    EXPECT_NE(tooMany.err.find("Left has 100001 frames; a folder holds at most 100000"),
              std::string::npos)
        << tooMany.err;
    EXPECT_FALSE(fs::exists(folder + "/many"));
    EXPECT_EQ(Spr({"unpack", sprite, "-o", folder + "/busy", "--force"}), EXIT_DONE);
    EXPECT_EQ(ReadWholeFile(folder + "/busy/keep.txt"), std::vector<uint8_t>{'k'});
}

// LeftUp: three 3 x 2 frames whose pixel values name frame, row and column.
TEST(CliTools, MirrorFillsDirectionsWithTheSourceFlippedInOrderAndRefusesChains) {
    const std::string folder = MakeTestFolder("tools_mirror");
    std::vector<uint16_t> pixels;
    for (uint16_t f = 1; f <= 3; ++f)
        for (uint16_t v : {1, 2, 3, 4, 5, 6}) pixels.push_back(static_cast<uint16_t>(f * 16 + v));
    WriteSprite(folder + "/s.Spr", SpriteOf({SPRITE_ANIMATION, 3, 2, {0, 0, 3}}, 0, pixels));
    ASSERT_EQ(Spr({"unpack", folder + "/s.Spr", "-o", folder + "/f"}), EXIT_DONE);
    ASSERT_EQ(Spr({"build", "--from", folder + "/f", "-o", folder + "/m.Spr", "--mirror",
                   "RightUp=leftup", "--mirror", "down=leftup"}),
              EXIT_DONE);
    const std::vector<uint16_t> flipped = {
        0x13, 0x12, 0x11, 0x16, 0x15, 0x14,  // frame 1, each row reversed
        0x23, 0x22, 0x21, 0x26, 0x25, 0x24,  // frame 2
        0x33, 0x32, 0x31, 0x36, 0x35, 0x34,  // frame 3
    };
    std::vector<uint16_t> expected = pixels;                          // LeftUp as it was
    expected.insert(expected.end(), flipped.begin(), flipped.end());  // RightUp
    expected.insert(expected.end(), flipped.begin(), flipped.end());  // Down
    EXPECT_EQ(PixelsOf(folder + "/m.Spr"), expected);

    // From pictures: a 2 x 1 PCX of black then red, three times.
    RgbImage image(2, 1);
    image.At(1, 0)[0] = 255;
    const std::string pcx = folder + "/p.pcx", out = folder + "/d.Spr";
    ASSERT_TRUE(WriteBytesToFile(pcx, EncodePcx24(image)));
    const std::string pics = "left=" + pcx + "," + pcx + "," + pcx;
    const struct {
        std::vector<std::string> mirrors;
        int code;
    } cases[] = {
        {{"right=left"}, EXIT_DONE},                 //
        {{"right=right"}, EXIT_USAGE},               // itself
        {{"left=right"}, EXIT_USAGE},                // DEST given with --dir
        {{"right=left", "up=right"}, EXIT_USAGE},    // a chain
        {{"up=right", "right=left"}, EXIT_USAGE},    // the chain named the other way
        {{"right=left", "right=left"}, EXIT_USAGE},  // DEST twice
        {{"sideways=left"}, EXIT_USAGE},             // no such direction
        {{"right"}, EXIT_USAGE},                     // no SOURCE
        {{"right=up"}, EXIT_BAD_INPUT},              // SOURCE without frames
    };
    for (const auto& c : cases) {
        std::filesystem::remove(out);
        std::vector<std::string> args{"build", "-o", out, "--size", "2x1", "--dir", pics};
        for (const std::string& m : c.mirrors) args.insert(args.end(), {"--mirror", m});
        EXPECT_EQ(Spr(args), c.code) << c.mirrors[0];
        EXPECT_EQ(std::filesystem::exists(out), c.code == EXIT_DONE) << c.mirrors[0];
    }
    EXPECT_EQ(Spr({"build", "-o", out, "--single", pcx, "--mirror", "right=left"}), EXIT_USAGE);
}

TEST(CliTools, ThumbnailScalesByWholeFactorsToFit) {
    const struct {
        int width, height, size;
        ThumbnailScale expected;
    } cases[] = {
        {48, 48, 128, {96, 96, 2, false}},  // smaller: enlarged twice
        {48, 48, 48, {48, 48, 1, false}},   // equal: as it is
        {3, 2, 10, {9, 6, 3, false}},       // non-square, smaller
        {100, 40, 32, {25, 10, 4, true}},   // larger: every 4th pixel
        {5, 5, 2, {2, 2, 3, true}},         // 5 / 3 rounds up: pixels 0 and 3
        {49, 48, 48, {25, 24, 2, true}},    // one pixel too wide halves it
    };
    for (const auto& c : cases) {
        const ThumbnailScale got = FitThumbnail(c.width, c.height, c.size);
        EXPECT_EQ(std::make_tuple(got.width, got.height, got.factor, got.shrink),
                  std::make_tuple(c.expected.width, c.expected.height, c.expected.factor,
                                  c.expected.shrink))
            << c.width << "x" << c.height << " in " << c.size;
    }
}

TEST(CliTools, ThumbnailShowsTheFirstStoredFrameSharpAndRefusesDamage) {
    const std::string folder = MakeTestFolder("tools_thumb");
    // Up (the first direction stored): 4 x 1 frames; the second frame must not show.
    const std::vector<uint8_t> file =
        SpriteOf({SPRITE_ANIMATION, 4, 1, {0, 0, 0, 3}}, 0xF81F,
                 {0xF81F, 0xF800, 0x001F, 0xFFFF, 1, 1, 1, 1, 2, 2, 2, 2});
    const std::string sprite = WriteSprite(folder + "/s.Spr", file);
    ASSERT_EQ(Spr({"thumbnail", "-s", "8", sprite, folder + "/big.png"}), EXIT_DONE);
    ASSERT_EQ(Spr({"thumbnail", "-s", "2", sprite, folder + "/small.png"}), EXIT_DONE);
    uint32_t w = 0, h = 0;
    const std::vector<uint8_t> clear{0, 0, 0, 0}, red{255, 0, 0, 255}, blue{0, 0, 255, 255},
        white{255, 255, 255, 255};
    std::vector<uint8_t> row;
    for (const auto* colour : {&clear, &red, &blue, &white})
        for (int i = 0; i < 2; ++i) row.insert(row.end(), colour->begin(), colour->end());
    std::vector<uint8_t> big = row;
    big.insert(big.end(), row.begin(), row.end());
    EXPECT_EQ(ReadPngRgba(folder + "/big.png", &w, &h), big);  // 8 x 2, each pixel doubled
    EXPECT_EQ(w * 100 + h, 802u);
    EXPECT_EQ(ReadPngRgba(folder + "/small.png", &w, &h),  // 2 x 1: pixels 0 and 2
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 255, 255}));
    EXPECT_EQ(w * 100 + h, 201u);

    WriteSprite(folder + "/cut.Spr", std::vector<uint8_t>(file.begin(), file.end() - 1));
    WriteSprite(folder + "/empty.Spr", SpriteOf({SPRITE_ANIMATION, 4, 1, {}}, 0, {}));
    for (const char* name : {"/cut", "/empty"}) {
        EXPECT_EQ(Spr({"thumbnail", folder + name + ".Spr", folder + name + ".png"}),
                  EXIT_BAD_INPUT);
        EXPECT_FALSE(std::filesystem::exists(folder + name + ".png")) << name;
    }
    EXPECT_EQ(Spr({"thumbnail", "-s", "0", sprite, folder + "/zero.png"}), EXIT_USAGE);
}

// Each file under a folder with the hash of its bytes ("" for a folder).
std::map<std::string, size_t> FolderState(const std::string& folder) {
    std::map<std::string, size_t> state;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::vector<uint8_t> bytes =
            entry.is_regular_file() ? ReadWholeFile(entry.path().string()) : std::vector<uint8_t>();
        state[entry.path().string()] = std::hash<std::string>()({bytes.begin(), bytes.end()});
    }
    return state;
}

enum class Naming { Prefix, SymbolicLink, HardLink, Copy };

// `file` named another way from the working folder, where a link or copy is made.
std::string Spell(Naming naming, const std::string& prefix, const std::string& file) {
    switch (naming) {
        case Naming::Prefix:
            return prefix + file;
        case Naming::SymbolicLink:  // made while the file may not be there yet
            fs::create_symlink(file, "link");
            return "link";
        case Naming::HardLink:
            if (!fs::exists(file)) return file;
            fs::create_hard_link(file, "link");
            return "link";
        case Naming::Copy:
            if (fs::exists(file)) fs::copy_file(file, "link");
            return "link";
    }
    return file;
}

// Every command and every way of naming one file twice: each row is refused
// with the folder left as it was, while a copy beside the file is written.
TEST(CliTools, NoOutputIsAnInputOrAnotherOutputByAnyName) {
    const struct {
        std::vector<std::string> args;  // X: the second name of `file`
        const char* file;
        const char* message;
    } forms[] = {
        {{"export", "s.Spr", "-o", "X"}, "s.Spr", " is the input s.Spr"},
        {{"export", "s.Spr", "-o", "x.png", "--json", "X"}, "x.png", " are the same file"},
        {{"export", "s.Spr", "-o", "X", "--gif", "."}, "Left.gif", " are the same file"},
        {{"thumbnail", "s.Spr", "X"}, "s.Spr", " is the input s.Spr"},
        {{"build", "--from", "u", "-o", "X"}, "u/Left_0.png", " is the input u/Left_0.png"},
        {{"unpack", "X", "-o", "v", "--force"}, "v/Left_0.png", " is the input "},
    };
    const std::vector<uint8_t> sprite =
        MakeSpriteFile({SPRITE_ANIMATION, 2, 2, {0, 3, 0, 0, 0, 0, 0, 0, 0}}, 0xF81F, 5);
    const fs::path start = fs::current_path();
    for (const auto& form : forms) {
        const std::string folder = MakeTestFolder("tools_same");
        const std::string up = "../" + fs::path(folder).filename().string() + "/";
        const struct {
            Naming naming;
            std::string prefix;
        } namings[] = {
            {Naming::Prefix, ""}, {Naming::Prefix, "./"},     {Naming::Prefix, folder + "/"},
            {Naming::Prefix, up}, {Naming::SymbolicLink, ""}, {Naming::HardLink, ""},
            {Naming::Copy, ""}};
        for (const auto& naming : namings) {
            fs::remove_all(folder);
            fs::create_directories(folder + "/v");
            fs::current_path(folder);
            WriteSprite("s.Spr", sprite);
            WriteSprite("v/Left_0.png", sprite);
            ASSERT_EQ(Spr({"unpack", "s.Spr", "-o", "u"}), EXIT_DONE);
            std::vector<std::string> args = form.args;
            std::replace(args.begin(), args.end(), std::string("X"),
                         Spell(naming.naming, naming.prefix, form.file));
            SCOPED_TRACE(::testing::PrintToString(args));
            const auto before = FolderState(folder);
            const Outcome run = SprRun(args);
            if (naming.naming == Naming::Copy) {
                EXPECT_EQ(run.code, EXIT_DONE) << run.err;
            } else {
                EXPECT_EQ(run.code, EXIT_USAGE);
                EXPECT_NE(run.err.find(form.message), std::string::npos) << run.err;
                EXPECT_EQ(FolderState(folder), before);
            }
            fs::current_path(start);
        }
    }
}

// Left: three black 32 x 32 frames, small as PNGs; Down: one of noise, whose
// PNG outgrows the limit after the Left frames were written.
TEST(CliTools, UnpackStoppedByAFileSizeLimitLeavesNothingAndThenWorks) {
    const std::string folder = MakeTestFolder("tools_limit");
    std::vector<uint16_t> pixels(4 * 32 * 32, 0);
    uint32_t noise = 12345;
    for (size_t i = 3 * 32 * 32; i < pixels.size(); ++i) {
        noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
        pixels[i] = uint16_t(noise);
    }
    const std::string sprite =
        WriteSprite(folder + "/s.Spr",
                    SpriteOf({SPRITE_ANIMATION, 32, 32, {0, 3, 0, 0, 0, 0, 0, 1}}, 0xF81F, pixels));
    fs::create_directory(folder + "/empty");
    const char* const targets[] = {"/new/parent/frames", "/empty"};
    for (const std::string target : targets) {
        const auto before = FolderState(folder);
        Outcome run;
        {
            const FileSizeLimit limit(2000);
            run = SprRun({"unpack", sprite, "-o", folder + target});
        }
        EXPECT_EQ(run.code, EXIT_BAD_INPUT) << target;
        EXPECT_NE(run.err.find("Down_0.png: cannot write: File too large"), std::string::npos)
            << run.err;
        EXPECT_EQ(FolderState(folder), before) << target;
        ASSERT_EQ(Spr({"unpack", sprite, "-o", folder + target}), EXIT_DONE) << target;
        auto names = FolderEntries(folder + target);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"Down_0.png", "Left_0.png", "Left_1.png",
                                                   "Left_2.png", "sprite.json"}));
    }
}

TEST(CliTools, FailuresSayWhyAndDashWritesTheOneOutputToStandardOutput) {
    const std::string folder = MakeTestFolder("tools_why");
    // A single 2 x 1 sprite: the key 0xF81F, then white.
    const std::vector<uint8_t> file =
        SpriteOf({SPRITE_SINGLE, 2, 1, {1}}, 0xF81F, {0xF81F, 0xFFFF});
    const std::string s = WriteSprite(folder + "/s.Spr", file), u = folder + "/u";
    const Outcome unpacked = SprRun({"unpack", s, "-o", u});
    EXPECT_EQ(unpacked.out, u + ": wrote 1 frame and sprite.json\n");
    const std::string pipe = MakeTestFolder("tools_why_pipe") + "/pipe.Spr";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const struct {
        std::vector<std::string> args;
        int code;
        const char* said;  // on standard error
    } failures[] = {
        {{"thumbnail", s, "/dev/full"}, 1, "/dev/full: cannot write: No space left on device"},
        {{"export", s, "-o", "/dev/full"}, 1, "/dev/full: cannot write: No space left on device"},
        {{"info", folder}, 1, "cannot read the file: Is a directory"},
        {{"info", pipe}, 1, "cannot read the file: not a regular file"},
        {{"export", s, "-o", "-", "--json", folder + "/x.json"}, 2, "-o - writes the sheet alone"},
        {{"unpack", s, "-o", "-"}, 2, "standard output cannot hold"},
    };
    for (const auto& c : failures) {
        const Outcome run = SprRun(c.args);
        EXPECT_EQ(run.code, c.code) << c.args[0];
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    }
    EXPECT_EQ(FolderEntries(folder).size(), 2u);  // s.Spr and u alone

    const std::vector<uint8_t> sheet{0, 0, 0, 0, 255, 255, 255, 255};  // see-through, white
    const struct {
        std::vector<std::string> args;
        std::vector<uint8_t> rgba;  // empty: the output is the sprite file itself
    } piped[] = {
        {{"thumbnail", "-s", "2", s, "-"}, sheet},
        {{"export", s, "-o", "-"}, sheet},
        {{"build", "--from", u, "-o", "-"}, {}},
    };
    for (const auto& c : piped) {
        const Outcome run = SprRun(c.args);
        EXPECT_EQ(run.code, EXIT_DONE) << run.err;
        const std::vector<uint8_t> out(run.out.begin(), run.out.end());
        if (c.rgba.empty()) {
            EXPECT_EQ(out, file);
            continue;
        }
        ASSERT_TRUE(WriteBytesToFile(folder + "/piped.png", out));
        uint32_t w = 0, h = 0;
        EXPECT_EQ(ReadPngRgba(folder + "/piped.png", &w, &h), c.rgba) << c.args[0];
        EXPECT_EQ(w * 10 + h, 21u);
    }
}

}  // namespace
