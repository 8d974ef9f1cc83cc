#pragma once
// The freeze progress box, which runs 160 ticks while the directions' frames
// are cut out of the sheet, and the closing fade.

#include <cstdint>

constexpr int FREEZE_STEPS = 160;
constexpr int FREEZE_BAR_MAX = 290;
constexpr uint16_t FREEZE_BAR_COLOUR = 5453;

// Every tick in Place mode once the freeze is confirmed; other modes pause it.
void FreezeTick();
void FreezeStepTick();
// The bar's length in pixels at a freeze step.
int FreezeBarLength(int step);

// Every closing tick: the fade levels rise by 10 and the screen darkens.
void FadeTick();
// Lowers each pixel's channels by the levels (none below 0). The blocks are
// 800 x 600; the source has the destination's pitch and may be the same block.
void FadeScreen(uint16_t* destination, int pitch, const uint16_t* source, int redLevel,
                int greenLevel, int blueLevel);
