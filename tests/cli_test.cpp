// celforge-spr end to end, in process: pictures written here are built into
// sprite files, checked, described and exported, and what comes out is read
// back with the PNG and JSON libraries and compared with the pictures.

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/support/cli_run.h"

namespace {

using Json = nlohmann::ordered_json;

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "cli_" + name;
}

Json ReadJson(const std::string& path) {
    std::ifstream file(path);
    return Json::parse(file);
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

// The build warns of what it leaves out and of colours that turn into the
// key; each field check finds broken is named with its value.
TEST(CelforgeSpr, BuildWritesTheEditorsFileByteForByteAndCheckNamesEachBrokenField) {
    const std::string white = TempPath("white.pcx"), dim = TempPath("dim.pcx"),
                      nearKey = TempPath("near_key.pcx"), good = TempPath("golden.Spr");
    Written(white, EncodePcx24(MakeFlatImage(1, 1, 255, 255, 255)));
    Written(dim, EncodePcx24(MakeFlatImage(1, 1, 8, 4, 8)));
    Written(nearKey, EncodePcx24(MakeFlatImage(1, 1, 250, 1, 251)));
    const Outcome run =
        Spr({"build", "-o", good, "--size", "2x1", "--key", "255,0,255", "--dir",
             "up=" + white + "," + dim + "," + nearKey, "--dir", "left=" + white + "," + white});
    EXPECT_EQ(run.code, 0) << run.err;
    for (const std::string& warning :
         {good + ": warning: Left has 2 frames and is left out",
          nearKey + ": warning: 1 pixel turns transparent", std::string("#FA01FB x1")})
        EXPECT_NE(run.err.find(warning), std::string::npos) << run.err;
    EXPECT_EQ(ReadWholeFile(good), std::vector<uint8_t>(kGolden.begin(), kGolden.end()));
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
            const std::string path = TempPath(size + "_" + std::to_string(f) + ".pcx");
            (f < 3 ? left : down) +=
                (f == 0 || f == 3 ? "" : ",") + Written(path, EncodePcx24(pictures[f]));
        }
        const std::vector<std::string> build = {"build", "-o", spr, "--key", "255,0,255"};
        ASSERT_EQ(Spr(single ? Joined(build, {"--single", left.substr(5)})
                             : Joined(build, {"--size", size, "--dir", left, "--dir", down}))
                      .code,
                  0);
        EXPECT_EQ(Spr({"check", spr}).code, 0);
        const std::string implied = std::to_string(ReadWholeFile(spr).size()) + " bytes\n";
        EXPECT_NE(Spr({"info", spr}).out.find("header implies " + implied), std::string::npos);
        ASSERT_EQ(Spr({"export", spr, "-o", png, "--json", png + ".json"}).code, 0);
        EXPECT_EQ(ReadJson(png + ".json").at("frames").size(), pictures.size());
        const size_t columns = single ? 1 : 4, lines = single ? 1 : 2;
        std::vector<uint8_t> want(columns * width * lines * height * 4);
        const uint8_t black[3] = {0, 0, 0};
        for (size_t f = 0; f < pictures.size(); ++f)
            for (int i = 0; i < width * height; ++i) {
                const int x = i % width, y = i / width;
                const size_t sheetX = (f < 3 ? f : f - 3) * width + x,
                             sheetY = (f < 3 ? 0 : height) + y;
                const auto colour =
                    SheetColour(x < pictureW && y < pictureH ? pictures[f].At(x, y) : black);
                std::copy(colour.begin(), colour.end(),
                          &want[(sheetY * columns * width + sheetX) * 4]);
            }
        EXPECT_EQ(PngAt(png), Picture(columns * width, lines * height, want));
    }
}

// Frames of 2 x 1, key 0xF81F: Left has 3, Down 4. Left_0 is white then key;
// Down_3 ends in pure blue; every other pixel is black.
std::string WriteSevenFrameSprite(const std::string& path = TempPath("seven.Spr")) {
    std::vector<uint16_t> pixels(14, 0);
    pixels[0] = 0xFFFF, pixels[1] = 0xF81F, pixels[13] = 0x001F;
    return Written(path,
                   SpriteOf({SPRITE_ANIMATION, 2, 1, {0, 3, 0, 0, 0, 0, 0, 4}}, 0xF81F, pixels));
}

