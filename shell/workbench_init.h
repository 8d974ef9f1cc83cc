#pragma once
// Start-up of the workbench: the picture buffers, the logo, the closing-screen
// tables, every skin picture, and the first picture, which fixes the sprite
// size for the rest of the run.

#include "state/skin.h"

extern const char* const FIRST_PICTURE_TITLE;

enum class WorkbenchStart {
    Ready,
    ClosedByUser,  // closed while it waited for the first picture; the window is gone
    NoFileDialog,  // the first picture cannot be asked for; the user was told why
};

WorkbenchStart StartWorkbench();
// StartWorkbench() == Ready.
bool InitWorkbench();

// Frees every picture and buffer InitWorkbench made (tests and process end).
void ReleaseWorkbench();
