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

TEST(CelforgeSpr, OneSmallBuildIsByteForByteTheEditorsFile) {
    const std::string white = WritePicture("white", MakeFlatImage(1, 1, 255, 255, 255));
    const std::string dim = WritePicture("dim", MakeFlatImage(1, 1, 8, 4, 8));
    const std::string key = WritePicture("key", MakeFlatImage(1, 1, 255, 0, 255));
    const std::string out = TempPath("golden.Spr");
    const Outcome run =
        Spr({"build", "-o", out, "--size", "2x1", "--key", "255,0,255", "--dir",
             "up=" + white + "," + dim + "," + key, "--dir", "left=" + white + "," + white});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.err.find(out + ": warning: Left has 2 frames and is left out"), std::string::npos)
        << run.err;
    const std::string header(
        "Brisk_Kite(Brisk_Wren)\0"                   // signature, zero-terminated
        "Ver.1\0\0\0\0\0\0\0"                        // version, zero-padded to 12
        "\1\0\0\0"                                   // type 1: animation
        "\2\0\0\0"                                   // width
        "\1\0\0\0"                                   // height
        "\x10\0\0\0"                                 // colour bits
        "\x1F\xF8\0\0"                               // key 255,0,255 as 5-6-5
        "\0\0\0\0\0\0\0\0\0\0\0\0"                   // No Direction, Left (left out), LeftUp
        "\3\0\0\0"                                   // Up
        "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0",  // the other five
        91);
    std::vector<uint8_t> expected(header.begin(), header.end());
    expected.insert(expected.end(),
                    {0xFF, 0xFF, 0, 0,    // Up 0: white, then 0 past the 1 x 1 picture
                     0x21, 0x08, 0, 0,    // Up 1: 8,4,8 is 00001 000001 00001
                     0x1F, 0xF8, 0, 0});  // Up 2: the key colour itself
    EXPECT_EQ(ReadWholeFile(out), expected);
}

