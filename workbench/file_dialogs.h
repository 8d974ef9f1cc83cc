#pragma once
// The editor's file dialogs with their filter lists. Open dialogs start in the
// folder of the picture opened last and save dialogs in the folder saved to
// last, as desktop programs do; the first of each kind starts in the working
// folder. A dialog that cannot be shown says so, and why, in one box (and on
// stderr) before its Unavailable answer comes back; the caller then abandons
// what it was doing. A chosen name the editor cannot use (not a full path, or
// holding a line break) is refused with a box and the dialog comes back,
// unless the editor is closing: then the answer is a cancel.

#include <string>

#include "platform/platform.h"

constexpr const char* DIALOG_UNAVAILABLE_CAPTION = "Error Message";
constexpr const char* SPRITE_EXTENSION = ".Spr";

// The open-file dialog for pictures (PCX first, then PNG).
platform::DialogResult AskPictureFileName(const std::string& title);
// The same letting the user choose several pictures: `paths` holds them all.
platform::DialogResult AskPictureFileNames(const std::string& title);
// The save dialog for sprite files. Chosen: the path to write, with the
// extension added to a typed name that has none. When that names a file other
// than the typed name, and it exists, the user is asked whether to replace
// it; No brings the dialog back, in the folder where the user was.
platform::DialogResult AskSpriteFileName(const std::string& title);
// Forgets both folders, as at the start of a run.
void ForgetDialogFolders();
