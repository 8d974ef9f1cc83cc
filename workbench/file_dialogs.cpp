#include "workbench/file_dialogs.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "formats/safe_file.h"

namespace fs = std::filesystem;

namespace {

std::string g_openFolder;  // of the picture opened last
std::string g_saveFolder;  // of the sprite saved last

using ShowDialog = platform::DialogResult (*)(const std::string& title,
                                              const std::string& startFolder);
// Turns a usable answer into the one the caller gets; false asks again.
using Confirm = bool (*)(platform::DialogResult* answer, const std::string& title);

// A remembered folder that has gone since gives way to the working folder.
std::string StartFolder(const std::string& remembered) {
    std::error_code error;
    if (!remembered.empty() && fs::is_directory(remembered, error)) return remembered;
    const fs::path working = fs::current_path(error);
    return error ? std::string() : working.string();
}

// The dialog comes back where the user was, when that is known.
std::string FolderOf(const std::string& path, const std::string& otherwise) {
    std::error_code error;
    const fs::path parent = fs::path(path).parent_path();
    const bool known = path[0] == '/' && fs::is_directory(parent, error);
    return known ? parent.string() : otherwise;
}

void ReportUnavailable(const std::string& title, const std::string& reason) {
    std::fprintf(stderr, "celforge: the file dialog \"%s\" could not be shown: %s\n", title.c_str(),
                 reason.c_str());
    platform::Current().MessageBox("The file dialog could not be shown: " + reason + ".",
                                   DIALOG_UNAVAILABLE_CAPTION, platform::BoxButtons::Ok);
}

// Why the editor cannot use a chosen name; empty when it can. The dialog
// gives "(null)" for a name, or a folder's name, that is not UTF-8.
std::string RefusalText(const std::string& path) {
    if (path.find('\n') != std::string::npos)
        return "A name that holds a line break cannot be used: please choose another name.";
    if (path[0] == '/') return {};
    return "The file dialog gave \"" + path +
           "\", which is not a full path: this name cannot be used. The file dialog cannot "
           "pass on names that are not valid UTF-8 text, nor names in a folder whose name is "
           "not: please choose another name or folder.";
}

bool TakeAsChosen(platform::DialogResult*, const std::string&) {
    return true;
}

// A name the dialog showed as existing was confirmed there; one that gets
// the extension added may name another file, so it is confirmed here.
bool ConfirmSpritePath(platform::DialogResult* answer, const std::string& title) {
    const std::string typed = answer->path;
    answer->path = SavePathFor(typed, SPRITE_EXTENSION);
    struct stat info {};
    if (answer->path == typed || ::lstat(answer->path.c_str(), &info) != 0) return true;
    const std::string name = fs::path(answer->path).filename().string();
    return platform::Current().MessageBox(name + " already exists. Replace it?", title,
                                          platform::BoxButtons::YesNo) == platform::BoxAnswer::Yes;
}

platform::DialogResult Ask(ShowDialog show, Confirm confirm, const std::string& title,
                           std::string* remembered) {
    std::string start = StartFolder(*remembered);
    for (;;) {
        platform::DialogResult answer = show(title, start);
        if (answer.outcome == platform::DialogOutcome::Unavailable)
            ReportUnavailable(title, answer.reason);
        if (answer.outcome != platform::DialogOutcome::Chosen) return answer;
        const std::string refusal = RefusalText(answer.path);
        if (!refusal.empty()) {
            platform::Current().MessageBox(refusal, DIALOG_UNAVAILABLE_CAPTION,
                                           platform::BoxButtons::Ok);
        } else if (confirm(&answer, title)) {
            *remembered = FolderOf(answer.path, *remembered);
            return answer;
        }
        if (platform::Current().CloseRequested()) return {};
        start = FolderOf(answer.path, start);
    }
}

platform::DialogResult ShowPictureDialog(const std::string& title, const std::string& start) {
    return platform::Current().OpenFileDialog(title,
                                              {{"Pcx files (*.pcx)", "*.pcx"},
                                               {"PNG pictures (*.png)", "*.png"},
                                               {"All Files (*.*)", "*.*"}},
                                              start);
}

// Of several names, the dialog is asked again only when none can be used:
// the queue names the others it skips.
platform::DialogResult ShowPicturesDialog(const std::string& title, const std::string& start) {
    platform::DialogResult answer =
        platform::Current().OpenFilesDialog(title,
                                            {{"Pcx files (*.pcx)", "*.pcx"},
                                             {"PNG pictures (*.png)", "*.png"},
                                             {"All Files (*.*)", "*.*"}},
                                            start);
    for (const std::string& path : answer.paths) {
        if (!RefusalText(path).empty()) continue;
        answer.path = path;
        break;
    }
    return answer;
}

platform::DialogResult ShowSpriteDialog(const std::string& title, const std::string& start) {
    return platform::Current().SaveFileDialog(
        title, {{"Spr files (*.Spr)", "*.Spr"}, {"All Files (*.*)", "*.*"}}, start);
}

}  // namespace

platform::DialogResult AskPictureFileName(const std::string& title) {
    return Ask(ShowPictureDialog, TakeAsChosen, title, &g_openFolder);
}

platform::DialogResult AskPictureFileNames(const std::string& title) {
    return Ask(ShowPicturesDialog, TakeAsChosen, title, &g_openFolder);
}

platform::DialogResult AskSpriteFileName(const std::string& title) {
    return Ask(ShowSpriteDialog, ConfirmSpritePath, title, &g_saveFolder);
}

void ForgetDialogFolders() {
    g_openFolder.clear();
    g_saveFolder.clear();
}
