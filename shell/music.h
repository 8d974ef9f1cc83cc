#pragma once
// The closing theme: prepared silently at start-up, heard from the save on.

void StartMusic();
// Starts the prepared module playing, at the closing screen's level.
void PlayClosingMusic();
