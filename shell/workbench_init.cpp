#include "shell/workbench_init.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "display/ddraw.h"
#include "display/pixmap.h"
#include "formats/pcx.h"
#include "formats/picture.h"
#include "session/session_hooks.h"
#include "shell/data_folder.h"
#include "shell/window.h"
#include "state/work.h"
#include "workbench/file_dialogs.h"
#include "workbench/open_flow.h"
#include "workbench/picture_boxes.h"
#include "workbench/queue_flow.h"
#include "workbench/sprite_save.h"
#include "workbench/start_file.h"

const char* const FIRST_PICTURE_TITLE =
    "Open PCX(Only 64K Colors 24Bit)     This is first Open! Will be Fixed Sprite Size ";

namespace {

// Decodes a skin file at the top-left of its load buffer. A file that cannot
// be read leaves the buffer as it was, so the pictures cut from it stay
// black. The editor still starts, and says which file it was: a new copy of
// the skin repairs it.
void LoadSkinFile(const char* name, SkinBuffer buffer) {
    const std::string path = DataFolder() + name;
    errno = 0;
    const bool read =
        buffer == SkinBuffer::Sheet
            ? LoadPcx(g_sheet, SHEET_WIDTH, SHEET_WIDTH, SHEET_HEIGHT, path)
            : LoadPcx(g_pictureBuf, PICTURE_WIDTH, PICTURE_WIDTH, PICTURE_HEIGHT, path);
    if (read) return;
    const std::string why = errno ? std::strerror(errno) : "not a picture the editor reads";
    std::fprintf(stderr,
                 "celforge: the skin file %s could not be read (%s); the workbench shows "
                 "black in its place\n",
                 path.c_str(), why.c_str());
}

void LoadSkinPicture(const SkinPicture& skin) {
    CPixmap* image = new CPixmap(skin.width, skin.height);
    *skin.picture = image;
    if (skin.blank) return;
    if (skin.file) LoadSkinFile(skin.file, skin.buffer);
    if (skin.buffer == SkinBuffer::Sheet)
        image->GrabSheet(g_sheet, skin.cutX, skin.cutY);
    else
        image->GrabPicture(g_pictureBuf, skin.cutX, skin.cutY, skin.width, skin.height);
}

void ShowLogo() {
    g_skin.logo = new CPixmap(500, 285);
    CSurface* back = g_screen.GetBackSurface();
    if (!back) return;
    uint16_t* pixels = back->Lock();
    if (pixels) {
        LoadPcx(pixels, SCREEN_WIDTH, SCREEN_WIDTH, SCREEN_HEIGHT, DataFolder() + "logo.pcx");
        g_skin.logo->Grab(pixels, SCREEN_WIDTH, 0, 0);
        ClearPixels(pixels, SCREEN_WIDTH, 500);
        g_skin.logo->Put(pixels, 120, 160);
    }
    back->Unlock();
    g_screen.Present();
}

void SetClosingTables() {
    const int jitterX[10] = {3, -3, 4, 1, -3, -2, 3, 2, -1, 2};
    const int jitterY[10] = {-3, 3, 2, -1, 2, -1, 2, 3, -2, 1};
    const int figureX[3] = {120, 160, 40};
    const int figureY[3] = {120, 140, 20};
    for (int i = 0; i < 10; ++i) {
        g_state.closing.closingJitterX[i] = jitterX[i];
        g_state.closing.closingJitterY[i] = jitterY[i];
    }
    for (int i = 0; i < 3; ++i) {
        g_state.closing.closingFigureX[i] = figureX[i];
        g_state.closing.closingFigureY[i] = figureY[i];
    }
}

void LoadSkin() {
    for (int i = 0; i < SKIN_PICTURE_COUNT; ++i) LoadSkinPicture(SKIN_PICTURES[i]);
}

// Handles what reached the window while the dialog was up. False once the
// user has closed the window: the program must end.
bool HandlePendingMessages() {
    platform::Platform& p = platform::Current();
    while (p.PeekMessage()) {
        const platform::Message message = p.GetMessage();
        if (message.kind == platform::MessageKind::Quit) return false;
        WindowProc(message);
    }
    return g_hWnd != 0;
}

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

// Asks until a usable first picture is chosen, the user closes the editor, or
// the dialog cannot be shown at all: asking again would only repeat its box.
WorkbenchStart AskFirstPicture(std::string* path, PictureSize* size) {
    platform::Platform& p = platform::Current();
    for (int pass = 1;; ++pass) {
        platform::DialogResult answer = AskPictureFileNames(FIRST_PICTURE_TITLE);
        if (!HandlePendingMessages()) return WorkbenchStart::ClosedByUser;
        if (answer.outcome == platform::DialogOutcome::Unavailable)
            return WorkbenchStart::NoFileDialog;
        const bool chosen = answer.outcome == platform::DialogOutcome::Chosen;
        // One picture keeps its own refusal boxes; of several, the first usable.
        if (chosen && answer.paths.size() > 1) answer.path = TakeFirstPicture(answer.paths);
        PictureCheck check;
        if (chosen) {
            const std::optional<std::string> notFile = NotAFileRefusal(answer.path);
            check = notFile ? PictureCheck{} : CheckPictureFile(answer.path);
            if (notFile) check.refusal = *notFile;
        }
        const PictureSize read = check.size;
        const bool readable = chosen && check.Readable();
        const bool usable = readable && FitsPictureBuffer(read);
        if (!readable)
            ShowPictureRefusal("PCX를 읽어야 Workbench Window가 구성됩니다", check.refusal,
                               "Error!");
        else if (!usable)
            RefuseOversize(read);
        if (pass == 2)
            p.MessageBox("씨발 자식아!,빨리 그림 읽어!", "Fuck You!", platform::BoxButtons::Ok);
        if (usable) {
            if (answer.paths.size() <= 1) SetUnplacedPictures(g_state.queue, {answer.path}, "");
            *path = answer.path;
            *size = read;
            return WorkbenchStart::Ready;
        }
    }
}

std::string g_startFile;
std::vector<std::string> g_startPictures;

// The command line's pictures, once, as full paths.
std::string TakeStartPictures(PictureSize* size) {
    if (g_startPictures.empty()) return {};
    std::vector<std::string> paths;
    for (const std::string& path : g_startPictures) {
        std::error_code error;
        const std::filesystem::path full = std::filesystem::absolute(path, error);
        paths.push_back(error ? path : full.string());
    }
    g_startPictures.clear();
    const std::string first = TakeFirstPicture(paths);
    if (!first.empty()) *size = GetPictureSize(first);
    return first;
}

// The command line's file, once: a refused file is explained and then the
// first picture is asked for.
StartFile TakeStartFile() {
    if (g_startFile.empty()) return {};
    StartFile start = ReadStartFile(g_startFile);
    g_startFile.clear();
    if (!start.refusal.empty())
        platform::Current().MessageBox(start.refusal, "Error!", platform::BoxButtons::Ok);
    return start;
}

}  // namespace

