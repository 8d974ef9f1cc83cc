#pragma once
// Loading a picture into a 640 x 480 load buffer for the editor, saying in a
// box why a file was refused or that a picture is incomplete.

#include <string>

#include "formats/picture.h"

// The box for a file that cannot be read as a picture: the reason, if any,
// on a line below `text`. The caption is ERROR_CAPTION unless given.
void ShowPictureRefusal(const std::string& text, const std::string& reason,
                        const char* caption = nullptr);

// Clears `buffer` and decodes the picture at its top-left. A picture cut
// short is kept as far as it was read and one box says it is incomplete. A
// file refused at its header gets its box and leaves the buffer as it was;
// false then.
bool LoadPictureIntoBuffer(uint16_t* buffer, const std::string& path);

// The opening of the box for a file refused by the single-sprite window and
// by the dialog that opens further pictures.
extern const char* const PICTURE_REFUSED_TEXT;
