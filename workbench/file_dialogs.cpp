#include "workbench/file_dialogs.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string g_openFolder;  // of the picture opened last
std::string g_saveFolder;  // of the sprite saved last

// A remembered folder that has gone since gives way to the working folder.
std::string StartFolder(const std::string& remembered) {
    std::error_code error;
    if (!remembered.empty() && fs::is_directory(remembered, error)) return remembered;
    const fs::path working = fs::current_path(error);
    return error ? std::string() : working.string();
}

platform::DialogResult Settle(platform::DialogResult answer, const std::string& title,
                              std::string* folder) {
    using platform::DialogOutcome;
    if (answer.outcome == DialogOutcome::Chosen) {
        const std::string parent = fs::path(answer.path).parent_path().string();
        if (!parent.empty()) *folder = parent;
    } else if (answer.outcome == DialogOutcome::Unavailable) {
        std::fprintf(stderr, "celforge: the file dialog \"%s\" could not be shown: %s\n",
                     title.c_str(), answer.reason.c_str());
        platform::Current().MessageBox("The file dialog could not be shown: " + answer.reason + ".",
                                       DIALOG_UNAVAILABLE_CAPTION, platform::BoxButtons::Ok);
    }
    return answer;
}

}  // namespace

platform::DialogResult AskPictureFileName(const std::string& title) {
    platform::DialogResult answer =
        platform::Current().OpenFileDialog(title,
                                           {{"Pcx files (*.pcx)", "*.pcx"},
                                            {"PNG pictures (*.png)", "*.png"},
                                            {"All Files (*.*)", "*.*"}},
                                           StartFolder(g_openFolder));
    return Settle(std::move(answer), title, &g_openFolder);
}

platform::DialogResult AskPictureFileNames(const std::string& title) {
    platform::DialogResult answer =
        platform::Current().OpenFilesDialog(title,
                                            {{"Pcx files (*.pcx)", "*.pcx"},
                                             {"PNG pictures (*.png)", "*.png"},
                                             {"All Files (*.*)", "*.*"}},
                                            StartFolder(g_openFolder));
    return Settle(std::move(answer), title, &g_openFolder);
}

platform::DialogResult AskSpriteFileName(const std::string& title) {
    platform::DialogResult answer = platform::Current().SaveFileDialog(
        title, {{"Spr files (*.Spr)", "*.Spr"}, {"All Files (*.*)", "*.*"}},
        StartFolder(g_saveFolder));
    return Settle(std::move(answer), title, &g_saveFolder);
}

void ForgetDialogFolders() {
    g_openFolder.clear();
    g_saveFolder.clear();
}
