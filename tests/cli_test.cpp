// celforge-spr end to end, in process: pictures written here are built into
// sprite files, checked, described and exported, and what comes out is read
// back with the PNG and JSON libraries and compared with the pictures.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <tuple>

#include "cli/commands.h"
#include "formats/sprite_file.h"
#include "tests/support/file_faults.h"
#include "tests/support/pcx_writer.h"

namespace {

struct Outcome {
    int code;
    std::string out, err;
};

Outcome Spr(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = RunCelforgeSpr(args, out, err);
    return {code, out.str(), err.str()};
}

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "cli_" + name;
}

std::string WritePicture(const std::string& name, const RgbImage& image) {
    const std::string path = TempPath(name + ".pcx");
    EXPECT_TRUE(WriteBytesToFile(path, EncodePcx24(image)));
    return path;
}

// A 24-bit colour as the sheet shows it: cut to 5-6-5, widened again by
// repeating each field's top bits; the key 255,0,255 (0xF81F) is see-through.
std::array<uint8_t, 4> SheetColour(const uint8_t* rgb) {
    const int r = rgb[0] >> 3, g = rgb[1] >> 2, b = rgb[2] >> 3;
    if (r == 31 && g == 0 && b == 31) return {0, 0, 0, 0};
    return {uint8_t(r << 3 | r >> 2), uint8_t(g << 2 | g >> 4), uint8_t(b << 3 | b >> 2), 255};
}

// What the build below must write, checked by hand.
const std::string kGolden(
    "Brisk_Kite(Brisk_Wren)\0"                  // signature, zero-terminated
    "Ver.1\0\0\0\0\0\0\0"                       // version, zero-padded to 12
    "\1\0\0\0"                                  // type 1: animation
    "\2\0\0\0"                                  // width
    "\1\0\0\0"                                  // height
    "\x10\0\0\0"                                // colour bits
    "\x1F\xF8\0\0"                              // key 255,0,255 as 5-6-5
    "\0\0\0\0\0\0\0\0\0\0\0\0"                  // No Direction, Left (left out), LeftUp
    "\3\0\0\0"                                  // Up
    "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"  // the other five
    "\xFF\xFF\0\0"                              // Up 0: white, then 0 past the 1 x 1 picture
    "\x21\x08\0\0"                              // Up 1: 8,4,8 is 00001 000001 00001
    "\x1F\xF8\0\0",                             // Up 2: 250,1,251 cut to 5-6-5 is the key
    103);

TEST(CelforgeSpr, OneSmallBuildIsByteForByteTheEditorsFileAndWarnsOfKeyCollisions) {
    const std::string white = WritePicture("white", MakeFlatImage(1, 1, 255, 255, 255));
    const std::string dim = WritePicture("dim", MakeFlatImage(1, 1, 8, 4, 8));
    const std::string nearKey = WritePicture("near_key", MakeFlatImage(1, 1, 250, 1, 251));
    const std::string up = "up=" + white + "," + dim + "," + nearKey,
                      left = "left=" + white + "," + white;
    std::vector<std::string> build = {
        "build", "-o", TempPath("golden.Spr"), "--size", "2x1", "--key", "255,0,255", "--dir", up,
        "--dir", left};
    const Outcome run = Spr(build);
    EXPECT_EQ(run.code, 0) << run.err;
    for (const std::string& warning :
         {build[2] + ": warning: Left has 2 frames and is left out",
          nearKey + ": warning: 1 pixel turns transparent", std::string("#FA01FB x1")})
        EXPECT_NE(run.err.find(warning), std::string::npos) << run.err;
    EXPECT_EQ(ReadWholeFile(build[2]), std::vector<uint8_t>(kGolden.begin(), kGolden.end()));
    EXPECT_EQ(Spr({"build", "-o", white, "--single", white}).code, 2) << "the input is kept";
    EXPECT_EQ(ReadWholeFile(white).size(), EncodePcx24(MakeFlatImage(1, 1, 255, 255, 255)).size());
    build[2] = TempPath("strict.Spr");
    build.push_back("--strict");
    EXPECT_EQ(Spr(build).code, 1);
    EXPECT_TRUE(ReadWholeFile(build[2]).empty()) << "a strict failure writes nothing";
}

