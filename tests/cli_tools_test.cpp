// celforge-spr's unpack, build --from, --mirror and thumbnail, in process:
// sprite files made here go out to folders and pictures and must come back
// byte for byte, or as the literal pixels written beside each case.

#include <sys/stat.h>

#include <nlohmann/json.hpp>
#include <random>

#include "cli/export.h"
#include "cli/picture_source.h"
#include "cli/thumbnail.h"
#include "formats/colour.h"
#include "formats/sprite_reader.h"
#include "tests/support/cli_run.h"

namespace {

namespace fs = std::filesystem;

// Pixels i * 40503 + seed: every 65,536 in a row hold each 5-6-5 value once.
std::vector<uint8_t> MakeSpriteFile(const SpriteCase& c, uint16_t key, uint32_t seed) {
    int64_t frames = 0;
    for (int32_t n : c.counts) frames += n;
    std::vector<uint16_t> pixels(static_cast<size_t>(frames * c.width * c.height));
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint16_t>(i * 40503 + seed);
    return SpriteOf(c, key, pixels);
}

std::vector<uint16_t> PixelsOf(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    SpriteReadResult read = ReadSprite(bytes.data(), bytes.size());
    EXPECT_TRUE(read.sprite) << path;
    return read.sprite ? read.sprite->pixels : std::vector<uint16_t>();
}

// The standard output of a command that must succeed, written to `path`.
std::string PipedTo(const std::string& path, const std::vector<std::string>& args) {
    const Outcome run = Spr(args);
    EXPECT_EQ(run.code, EXIT_DONE) << run.err;
    return Written(path, {run.out.begin(), run.out.end()});
}

TEST(CliTools, UnpackThenBuildFromGivesTheFileByteForByte) {
    const SpriteCase cases[] = {
        {SPRITE_ANIMATION, 1, 1, {0, 3, 0, 0, 0, 0, 0, 0, 0}},
        {SPRITE_ANIMATION, 1, 7, {0, 0, 0, 1, 0, 0, 0, 0, 0}},  // fewer than 3 frames stays
        {SPRITE_ANIMATION, 3, 5, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {SPRITE_ANIMATION, 640, 480, {0, 0, 0, 2, 0, 0, 0, 0, 0}},
        {SPRITE_ANIMATION, 4, 4, {}},  // no frames: sprite.json alone
        {SPRITE_SINGLE, 1, 1, {1, 0, 0, 0, 0, 0, 0, 0, 0}},
        {SPRITE_SINGLE, 256, 256, {1, 0, 0, 0, 0, 0, 0, 0, 0}},  // every 5-6-5 value, once
    };
    const std::string folder = MakeTestFolder("tools_round");
    int n = 0;
    for (const SpriteCase& c : cases) {
        for (const std::vector<std::string>& keep : {std::vector<std::string>{}, {"--keep-key"}}) {
            const std::string tag = folder + "/" + std::to_string(n++);
            const std::vector<uint8_t> original = MakeSpriteFile(c, 0xF81F, n);
            const std::string spr = Written(tag + ".Spr", original);
            ASSERT_EQ(Spr(Joined({"unpack", spr, "-o", tag}, keep)).code, EXIT_DONE) << tag;
            ASSERT_EQ(Spr({"build", "--from", tag, "-o", tag + ".out"}).code, EXIT_DONE) << tag;
            EXPECT_EQ(ReadWholeFile(tag + ".out"), original) << tag;
            // Dithering leaves the colours unpack widened as they were.
            const std::string piped =
                PipedTo(tag + ".piped", {"build", "--from", tag, "-o", "-", "--dither"});
            EXPECT_EQ(ReadWholeFile(piped), original) << tag;
        }
    }
}

// Up: two 2 x 1 frames, black and white, then the key 0x07E0 and pure blue.
// One: a single sprite of the key and white.
TEST(CliTools, UnpackedFramesAreNamedKeyedAndComeBackRetouched) {
    UseFileColourTables();
    const std::string f = MakeTestFolder("tools_frames");
    const std::string up = Written(
        f + "/up.Spr",
        SpriteOf({SPRITE_ANIMATION, 2, 1, {0, 0, 0, 2}}, 0x07E0, {0x0000, 0xFFFF, 0x07E0, 0x001F}));
    const std::string one =
        Written(f + "/one.Spr", SpriteOf({SPRITE_SINGLE, 2, 1, {1}}, 0x07E0, {0x07E0, 0xFFFF}));
    EXPECT_EQ(Spr({"unpack", up, "-o", f + "/up"}).out,
              f + "/up: wrote 2 frames and sprite.json\n");
    EXPECT_EQ(Spr({"unpack", one, "-o", f + "/one", "--keep-key"}).out,
              f + "/one: wrote 1 frame and sprite.json\n");
    EXPECT_EQ(SortedEntries(f + "/up"),
              (std::vector<std::string>{"Up_0.png", "Up_1.png", "sprite.json"}));
    EXPECT_EQ(PngAt(f + "/up/Up_1.png"), Picture(2, 1, {0, 0, 0, 0, 0, 0, 255, 255}));
    EXPECT_EQ(PngAt(f + "/one/NoDirection_0.png"),
              Picture(2, 1, {0, 255, 0, 255, 255, 255, 255, 255}));
    EXPECT_EQ(PngAt(PipedTo(f + "/sheet.png", {"export", up, "-o", "-"})),
              Picture(4, 1, {0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0, 0, 255, 255}));
    const auto json = nlohmann::json::parse(ReadWholeFile(f + "/up/sprite.json"));
    EXPECT_EQ(nlohmann::json({json["type"], json["width"], json["height"], json["key"],
                              json["directions"]["Up"], json["directions"]["Left"]}),
              nlohmann::json::parse(R"(["animation", 2, 1,
                                        {"red": 0, "green": 255, "blue": 0}, 2, 0])"));
    const std::vector<uint8_t> painted[] = {{12, 34, 56, 0,     // fully transparent: the key
                                             12, 34, 56, 127},  // mostly transparent: the key
                                            {255, 0, 0, 128,    // mostly opaque: red 0xF800
                                             8, 4, 8, 255}};    // 00001 000001 00001
    std::string error;
    for (int i : {0, 1})
        ASSERT_TRUE(WriteBytesToFile(f + "/up/Up_" + std::to_string(i) + ".png",
                                     *EncodePngRgba(painted[i], 2, 1, &error)));
    // Down mirrors Up: each frame in order, flipped.
    ASSERT_EQ(
        Spr({"build", "--from", f + "/up", "-o", f + "/back.Spr", "--mirror", "down=up"}).code,
        EXIT_DONE);
    EXPECT_EQ(PixelsOf(f + "/back.Spr"), (std::vector<uint16_t>{0x07E0, 0x07E0, 0xF800, 0x0821,
                                                                0x07E0, 0x07E0, 0x0821, 0xF800}));
}

// Every refusal says why and leaves the folder as it was.
TEST(CliTools, RefusalsSayWhyAndWriteNothing) {
    const std::string f = MakeTestFolder("tools_refuse");
    Written(f + "/empty.Spr", SpriteOf({SPRITE_ANIMATION, 4, 1, {}}, 0, {}));
    // One more frame than build --from takes.
    Written(f + "/many.Spr",
            SpriteOf({SPRITE_ANIMATION, 1, 1, {0, 100001}}, 0, std::vector<uint16_t>(100001)));
    // Left: three black 32 x 32 frames, small as PNGs; Down: one of noise, whose
    // PNG outgrows a 2000-byte limit after the Left frames were written.
    std::vector<uint16_t> pixels(4 * 32 * 32, 0);
    std::minstd_rand noise(12345);
    for (size_t i = 3 * 32 * 32; i < pixels.size(); ++i) pixels[i] = uint16_t(noise());
    const std::vector<uint8_t> sprite =
        SpriteOf({SPRITE_ANIMATION, 32, 32, {0, 3, 0, 0, 0, 0, 0, 1}}, 0xF81F, pixels);
    const std::string s = Written(f + "/s.Spr", sprite);
    Written(f + "/cut.Spr", {sprite.begin(), sprite.end() - 1});
    fs::create_directories(f + "/busy");
    ASSERT_TRUE(WriteBytesToFile(f + "/busy/keep.txt", {'k'}));
    ASSERT_EQ(Spr({"unpack", s, "-o", f + "/good"}).code, EXIT_DONE);
    fs::remove(f + "/good/Left_2.png");
    fs::copy(f + "/good", f + "/bad_json");
    ASSERT_TRUE(WriteBytesToFile(f + "/bad_json/sprite.json", {'{', '}'}));
    ASSERT_EQ(mkfifo((f + "/pipe.Spr").c_str(), 0600), 0);
    // From pictures: a 2 x 2 PCX of black and red above green and blue, three times.
    RgbImage image(2, 2);
    image.At(1, 0)[0] = image.At(0, 1)[1] = image.At(1, 1)[2] = 255;
    const std::string pcx = f + "/p.pcx", pics = "left=" + pcx + "," + pcx + "," + pcx;
    ASSERT_TRUE(WriteBytesToFile(pcx, EncodePcx24(image)));
    const auto mirror = [&](std::vector<std::string> mirrors) {
        std::vector<std::string> args{"build", "-o", f + "/m.Spr", "--size", "2x2", "--dir", pics};
        for (const std::string& m : mirrors) args.insert(args.end(), {"--mirror", m});
        return args;
    };
    const std::vector<Refusal> cases = {
        {{"unpack", s, "-o", f + "/busy"}, 1, "busy: the folder already holds files"},
        {{"unpack", f + "/cut.Spr", "-o", f + "/fromcut"}, 1, "cut.Spr: "},
        {{"unpack", s}, 2, "give the folder to write with -o FOLDER"},
        {{"unpack", s, "-o", "-"}, 2, "standard output cannot hold"},
        {{"unpack", f + "/many.Spr", "-o", f + "/many"}, 1, "Left has 100001 frames; a folder"},
        {{"unpack", s, "-o", f + "/new/frames"}, 1, "Down_0.png: cannot write: File too", 2000},
        {{"unpack", s, "-o", f + "/busy", "--force"}, 1, "Down_0.png: cannot write: File", 2000},
        {{"build", "--from", f + "/good", "-o", f + "/a.Spr"}, 1, "good/Left_2.png: "},
        {{"build", "--from", f + "/bad_json", "-o", f + "/b.Spr"}, 1, "bad_json/sprite.json: "},
        {{"build", "--from", f + "/busy", "-o", f + "/c.Spr"}, 1, "busy/sprite.json: cannot read"},
        {{"build", "--from", f, "--size", "2x2", "-o", f + "/d.Spr"}, 2, "give no --size"},
        {mirror({"right=right"}), 2, "a direction cannot mirror itself"},
        {mirror({"left=right"}), 2, "left is also given with --dir"},
        {mirror({"right=left", "up=right"}), 2, "mirrors cannot chain"},
        {mirror({"up=right", "right=left"}), 2, "mirrors cannot chain"},
        {mirror({"right=left", "right=left"}), 2, "right is mirrored twice"},
        {mirror({"sideways=left"}), 2, "not 'sideways=left'"},
        {mirror({"right"}), 2, "not 'right'"},
        {mirror({"right=up"}), 1, "right=up: the source has no frames"},
        {{"build", "-o", f + "/e.Spr", "--single", pcx, "--mirror", "right=left"}, 2, "a single"},
        {{"thumbnail", f + "/cut.Spr", f + "/cut.png"}, 1, "cut.Spr: "},
        {{"thumbnail", f + "/empty.Spr", f + "/empty.png"}, 1, "the sprite has no frames"},
        {{"thumbnail", "-s", "0", s, f + "/zero.png"}, 2, "-s must be a whole number"},
        {{"thumbnail", s, "/dev/full"}, 1, "/dev/full: cannot write: No space left on device"},
        {{"export", s, "-o", "/dev/full"}, 1, "/dev/full: cannot write: No space left on device"},
        {{"info", f}, 1, "cannot read the file: Is a directory"},
        {{"info", f + "/pipe.Spr"}, 1, "cannot read the file: not a regular file"},
        {{"export", s, "-o", "-", "--json", f + "/x.json"}, 2, "-o - writes the sheet alone"},
    };
    ExpectRefusals(f, cases);
    // Without the limit both are written; --force keeps the folder's other files.
    ASSERT_EQ(Spr({"unpack", s, "-o", f + "/new/frames"}).code, EXIT_DONE);
    ASSERT_EQ(Spr({"unpack", s, "-o", f + "/busy", "--force"}).code, EXIT_DONE);
    std::vector<std::string> written = SortedEntries(f + "/new/frames");
    EXPECT_EQ(written, (std::vector<std::string>{"Down_0.png", "Left_0.png", "Left_1.png",
                                                 "Left_2.png", "sprite.json"}));
    written.insert(written.end() - 1, "keep.txt");
    EXPECT_EQ(SortedEntries(f + "/busy"), written);
    // Right and Down mirror Left: each row reversed.
    ASSERT_EQ(Spr(mirror({"right=left", "Down=LEFT"})).code, EXIT_DONE);
    const std::vector<uint16_t> left{0, 0xF800, 0x07E0, 0x001F}, right{0xF800, 0, 0x001F, 0x07E0};
    std::vector<uint16_t> expected;
    for (const auto* frame : {&left, &left, &left, &right, &right, &right, &right, &right, &right})
        expected.insert(expected.end(), frame->begin(), frame->end());
    EXPECT_EQ(PixelsOf(f + "/m.Spr"), expected);
}

TEST(CliTools, ThumbnailScalesByWholeFactorsToFit) {
    const struct {
        int width, height, size;
        std::tuple<int, int, int, bool> expected;  // width, height, factor, shrink
    } cases[] = {
        {48, 48, 48, {48, 48, 1, false}},  // equal: as it is
        {100, 40, 32, {25, 10, 4, true}},  // larger: every 4th pixel
        {49, 48, 48, {25, 24, 2, true}},   // one pixel too wide halves it
    };
    for (const auto& c : cases) {
        const ThumbnailScale got = FitThumbnail(c.width, c.height, c.size);
        EXPECT_EQ(std::make_tuple(got.width, got.height, got.factor, got.shrink), c.expected)
            << c.width << "x" << c.height << " in " << c.size;
    }
}

TEST(CliTools, ThumbnailShowsTheFirstStoredFrameSharp) {
    const std::string folder = MakeTestFolder("tools_thumb");
    // Up (the first direction stored): 4 x 1 frames; the second frame must not show.
    const std::string sprite = Written(
        folder + "/s.Spr", SpriteOf({SPRITE_ANIMATION, 4, 1, {0, 0, 0, 3}}, 0xF81F,
                                    {0xF81F, 0xF800, 0x001F, 0xFFFF, 1, 1, 1, 1, 2, 2, 2, 2}));
    ASSERT_EQ(Spr({"thumbnail", "-s", "8", sprite, folder + "/big.png"}).code, EXIT_DONE);
    // Clear, red, blue and white, each pixel doubled both ways.
    const std::vector<uint8_t> row{0,   0,   0,   0,   0,   0,   0,   0,   255, 0,  0,
                                   255, 255, 0,   0,   255, 0,   0,   255, 255, 0,  0,
                                   255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
    std::vector<uint8_t> big = row;
    big.insert(big.end(), row.begin(), row.end());
    EXPECT_EQ(PngAt(folder + "/big.png"), Picture(8, 2, big));
    const std::string small = folder + "/small.png";
    EXPECT_EQ(PngAt(PipedTo(small, {"thumbnail", "-s", "3", sprite, "-"})),
              Picture(2, 1, {0, 0, 0, 0, 0, 0, 255, 255}));  // 4 / 3 rounds up: pixels 0 and 2
}

enum class Naming { Prefix, SymbolicLink, HardLink, Copy };

// `file` named another way from the working folder, where a link or copy is made.
std::string Spell(Naming naming, const std::string& prefix, const std::string& file) {
    const bool there = fs::exists(file);
    if (naming == Naming::Prefix || (naming == Naming::HardLink && !there)) return prefix + file;
    if (naming == Naming::SymbolicLink) fs::create_symlink(file, "link");  // even to no file yet
    if (naming == Naming::HardLink) fs::create_hard_link(file, "link");
    if (naming == Naming::Copy && there) fs::copy_file(file, "link");
    return "link";
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
    const std::string folder = MakeTestFolder("tools_same");
    const std::string up = "../" + fs::path(folder).filename().string() + "/";
    const std::pair<Naming, std::string> namings[] = {
        {Naming::Prefix, ""}, {Naming::Prefix, "./"},     {Naming::Prefix, folder + "/"},
        {Naming::Prefix, up}, {Naming::SymbolicLink, ""}, {Naming::HardLink, ""},
        {Naming::Copy, ""}};
    for (const auto& form : forms) {
        for (const auto& [naming, prefix] : namings) {
            fs::remove_all(folder);
            fs::create_directories(folder + "/v");
            fs::current_path(folder);
            Written("s.Spr", sprite);
            Written("v/Left_0.png", sprite);
            ASSERT_EQ(Spr({"unpack", "s.Spr", "-o", "u"}).code, EXIT_DONE);
            std::vector<std::string> args = form.args;
            std::replace(args.begin(), args.end(), std::string("X"),
                         Spell(naming, prefix, form.file));
            SCOPED_TRACE(::testing::PrintToString(args));
            const auto before = FolderState(folder);
            const Outcome run = Spr(args);
            fs::current_path(start);
            EXPECT_EQ(run.code, naming == Naming::Copy ? EXIT_DONE : EXIT_USAGE) << run.err;
            if (naming == Naming::Copy) continue;
            EXPECT_NE(run.err.find(form.message), std::string::npos) << run.err;
            EXPECT_EQ(FolderState(folder), before);
        }
    }
}

}  // namespace
