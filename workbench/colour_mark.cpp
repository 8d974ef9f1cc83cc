#include "workbench/colour_mark.h"

#include "display/blocks.h"
#include "display/pixmap.h"
#include "formats/colour.h"
#include "state/editor_state.h"
#include "state/skin.h"

namespace {

// Right-aligned with the queue count (queue_flow.cpp), one row of digits lower.
constexpr int MARK_RIGHT = 797;
constexpr int MARK_TOP = WORK_TOP + 3 + DIGIT_HEIGHT + 2;
constexpr int DOT = 2;
constexpr int CHECKER_TOP = 2;  // rows of badge above the checker
constexpr int CHECKER_ROWS = 8;

int Brightness(uint16_t pixel) {
    const Rgb channels = UnpackPixel(pixel);
    return channels.red + channels.green + channels.blue;
}

// The badge's colour is the strip's corner; the ink its brightest pixel.
uint16_t InkOf(const CPixmap& strip) {
    const uint16_t* bits = strip.GetBits();
    uint16_t ink = bits[0];
    for (int i = 0; i < strip.Width() * strip.Height(); ++i)
        if (Brightness(bits[i]) > Brightness(ink)) ink = bits[i];
    return ink;
}

}  // namespace

void DrawColourMark() {
    if (!g_state.colour.dither || !g_skin.digits) return;
    const CPixmap& strip = *g_skin.digits;
    if (strip.Width() < DIGIT_WIDTH || strip.Height() < DIGIT_HEIGHT) return;
    const uint16_t badge = strip.GetBits()[0];
    const uint16_t ink = InkOf(strip);
    const int left = MARK_RIGHT - DIGIT_WIDTH;
    for (int row = 0; row < DIGIT_HEIGHT; ++row) {
        uint16_t* out = g_screenBuf + (MARK_TOP + row) * SCREEN_WIDTH + left;
        const int dotRow = (row - CHECKER_TOP) / DOT;
        const bool inChecker = row >= CHECKER_TOP && row < CHECKER_TOP + CHECKER_ROWS;
        for (int column = 0; column < DIGIT_WIDTH; ++column)
            out[column] = inChecker && (column / DOT + dotRow) % 2 == 0 ? ink : badge;
    }
}