// The sheet's size, then each frame's name, rectangle, delay and pivot.
std::string Describe(const Json& doc) {
    const Json &size = doc.at("meta").at("size"), &frames = doc.at("frames");
    std::string text = size.at("w").dump() + "x" + size.at("h").dump();
    text += frames.is_array() ? " as array:" : ":";
    for (const auto& [key, entry] : frames.items()) {
        const Json& r = entry.at("frame");
        text += " " + (frames.is_array() ? "" : key) + entry.value("filename", "") + " " +
                r.at("x").dump() + "," + r.at("y").dump() + "," + r.at("w").dump() + "," +
                r.at("h").dump() + " " + entry.at("duration").dump();
        if (entry.contains("pivot"))
            text +=
                " @" + entry.at("pivot").at("x").dump() + "," + entry.at("pivot").at("y").dump();
        if (entry.value("anchor", Json()) != entry.value("pivot", Json())) text += " (anchor)";
    }
    return text;
}

// The sheet a letter a pixel: W white, k black, b blue, . see-through.
std::vector<std::string> Letters(const std::vector<uint8_t>& rgba, uint32_t width) {
    std::vector<std::string> rows;
    for (size_t at = 0; at < rgba.size(); at += 4) {
        if (at / 4 % width == 0) rows.emplace_back();
        const uint32_t colours[] = {0xFFFFFFFF, 0xFF000000, 0xFFFF0000, 0};
        rows.back() += "Wkb.?"[std::find(colours, colours + 4, Le32At(rgba, at)) - colours];
    }
    return rows;
}

// Every export of the seven frames goes to a name that is not UTF-8, which
// the JSON gives with the replacement character. Padded and extruded, the
// frames are where anim8.newGrid(2, 1, 19, 7, 1, 1, 3) slices.
TEST(CelforgeSpr, ExportFormsLayoutsAndScalesDescribeTheirSheet) {
    const std::string spr = WriteSevenFrameSprite(), folder = MakeTestFolder("cli_export");
    const std::string png = folder + "/\xff.png", json = folder + "/s.json";
    const Json tags = Json::parse(R"([
        {"name": "Left", "from": 0, "to": 2, "direction": "forward"},
        {"name": "Down", "from": 3, "to": 6, "direction": "forward"}])");
    const struct {
        std::vector<std::string> options;
        std::string frames;              // as Describe gives them
        std::vector<std::string> sheet;  // as Letters gives it; empty: not compared
    } cases[] = {
        {{"--format", "aseprite", "--scale", "8"},
         "64x16: 0 0,0,16,8 100 1 16,0,16,8 100 2 32,0,16,8 100 3 0,8,16,8 100 4 16,8,16,8 100 "
         "5 32,8,16,8 100 6 48,8,16,8 100",
         {}},
        {{"--layout", "grid"},
         "4x4: Left_0 0,0,2,1 100 Left_1 2,0,2,1 100 Left_2 0,1,2,1 100 Down_0 2,1,2,1 100 "
         "Down_1 0,2,2,1 100 Down_2 2,2,2,1 100 Down_3 0,3,2,1 100",
         {"W.kk", "kkkk", "kkkk", "kb.."}},
        {{"--padding", "1", "--extrude", "1"},
         "19x7: Left_0 1,1,2,1 100 Left_1 6,1,2,1 100 Left_2 11,1,2,1 100 Down_0 1,5,2,1 100 "
         "Down_1 6,5,2,1 100 Down_2 11,5,2,1 100 Down_3 16,5,2,1 100",
         {"WW...kkkk.kkkk.....", "WW...kkkk.kkkk.....", "WW...kkkk.kkkk.....",
          "...................", "kkkk.kkkk.kkkk.kkbb", "kkkk.kkkk.kkkk.kkbb",
          "kkkk.kkkk.kkkk.kkbb"}},
        {{"--format", "array", "--padding", "2", "--scale", "2"},
         "22x6 as array: Left_0 0,0,4,2 100 Left_1 6,0,4,2 100 Left_2 12,0,4,2 100 "
         "Down_0 0,4,4,2 100 Down_1 6,4,4,2 100 Down_2 12,4,4,2 100 Down_3 18,4,4,2 100",
         {"WW....kkkk..kkkk......", "WW....kkkk..kkkk......", "......................",
          "......................", "kkkk..kkkk..kkkk..kkbb", "kkkk..kkkk..kkkk..kkbb"}},
    };
    for (const auto& c : cases) {
        const auto args = Joined({"export", spr, "-o", png, "--json", json}, c.options);
        SCOPED_TRACE(::testing::PrintToString(args));
        ASSERT_EQ(Spr(args).code, 0);
        const Json doc = ReadJson(json), &meta = doc.at("meta");
        EXPECT_EQ(Describe(doc), c.frames);
        const auto [w, h, sheet] = PngAt(png);
        EXPECT_EQ(meta.at("size"), (Json{{"w", w}, {"h", h}}));
        EXPECT_TRUE(c.sheet.empty() || Letters(sheet, w) == c.sheet)
            << ::testing::PrintToString(Letters(sheet, w));
        // The frames are the sheet's own pixels: scale 1.
        EXPECT_EQ(Json({meta.at("image"), meta.at("scale"), meta.at("frameTags")}),
                  Json({"\xEF\xBF\xBD.png", "1", tags}));
        Json keys = Json::array();  // animations list the frames by the keys they are found by
        for (const auto& [key, entry] : doc.at("frames").items())
            keys.push_back(entry.value("filename", Json(key)));
        EXPECT_EQ(doc.at("animations"), (Json{{"Left", Json(keys.begin(), keys.begin() + 3)},
                                              {"Down", Json(keys.begin() + 3, keys.end())}}));
    }
}

