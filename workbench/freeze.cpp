#include "workbench/freeze.h"

#include <algorithm>
#include <vector>

#include "display/pixmap.h"
#include "formats/colour.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "workbench/sprite_save.h"

namespace {

constexpr int BOX_X = 250;
constexpr int BOX_Y = 250;
constexpr int BAR_X = 280;
constexpr int BAR_Y = 310;
constexpr int BAR_BOTTOM = 330;
constexpr int FADE_STEP = 10;

uint8_t Lowered(int channel, int level) {
    return static_cast<uint8_t>(std::clamp(channel - level, 0, 255));
}

}  // namespace

int FreezeBarLength(int step) {
    return std::clamp(2 * step, 0, FREEZE_BAR_MAX);
}

// The workbench behind the box is caught once and shown tinted and still for
// the whole freeze.
void FreezeStepTick() {
    if (g_state.freeze.freezeStep == 0)
        g_skin.freezeBackdrop->Grab(g_screenBuf, SCREEN_WIDTH, BOX_X, BOX_Y);
    g_skin.freezeBackdrop->PutAdditive(g_screenBuf, SCREEN_WIDTH, BOX_X, BOX_Y, 30, 120, 0);
    FillRect(g_screenBuf, SCREEN_WIDTH, BAR_X, BAR_Y,
             BAR_X + FreezeBarLength(g_state.freeze.freezeStep), BAR_BOTTOM, FREEZE_BAR_COLOUR);
    g_skin.freezeBox->PutKeyed(g_screenBuf, SCREEN_WIDTH, BOX_X, BOX_Y);
    GatherDirectionStrips();
    ++g_state.freeze.freezeStep;
}

void FreezeTick() {
    if (g_state.freeze.freezeStep < FREEZE_STEPS) FreezeStepTick();
    if (g_state.freeze.freezeStep == FREEZE_STEPS) g_skin.frozen->Put(g_screenBuf, 0, WORK_TOP);
}

void FadeTick() {
    for (int& level : g_state.closing.fadeLevel) level += FADE_STEP;
    FadeScreen(g_screenBuf, SCREEN_WIDTH, g_screenBuf, g_state.closing.fadeLevel[0],
               g_state.closing.fadeLevel[1], g_state.closing.fadeLevel[2]);
}

// The levels are the same for every pixel, so each of the 65,536 values is
// faded once and the screen is then mapped through that table.
void FadeScreen(uint16_t* destination, int pitch, const uint16_t* source, int redLevel,
                int greenLevel, int blueLevel) {
    static std::vector<uint16_t> faded(65536);
    for (uint32_t pixel = 0; pixel < faded.size(); ++pixel) {
        const Rgb rgb = UnpackPixel(pixel);
        faded[pixel] = PackRgb(Lowered(rgb.red, redLevel), Lowered(rgb.green, greenLevel),
                               Lowered(rgb.blue, blueLevel));
    }
    for (int y = 0; y < SCREEN_HEIGHT; ++y) {
        const uint16_t* from = source + static_cast<int64_t>(y) * pitch;
        uint16_t* to = destination + static_cast<int64_t>(y) * pitch;
        for (int x = 0; x < SCREEN_WIDTH; ++x) to[x] = faded[from[x]];
    }
}
