#include "workbench/file_dialogs.h"

#include "platform/platform.h"

std::optional<std::string> AskPictureFileName(const std::string& title) {
    return platform::Current().OpenFileDialog(title, {{"Pcx files (*.pcx)", "*.pcx"},
                                                      {"PNG pictures (*.png)", "*.png"},
                                                      {"All Files (*.*)", "*.*"}});
}

std::optional<std::string> AskSpriteFileName(const std::string& title) {
    return platform::Current().SaveFileDialog(
        title, {{"Spr files (*.Spr)", "*.Spr"}, {"All Files (*.*)", "*.*"}});
}
