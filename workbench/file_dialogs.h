#pragma once
// The editor's file dialogs with their filter lists.

#include <optional>
#include <string>

// The open-file dialog for pictures (PCX first, then PNG); nothing when the
// user cancels.
std::optional<std::string> AskPictureFileName(const std::string& title);
// The save dialog for sprite files; nothing when the user cancels.
std::optional<std::string> AskSpriteFileName(const std::string& title);
