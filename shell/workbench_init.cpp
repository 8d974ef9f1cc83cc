#include "shell/workbench_init.h"

#include <string>

#include "display/ddraw.h"
#include "display/pixmap.h"
#include "formats/pcx.h"
#include "shell/window.h"
#include "state/editor_state.h"
#include "workbench/file_dialogs.h"
#include "workbench/sprite_save.h"

const char* const FIRST_PICTURE_TITLE =
    "Open PCX(Only 64K Colors 24Bit)     This is first Open! Will be Fixed Sprite Size ";

namespace {

const std::string kDataFolder = "data/";

enum class LoadBuffer { Sheet, Picture };

// Decodes a skin file at the top-left of its load buffer. A missing or
// unreadable file leaves the buffer as it was; the skin then shows whatever
// the buffer held, as nothing here can be repaired by the user.
void LoadSkinFile(const char* name, LoadBuffer buffer) {
    const std::string path = kDataFolder + name;
    if (buffer == LoadBuffer::Sheet)
        LoadPcx(g_sheet, SHEET_WIDTH, SHEET_WIDTH, SHEET_HEIGHT, path);
    else
        LoadPcx(g_pictureBuf, PICTURE_WIDTH, PICTURE_WIDTH, PICTURE_HEIGHT, path);
}

CPixmap* SkinFromSheet(const char* name, int width, int height) {
    CPixmap* image = new CPixmap(width, height);
    LoadSkinFile(name, LoadBuffer::Sheet);
    image->GrabSheet(g_sheet, 0, 0);
    return image;
}

CPixmap* SkinFromPicture(const char* name, int width, int height) {
    CPixmap* image = new CPixmap(width, height);
    LoadSkinFile(name, LoadBuffer::Picture);
    image->GrabPicture(g_pictureBuf, 0, 0, width, height);
    return image;
}

void ShowLogo() {
    g_imgLogo = new CPixmap(500, 285);
    CSurface* back = g_screen.GetBackSurface();
    if (!back) return;
    uint16_t* pixels = back->Lock();
    if (pixels) {
        LoadPcx(pixels, SCREEN_WIDTH, SCREEN_WIDTH, SCREEN_HEIGHT, kDataFolder + "logo.pcx");
        g_imgLogo->Grab(pixels, SCREEN_WIDTH, 0, 0);
        ClearPixels(pixels, SCREEN_WIDTH, 500);
        g_imgLogo->Put(pixels, 120, 160);
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
        g_closingJitterX[i] = jitterX[i];
        g_closingJitterY[i] = jitterY[i];
    }
    for (int i = 0; i < 3; ++i) {
        g_closingFigureX[i] = figureX[i];
        g_closingFigureY[i] = figureY[i];
    }
}

void LoadArrows() {
    // Cut positions on the arrow strip, in the order of g_imgArrow.
    struct Mark {
        int x;
        int width;
    };
    const Mark marks[9] = {{170, 20}, {40, 20},  {20, 20},  {0, 20},  {60, 20},
                           {80, 23},  {120, 23}, {100, 23}, {140, 23}};
    for (int i = 0; i < 9; ++i) g_imgArrow[i] = new CPixmap(marks[i].width, 20);
    LoadSkinFile("arrow.pcx", LoadBuffer::Sheet);
    for (int i = 0; i < 9; ++i) g_imgArrow[i]->GrabSheet(g_sheet, marks[i].x, 0);
}

void LoadSkin() {
    g_imgTvError = SkinFromSheet("tv_error.pcx", 300, 200);
    g_imgSheetFull = SkinFromSheet("eow.pcx", 200, 50);
    g_imgSingleTitle = SkinFromSheet("single.pcx", 640, 29);
    g_imgTv = SkinFromSheet("tv.pcx", 200, 200);
    g_imgDelay = SkinFromSheet("delay.pcx", 49, 41);
    g_imgEditBar = SkinFromSheet("editbar.pcx", 200, 400);
    g_imgEditBar2 = SkinFromSheet("editbar2.pcx", 200, 177);
    g_imgClipboard = SkinFromSheet("clipboard.pcx", 200, 390);
    LoadArrows();
    g_imgSMaker = SkinFromSheet("smaker.pcx", 143, 33);
    g_imgCheck = SkinFromSheet("check.pcx", 43, 41);
    g_freezeBackdrop = new CPixmap(400, 100);
    g_imgBottomBar = SkinFromSheet("bottombar.pcx", 800, 70);
    g_imgFreezeBox = SkinFromSheet("freezbox.pcx", 350, 100);
    g_imgFrozen = SkinFromSheet("freezed.pcx", 600, 470);
    g_imgPickerOn = new CPixmap(83, 48);
    g_imgKeyColourPane = SkinFromSheet("keycolor.pcx", 479, 70);
    g_imgPickerOn->GrabSheet(g_sheet, 305, 11);
    g_imgAnimePane = SkinFromSheet("animepane.pcx", 479, 70);
    g_imgClosingBackdrop = SkinFromSheet("ar.pcx", 500, 254);
    for (CPixmap*& button : g_imgModeButton) button = new CPixmap(56, 116);
    g_imgModeBar = SkinFromSheet("modebar.pcx", 200, 150);
    for (int i = 0; i < 3; ++i) g_imgModeButton[i]->GrabSheet(g_sheet, 56 * i, 34);
    g_imgTopToolBar = SkinFromSheet("WTOOLBAR.pcx", 600, 30);
    g_imgRightToolBar = SkinFromPicture("RTOOLBAR.pcx", 200, 30);
    g_imgRightToolBarDown = SkinFromPicture("RTOOLBAR1.pcx", 200, 30);
    const char* figures[3] = {"m1.pcx", "m2.pcx", "m3.pcx"};
    for (int i = 0; i < 3; ++i) g_closingFigures[i] = SkinFromPicture(figures[i], 300, 40);
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

bool FitsPictureBuffer(const PcxSize& size) {
    return size.width <= PICTURE_WIDTH && size.height <= PICTURE_HEIGHT;
}

void RefuseOversize(const PcxSize& size) {
    const std::string text = "This picture is " + std::to_string(size.width) + " x " +
                             std::to_string(size.height) +
                             " pixels. The sprite size can be at most 640 x 480: please open "
                             "a smaller picture.";
    platform::Current().MessageBox(text, "Error!", platform::BoxButtons::Ok);
}

// Asks until a usable first picture is chosen. Returns its path and size,
// or nothing when the user closed the editor meanwhile.
bool AskFirstPicture(std::string* path, PcxSize* size) {
    platform::Platform& p = platform::Current();
    for (int pass = 1;; ++pass) {
        std::optional<std::string> chosen = AskPcxFileName(FIRST_PICTURE_TITLE);
        if (!HandlePendingMessages()) return false;
        PcxSize read;
        if (chosen) read = GetPcxSize(*chosen);
        const bool readable = chosen && read.width > 0 && read.height > 0;
        const bool usable = readable && FitsPictureBuffer(read);
        if (!readable)
            p.MessageBox("PCX를 읽어야 Workbench Window가 구성됩니다", "Error!",
                         platform::BoxButtons::Ok);
        else if (!usable)
            RefuseOversize(read);
        if (pass == 2)
            p.MessageBox("씨발 자식아!,빨리 그림 읽어!", "Fuck You!", platform::BoxButtons::Ok);
        if (usable) {
            *path = *chosen;
            *size = read;
            return true;
        }
    }
}

void MakeSpriteSizePictures(const std::string& path) {
    g_cellPixmap = new CPixmap(g_spriteWidth, g_spriteHeight);
    g_previewPixmap = new CPixmap(g_spriteWidth, g_spriteHeight);
    LoadPcx(g_pictureBuf, PICTURE_WIDTH, PICTURE_WIDTH, PICTURE_HEIGHT, path);
    g_workingImage = new CPixmap(g_spriteWidth, g_spriteHeight);
    g_workingImage->GrabPicture(g_pictureBuf, 0, 0, g_spriteWidth, g_spriteHeight);
    g_cellRight = g_cellX + g_spriteWidth;
    g_cellBottom = g_cellY + g_spriteHeight;
    g_sheetColumns = SHEET_WIDTH / g_spriteWidth;
    g_clipboardPixmap = new CPixmap(g_spriteWidth, g_spriteHeight);
    g_swapPixmap = new CPixmap(g_spriteWidth, g_spriteHeight);
}

}  // namespace

bool InitWorkbench() {
    g_pictureBuf = new uint16_t[PICTURE_WIDTH * PICTURE_HEIGHT];
    g_singleBuf = new uint16_t[PICTURE_WIDTH * PICTURE_HEIGHT]();
    // The picture buffer serves as a load buffer below; start it clean so a
    // missing skin file cannot show stray memory.
    ClearPixels(g_pictureBuf, PICTURE_WIDTH, PICTURE_HEIGHT);
    ShowLogo();
    SetClosingTables();
    LoadSkin();

    std::string path;
    PcxSize size;
    if (!AskFirstPicture(&path, &size)) return false;
    g_spriteWidth = size.width;
    g_spriteHeight = size.height;
    MakeSpriteSizePictures(path);

    ClearPixels(g_pictureBuf, PICTURE_WIDTH, PICTURE_HEIGHT);
    ClearPixels(g_sheet, SHEET_WIDTH, SHEET_HEIGHT);
    return true;
}

namespace {

template <size_t N>
void FreeAll(CPixmap* (&images)[N]) {
    for (CPixmap*& image : images) {
        delete image;
        image = nullptr;
    }
}

void Free(CPixmap*& image) {
    delete image;
    image = nullptr;
}

}  // namespace

void ReleaseWorkbench() {
    for (CPixmap** image : {&g_imgLogo,
                            &g_imgTvError,
                            &g_imgSheetFull,
                            &g_imgSingleTitle,
                            &g_imgTv,
                            &g_imgDelay,
                            &g_imgEditBar,
                            &g_imgEditBar2,
                            &g_imgClipboard,
                            &g_imgSMaker,
                            &g_imgCheck,
                            &g_freezeBackdrop,
                            &g_imgBottomBar,
                            &g_imgFreezeBox,
                            &g_imgFrozen,
                            &g_imgKeyColourPane,
                            &g_imgPickerOn,
                            &g_imgAnimePane,
                            &g_imgClosingBackdrop,
                            &g_imgModeBar,
                            &g_imgTopToolBar,
                            &g_imgRightToolBar,
                            &g_imgRightToolBarDown,
                            &g_cellPixmap,
                            &g_previewPixmap,
                            &g_workingImage,
                            &g_clipboardPixmap,
                            &g_swapPixmap,
                            &g_singleImage})
        Free(*image);
    FreeAll(g_imgArrow);
    FreeAll(g_imgModeButton);
    FreeAll(g_closingFigures);
    ReleaseDirectionStrips();
    delete[] g_pictureBuf;
    g_pictureBuf = nullptr;
    delete[] g_singleBuf;
    g_singleBuf = nullptr;
}
