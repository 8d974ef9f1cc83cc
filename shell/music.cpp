#include "shell/music.h"

// The audio layer comes with the sprite file work; until then the editor is silent.
void StartMusic() {}
void PlayClosingMusic() {}