TEST(CelforgeSpr, CheckNamesEachBrokenField) {
    const std::string white = WritePicture("w", MakeFlatImage(1, 1, 255, 255, 255));
    const std::string good = TempPath("good.Spr");
    ASSERT_EQ(Spr({"build", "-o", good, "--size", "2x1", "--dir",
                   "up=" + white + "," + white + "," + white})
                  .code,
              0);
    EXPECT_EQ(Spr({"check", good}).out, good + ": ok\n");
    const struct {
        const char* name;
        size_t offset;  // where the good file is changed; SIZE_MAX: its length is
        int32_t value;  // a new byte (before 35) or 32-bit field, or the length change
        const char* message;
    } cases[] = {
        {"signature", 0, 'X',
         "signature is \"Xrisk_Kite(Brisk_Wren)\", expected \"Brisk_Kite(Brisk_Wren)\""},
        {"version", 27, '2', "version is \"Ver.2\", expected \"Ver.1\" padded with zeros"},
        {"padding", 29, '!', "version is \"Ver.1\\x00!\", expected \"Ver.1\" padded with zeros"},
        {"type", 35, 3, "type is 3, expected 1 (animation) or 2 (single)"},
        {"width0", 39, 0, "width is 0, expected 1 to 640"},
        {"width641", 39, 641, "width is 641, expected 1 to 640"},
        {"height481", 43, 481, "height is 481, expected 1 to 480"},
        {"bits", 47, 15, "colour bits is 15, expected 16"},
        {"key", 51, 65536, "key colour is 65536, expected 0 to 65535"},
        {"negative", 59, -1, "Left frame count is -1, expected 0 or more"},
        {"huge", 55, 0x7FFFFFFF,
         "file is 103 bytes, the header implies 8589934691 (8589934588 bytes too short)"},
        {"short", SIZE_MAX, -1, "file is 102 bytes, the header implies 103 (1 byte too short)"},
        {"long", SIZE_MAX, 1, "file is 104 bytes, the header implies 103 (1 byte too long)"},
        {"stub", SIZE_MAX, -53, "file is 50 bytes, shorter than the 91-byte header"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = ReadWholeFile(good);
        if (c.offset == SIZE_MAX) bytes.resize(bytes.size() + c.value, 0);
        for (int i = 0; c.offset != SIZE_MAX && i < (c.offset < 35 ? 1 : 4); ++i)
            bytes[c.offset + i] = uint8_t(uint32_t(c.value) >> 8 * i);
        const std::string path = TempPath(std::string(c.name) + ".Spr");
        ASSERT_TRUE(WriteBytesToFile(path, bytes));
        const Outcome run = Spr({"check", path});
        EXPECT_EQ(run.code, 1) << c.name;
        EXPECT_EQ(run.err, "celforge-spr: " + path + ": " + c.message + "\n") << c.name;
    }
}

TEST(CelforgeSpr, KeyCollisionsWarnOrFailWhenStrict) {
    RgbImage picture = MakeFlatImage(2, 1, 10, 20, 30);
    picture.At(1, 0)[0] = 250, picture.At(1, 0)[1] = 1, picture.At(1, 0)[2] = 251;  // 0xF81F
    const std::string p = WritePicture("near_key", picture), out = TempPath("collide.Spr");
    const std::vector<std::string> build = {"build",     "-o",    out,
                                            "--size",    "2x1",   "--key",
                                            "255,0,255", "--dir", "down=" + p + "," + p + "," + p};
    const Outcome warned = Spr(build);
    EXPECT_EQ(warned.code, 0);
    EXPECT_NE(warned.err.find(p + ": warning: 1 pixel turns transparent"), std::string::npos)
        << warned.err;
    EXPECT_NE(warned.err.find("#FA01FB x1"), std::string::npos) << warned.err;
    std::remove(out.c_str());
    std::vector<std::string> strict = build;
    strict.push_back("--strict");
    EXPECT_EQ(Spr(strict).code, 1);
    EXPECT_TRUE(ReadWholeFile(out).empty()) << "a strict failure writes nothing";
}

TEST(CelforgeSpr, UsageErrorsExitTwoAndHelpExitsZero) {
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{}, 2},
        {{"frobnicate"}, 2},
        {{"--help"}, 0},
        {{"info", "--help"}, 0},
        {{"check", "--help"}, 0},
        {{"export", "--help"}, 0},
        {{"build", "--help"}, 0},
        {{"info"}, 2},
        {{"check", "a.Spr", "b.Spr"}, 2},
        {{"export", "a.Spr"}, 2},
        {{"export", "a.Spr", "-o", "s.png", "--delay", "0"}, 2},
        {{"build", "-o", "x.Spr", "--size", "641x1", "--dir", "up=a,b,c"}, 2},
        {{"build", "-o", "x.Spr", "--size", "1x481", "--dir", "up=a,b,c"}, 2},
        {{"build", "-o", "x.Spr", "--size", "2x2", "--dir", "sideways=a,b,c"}, 2},
        {{"build", "-o", "x.Spr", "--size", "2x2", "--dir", "up=a,b", "--dir", "up=c"}, 2},
        {{"build", "-o", "x.Spr", "--size", "2x2", "--key", "256,0,0", "--dir", "up=a,b,c"}, 2},
        {{"build", "-o", "x.Spr", "--single", "a.pcx", "--size", "2x2"}, 2},
        {{"check", TempPath("missing.Spr")}, 1},
    };
    for (const auto& [args, code] : cases) {
        const Outcome run = Spr(args);
        EXPECT_EQ(run.code, code) << ::testing::PrintToString(args) << run.err;
        EXPECT_EQ(run.out.empty(), code != 0) << ::testing::PrintToString(args);
    }
}