// A picture cut short, or none at all, fails the build with its reason and
// writes nothing.
TEST(CelforgeSpr, PicturesThatCannotBeReadWhollyFailTheBuildWithTheirReason) {
    std::vector<uint8_t> cut = EncodePcx24(MakeFlatImage(2, 2, 9, 9, 9));
    cut.pop_back();  // the last run's value
    const std::string cutPath = TempPath("cut.pcx"), text = TempPath("notes.txt");
    ASSERT_TRUE(WriteBytesToFile(cutPath, cut));
    ASSERT_TRUE(WriteBytesToFile(text, {'h', 'i'}));
    const std::string good = WritePicture("good", MakeFlatImage(2, 2, 9, 9, 9)),
                      out = TempPath("failed.Spr");
    const std::string cutShort = ": the file is cut short: its image data ends before the last row";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--single", cutPath}, cutPath + cutShort},
        {{"--size", "2x2", "--dir", "up=" + good + "," + cutPath + "," + text},
         cutPath + cutShort + "\ncelforge-spr: " + text +
             ": the file is neither a PCX nor a PNG picture"}};
    for (const auto& [args, message] : cases) {
        std::vector<std::string> build = {"build", "-o", out};
        build.insert(build.end(), args.begin(), args.end());
        const Outcome run = Spr(build);
        EXPECT_EQ(run.code, 1);
        EXPECT_EQ(run.err, "celforge-spr: " + message + "\n");
        EXPECT_TRUE(ReadWholeFile(out).empty());
    }
}

TEST(CelforgeSpr, CheckNamesEachBrokenField) {
    const std::string good = TempPath("good.Spr");
    ASSERT_TRUE(WriteBytesToFile(good, std::vector<uint8_t>(kGolden.begin(), kGolden.end())));
    EXPECT_EQ(Spr({"check", good}).out, good + ": ok\n");
    const struct {
        size_t offset;  // where the good file is changed; SIZE_MAX: its length is
        int32_t value;  // a new byte (before 35) or 32-bit field, or the length change
        const char* message;
    } cases[] = {
        {0, 'X', "signature is \"Xrisk_Kite(Brisk_Wren)\", expected \"Brisk_Kite(Brisk_Wren)\""},
        {27, '2', "version is \"Ver.2\", expected \"Ver.1\" padded with zeros"},
        {29, '!', "version is \"Ver.1\\x00!\", expected \"Ver.1\" padded with zeros"},
        {35, 3, "type is 3, expected 1 (animation) or 2 (single)"},
        {39, 0, "width is 0, expected 1 to 640"},
        {39, 641, "width is 641, expected 1 to 640"},
        {43, 481, "height is 481, expected 1 to 480"},
        {47, 15, "colour bits is 15, expected 16"},
        {51, 65536, "key colour is 65536, expected 0 to 65535"},
        {59, -1, "Left frame count is -1, expected 0 or more"},
        {55, 0x7FFFFFFF,
         "file is 103 bytes, the header implies 8589934691 (8589934588 bytes too short)"},
        {SIZE_MAX, -1, "file is 102 bytes, the header implies 103 (1 byte too short)"},
        {SIZE_MAX, 1, "file is 104 bytes, the header implies 103 (1 byte too long)"},
        {SIZE_MAX, -53, "file is 50 bytes, shorter than the 91-byte header"}};
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes(kGolden.begin(), kGolden.end());
        if (c.offset == SIZE_MAX) bytes.resize(bytes.size() + c.value, 0);
        for (int i = 0; c.offset != SIZE_MAX && i < (c.offset < 35 ? 1 : 4); ++i)
            bytes[c.offset + i] = uint8_t(uint32_t(c.value) >> 8 * i);
        const std::string path = TempPath("broken.Spr");
        ASSERT_TRUE(WriteBytesToFile(path, bytes));
        const Outcome run = Spr({"check", path});
        EXPECT_EQ(run.code, 1) << c.message;
        EXPECT_EQ(run.err, "celforge-spr: " + path + ": " + c.message + "\n");
    }
}