// --max-size 3 leaves one 2 x 1 frame to a line and three lines to a page:
// Left fills page 0, Down_0-2 page 1, Down_3 page 2. The Godot 4 resource
// and scene are as the text format has them, checked field by field by hand:
// format=3, string ids, duration 1.0 frames, &"" names, speed 1000 / delay;
// Left's pivot 0,1 of the 2 x 1 frame moves it by 1,-0.5.
TEST(CelforgeSpr, ExportSplitsPagesLinkedAsMultiPacksAndWritesGodot4Files) {
    const std::string spr = WriteSevenFrameSprite(), folder = MakeTestFolder("cli_pages");
    const std::vector<std::string> shared = {"export",   spr,       "--delay",
                                             "down=250", "--pivot", "left=0,1"};
    ASSERT_EQ(Spr(Joined(shared, {"-o", folder + "/p.png", "--json", folder + "/p.json",
                                  "--max-size", "3", "--delay", "80"}))
                  .code,
              0);
    ASSERT_EQ(Spr(Joined(shared, {"-o", folder + "/seven.png", "--format", "godot"})).code, 0);
    EXPECT_EQ(SortedEntries(folder),
              (std::vector<std::string>{"p-0.json", "p-0.png", "p-1.json", "p-1.png", "p-2.json",
                                        "p-2.png", "seven.png", "seven.tres", "seven.tscn"}));
    for (const char* extension : {".tres", ".tscn"})
        EXPECT_EQ(ReadWholeFile(folder + "/seven" + extension),
                  ReadWholeFile(std::string(CELFORGE_SOURCE_DIR) + "/tests/golden/seven_godot4" +
                                extension))
            << extension;
    // Each page's frames, the other pages, and its last line: which
    // direction's frames, from which index.
    const std::pair<std::string, std::string> pages[] = {
        {"p-0",
         "2x3: Left_0 0,0,2,1 80 @0.0,1.0 Left_1 0,1,2,1 80 @0.0,1.0 Left_2 0,2,2,1 80 "
         R"(@0.0,1.0 ["p-1.json","p-2.json"] {"name":"Left","row":2,"y":2,"from":2,"count":1})"},
        {"p-1",
         "2x3: Down_0 0,0,2,1 250 Down_1 0,1,2,1 250 Down_2 0,2,2,1 250 "
         R"(["p-0.json","p-2.json"] {"name":"Down","row":2,"y":2,"from":2,"count":1})"},
        {"p-2",
         "2x1: Down_3 0,0,2,1 250 "
         R"(["p-0.json","p-1.json"] {"name":"Down","row":0,"y":0,"from":3,"count":1})"}};
    for (const auto& [name, description] : pages) {
        const Json doc = ReadJson(folder + "/" + name + ".json"), &meta = doc.at("meta");
        EXPECT_EQ(Describe(doc) + " " + meta.at("related_multi_packs").dump() + " " +
                      meta.at("rows").back().dump(),
                  description);
        EXPECT_EQ(meta.at("image"), name + ".png");
    }
}

