#pragma once
// One tick of the editor: poll, compose the screen, present it.

void UpdateFrame();
void ComposeWorkbench();
