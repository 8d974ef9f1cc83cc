#pragma once
// The animation preview: a movable television in Animate mode that plays one
// direction's run of frames, with a direction pad, a speed knob, and a notice
// shown while no confirmed range has been seen.

#include <cstdint>

constexpr int PREVIEW_DELAY_MIN = 0;
constexpr int PREVIEW_DELAY_MAX = 10000;
constexpr int PREVIEW_DELAY_STEP = 100;
constexpr uint16_t PREVIEW_PANEL_COLOUR = 2655;

void PollPreviewButton(int x, int y);
void ShowPreviewNotice();
// One tick of the open window; returns the new open value (0 once closed).
int PreviewWindowTick(int open);
void DrawPreviewFrame(int x, int y);
void PlayPreview();
void PollPreviewPad();
int PreviewStep(int knobOffset, int delay, int span, int firstCell);

// Milliseconds the preview waits per shown frame at a delay setting.
int PreviewWaitMs(int delay);
