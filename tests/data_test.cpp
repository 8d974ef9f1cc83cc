// The shipped assets: the skin pictures decode to the sizes the workbench
// cuts them at, keyed pictures are transparent exactly where they are black,
// the closing theme plays, and the generators reproduce every committed file.

#include <gtest/gtest.h>
#include <xmp.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "formats/colour.h"
#include "formats/pcx.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = CELFORGE_SOURCE_DIR;

struct SkinFile {
    const char* name;
    int width;
    int height;
    bool keyed;
};

const SkinFile kSkin[] = {
    {"logo.pcx", 500, 285, false},      {"tv_error.pcx", 300, 200, true},
    {"eow.pcx", 200, 50, false},        {"single.pcx", 640, 29, false},
    {"tv.pcx", 200, 200, false},        {"delay.pcx", 49, 41, true},
    {"editbar.pcx", 200, 400, false},   {"editbar2.pcx", 200, 177, false},
    {"clipboard.pcx", 200, 390, false}, {"arrow.pcx", 190, 20, true},
    {"smaker.pcx", 143, 33, false},     {"check.pcx", 43, 41, true},
    {"bottombar.pcx", 800, 70, false},  {"freezbox.pcx", 350, 100, true},
    {"freezed.pcx", 600, 470, false},   {"keycolor.pcx", 479, 70, false},
    {"animepane.pcx", 479, 70, false},  {"ar.pcx", 500, 254, false},
    {"modebar.pcx", 200, 150, false},   {"WTOOLBAR.pcx", 600, 30, false},
    {"RTOOLBAR.pcx", 200, 30, false},   {"RTOOLBAR1.pcx", 200, 30, false},
    {"m1.pcx", 300, 40, true},          {"m2.pcx", 300, 40, true},
    {"m3.pcx", 300, 40, true},
};

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;
    uint16_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Picture LoadSkin(const std::string& name) {
    const std::string path = (kRoot / "data" / name).string();
    const PcxSize size = GetPcxSize(path);
    Picture picture{size.width, size.height, {}};
    if (size.width <= 0 || size.height <= 0) return picture;
    picture.pixels.assign(static_cast<size_t>(size.width) * size.height, 0xFFFF);
    if (!LoadPcx(picture.pixels.data(), size.width, size.width, size.height, path)) {
        picture.pixels.clear();
    }
    return picture;
}

// An independent reading of a 24-bit file's planes, to tell which pixels
// the artist left pure black.
std::vector<bool> PureBlackPixels(const std::vector<uint8_t>& file, int width, int height) {
    const int bytesPerLine = file[66] | file[67] << 8;
    std::vector<bool> black(static_cast<size_t>(width) * height, true);
    size_t pos = 128;
    for (int y = 0; y < height; ++y) {
        for (int plane = 0; plane < 3; ++plane) {
            for (int x = 0; x < bytesPerLine && pos < file.size();) {
                int count = 1;
                uint8_t value = file[pos++];
                if (value >= 0xC0 && pos < file.size()) {
                    count = value & 0x3F;
                    value = file[pos++];
                }
                for (; count > 0; --count, ++x) {
                    if (x < width && value != 0) black[static_cast<size_t>(y) * width + x] = false;
                }
            }
        }
    }
    return black;
}

class AssetTest : public ::testing::Test {
  protected:
    void SetUp() override { BuildColourTables(0xF800, 0x07E0, 0x001F); }
};

TEST_F(AssetTest, EveryFileIsAnEvenLined24BitPictureOfItsSize) {
    for (const SkinFile& skin : kSkin) {
        SCOPED_TRACE(skin.name);
        const std::vector<uint8_t> file = ReadBytes(kRoot / "data" / skin.name);
        ASSERT_GE(file.size(), 128u);
        EXPECT_EQ(file[0], 10);
        EXPECT_EQ(file[1], 5);
        EXPECT_EQ(file[2], 1) << "run-length encoded";
        EXPECT_EQ(file[3], 8);
        EXPECT_EQ(file[65], 3) << "three planes";
        const int bytesPerLine = file[66] | file[67] << 8;
        EXPECT_EQ(bytesPerLine % 2, 0);
        EXPECT_GE(bytesPerLine, skin.width);

        const Picture picture = LoadSkin(skin.name);
        EXPECT_EQ(picture.width, skin.width);
        EXPECT_EQ(picture.height, skin.height);
        EXPECT_FALSE(picture.pixels.empty()) << "the reader refused it";
    }
}

