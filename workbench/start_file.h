#pragma once
// The file named on the command line: a sprite file to go on editing, or a
// picture to start with. A file the editor cannot open is refused with the
// reason, and the first picture is then asked for as usual.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/picture.h"
#include "formats/sprite_reader.h"

struct StartFile {
    std::string picturePath;            // a picture to start with, or
    std::optional<SpriteImage> sprite;  // a sprite, animation or single
    PictureSize size;                   // the sprite size it fixes
    std::string refusal;                // neither: why, for a box
};

StartFile ReadStartFile(const std::string& path);

// Whether the file's name ends in .spr, in any case.
bool NamedAsSprite(const std::string& path);

// The cells a sheet of sprites of this size holds in its full rows.
int64_t SheetCells(int width, int height);

// The sprite's first frame (a single sprite's only one) at the top left of
// the 640 x 480 picture buffer.
void PutFirstFrame(const SpriteImage& sprite, uint16_t* picture);

// Fills the sheet from an animation sprite, the sprite size already set:
// its frames in consecutive cells from the first in file order, each stored
// direction's range over its frames, its key colour, and the mark after the
// last frame as placing them one by one would leave it. This is the work as
// opened, not a change to it. Returns the directions holding 1 or 2 frames,
// which the freeze leaves out, as "Left (2 frames)".
std::vector<std::string> OpenSpriteWork(const SpriteImage& sprite);
