// celforge-spr end to end, in process: pictures written here are built into
// sprite files, checked, described and exported, and what comes out is read
// back with the PNG, GIF and JSON libraries and compared with the pictures.

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <spng.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/commands.h"
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

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string WritePicture(const std::string& name, const RgbImage& image) {
    const std::string path = TempPath(name + ".pcx");
    EXPECT_TRUE(WriteBytesToFile(path, EncodePcx24(image)));
    return path;
}

struct Rgba {
    uint8_t r, g, b, a;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

std::vector<Rgba> DecodePng(const std::string& path, uint32_t* width, uint32_t* height) {
    const std::vector<uint8_t> file = ReadBytes(path);
    spng_ctx* context = spng_ctx_new(0);
    spng_set_png_buffer(context, file.data(), file.size());
    spng_ihdr ihdr{};
    spng_get_ihdr(context, &ihdr);
    *width = ihdr.width;
    *height = ihdr.height;
    std::vector<Rgba> pixels(size_t{ihdr.width} * ihdr.height);
    EXPECT_EQ(spng_decode_image(context, pixels.data(), pixels.size() * 4, SPNG_FMT_RGBA8, 0), 0);
    spng_ctx_free(context);
    return pixels;
}

// A 24-bit colour as the sheet shows it: cut to 5-6-5, widened again by
// repeating each field's top bits; the key 255,0,255 (0xF81F) is see-through.
Rgba SheetColour(const uint8_t* rgb) {
    const int r = rgb[0] >> 3, g = rgb[1] >> 2, b = rgb[2] >> 3;
    if (r == 31 && g == 0 && b == 31) return {0, 0, 0, 0};
    return {uint8_t(r << 3 | r >> 2), uint8_t(g << 2 | g >> 4), uint8_t(b << 3 | b >> 2), 255};
}

const uint8_t kBlack[3] = {0, 0, 0};

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
    const std::vector<uint8_t> expected =
        {
            // signature, zero-terminated (23 bytes)
            'B',  'r',  'i', 's', 'k', '_', 'K', 'i', 't', 'e', '(', 'B',
            'r',  'i',  's', 'k', '_', 'W', 'r', 'e', 'n', ')', 0,   'V',
            'e',  'r',  '.', '1', 0,   0,   0,   0,   0,   0,   0,  // version, zero-padded to 12
            1,    0,    0,   0,                                     // type 1: animation
            2,    0,    0,   0,                                     // width
            1,    0,    0,   0,                                     // height
            16,   0,    0,   0,                                     // colour bits
            0x1F, 0xF8, 0,   0,                                     // key 255,0,255 as 5-6-5
            0,    0,    0,   0,                                     // No Direction
            0,    0,    0,   0,                                     // Left: 2 frames, left out
            0,    0,    0,   0,                                     // LeftUp
            3,    0,    0,   0,                                     // Up
            0,    0,    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,
            0,    0,    0,   0,   0,   0,   0,   0,  // the other five
            0xFF, 0xFF, 0,   0,                      // Up 0: white, then 0 past the 1 x 1 picture
            0x21, 0x08, 0,   0,                      // Up 1: 8,4,8 is 00001 000001 00001
            0x1F, 0xF8, 0,   0,                      // Up 2: the key colour itself
        };
    EXPECT_EQ(ReadBytes(out), expected);
}

struct BrokenCase {
    const char* name;
    size_t offset;  // where the golden file is changed; SIZE_MAX: its length is
    int32_t value;  // the new field, or the length change in bytes
    const char* message;
};