TEST_F(AssetTest, KeyedPicturesAreTransparentExactlyWhereTheyAreBlack) {
    for (const SkinFile& skin : kSkin) {
        if (!skin.keyed) continue;
        SCOPED_TRACE(skin.name);
        const Picture picture = LoadSkin(skin.name);
        ASSERT_FALSE(picture.pixels.empty());
        const std::vector<bool> black =
            PureBlackPixels(ReadBytes(kRoot / "data" / skin.name), picture.width, picture.height);
        size_t transparent = 0;
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                const bool isBlack = black[static_cast<size_t>(y) * picture.width + x];
                ASSERT_EQ(picture.At(x, y) == 0, isBlack)
                    << "first mismatch at (" << x << ", " << y << "): a visible pixel that "
                    << "packs to 0, or a transparent one that is not";
                transparent += isBlack;
            }
        }
        EXPECT_GT(transparent, 0u);
        EXPECT_LT(transparent, picture.pixels.size()) << "nothing visible";
    }
}

TEST_F(AssetTest, FreezeBoxIsOpenOverTheProgressBarAndClosedAroundIt) {
    // The bar fills screen (280, 310) to (570, 330); the box stands at (250, 250).
    const Picture box = LoadSkin("freezbox.pcx");
    ASSERT_FALSE(box.pixels.empty());
    for (int y = 60; y < 80; ++y) {
        for (int x = 30; x < 320; ++x) {
            ASSERT_EQ(box.At(x, y), 0) << "bar hidden at (" << x << ", " << y << ")";
        }
        EXPECT_NE(box.At(29, y), 0);
        EXPECT_NE(box.At(320, y), 0);
    }
    for (int x = 30; x < 320; ++x) {
        EXPECT_NE(box.At(x, 59), 0);
        EXPECT_NE(box.At(x, 80), 0);
    }
}

TEST_F(AssetTest, ArrowCutsDoNotShareMarks) {
    // Diagonal marks are cut 23 wide at 80, 100, 120 and 140, so columns
    // 100-102, 120-122 and 140-142 belong to two cuts and must stay empty.
    const Picture arrows = LoadSkin("arrow.pcx");
    ASSERT_FALSE(arrows.pixels.empty());
    for (int start : {100, 120, 140}) {
        for (int x = start; x < start + 3; ++x) {
            for (int y = 0; y < 20; ++y) EXPECT_EQ(arrows.At(x, y), 0) << x << ", " << y;
        }
    }
    for (int markX : {0, 20, 40, 60, 80, 103, 123, 143, 170}) {
        int visible = 0;
        for (int x = markX; x < markX + 20; ++x) {
            for (int y = 0; y < 20; ++y) visible += arrows.At(x, y) != 0;
        }
        EXPECT_GT(visible, 40) << "mark at " << markX;
    }
}

TEST_F(AssetTest, PressedToolBarChangesOnlyTheOpenButton) {
    // The button is x 609-689, y 11-24 on screen; the bar stands at (600, 0).
    const Picture up = LoadSkin("RTOOLBAR.pcx");
    const Picture down = LoadSkin("RTOOLBAR1.pcx");
    ASSERT_FALSE(up.pixels.empty());
    ASSERT_FALSE(down.pixels.empty());
    int changedInside = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 200; ++x) {
            const bool inside = x >= 9 && x <= 89 && y >= 11 && y <= 24;
            if (inside) {
                changedInside += up.At(x, y) != down.At(x, y);
            } else {
                ASSERT_EQ(up.At(x, y), down.At(x, y))
                    << "first change at (" << x << ", " << y << ")";
            }
        }
    }
    EXPECT_GT(changedInside, 81 * 14 / 2);
}

Picture LoadExample(const std::string& name) {
    const std::string path = (kRoot / "examples" / name).string();
    const PcxSize size = GetPcxSize(path);
    Picture picture{size.width, size.height, {}};
    if (size.width <= 0 || size.height <= 0) return picture;
    picture.pixels.assign(static_cast<size_t>(size.width) * size.height, 0);
    if (!LoadPcx(picture.pixels.data(), size.width, size.width, size.height, path)) {
        picture.pixels.clear();
    }
    return picture;
}

TEST_F(AssetTest, WalkFramesShareOneSizeAndTheKeyColourBackground) {
    const uint16_t magenta = PackRgb(255, 0, 255);
    int frames = 0;
    for (const auto& entry : fs::directory_iterator(kRoot / "examples")) {
        const std::string name = entry.path().filename();
        if (name.rfind("beetle_", 0) != 0 || !std::isdigit(name[7])) continue;
        SCOPED_TRACE(name);
        const Picture frame = LoadExample(name);
        ASSERT_EQ(frame.width, 48);
        ASSERT_EQ(frame.height, 48);
        ASSERT_FALSE(frame.pixels.empty());
        EXPECT_EQ(frame.At(0, 0), magenta);
        EXPECT_EQ(frame.At(47, 47), magenta);
        EXPECT_NE(frame.At(24, 24), magenta) << "no beetle in the middle";
        ++frames;
    }
    EXPECT_EQ(frames, 9 * 4);
}

