// celforge-spr end to end, in process: pictures written here are built into
// sprite files, checked, described and exported, and what comes out is read
// back with the PNG and JSON libraries and compared with the pictures.

#include <gtest/gtest.h>
#include <spng.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/commands.h"
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

// RGBA bytes of a PNG file.
std::vector<uint8_t> DecodePngFile(const std::string& path, uint32_t* width, uint32_t* height) {
    const std::vector<uint8_t> file = ReadWholeFile(path);
    spng_ctx* context = spng_ctx_new(0);
    spng_set_png_buffer(context, file.data(), file.size());
    spng_ihdr ihdr{};
    spng_get_ihdr(context, &ihdr);
    *width = ihdr.width, *height = ihdr.height;
    std::vector<uint8_t> pixels(size_t{ihdr.width} * ihdr.height * 4);
    EXPECT_EQ(spng_decode_image(context, pixels.data(), pixels.size(), SPNG_FMT_RGBA8, 0), 0);
    spng_ctx_free(context);
    return pixels;
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
                      missing = TempPath("missing.pcx"), out = TempPath("failed.Spr");
    const std::string cutShort = ": the file is cut short: its image data ends before the last row";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--single", cutPath}, cutPath + cutShort},
        {{"--single", missing}, missing + ": cannot read the file: No such file or directory"},
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
        {{"check", "--help"}, 0}, {{"export", "--help"}, 0}, {{"build", "--help"}, 0},
        {{"info"}, 2}, {{"check", "a.Spr", "b.Spr"}, 2}, {{"export", "a.Spr"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--delay", "0"}, 2},
        {{"build", "-o", x, "--size", "641x1", "--dir", up}, 2},
        {{"build", "-o", x, "--size", "1x481", "--dir", up}, 2},
        {{"build", "-o", x, "--size", "2x2", "--dir", "sideways=a,b,c"}, 2},
        {{"build", "-o", x, "--size", "2x2", "--dir", "up=a,b", "--dir", "up=c"}, 2},
        {{"build", "-o", x, "--size", "2x2", "--key", "256,0,0", "--dir", up}, 2},
        {{"build", "-o", x, "--single", "a.pcx", "--size", "2x2"}, 2},
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
        ASSERT_EQ(Spr({"export", spr, "-o", png, "--json", spr + ".json"}).code, 0);
        uint32_t w = 0, h = 0;
        const std::vector<uint8_t> sheet = DecodePngFile(png, &w, &h);
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

}  // namespace