// Left's 3 frames on the sheet's first row and down's 4 on the second, or one
// single frame; each picture's top-left pixel is the key.
TEST(CelforgeSpr, BuildCheckInfoExportRoundTrips) {
    const struct {
        int width, height, pictureW, pictureH;
        bool single;
    } trips[] = {{1, 1, 3, 2, false},
                 {7, 3, 5, 4, false},
                 {48, 48, 48, 48, false},
                 {640, 480, 640, 480, true}};
    for (const auto& t : trips) {
        const std::string size = std::to_string(t.width) + "x" + std::to_string(t.height);
        SCOPED_TRACE(size);
        std::vector<RgbImage> pictures;
        std::vector<std::string> build = {"build", "-o", TempPath(size + ".Spr"), "--key",
                                          "255,0,255"},
                                 paths;
        for (int f = 0; f < (t.single ? 1 : 7); ++f) {
            pictures.push_back(MakeRandomImage(t.pictureW, t.pictureH, 17 + f));
            pictures.back().rgb[0] = pictures.back().rgb[2] = 255, pictures.back().rgb[1] = 0;
            paths.push_back(WritePicture(size + "_" + std::to_string(f), pictures.back()));
        }
        if (t.single)
            build.insert(build.end(), {"--single", paths[0]});
        else
            build.insert(
                build.end(),
                {"--size", size, "--dir", "left=" + paths[0] + "," + paths[1] + "," + paths[2],
                 "--dir", "down=" + paths[3] + "," + paths[4] + "," + paths[5] + "," + paths[6]});
        const std::string spr = build[2], png = TempPath(size + ".png"),
                          json = TempPath(size + ".json");
        ASSERT_EQ(Spr(build).code, 0);
        EXPECT_EQ(Spr({"check", spr}).code, 0);
        const std::string info = Spr({"info", spr}).out;
        EXPECT_NE(info.find("frame size     " + std::to_string(t.width) + " x " +
                            std::to_string(t.height) + "\n"),
                  std::string::npos)
            << info;
        EXPECT_NE(
            info.find("header implies " + std::to_string(ReadWholeFile(spr).size()) + " bytes\n"),
            std::string::npos)
            << info;
        ASSERT_EQ(Spr({"export", spr, "-o", png, "--json", json}).code, 0);
        uint32_t w = 0, h = 0;
        const std::vector<uint8_t> sheet = DecodePngFile(png, &w, &h);
        ASSERT_EQ(w, uint32_t((t.single ? 1 : 4) * t.width));
        ASSERT_EQ(h, uint32_t((t.single ? 1 : 2) * t.height));
        std::ifstream jsonFile(json);
        const nlohmann::json doc = nlohmann::json::parse(jsonFile), &frames = doc.at("frames");
        EXPECT_EQ(doc.at("meta").at("size"), (nlohmann::json{{"w", w}, {"h", h}}));
        ASSERT_EQ(frames.size(), pictures.size());
        const uint8_t black[3] = {0, 0, 0};
        for (size_t f = 0; f < pictures.size(); ++f) {
            const int left = int(f < 3 ? f : f - 3) * t.width, top = f < 3 ? 0 : t.height;
            EXPECT_EQ(frames[f].at("frame"),
                      (nlohmann::json{{"x", left}, {"y", top}, {"w", t.width}, {"h", t.height}}));
            for (int i = 0; i < t.width * t.height; ++i) {
                const int x = i % t.width, y = i / t.width;
                const bool inside = x < t.pictureW && y < t.pictureH;
                const std::array<uint8_t, 4> want =
                    SheetColour(inside ? pictures[f].At(x, y) : black);
                ASSERT_TRUE(std::equal(want.begin(), want.end(),
                                       &sheet[(size_t(top + y) * w + left + x) * 4]))
                    << "frame " << f << " pixel " << x << "," << y;
            }
        }
        EXPECT_TRUE(t.single || frames[3].at("filename") == "Down_0");
    }
}

}  // namespace
