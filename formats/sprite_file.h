#pragma once
// The animation sprite file and the single-frame sprite.

void SaveAnimationSprite();
void SingleSpriteCommand();