// Only the header is read before an interlaced picture is refused, so the
// file has no image data.
std::string WritePngHeader(const std::string& path, uint32_t width, uint32_t height,
                           bool interlaced) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',  // signature
                                0,    0,   0,   13,  'I',  'H',  'D',  'R'};  // 13 bytes
    for (uint32_t side : {width, height})
        for (int i = 3; i >= 0; --i) png.push_back(uint8_t(side >> 8 * i));  // big-endian
    png.insert(png.end(), {8, 2, 0, 0, uint8_t(interlaced), 0, 0, 0, 0});    // RGB; CRC 0
    return Written(path, png);
}

// Wrong usage exits 2, a file that cannot be read or written 1, each saying
// why; neither leaves anything written or changed in the folder. Help exits 0.
// Output lost to a full disk is a failure too.
TEST(CelforgeSpr, RefusalsSayWhyAndLeaveTheFolderAsItWas) {
    const std::string dir = MakeTestFolder("cli_refused"), old = dir + "/old.png";
    const std::string spr = WriteSevenFrameSprite(dir + "/seven.Spr");
    std::vector<uint8_t> cut = EncodePcx24(MakeFlatImage(2, 2, 9, 9, 9));
    cut.pop_back();  // the last run's value
    const std::string cutPcx = dir + "/cut.pcx", text = dir + "/notes.txt";
    ASSERT_TRUE(WriteBytesToFile(cutPcx, cut) && WriteBytesToFile(text, {'h', 'i'}) &&
                WriteBytesToFile(old, {'o', 'l', 'd'}));
    const std::string good = Written(dir + "/good.pcx", EncodePcx24(MakeFlatImage(2, 2, 9, 9, 9))),
                      nearKey =
                          Written(dir + "/near.pcx", EncodePcx24(MakeFlatImage(1, 1, 250, 1, 251))),
                      big = WritePngHeader(dir + "/big.png", 4097, 4096, true),
                      edge = WritePngHeader(dir + "/edge.png", 4096, 4096, true),
                      flat = WritePngHeader(dir + "/flat.png", 8192, 8192, false);
    const std::vector<std::string> sheet = {"export", spr, "-o", dir + "/s.png"},
                                   build = {"build", "-o", dir + "/x.Spr"};
    const std::string oldByAnotherPath =
        dir + "/../" + std::filesystem::path(dir).filename().string() + "/old.png";
    const std::vector<Refusal> cases = {
        {{}, 2, "no command given"},
        {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
        {{"--help"}, 0, ""},
        {{"info", "--help"}, 0, ""},
        {{"build", "--help"}, 0, ""},
        {{"info"}, 2, "info: "},
        {{"check", "a.Spr", "b.Spr"}, 2, "check: "},
        {{"export", spr}, 2, "give the sheet's file with -o SHEET.png"},
        {{"check", dir + "/missing.Spr"}, 1, "missing.Spr: "},
        {Joined(sheet, {"--delay", "0"}), 2, "--delay 0: give whole milliseconds"},
        {Joined(sheet, {"--scale", "0"}), 2, "--scale 0: give a whole number, 1 to 8"},
        {Joined(sheet, {"--scale", "9"}), 2, "--scale 9: give a whole number, 1 to 8"},
        {Joined(sheet, {"--format", "list"}), 2, "--format must be"},
        {Joined(sheet, {"--format", "godot", "--json", "s.json"}), 2, "leave out --json"},
        {Joined(sheet, {"--delay", "sideways=40"}), 2, "\"sideways\" is not a direction"},
        {Joined(sheet, {"--delay", "left=40", "--delay", "Left=50"}), 2, "given twice"},
        {Joined(sheet, {"--pivot", "1,2,3"}), 2, "--pivot 1,2,3: give X,Y"},
        {Joined(sheet, {"--pivot", "up=-1,2"}), 2, "--pivot up=-1,2: give X,Y"},
        {Joined(sheet, {"--padding", "-1"}), 2, "--padding -1: give a whole number"},
        {Joined(sheet, {"--extrude", "65"}), 2, "--extrude 65: give a whole number, 0 to 64"},
        {Joined(sheet, {"--max-size", "0"}), 2, "--max-size 0: give a whole number, 1 to"},
        {Joined(sheet, {"--layout", "spiral"}), 2, "--layout must be rows or grid"},
        {Joined(sheet, {"--max-size", "1"}), 2,
         "takes 2 x 1 pixels on the sheet, more than --max-size 1"},
        {Joined(sheet, {"--max-size", "3", "--extrude", "1"}), 2, "a frame takes 4 x 3 pixels"},
        {Joined(sheet, {"--pivot", "down=2.5,0"}), 2,
         "--pivot for Down lies outside the 2 x 1 frame"},
        {{"export", spr, "-o", old, "--json", oldByAnotherPath}, 2, " are the same file"},
        {Joined(sheet, {"--gif", dir + "/g", "--json", "/dev/full"}), 1, "/dev/full: cannot write"},
        {{"export", spr, "-o", old, "--json", dir + "/missing/s.json"}, 1, "cannot make a file"},
        {Joined(build, {"--size", "641x1", "--dir", "up=a,b,c"}), 2, "--size must be WxH"},
        {Joined(build, {"--size", "1x481", "--dir", "up=a,b,c"}), 2, "--size must be WxH"},
        {Joined(build, {"--size", "2x2", "--dir", "sideways=a,b,c"}), 2, "not 'sideways=a,b,c'"},
        {Joined(build, {"--size", "2x2", "--dir", "up=a,b", "--dir", "up=c"}), 2, "up given twice"},
        {Joined(build, {"--size", "2x2", "--key", "256,0,0", "--dir", "up=a"}), 2, "--key must be"},
        {Joined(build, {"--single", "a.pcx", "--size", "2x2"}), 2, "--single takes neither"},
        {Joined(build, {"--single", "a.pcx", "--matte", "1,2,256"}), 2, "not '1,2,256'"},
        {Joined(build, {"--single", "a.pcx", "--alpha-threshold", "0"}), 2, "1 to 255, not '0'"},
        {Joined(build, {"--from", "f", "--alpha-threshold", "x"}), 2, "1 to 255, not 'x'"},
        {Joined(build, {"--single", "a.pcx", "--dither", "--dither"}), 2, "--dither given twice"},
        {{"build", "-o", good, "--single", good}, 2, "good.pcx; give another output"},
        {Joined(build, {"--size", "1x1", "--key", "255,0,255", "--strict", "--dir",
                        "up=" + nearKey + "," + good + "," + good}),
         1, "near.pcx: 1 pixel turns transparent"},
        {Joined(build, {"--single", cutPcx}), 1, "cut.pcx: the file is cut short: its image data"},
        {Joined(build, {"--size", "2x2", "--dir", "up=" + good + "," + cutPcx + "," + text}), 1,
         "cut short: its image data ends before the last row\ncelforge-spr: " + text +
             ": the file is neither a PCX nor a PNG picture\n"},
        {Joined(build, {"--size", "4x4", "--dir", "up=" + big + "," + big}), 1,
         "big.png: an interlaced PNG of 4097 x 4096 must be decoded whole"},
        {Joined(build, {"--size", "4x4", "--dir", "up=" + edge + "," + edge}), 1,
         "edge.png: the PNG picture's header is damaged"},
        {Joined(build, {"--size", "4x4", "--dir", "up=" + flat + "," + flat}), 1,
         "flat.png: the PNG picture's header is damaged"},
    };
    ExpectRefusals(dir, cases);
    std::ostream lost(nullptr);  // takes nothing, as standard output on a full disk
    std::ostringstream err;
    EXPECT_EQ(RunCelforgeSpr({"--version"}, lost, err), 1);
    EXPECT_EQ(err.str(), "celforge-spr: cannot write to standard output\n");
}

// Each direction's count on its own line; a name that is not UTF-8 is given
// as it is, and in JSON with the replacement character.
TEST(CelforgeSpr, InfoDescribesTheHeader) {
    const std::string path = Written(TempPath("\xfe.Spr"),
                                     SpriteOf({SPRITE_ANIMATION, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
                                              0xF81F, std::vector<uint16_t>(45 * 2)));
    EXPECT_EQ(Spr({"info", path}).out,
              path +
                  "\n  type           1 (animation)\n  frame size     2 x 1\n"
                  "  colour bits    16\n  key colour     63519 = 0xF81F (5-6-5) = RGB 255,0,255\n"
                  "  frames\n    No Direction  1\n    Left          2\n    LeftUp        3\n"
                  "    Up            4\n    RightUp       5\n    Right         6\n"
                  "    RightDown     7\n    Down          8\n    LeftDown      9\n"
                  "  file size      271 bytes\n  header implies 271 bytes\n");
    const Outcome json = Spr({"info", path, "--json"});
    EXPECT_NE(json.out.find("cli_\xEF\xBF\xBD.Spr"), std::string::npos) << json.out;
}

}  // namespace
