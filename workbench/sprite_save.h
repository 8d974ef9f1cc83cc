#pragma once
// Gathering the direction strips at the freeze and saving the animation
// sprite: asks for the file name, shows the report and writes the file.

#include <string>

#include "formats/safe_file.h"
#include "formats/sprite_file.h"

class CPixmap;

// Fills the strip with the frames of the cells firstCell to lastCell, each
// width x height pixels cut from the source at the cell's origin. Never more
// frames than the strip holds; pixels outside the source block come out 0.
void GrabFrames(CPixmap& strip, const uint16_t* source, int pitch, int firstCell, int lastCell,
                int width, int height);

// At the gathering step of a direction, cuts its frames out of the sheet into
// its strip (directions of fewer than 3 frames get none); at FROZEN_STEP it
// first sets the phase to Frozen.
void GatherDirectionStrips();
// The strip of a direction, by file position; null when it has none.
const CPixmap* DirectionStrip(int filePosition);
// Drops every strip (tests, and the end of the process).
void ReleaseDirectionStrips();

// The box for a failed save of `path`, also told on stderr: a name too long
// says so; any other failure gives the generic text, then the path and why.
std::string SaveFailedText(const char* generic, const std::string& path,
                           const WriteResult& written);

// The header an animation save writes now: counts from the strips.
SpriteFileHeader AnimationSpriteHeader();

// Asks for the file, reports and writes it; true when the sprite was
// written and the phase is now Closing.
bool SaveAnimationSprite();

extern const char* const SAVE_SPRITE_TITLE;
extern const char* const REPORT_CAPTION;
extern const char* const ERROR_CAPTION;
extern const char* const SAVE_FAILED_TEXT;