TEST_F(AssetTest, PalettedSampleShowsTheSameBeetleAsItsFullColourFrame) {
    const Picture paletted = LoadExample("beetle_paletted_48x48.pcx");
    const Picture full = LoadExample("beetle_7_down_3.pcx");
    ASSERT_EQ(paletted.width, full.width);
    ASSERT_EQ(paletted.height, full.height);
    ASSERT_FALSE(paletted.pixels.empty());
    for (int y = 0; y < full.height; ++y) {
        for (int x = 0; x < full.width; ++x) {
            ASSERT_EQ(paletted.At(x, y), full.At(x, y))
                << "first difference at (" << x << ", " << y << ")";
        }
    }
}

// Renders `seconds` of the module; returns the root mean square per second.
std::vector<double> RenderLevels(xmp_context context, int seconds) {
    std::vector<double> levels;
    std::vector<int16_t> buffer(44100 * 2);
    for (int s = 0; s < seconds; ++s) {
        if (xmp_play_buffer(context, buffer.data(), static_cast<int>(buffer.size() * 2), 0) != 0) {
            break;
        }
        double sum = 0;
        for (int16_t v : buffer) sum += static_cast<double>(v) * v;
        levels.push_back(std::sqrt(sum / buffer.size()));
    }
    return levels;
}

TEST(ClosingTheme, IsAnXm104ModuleThatPlaysAudiblyForItsWholeLength) {
    const fs::path path = kRoot / "data" / "hold.xm";
    const std::vector<uint8_t> file = ReadBytes(path);
    ASSERT_GE(file.size(), 60u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 17), "Extended Module: ");
    EXPECT_EQ(file[58] | file[59] << 8, 0x0104);

    xmp_context context = xmp_create_context();
    ASSERT_EQ(xmp_load_module(context, path.string().c_str()), 0);
    ASSERT_EQ(xmp_start_player(context, 44100, 0), 0);
    xmp_module_info info;
    xmp_get_module_info(context, &info);
    EXPECT_GE(info.mod->chn, 4);
    EXPECT_GE(info.mod->smp, 3);

    // Constant speed and tempo: each row lasts spd ticks of 2.5 / bpm seconds.
    long expectedMs = 0;
    for (int i = 0; i < info.mod->len; ++i) {
        expectedMs += info.mod->xxp[info.mod->xxo[i]]->rows * info.mod->spd * 2500L / info.mod->bpm;
    }
    xmp_frame_info frame;
    xmp_get_frame_info(context, &frame);
    EXPECT_GE(frame.total_time, 30000);
    EXPECT_NEAR(frame.total_time, expectedMs, 50);

    const int seconds = frame.total_time / 1000;
    const std::vector<double> levels = RenderLevels(context, seconds);
    ASSERT_EQ(static_cast<int>(levels.size()), seconds);
    for (int s = 0; s < seconds; ++s) {
        EXPECT_GT(levels[s], 500.0) << "second " << s << " is silent";
        EXPECT_LT(levels[s], 20000.0) << "second " << s << " is distorted";
    }
    xmp_end_player(context);
    xmp_release_module(context);
    xmp_free_context(context);
}

std::set<std::string> FileNames(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

TEST(AssetGenerators, ReproduceEveryCommittedFileByteForByte) {
    if (!fs::exists("/usr/bin/python3") ||
        std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0) {
        GTEST_SKIP() << "needs Debian's /usr/bin/python3 with python3-pil";
    }
    const fs::path out =
        fs::temp_directory_path() /
        ("celforge-assets-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(out);
    const std::string command = "/usr/bin/python3 '" + (kRoot / "tools/make_assets.py").string() +
                                "' --out '" + out.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    for (const char* folder : {"data", "examples"}) {
        EXPECT_EQ(FileNames(out / folder), FileNames(kRoot / folder)) << folder;
    }
    for (const char* folder : {"data", "examples", "docs"}) {
        for (const std::string& name : FileNames(out / folder)) {
            EXPECT_TRUE(ReadBytes(out / folder / name) == ReadBytes(kRoot / folder / name))
                << folder << "/" << name << " differs from a fresh run";
        }
    }
    fs::remove_all(out);
}

}  // namespace