TEST(CelforgeSpr, UsageErrorsExitTwoAndHelpExitsZero) {
    const std::string x = "x.Spr", up = "up=a,b,c";
    // clang-format off
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{}, 2}, {{"frobnicate"}, 2}, {{"--help"}, 0}, {{"info", "--help"}, 0},
        {{"build", "--help"}, 0},
        {{"info"}, 2}, {{"check", "a.Spr", "b.Spr"}, 2}, {{"export", "a.Spr"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--delay", "0"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--scale", "0"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--scale", "9"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--format", "list"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--format", "godot", "--json", "s.json"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--delay", "sideways=40"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--delay", "left=40", "--delay", "Left=50"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--pivot", "1,2,3"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--pivot", "up=-1,2"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--padding", "-1"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--extrude", "65"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--max-size", "0"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--layout", "spiral"}, 2},
        {{"build", "-o", x, "--size", "641x1", "--dir", up}, 2},
        {{"build", "-o", x, "--size", "1x481", "--dir", up}, 2},
        {{"build", "-o", x, "--size", "2x2", "--dir", "sideways=a,b,c"}, 2},
        {{"build", "-o", x, "--size", "2x2", "--dir", "up=a,b", "--dir", "up=c"}, 2},
        {{"build", "-o", x, "--size", "2x2", "--key", "256,0,0", "--dir", up}, 2},
        {{"build", "-o", x, "--single", "a.pcx", "--size", "2x2"}, 2},
        {{"build", "-o", x, "--single", "a.pcx", "--matte", "1,2,256"}, 2},
        {{"build", "-o", x, "--single", "a.pcx", "--alpha-threshold", "0"}, 2},
        {{"build", "-o", x, "--from", "f", "--alpha-threshold", "x"}, 2},
        {{"build", "-o", x, "--single", "a.pcx", "--dither", "--dither"}, 2},
        {{"check", TempPath("missing.Spr")}, 1}};
    // clang-format on
    for (const auto& [args, code] : cases) {
        const Outcome run = Spr(args);
        EXPECT_EQ(run.code, code) << ::testing::PrintToString(args) << run.err;
        EXPECT_EQ(run.out.empty(), code != 0) << ::testing::PrintToString(args);
    }
}

