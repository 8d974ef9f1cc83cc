// Presented frames against tests/golden/*.png; CELFORGE_UPDATE_GOLDEN=1 rewrites
// them, and a mismatching frame is left in the test temp folder.

#include <SDL.h>
#include <SDL_image.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "formats/colour.h"
#include "state/editor_state.h"
#include "tests/support/file_faults.h"
#include "tests/support/session.h"

namespace {

bool SaveFramePng(const std::vector<uint16_t>& frame, const std::string& path) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint16_t*>(frame.data()), SCREEN_WIDTH, SCREEN_HEIGHT, 16, SCREEN_WIDTH * 2,
        SDL_PIXELFORMAT_RGB565);
    SDL_Surface* rgb =
        surface ? SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGB24, 0) : nullptr;
    const bool saved = rgb && IMG_SavePNG(rgb, path.c_str()) == 0;
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(surface);
    return saved;
}

// The reference as display pixels; empty when it cannot be read.
std::vector<uint16_t> LoadGolden(const std::string& path) {
    uint32_t width = 0, height = 0;
    const std::vector<uint8_t> rgba = ReadPngRgba(path, &width, &height);
    std::vector<uint16_t> pixels;
    for (size_t i = 0; width == SCREEN_WIDTH && i < rgba.size(); i += 4)
        pixels.push_back(PackRgb(rgba[i], rgba[i + 1], rgba[i + 2]));
    return pixels;
}

class GoldenFrameTest : public SessionTest {
  protected:
    void ExpectGolden(const std::string& name) {
        const std::vector<uint16_t>& frame = script.LastFrame();
        const std::string path =
            std::string(CELFORGE_SOURCE_DIR) + "/tests/golden/" + name + ".png";
        const char* update = std::getenv("CELFORGE_UPDATE_GOLDEN");
        if (update && std::string(update) == "1") {
            ASSERT_TRUE(SaveFramePng(frame, path));
        }
        const std::vector<uint16_t> golden = LoadGolden(path);
        ASSERT_EQ(golden.size(), size_t{SCREEN_WIDTH * SCREEN_HEIGHT}) << "cannot read " << path;
        const bool same = golden == frame;
        if (!same) SaveFramePng(frame, ::testing::TempDir() + name + "_actual.png");
        EXPECT_TRUE(same) << name;
    }
};

TEST_F(GoldenFrameTest, FirstWorkbenchFrameAndAfterThreePlacements) {
    StartWith(WriteGradient("golden.pcx", 96, 72));
    Tick();
    ExpectGolden("first_frame");
    for (int cell = 0; cell < 3; ++cell) Click(96 * cell + 48, WORK_TOP + 36);
    MoveTo(700, 560);
    Tick();
    ASSERT_EQ(g_state.sheet.placedCount, 3);
    ExpectGolden("three_placements");
}

}  // namespace
