#pragma once
// Start-up of the workbench: the picture buffers, the logo, the closing-screen
// tables and every skin picture; then the first work (workbench/first_open),
// with the window's messages handled while its dialog was up.

#include <string>
#include <vector>

#include "state/skin.h"
#include "workbench/first_open.h"

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
