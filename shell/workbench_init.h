#pragma once
// Start-up of the workbench: the picture buffers, the logo, the closing-screen
// tables, every skin picture, and the first picture, which fixes the sprite
// size for the rest of the run.

#include <string>
#include <vector>

#include "state/skin.h"

extern const char* const FIRST_PICTURE_TITLE;

enum class WorkbenchStart {
    Ready,
    ClosedByUser,  // closed while it waited for the first picture; the window is gone
    NoFileDialog,  // the first picture cannot be asked for; the user was told why
};

// With a start file set, opens it instead of asking for the first picture.
WorkbenchStart StartWorkbench();
// The file the next start opens: a sprite file or a picture (empty: none).
void SetStartFile(const std::string& path);
// With start pictures set, the first usable one is the first picture and the
// rest wait in the queue; when none can be used the first is asked for.
void SetStartPictures(const std::vector<std::string>& paths);
// StartWorkbench() == Ready.
bool InitWorkbench();

// Frees every picture and buffer InitWorkbench made (tests and process end).
void ReleaseWorkbench();