// Frame and picture sizes; the 640 x 480 one is a single sprite. Left's 3
// frames lie on the sheet's first row and down's 4 on the second; each
// picture's top-left pixel is the key.
TEST(CelforgeSpr, BuildCheckInfoExportRoundTrips) {
    const int trips[][4] = {{1, 1, 3, 2}, {7, 3, 5, 4}, {48, 48, 48, 48}, {640, 480, 640, 480}};
    for (const auto& [width, height, pictureW, pictureH] : trips) {
        const bool single = width == 640;
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        const std::string spr = TempPath(size + ".Spr"), png = TempPath(size + ".png");
        SCOPED_TRACE(size);
        std::vector<RgbImage> pictures;
        std::string left = "left=", down = "down=";
        for (int f = 0; f < (single ? 1 : 7); ++f) {
            pictures.push_back(MakeRandomImage(pictureW, pictureH, 17 + f));
            pictures.back().rgb[0] = pictures.back().rgb[2] = 255, pictures.back().rgb[1] = 0;
            const std::string path = WritePicture(size + "_" + std::to_string(f), pictures.back());
            (f < 3 ? left : down) += (f == 0 || f == 3 ? "" : ",") + path;
        }
        std::vector<std::string> build = {"build", "-o", spr, "--key", "255,0,255"};
        if (single)
            build.insert(build.end(), {"--single", left.substr(5)});
        else
            build.insert(build.end(), {"--size", size, "--dir", left, "--dir", down});
        ASSERT_EQ(Spr(build).code, 0);
        EXPECT_EQ(Spr({"check", spr}).code, 0);
        const std::string info = Spr({"info", spr}).out;
        for (const std::string& line :
             {"frame size     " + std::to_string(width) + " x " + std::to_string(height) + "\n",
              "header implies " + std::to_string(ReadWholeFile(spr).size()) + " bytes\n"})
            EXPECT_NE(info.find(line), std::string::npos) << info;
        ASSERT_EQ(
            Spr({"export", spr, "-o", png, "--json", spr + ".json", "--format", "array"}).code, 0);
        uint32_t w = 0, h = 0;
        const std::vector<uint8_t> sheet = ReadPngRgba(png, &w, &h);
        ASSERT_EQ(w * 10000 + h, (single ? 1 : 4) * width * 10000u + (single ? 1 : 2) * height);
        std::ifstream jsonFile(spr + ".json");
        const nlohmann::json doc = nlohmann::json::parse(jsonFile), &frames = doc.at("frames");
        EXPECT_EQ(doc.at("meta").at("size"), (nlohmann::json{{"w", w}, {"h", h}}));
        ASSERT_EQ(frames.size(), pictures.size());
        EXPECT_TRUE(single || frames[3].at("filename") == "Down_0");
        const uint8_t black[3] = {0, 0, 0};
        for (size_t f = 0; f < pictures.size(); ++f) {
            const int x0 = int(f < 3 ? f : f - 3) * width, y0 = f < 3 ? 0 : height;
            EXPECT_EQ(frames[f].at("frame"),
                      (nlohmann::json{{"x", x0}, {"y", y0}, {"w", width}, {"h", height}}));
            for (int i = 0; i < width * height; ++i) {
                const int x = i % width, y = i / width;
                const auto want =
                    SheetColour(x < pictureW && y < pictureH ? pictures[f].At(x, y) : black);
                ASSERT_TRUE(
                    std::equal(want.begin(), want.end(), &sheet[(size_t(y0 + y) * w + x0 + x) * 4]))
                    << "frame " << f << " pixel " << x << "," << y;
            }
        }
    }
}

// Frames of 2 x 1, key 0xF81F: Left has 3, Down 4. Left_0 is white then key;
// Down_3 ends in pure blue; every other pixel is black.
std::string WriteSevenFrameSprite() {
    std::vector<uint8_t> bytes(kGolden.begin(), kGolden.begin() + 55);  // up to the counts
    for (uint32_t count : {0, 3, 0, 0, 0, 0, 0, 4, 0})                  // per direction
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(count >> 8 * i));
    const uint16_t pixels[14] = {0xFFFF, 0xF81F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x001F};
    for (uint16_t pixel : pixels) bytes.insert(bytes.end(), {uint8_t(pixel), uint8_t(pixel >> 8)});
    const std::string path = TempPath("seven.Spr");
    EXPECT_TRUE(WriteBytesToFile(path, bytes));
    return path;
}

