#pragma once
// Process entry, the window's message handling and the timed frame loop.

#include <functional>

#include "platform/platform.h"
#include "shell/window.h"

constexpr unsigned FIRST_FRAME_DELAY_MS = 100;
constexpr unsigned FRAME_PERIOD_MS = 20;

enum InitResult : int {
    INIT_READY = 0,
    INIT_NO_WINDOW = 1,
    INIT_CLOSED_BY_USER = 2,
    INIT_NO_FILE_DIALOG = 3,  // no first picture can be asked for: exit code 1
};

// Opens the window and prepares the workbench, first picture included.
int InitApplication(bool popup);

// Dispatches messages first and runs `frame` whenever the deadline has passed
// while the editor is active. Returns the exit code carried by the quit message.
int RunMainLoop(const std::function<void()>& frame);

// The whole program: start-up, then the loop with UpdateFrame. Returns the exit code.
int WinMain();
