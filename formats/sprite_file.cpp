#include "formats/sprite_file.h"

// Writing sprite files comes with the sprite file work; Save is reachable only
// once the sheet is frozen, which is not possible yet.
void SaveAnimationSprite() {}
void SingleSpriteCommand() {}