using Rgba = std::array<uint8_t, 4>;
Rgba PixelAt(const std::vector<uint8_t>& rgba, uint32_t width, int x, int y) {
    const uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

TEST(CelforgeSpr, ExportFormsAndScalesDescribeTheirSheet) {
    const std::string spr = WriteSevenFrameSprite(), png = TempPath("forms.png"), json = png + "j";
    using Json = nlohmann::ordered_json;
    const Json names = {"Left_0", "Left_1", "Left_2", "Down_0", "Down_1", "Down_2", "Down_3"};
    const Json tail = Json::parse(R"({
        "frameTags": [{"name": "Left", "from": 0, "to": 2, "direction": "forward"},
                      {"name": "Down", "from": 3, "to": 6, "direction": "forward"}],
        "animations": {"Left": ["Left_0", "Left_1", "Left_2"],
                       "Down": ["Down_0", "Down_1", "Down_2", "Down_3"]}})");
    const struct {
        const char *form, *scale;
        uint32_t width, height;  // of the sheet
        int down1x, down1y;      // where Down_1 lies on it
    } cases[] = {
        {"hash", "1", 8, 2, 2, 1}, {"hash", "2", 16, 4, 4, 2}, {"array", "8", 64, 16, 16, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.form) + " x" + c.scale);
        ASSERT_EQ(
            Spr({"export", spr, "-o", png, "--json", json, "--format", c.form, "--scale", c.scale})
                .code,
            0);
        uint32_t w = 0, h = 0;
        ReadPngRgba(png, &w, &h);
        ASSERT_EQ(std::make_pair(w, h), std::make_pair(c.width, c.height));
        const int s = std::stoi(c.scale);
        std::ifstream file(json);
        const Json doc = Json::parse(file), &frames = doc.at("frames");
        EXPECT_EQ(doc.at("meta").at("size"), (Json{{"w", w}, {"h", h}}));
        EXPECT_EQ(doc.at("meta").at("scale"), "1") << "the frames are the sheet's own pixels";
        EXPECT_EQ(doc.at("meta").at("frameTags"), tail.at("frameTags"));
        EXPECT_EQ(doc.at("animations"), tail.at("animations"));
        EXPECT_EQ(frames.is_object(), std::string(c.form) == "hash");
        Json listed = Json::array();
        for (const auto& [key, entry] : frames.items()) {
            listed.push_back(frames.is_object() ? Json(key) : entry.at("filename"));
            EXPECT_EQ(entry.contains("filename"), frames.is_array());
            const Json& r = entry.at("frame");
            EXPECT_EQ(r.at("w").get<int>() * 10 + r.at("h").get<int>(), 2 * s * 10 + s);
        }
        EXPECT_EQ(listed, names);
        const Json& down1 = frames.is_object() ? frames.at("Down_1") : frames.at(4);
        EXPECT_EQ(down1.at("frame").at("x"), c.down1x);
        EXPECT_EQ(down1.at("frame").at("y"), c.down1y);
    }
}

// Left_0 (white, key) and Down_3 (black, blue) sampled where each layout puts
// them, with the padding between slots and the extruded edges. Padded and
// extruded, the frames are where anim8.newGrid(2, 1, 19, 7, 1, 1, 3) slices.
TEST(CelforgeSpr, ExportLayoutsPadAndExtrudeFramesAtExactRectangles) {
    const std::string spr = WriteSevenFrameSprite(), png = TempPath("pad.png"), json = png + "j";
    const Rgba white = {255, 255, 255, 255}, none = {0, 0, 0, 0}, black = {0, 0, 0, 255},
               blue = {0, 0, 255, 255};
    // clang-format off
    const struct {
        std::vector<std::string> options;
        uint32_t width, height;
        int left0x, left0y, down3x, down3y;  // frame rectangles' corners
        std::vector<std::tuple<int, int, Rgba>> pixels;
    } cases[] = {
        {{"--padding", "1", "--extrude", "1"}, 19, 7, 1, 1, 16, 5,
         {{1, 1, white}, {2, 1, none}, {0, 0, white}, {0, 2, white}, {3, 1, none}, {16, 5, black},
          {17, 5, blue}, {18, 4, blue}, {18, 6, blue}, {15, 5, black}, {14, 5, none}, {14, 4, none}}},
        {{"--layout", "grid"}, 4, 4, 0, 0, 0, 3, {{0, 0, white}, {1, 0, none}, {1, 3, blue}}},
        {{"--padding", "2", "--scale", "2"}, 22, 6, 0, 0, 18, 4,
         {{1, 1, white}, {2, 0, none}, {16, 4, none}, {17, 5, none}, {21, 5, blue}, {19, 5, black}}},
    };
    // clang-format on
    for (const auto& c : cases) {
        std::vector<std::string> args = {"export", spr, "-o", png, "--json", json};
        args.insert(args.end(), c.options.begin(), c.options.end());
        SCOPED_TRACE(::testing::PrintToString(args));
        ASSERT_EQ(Spr(args).code, 0);
        uint32_t w = 0, h = 0;
        const std::vector<uint8_t> sheet = ReadPngRgba(png, &w, &h);
        ASSERT_EQ(std::make_pair(w, h), std::make_pair(c.width, c.height));
        for (const auto& [x, y, want] : c.pixels)
            EXPECT_EQ(PixelAt(sheet, w, x, y), want) << x << "," << y;
        std::ifstream file(json);
        const nlohmann::json frames = nlohmann::json::parse(file).at("frames");
        EXPECT_EQ(frames.at("Left_0").at("frame").at("x"), c.left0x);
        EXPECT_EQ(frames.at("Left_0").at("frame").at("y"), c.left0y);
        EXPECT_EQ(frames.at("Down_3").at("frame").at("x"), c.down3x);
        EXPECT_EQ(frames.at("Down_3").at("frame").at("y"), c.down3y);
    }
}

