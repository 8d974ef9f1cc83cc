#include "workbench/first_open.h"

#include <filesystem>

#include "display/pixmap.h"
#include "platform/platform.h"
#include "session/session_hooks.h"
#include "state/work.h"
#include "workbench/file_dialogs.h"
#include "workbench/open_flow.h"
#include "workbench/picture_boxes.h"
#include "workbench/queue_flow.h"
#include "workbench/start_file.h"

const char* const FIRST_PICTURE_TITLE =
    "Open PCX(Only 64K Colors 24Bit)     This is first Open! Will be Fixed Sprite Size ";

namespace {

constexpr const char* NO_PICTURE_TEXT = "PCX를 읽어야 Workbench Window가 구성됩니다";

struct FirstPicture {
    std::string path;
    PictureSize size;
};

bool FitsPictureBuffer(const PictureSize& size) {
    return size.width <= PICTURE_WIDTH && size.height <= PICTURE_HEIGHT;
}

void RefuseOversize(const PictureSize& size) {
    const std::string text = "This picture is " + std::to_string(size.width) + " x " +
                             std::to_string(size.height) +
                             " pixels. The sprite size can be at most 640 x 480: please open "
                             "a smaller picture.";
    platform::Current().MessageBox(text, "Error!", platform::BoxButtons::Ok);
}

// The first usable of several pictures added to the empty queue together;
// the rest wait behind it and those refused are named in one box. Empty when
// none can be used.
std::string QueueFirstPictures(const std::vector<std::string>& paths) {
    AddPictures(paths);
    return g_state.queue.shown;
}

// Whether the dialog's answer can be the first picture; when not, a box says
// why. One picture keeps its own refusal boxes; of several, the first usable
// is taken and the others wait behind it.
bool CheckFirstAnswer(platform::DialogResult* answer, PictureSize* size) {
    if (answer->paths.size() > 1) answer->path = QueueFirstPictures(answer->paths);
    const std::optional<std::string> notFile = NotAFileRefusal(answer->path);
    PictureCheck check = notFile ? PictureCheck{} : CheckPictureFile(answer->path);
    if (notFile) check.refusal = *notFile;
    *size = check.size;
    if (!check.Readable()) {
        ShowPictureRefusal(NO_PICTURE_TEXT, check.refusal, "Error!");
        return false;
    }
    if (!FitsPictureBuffer(check.size)) {
        RefuseOversize(check.size);
        return false;
    }
    return true;
}

// Asks until a usable first picture is chosen, the user closes the editor, or
// the dialog cannot be shown at all: asking again would only repeat its box.
WorkbenchStart AskFirstPicture(const HandleWindowMessages& handleMessages, FirstPicture* first) {
    platform::Platform& p = platform::Current();
    for (int pass = 1;; ++pass) {
        platform::DialogResult answer = AskPictureFileNames(FIRST_PICTURE_TITLE);
        if (!handleMessages()) return WorkbenchStart::ClosedByUser;
        if (answer.outcome == platform::DialogOutcome::Unavailable)
            return WorkbenchStart::NoFileDialog;
        const bool chosen = answer.outcome == platform::DialogOutcome::Chosen;
        PictureSize size;
        const bool usable = chosen && CheckFirstAnswer(&answer, &size);
        if (!chosen) ShowPictureRefusal(NO_PICTURE_TEXT, "", "Error!");
        if (pass == 2)
            p.MessageBox("씨발 자식아!,빨리 그림 읽어!", "Fuck You!", platform::BoxButtons::Ok);
        if (usable) {
            *first = {answer.path, size};
            return WorkbenchStart::Ready;
        }
    }
}

// The command line's pictures as full paths, added together.
FirstPicture TakeStartPictures(const std::vector<std::string>& pictures) {
    if (pictures.empty()) return {};
    std::vector<std::string> paths;
    for (const std::string& path : pictures) {
        std::error_code error;
        const std::filesystem::path full = std::filesystem::absolute(path, error);
        paths.push_back(error ? path : full.string());
    }
    FirstPicture first{QueueFirstPictures(paths), {}};
    if (!first.path.empty()) first.size = GetPictureSize(first.path);
    return first;
}

// The command line's file: a refused file is explained and then the first
// picture is asked for.
StartFile ReadNamedFile(const std::string& path) {
    if (path.empty()) return {};
    StartFile start = ReadStartFile(path);
    if (!start.refusal.empty())
        platform::Current().MessageBox(start.refusal, "Error!", platform::BoxButtons::Ok);
    return start;
}

// The first picture fixes the sprite size and waits in the pane, unplaced.
void OpenFirstPicture(const FirstPicture& first) {
    g_state.sheet.spriteWidth = first.size.width;
    g_state.sheet.spriteHeight = first.size.height;
    LoadPictureIntoBuffer(g_pictureBuf, first.path);
    MakeSpriteSizePictures();
    if (g_state.queue.shown != first.path) SetUnplacedPictures(g_state.queue, {first.path}, "");
    SetPaneFile(first.path);
    g_changeLog.Dirt().names = true;
    // The working image holds the picture now; the load buffer starts clean.
    ClearPixels(g_pictureBuf, PICTURE_WIDTH, PICTURE_HEIGHT);
    ClearPixels(g_sheet, SHEET_WIDTH, SHEET_HEIGHT);
}

}  // namespace

WorkbenchStart OpenFirstWork(const StartNames& names, const HandleWindowMessages& handleMessages) {
    const StartFile start = ReadNamedFile(names.file);
    FirstPicture first{start.picturePath, start.size};
    if (first.path.empty() && !start.sprite) first = TakeStartPictures(names.pictures);
    const bool fileNamed = !first.path.empty() || start.sprite;
    // With a file named, only work left on that very sprite file is offered,
    // before it is opened: a named file is what the user asked for now.
    if (StartSession("", !fileNamed, start.sprite ? names.file : "").restored) {
        MakeSpriteSizePictures();
        SetPaneFile(g_state.queue.shown);
        return WorkbenchStart::Ready;
    }
    if (!fileNamed) {
        const WorkbenchStart asked = AskFirstPicture(handleMessages, &first);
        if (asked != WorkbenchStart::Ready) {
            EndSessionSaved();  // it holds no work: nothing to offer next time
            return asked;
        }
    }
    if (start.sprite)
        OpenSpriteOnEmptySheet(*start.sprite, names.file);
    else
        OpenFirstPicture(first);
    return WorkbenchStart::Ready;
}
