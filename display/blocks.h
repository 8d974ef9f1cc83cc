#pragma once
// The sizes of the pixel blocks the editor draws into: the 800 x 600 screen,
// the 1400 x 2500 frame sheet and the 640 x 480 picture buffers.

#include "platform/platform.h"

constexpr int WORK_TOP = 30;  // height of the top tool bar; the work panes start below it

using platform::SCREEN_HEIGHT;
using platform::SCREEN_WIDTH;
constexpr int SHEET_WIDTH = 1400;
constexpr int SHEET_HEIGHT = 2500;
constexpr int PICTURE_WIDTH = 640;
constexpr int PICTURE_HEIGHT = 480;
