#include "workbench/freeze.h"

// Freezing and the closing fade come with the sprite file work.
void FreezeTick() {}
void FadeTick() {}
