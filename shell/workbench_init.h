#pragma once
// Start-up of the workbench: the picture buffers, the logo, the closing-screen
// tables, every skin picture, and the first picture, which fixes the sprite
// size for the rest of the run.

#include "state/skin.h"

extern const char* const FIRST_PICTURE_TITLE;

// Returns false when the user closed the editor while it waited for the first
// picture; the window is then gone and the program should end.
bool InitWorkbench();

// Frees every picture and buffer InitWorkbench made (tests and process end).
void ReleaseWorkbench();