WorkbenchStart StartWorkbench() {
    g_pictureBuf = new uint16_t[PICTURE_WIDTH * PICTURE_HEIGHT];
    g_singleBuf = new uint16_t[PICTURE_WIDTH * PICTURE_HEIGHT]();
    // The picture buffer serves as a load buffer below; start it clean so a
    // missing skin file cannot show stray memory.
    ClearPixels(g_pictureBuf, PICTURE_WIDTH, PICTURE_HEIGHT);
    ShowLogo();
    SetClosingTables();
    LoadSkin();
    // The skin used both as load buffers; a restored session must not show it.
    ClearPixels(g_pictureBuf, PICTURE_WIDTH, PICTURE_HEIGHT);
    ClearPixels(g_sheet, SHEET_WIDTH, SHEET_HEIGHT);

    const std::string startFile = g_startFile;
    StartFile start = TakeStartFile();
    std::string path = start.picturePath;
    PictureSize size = start.size;
    if (path.empty() && !start.sprite) path = TakeStartPictures(&size);
    const bool fileNamed = !path.empty() || start.sprite;
    // With a file named, only work left on that very sprite file is offered,
    // before it is opened: a named file is what the user asked for now.
    if (StartSession("", !fileNamed, start.sprite ? startFile : "").restored) {
        MakeSpriteSizePictures();
        SetPaneFile(g_state.queue.shown);
        return WorkbenchStart::Ready;
    }
    if (!fileNamed) {
        const WorkbenchStart asked = AskFirstPicture(&path, &size);
        if (asked != WorkbenchStart::Ready) {
            EndSessionSaved();  // it holds no work: nothing to offer next time
            return asked;
        }
    }
    g_state.sheet.spriteWidth = size.width;
    g_state.sheet.spriteHeight = size.height;
    if (start.sprite)
        PutFirstFrame(*start.sprite, g_pictureBuf);
    else
        LoadPictureIntoBuffer(g_pictureBuf, path);
    MakeSpriteSizePictures();
    if (!start.sprite && g_state.queue.shown != path)
        SetUnplacedPictures(g_state.queue, {path}, "");
    SetPaneFile(start.sprite ? "" : path);
    g_changeLog.Dirt().names = true;

    ClearPixels(g_pictureBuf, PICTURE_WIDTH, PICTURE_HEIGHT);
    ClearPixels(g_sheet, SHEET_WIDTH, SHEET_HEIGHT);
    if (start.sprite && start.sprite->header.type == SPRITE_ANIMATION)
        OpenAnimationWork(*start.sprite);
    if (start.sprite) SessionSetFile(startFile);
    return WorkbenchStart::Ready;
}

void SetStartFile(const std::string& path) {
    g_startFile = path;
}

void SetStartPictures(const std::vector<std::string>& paths) {
    g_startPictures = paths;
}

bool InitWorkbench() {
    return StartWorkbench() == WorkbenchStart::Ready;
}

void ReleaseWorkbench() {
    CloseSession();
    ReleaseSkin();
    delete g_state.edit.singleImage;
    g_state.edit.singleImage = nullptr;
    ReleaseDirectionStrips();
    delete[] g_pictureBuf;
    g_pictureBuf = nullptr;
    delete[] g_singleBuf;
    g_singleBuf = nullptr;
}