// --max-size 3 leaves one 2 x 1 frame to a line and three lines to a page:
// Left fills page 0, Down_0-2 page 1, Down_3 page 2.
TEST(CelforgeSpr, ExportSplitsPagesLinkedAsMultiPacks) {
    const std::string spr = WriteSevenFrameSprite(), folder = MakeTestFolder("cli_pages");
    const Outcome run =
        Spr({"export", spr, "-o", folder + "/p.png", "--json", folder + "/p.json", "--max-size",
             "3", "--delay", "80", "--delay", "down=250", "--pivot", "left=0,1"});
    ASSERT_EQ(run.code, 0) << run.err;
    std::vector<std::string> entries = FolderEntries(folder);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"p-0.json", "p-0.png", "p-1.json", "p-1.png",
                                                 "p-2.json", "p-2.png"}));
    using Json = nlohmann::json;
    // Each page's last line: which direction's frames, from which index.
    const struct {
        const char* name;
        int height;
        Json frames, multiPacks, lastRow;
    } pages[] = {{"p-0",
                  3,
                  {"Left_0", "Left_1", "Left_2"},
                  {"p-1.json", "p-2.json"},
                  {{"name", "Left"}, {"row", 2}, {"y", 2}, {"from", 2}, {"count", 1}}},
                 {"p-1",
                  3,
                  {"Down_0", "Down_1", "Down_2"},
                  {"p-0.json", "p-2.json"},
                  {{"name", "Down"}, {"row", 2}, {"y", 2}, {"from", 2}, {"count", 1}}},
                 {"p-2",
                  1,
                  {"Down_3"},
                  {"p-0.json", "p-1.json"},
                  {{"name", "Down"}, {"row", 0}, {"y", 0}, {"from", 3}, {"count", 1}}}};
    for (const auto& page : pages) {
        SCOPED_TRACE(page.name);
        std::ifstream file(folder + "/" + page.name + ".json");
        const Json doc = Json::parse(file), &meta = doc.at("meta");
        EXPECT_EQ(meta.at("image"), std::string(page.name) + ".png");
        EXPECT_EQ(meta.at("size"), (Json{{"w", 2}, {"h", page.height}}));
        EXPECT_EQ(meta.at("related_multi_packs"), page.multiPacks);
        EXPECT_EQ(meta.at("rows").back(), page.lastRow);
        Json names = Json::array();
        for (const auto& [name, entry] : doc.at("frames").items()) names.push_back(name);
        EXPECT_EQ(names, page.frames);
    }
    std::ifstream first(folder + "/p-0.json"), last(folder + "/p-2.json");
    const Json left = Json::parse(first).at("frames").at("Left_1"),
               down = Json::parse(last).at("frames").at("Down_3");
    EXPECT_EQ(left.at("duration"), 80);
    EXPECT_EQ(left.at("pivot"), (Json{{"x", 0.0}, {"y", 1.0}}));
    EXPECT_EQ(left.at("anchor"), left.at("pivot"));
    EXPECT_EQ(down.at("duration"), 250);
    EXPECT_FALSE(down.contains("pivot"));
}

