// The shipped skin: every file decodes to the size start-up cuts from it, a
// picture is transparent (packs to 0) exactly where the artist left it black,
// and the generators reproduce every committed file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "formats/colour.h"
#include "formats/pcx.h"
#include "state/skin.h"

namespace {

namespace fs = std::filesystem;
const fs::path kRoot = CELFORGE_SOURCE_DIR;

// The file decoded with the given channel masks: 0xFF00 reads a channel whole.
std::vector<uint16_t> Decode(const std::string& name, PcxSize size, uint32_t red, uint32_t green,
                             uint32_t blue) {
    BuildColourTables(red, green, blue);
    std::vector<uint16_t> pixels(static_cast<size_t>(size.width) * size.height, 0xFFFF);
    LoadPcx(pixels.data(), size.width, size.width, size.height, (kRoot / "data" / name).string());
    return pixels;
}

TEST(Skin, FilesHoldWhatStartUpCutsAndAreTransparentExactlyWhereBlack) {
    std::map<std::string, PcxSize> extent{{"logo.pcx", {500, 285}}};
    const char* file = nullptr;
    for (int i = 0; i < SKIN_PICTURE_COUNT; ++i) {
        const SkinPicture& row = SKIN_PICTURES[i];
        if (row.blank) continue;
        file = row.file ? row.file : file;
        PcxSize& size = extent[file];
        size = {std::max(size.width, row.cutX + row.width),
                std::max(size.height, row.cutY + row.height)};
    }
    for (const auto& entry : fs::directory_iterator(kRoot / "data"))
        EXPECT_TRUE(entry.path().extension() != ".pcx" || extent.count(entry.path().filename()))
            << entry.path() << " is not used";
    for (const auto& [name, size] : extent) {
        const PcxSize decoded = GetPcxSize((kRoot / "data" / name).string());
        ASSERT_EQ(decoded.width * 10000 + decoded.height, size.width * 10000 + size.height) << name;
        const auto channels = Decode(name, size, 0xFF00, 0xFF00, 0xFF00);
        const auto shown = Decode(name, size, 0xF800, 0x07E0, 0x001F);
        for (size_t i = 0; i < shown.size(); ++i)
            ASSERT_EQ(shown[i] == 0, channels[i] == 0)
                << name << " at " << i % size.width << ", " << i / size.width;
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](uint16_t v) { return v != 0; }))
            << name << ": nothing visible";
    }
}

std::map<std::string, std::string> Contents(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename()].assign(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

TEST(AssetGenerators, ReproduceEveryCommittedFileByteForByte) {
    if (std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0)
        GTEST_SKIP() << "needs Debian's /usr/bin/python3 with python3-pil";
    const fs::path out = ::testing::TempDir() + "celforge-assets-" + std::to_string(getpid());
    const std::string command = "/usr/bin/python3 '" + (kRoot / "tools/make_assets.py").string() +
                                "' --out '" + out.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (const std::string folder : {"data", "examples", "docs"}) {
        auto fresh = Contents(out / folder), committed = Contents(kRoot / folder);
        if (folder == "docs")  // the docs folder also holds hand-written pages
            for (auto it = committed.begin(); it != committed.end();)
                it = fresh.count(it->first) ? std::next(it) : committed.erase(it);
        if (folder == "examples") committed.erase("spr_play.c");  // the player, written by hand
        EXPECT_TRUE(fresh == committed) << folder << " differs from a fresh run";
    }
    fs::remove_all(out);
}

}  // namespace
