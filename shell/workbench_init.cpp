#include "shell/workbench_init.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "display/ddraw.h"
#include "display/pixmap.h"
#include "formats/pcx.h"
#include "session/session_hooks.h"
#include "shell/data_folder.h"
#include "shell/window.h"
#include "state/editor_state.h"
#include "workbench/sprite_save.h"

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

std::string g_startFile;
std::vector<std::string> g_startPictures;

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

    // The command line names a file or pictures, each opened once.
    StartNames names{std::move(g_startFile), std::move(g_startPictures)};
    g_startFile.clear();
    g_startPictures.clear();
    return OpenFirstWork(names, HandlePendingMessages);
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
