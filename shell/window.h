#pragma once
// The main window: opening it and handling its messages.

#include "platform/platform.h"

// Creates the main window and sets the screen up in it.
bool OpenMainWindow();

// Handles one window message: close keys, activation, exposure, closing.
void WindowProc(const platform::Message& message);