// The frames Phaser's createFromAseprite looks up: each tag's from..to as keys.
TEST(CelforgeSpr, ExportAsepriteFormKeysFramesByPosition) {
    const std::string spr = WriteSevenFrameSprite(), png = TempPath("ase.png"), json = png + "j";
    ASSERT_EQ(Spr({"export", spr, "-o", png, "--json", json, "--format", "aseprite"}).code, 0);
    std::ifstream file(json);
    const nlohmann::ordered_json doc = nlohmann::ordered_json::parse(file);
    std::vector<std::string> keys;
    for (const auto& [key, entry] : doc.at("frames").items()) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(doc.at("frames").at("4").at("frame").at("x"), 2);  // Down_1
    EXPECT_EQ(doc.at("meta").at("frameTags").at(1).at("from"), 3);
    EXPECT_EQ(doc.at("animations").at("Down"), (nlohmann::ordered_json{"3", "4", "5", "6"}));
}

// The Godot 4 resource and scene as the text format has them, checked field
// by field by hand: format=3, string ids, duration 1.0 frames, &"" names,
// speed 1000 / delay; Left's pivot 0,1 of the 2 x 1 frame moves it by 1,-0.5.
TEST(CelforgeSpr, ExportGodot4FormMatchesItsGoldenFiles) {
    const std::string spr = WriteSevenFrameSprite(), folder = MakeTestFolder("cli_godot4");
    ASSERT_EQ(Spr({"export", spr, "-o", folder + "/seven.png", "--format", "godot", "--delay",
                   "down=250", "--pivot", "left=0,1"})
                  .code,
              0);
    for (const char* extension : {".tres", ".tscn"})
        EXPECT_EQ(ReadWholeFile(folder + "/seven" + extension),
                  ReadWholeFile(std::string(CELFORGE_SOURCE_DIR) + "/tests/golden/seven_godot4" +
                                extension))
            << extension;
}

// Refused after the sprite is read: nothing is written.
TEST(CelforgeSpr, ExportRefusesPivotsAndPageSizesTheFrameDoesNotFit) {
    const std::string spr = WriteSevenFrameSprite(), folder = MakeTestFolder("cli_refused");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--max-size", "1"}, "a frame takes 2 x 1 pixels on the sheet, more than --max-size 1"},
        {{"--max-size", "3", "--extrude", "1"}, "a frame takes 4 x 3 pixels on the sheet"},
        {{"--pivot", "down=2.5,0"}, "--pivot for Down lies outside the 2 x 1 frame"}};
    for (const auto& [options, message] : cases) {
        std::vector<std::string> args = {"export", spr, "-o", folder + "/s.png"};
        args.insert(args.end(), options.begin(), options.end());
        const Outcome run = Spr(args);
        EXPECT_EQ(run.code, 2);
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_TRUE(FolderEntries(folder).empty());
    }
}

// Each case leaves the folder as it was: refused outputs before anything is
// written, a failed one with the others never put in place.
TEST(CelforgeSpr, ExportWritesAllItsOutputsOrNone) {
    const std::string spr = WriteSevenFrameSprite(), folder = MakeTestFolder("cli_outputs");
    const std::string png = folder + "/s.png", old = folder + "/old.png",
                      name = std::filesystem::path(folder).filename().string();
    ASSERT_TRUE(WriteBytesToFile(old, {'o', 'l', 'd'}));
    const struct {
        std::vector<std::string> outputs;
        int code;
        const char* message;
    } cases[] = {
        {{"-o", old, "--json", folder + "/../" + name + "/old.png"}, 2, " are the same file"},
        {{"-o", png, "--gif", folder + "/g", "--json", "/dev/full"}, 1, "/dev/full: cannot write"},
        {{"-o", old, "--json", folder + "/missing/s.json"}, 1, "cannot make a file"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"export", spr};
        args.insert(args.end(), c.outputs.begin(), c.outputs.end());
        SCOPED_TRACE(::testing::PrintToString(args));
        const Outcome run = Spr(args);
        EXPECT_EQ(run.code, c.code);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"old.png"});
        EXPECT_EQ(ReadWholeFile(old), (std::vector<uint8_t>{'o', 'l', 'd'}));
        EXPECT_EQ(ReadWholeFile(spr).size(), 91u + 14 * 2);
    }
}