TEST(CelforgeSpr, CheckNamesEachBrokenField) {
    const std::string white = WritePicture("w", MakeFlatImage(1, 1, 255, 255, 255));
    const std::string good = TempPath("good.Spr");
    ASSERT_EQ(Spr({"build", "-o", good, "--size", "2x1", "--dir",
                   "up=" + white + "," + white + "," + white})
                  .code,
              0);
    const Outcome ok = Spr({"check", good});
    EXPECT_EQ(ok.code, 0);
    EXPECT_EQ(ok.out, good + ": ok\n");
    const BrokenCase cases[] = {
        {"signature", 0, 'X',
         "signature is \"Xrisk_Kite(Brisk_Wren)\", expected "
         "\"Brisk_Kite(Brisk_Wren)\""},
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
    for (const BrokenCase& c : cases) {
        std::vector<uint8_t> bytes = ReadBytes(good);
        if (c.offset == SIZE_MAX) {
            bytes.resize(bytes.size() + c.value, 0);
        } else if (c.offset < 23 || (c.offset >= 27 && c.offset < 35)) {
            bytes[c.offset] = static_cast<uint8_t>(c.value);
        } else {
            for (int i = 0; i < 4; ++i) bytes[c.offset + i] = uint8_t(uint32_t(c.value) >> 8 * i);
        }
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
    const std::string p = WritePicture("near_key", picture);
    const std::string dir = "down=" + p + "," + p + "," + p;
    const std::string out = TempPath("collide.Spr");
    const Outcome warned =
        Spr({"build", "-o", out, "--size", "2x1", "--key", "255,0,255", "--dir", dir});
    EXPECT_EQ(warned.code, 0);
    EXPECT_NE(warned.err.find(p + ": warning: 1 pixel turns transparent"), std::string::npos);
    EXPECT_NE(warned.err.find("#FA01FB x1"), std::string::npos) << warned.err;
    std::remove(out.c_str());
    const Outcome strict =
        Spr({"build", "-o", out, "--size", "2x1", "--key", "255,0,255", "--strict", "--dir", dir});
    EXPECT_EQ(strict.code, 1);
    EXPECT_TRUE(ReadBytes(out).empty()) << "a strict failure writes nothing";
}

TEST(CelforgeSpr, UsageErrorsExitTwoAndHelpExitsZero) {
    const struct {
        std::vector<std::string> args;
        int code;
    } cases[] = {
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
    for (const auto& c : cases) {
        const Outcome run = Spr(c.args);
        EXPECT_EQ(run.code, c.code) << ::testing::PrintToString(c.args) << run.err;
        EXPECT_EQ(run.out.empty(), c.code != 0) << ::testing::PrintToString(c.args);
    }
}

struct RoundTrip {
    int width, height;       // frame size
    int pictureW, pictureH;  // each picture's own size
    bool single;
};

// The sheet expected from the pictures: left's 3 frames on the first row and
// down's 4 on the second, or the one single frame.
std::vector<Rgba> ExpectedSheet(const RoundTrip& t, const std::vector<RgbImage>& pictures,
                                int columns, int rows) {
    std::vector<Rgba> sheet(size_t(columns) * t.width * rows * t.height, Rgba{0, 0, 0, 0});
    for (size_t f = 0; f < pictures.size(); ++f) {
        const int row = f < 3 || t.single ? 0 : 1, column = f < 3 ? int(f) : int(f) - 3;
        for (int y = 0; y < t.height; ++y)
            for (int x = 0; x < t.width; ++x) {
                const bool inside = x < t.pictureW && y < t.pictureH;
                sheet[size_t(row * t.height + y) * columns * t.width + column * t.width + x] =
                    SheetColour(inside ? pictures[f].At(x, y) : kBlack);
            }
    }
    return sheet;
}

void CheckJson(const RoundTrip& t, const std::string& path, uint32_t pngW, uint32_t pngH) {
    std::ifstream in(path);
    const nlohmann::json sheet = nlohmann::json::parse(in);
    const auto& frames = sheet.at("frames");
    ASSERT_TRUE(frames.is_array());
    ASSERT_EQ(frames.size(), t.single ? 1u : 7u);
    EXPECT_EQ(sheet.at("meta").at("size"), (nlohmann::json{{"w", pngW}, {"h", pngH}}));
    for (size_t f = 0; f < frames.size(); ++f) {
        const auto& rect = frames[f].at("frame");
        const int column = f < 3 ? int(f) : int(f) - 3, row = f < 3 ? 0 : 1;
        EXPECT_EQ(
            rect,
            (nlohmann::json{
                {"x", column * t.width}, {"y", row * t.height}, {"w", t.width}, {"h", t.height}}));
        EXPECT_LE(rect.at("x").get<uint32_t>() + t.width, pngW);
        EXPECT_LE(rect.at("y").get<uint32_t>() + t.height, pngH);
    }
    if (t.single) return;
    EXPECT_EQ(frames[3].at("filename"), "Down_0");
    EXPECT_EQ(sheet.at("meta").at("frameTags")[1],
              (nlohmann::json{{"name", "Down"}, {"from", 3}, {"to", 6}, {"direction", "forward"}}));
    EXPECT_EQ(sheet.at("animations").at("Left"), (nlohmann::json{"Left_0", "Left_1", "Left_2"}));
}

// Left's GIF: three looping frames, 70 ms each, the key transparent, the
// colours those of the sheet (exactly up to 255 colours, else on the cube).
void CheckGif(const RoundTrip& t, const std::string& path, const std::vector<Rgba>& sheet,
              int sheetWidth) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 3);
    const ExtensionBlock& loop = gif->SavedImages[0].ExtensionBlocks[0];
    EXPECT_EQ(std::string(reinterpret_cast<char*>(loop.Bytes), loop.ByteCount), "NETSCAPE2.0");
    const int tolerance = t.width * t.height * 3 > 255 ? 26 : 0;
    for (int f = 0; f < 3; ++f) {
        GraphicsControlBlock control;
        DGifSavedExtensionToGCB(gif, f, &control);
        EXPECT_EQ(control.DelayTime, 7);
        const SavedImage& image = gif->SavedImages[f];
        for (int i = 0; i < t.width * t.height; ++i) {
            const Rgba want = sheet[size_t(i / t.width) * sheetWidth + f * t.width + i % t.width];
            const int index = image.RasterBits[i];
            ASSERT_EQ(index == control.TransparentColor, want.a == 0) << "pixel " << i;
            if (want.a == 0) continue;
            const GifColorType got = gif->SColorMap->Colors[index];
            EXPECT_NEAR(got.Red, want.r, tolerance);
            EXPECT_NEAR(got.Green, want.g, tolerance);
            EXPECT_NEAR(got.Blue, want.b, tolerance);
        }
    }
    DGifCloseFile(gif, &error);
}

TEST(CelforgeSpr, BuildCheckInfoExportRoundTrips) {
    const RoundTrip trips[] = {{1, 1, 3, 2, false},
                               {7, 3, 5, 4, false},
                               {48, 48, 48, 48, false},
                               {640, 480, 640, 480, true}};
    for (const RoundTrip& t : trips) {
        SCOPED_TRACE(std::to_string(t.width) + "x" + std::to_string(t.height));
        const std::string size = std::to_string(t.width) + "x" + std::to_string(t.height);
        const std::string stem = TempPath(size);
        std::vector<RgbImage> pictures;
        std::vector<std::string> paths;
        for (int f = 0; f < (t.single ? 1 : 7); ++f) {
            pictures.push_back(MakeRandomImage(t.pictureW, t.pictureH, 17 + f));
            uint8_t* key = pictures.back().At(0, 0);
            key[0] = 255, key[1] = 0, key[2] = 255;
            paths.push_back(WritePicture(size + "_" + std::to_string(f), pictures.back()));
        }
        const std::string spr = stem + ".Spr", png = stem + ".png", json = stem + ".json";
        std::vector<std::string> build = {"build", "-o", spr, "--key", "255,0,255"};
        if (t.single) {
            build.insert(build.end(), {"--single", paths[0]});
        } else {
            build.insert(build.end(),
                         {"--size", std::to_string(t.width) + "x" + std::to_string(t.height),
                          "--dir", "left=" + paths[0] + "," + paths[1] + "," + paths[2], "--dir",
                          "down=" + paths[3] + "," + paths[4] + "," + paths[5] + "," + paths[6]});
        }
        ASSERT_EQ(Spr(build).code, 0);
        EXPECT_EQ(Spr({"check", spr}).code, 0);
        const Outcome info = Spr({"info", spr});
        EXPECT_NE(info.out.find("frame size     " + std::to_string(t.width) + " x " +
                                std::to_string(t.height) + "\n"),
                  std::string::npos)
            << info.out;
        const std::string bytes = std::to_string(ReadBytes(spr).size()) + " bytes\n";
        EXPECT_NE(info.out.find("header implies " + bytes), std::string::npos) << info.out;
        ASSERT_EQ(
            Spr({"export", spr, "-o", png, "--json", json, "--gif", stem + "_gif", "--delay", "70"})
                .code,
            0);
        uint32_t w = 0, h = 0;
        const std::vector<Rgba> sheet = DecodePng(png, &w, &h);
        const int columns = t.single ? 1 : 4, rows = t.single ? 1 : 2;
        ASSERT_EQ(w, uint32_t(columns * t.width));
        ASSERT_EQ(h, uint32_t(rows * t.height));
        EXPECT_TRUE(sheet == ExpectedSheet(t, pictures, columns, rows));
        CheckJson(t, json, w, h);
        if (!t.single) CheckGif(t, stem + "_gif/Left.gif", sheet, int(w));
    }
}

}  // namespace
