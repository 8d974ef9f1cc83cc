#pragma once
// Process entry, the window's message handling and the timed frame loop.

#include <functional>

#include "platform/platform.h"

constexpr unsigned FIRST_FRAME_DELAY_MS = 100;
constexpr unsigned FRAME_PERIOD_MS = 20;

// Creates the window and the screen and prepares the workbench. Returns 0 when
// the editor is ready, non-zero when the main window could not be created.
int InitApplication(bool popup);

// Handles one window message: close keys, activation, exposure, closing.
void WindowProc(const platform::Message& message);

// Dispatches messages first and runs `frame` whenever the deadline has passed
// while the editor is active. Returns the exit code carried by the quit message.
int RunMainLoop(const std::function<void()>& frame);

// The whole program: start-up, then the loop with UpdateFrame. Returns the exit code.
int WinMain();