TEST(CelforgeSpr, LostOutputAndUnexpectedFailuresExitOne) {
    std::ostream lost(nullptr);  // takes nothing, as standard output on a full disk
    std::ostringstream err;
    EXPECT_EQ(RunCelforgeSpr({"--version"}, lost, err), 1);
    EXPECT_EQ(err.str(), "celforge-spr: cannot write to standard output\n");
    // A name that is not UTF-8: the export's JSON replaces the byte...
    const std::string spr = WriteSevenFrameSprite(), png = TempPath("\xff.png");
    ASSERT_EQ(Spr({"export", spr, "-o", png, "--json", png + ".json"}).code, 0);
    std::ifstream file(png + ".json");
    EXPECT_EQ(nlohmann::json::parse(file).at("meta").at("image"), "cli_\xEF\xBF\xBD.png");
    // ... and so does info's.
    const std::string odd = TempPath("\xfe.Spr");
    std::filesystem::copy_file(spr, odd, std::filesystem::copy_options::overwrite_existing);
    const Outcome info = Spr({"info", odd, "--json"});
    EXPECT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("cli_\xEF\xBF\xBD.Spr"), std::string::npos) << info.out;
}

TEST(CelforgeSpr, InfoPrintsEachDirectionsCountOnItsOwnLine) {
    std::vector<uint8_t> bytes(kGolden.begin(), kGolden.begin() + 55);  // 2 x 1, key 0xF81F
    for (uint32_t count = 1; count <= 9; ++count)                       // 1, 2, ... 9 frames
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(count >> 8 * i));
    bytes.resize(91 + 45 * 2 * 2, 0);  // 45 frames of 2 pixels
    const std::string path = TempPath("counts.Spr");
    ASSERT_TRUE(WriteBytesToFile(path, bytes));
    const std::string info = Spr({"info", path}).out;
    EXPECT_NE(info.find("  frames\n    No Direction  1\n    Left          2\n    LeftUp        3\n"
                        "    Up            4\n    RightUp       5\n    Right         6\n"
                        "    RightDown     7\n    Down          8\n    LeftDown      9\n"
                        "  file size      271 bytes\n"),
              std::string::npos)
        << info;
}

// Only the header is read before the refusal, so no image data is needed.
TEST(CelforgeSpr, BuildRefusesLargeInterlacedPngs) {
    const uint32_t cases[][3] = {{4097, 4096, 1}, {4096, 4096, 1}, {8192, 8192, 0}};
    for (const auto& [width, height, interlace] : cases) {
        std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',  // signature
                                    0,    0,   0,   13,  'I',  'H',  'D',  'R'};  // 13 bytes
        for (uint32_t side : {width, height})
            for (int i = 3; i >= 0; --i) png.push_back(uint8_t(side >> 8 * i));  // big-endian
        png.insert(png.end(), {8, 2, 0, 0, uint8_t(interlace), 0, 0, 0, 0});     // RGB; CRC 0
        const std::string path = TempPath("interlaced.png"), up = "up=" + path + "," + path;
        ASSERT_TRUE(WriteBytesToFile(path, png));
        const Outcome run = Spr({"build", "-o", path + ".Spr", "--size", "4x4", "--dir", up});
        EXPECT_EQ(run.err.find(": an interlaced PNG of 4097 x 4096") != std::string::npos,
                  width == 4097)
            << run.err;
    }
}

}  // namespace
