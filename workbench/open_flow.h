#pragma once
// One flow opens a file however it came: the command line, the first
// dialog (both through first_open), Open…, or a drop. It tells a sprite from
// a picture (a file that is not a regular file is refused from its stat,
// never opened) and either opens the sprite's work or queues the picture.
// The shell only routes.

#include <string>

#include "formats/sprite_reader.h"

// The sprite-size pictures (cell, preview, working image, clipboard, swap)
// for g_state.sheet's sprite size, the working image from the picture
// buffer's top-left corner.
void MakeSpriteSizePictures();
void ReleaseSpritePictures();

// An animation sprite's work on the empty sheet, and a notice naming the
// directions too short to be saved.
void OpenAnimationWork(const SpriteImage& sprite);

// The sprite read from `path` takes the place of the empty sheet, whether
// named on the command line or dropped: its size, its first frame as the
// working image, an animation's work, and the session's file. The pictures
// waiting stay queued, and the pane keeps its picture unless it holds none:
// then it shows the sprite's first frame.
void OpenSpriteOnEmptySheet(const SpriteImage& sprite, const std::string& path);

// A file dropped on the window waits for the next tick, so the files of one
// drop are added together; drops that came while a box was up arrive after it.
void TakeDroppedFile(const std::string& path);
// At the start of each tick: the files dropped since the last one, as one
// addition. Sprite files open on a still empty sheet; one box names every
// file refused.
void OpenDroppedFiles();
