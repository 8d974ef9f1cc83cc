#pragma once
// The editor's file dialogs with their filter lists. Open dialogs start in the
// folder of the picture opened last and save dialogs in the folder saved to
// last, as desktop programs do; the first of each kind starts in the working
// folder. A dialog that cannot be shown says so, and why, in one box (and on
// stderr) before its Unavailable answer comes back; the caller then abandons
// what it was doing.

#include <string>

#include "platform/platform.h"

constexpr const char* DIALOG_UNAVAILABLE_CAPTION = "Error Message";

// The open-file dialog for pictures (PCX first, then PNG).
platform::DialogResult AskPictureFileName(const std::string& title);
// The same letting the user choose several pictures: `paths` holds them all.
platform::DialogResult AskPictureFileNames(const std::string& title);
// The save dialog for sprite files.
platform::DialogResult AskSpriteFileName(const std::string& title);
// Forgets both folders, as at the start of a run.
void ForgetDialogFolders();
