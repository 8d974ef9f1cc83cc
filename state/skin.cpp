#include "state/skin.h"

#include "display/pixmap.h"
#include "state/editor_state.h"

CPixmap* g_imgLogo = nullptr;
CPixmap* g_imgTvError = nullptr;
CPixmap* g_imgSheetFull = nullptr;
CPixmap* g_imgSingleTitle = nullptr;
CPixmap* g_imgTv = nullptr;
CPixmap* g_imgDelay = nullptr;
CPixmap* g_imgEditBar = nullptr;
CPixmap* g_imgEditBar2 = nullptr;
CPixmap* g_imgClipboard = nullptr;
CPixmap* g_imgArrow[9] = {};
CPixmap* g_imgSMaker = nullptr;
CPixmap* g_imgCheck = nullptr;
CPixmap* g_freezeBackdrop = nullptr;
CPixmap* g_imgBottomBar = nullptr;
CPixmap* g_imgFreezeBox = nullptr;
CPixmap* g_imgFrozen = nullptr;
CPixmap* g_imgKeyColourPane = nullptr;
CPixmap* g_imgPickerOn = nullptr;
CPixmap* g_imgAnimePane = nullptr;
CPixmap* g_imgClosingBackdrop = nullptr;
CPixmap* g_imgModeBar = nullptr;
CPixmap* g_imgModeButton[3] = {};
CPixmap* g_imgTopToolBar = nullptr;
CPixmap* g_imgRightToolBar = nullptr;
CPixmap* g_imgRightToolBarDown = nullptr;

CPixmap* g_cellPixmap = nullptr;
CPixmap* g_previewPixmap = nullptr;
CPixmap* g_workingImage = nullptr;
CPixmap* g_clipboardPixmap = nullptr;
CPixmap* g_swapPixmap = nullptr;

namespace {
constexpr SkinBuffer SHEET = SkinBuffer::Sheet;
constexpr SkinBuffer PICTURE = SkinBuffer::Picture;
}  // namespace

const SkinPicture SKIN_PICTURES[] = {
    {&g_imgTvError, "tv_error.pcx", 300, 200, SHEET},
    {&g_imgSheetFull, "eow.pcx", 200, 50, SHEET},
    {&g_imgSingleTitle, "single.pcx", 640, 29, SHEET},
    {&g_imgTv, "tv.pcx", 200, 200, SHEET},
    {&g_imgDelay, "delay.pcx", 49, 41, SHEET},
    {&g_imgEditBar, "editbar.pcx", 200, 400, SHEET},
    {&g_imgEditBar2, "editbar2.pcx", 200, 177, SHEET},
    {&g_imgClipboard, "clipboard.pcx", 200, 390, SHEET},
    // The arrow strip, cut in the order of g_imgArrow.
    {&g_imgArrow[0], "arrow.pcx", 20, 20, SHEET, 170, 0},
    {&g_imgArrow[1], nullptr, 20, 20, SHEET, 40, 0},
    {&g_imgArrow[2], nullptr, 20, 20, SHEET, 20, 0},
    {&g_imgArrow[3], nullptr, 20, 20, SHEET, 0, 0},
    {&g_imgArrow[4], nullptr, 20, 20, SHEET, 60, 0},
    {&g_imgArrow[5], nullptr, 23, 20, SHEET, 80, 0},
    {&g_imgArrow[6], nullptr, 23, 20, SHEET, 120, 0},
    {&g_imgArrow[7], nullptr, 23, 20, SHEET, 100, 0},
    {&g_imgArrow[8], nullptr, 23, 20, SHEET, 140, 0},
    {&g_imgSMaker, "smaker.pcx", 143, 33, SHEET},
    {&g_imgCheck, "check.pcx", 43, 41, SHEET},
    {&g_freezeBackdrop, nullptr, 400, 100, SHEET, 0, 0, true},
    {&g_imgBottomBar, "bottombar.pcx", 800, 70, SHEET},
    {&g_imgFreezeBox, "freezbox.pcx", 350, 100, SHEET},
    {&g_imgFrozen, "freezed.pcx", 600, 470, SHEET},
    {&g_imgKeyColourPane, "keycolor.pcx", 479, 70, SHEET},
    {&g_imgPickerOn, nullptr, 83, 48, SHEET, 305, 11},
    {&g_imgAnimePane, "animepane.pcx", 479, 70, SHEET},
    {&g_imgClosingBackdrop, "ar.pcx", 500, 254, SHEET},
    {&g_imgModeBar, "modebar.pcx", 200, 150, SHEET},
    {&g_imgModeButton[0], nullptr, 56, 116, SHEET, 0, 34},
    {&g_imgModeButton[1], nullptr, 56, 116, SHEET, 56, 34},
    {&g_imgModeButton[2], nullptr, 56, 116, SHEET, 112, 34},
    {&g_imgTopToolBar, "WTOOLBAR.pcx", 600, 30, SHEET},
    {&g_imgRightToolBar, "RTOOLBAR.pcx", 200, 30, PICTURE},
    {&g_imgRightToolBarDown, "RTOOLBAR1.pcx", 200, 30, PICTURE},
    {&g_state.closing.closingFigures[0], "m1.pcx", 300, 40, PICTURE},
    {&g_state.closing.closingFigures[1], "m2.pcx", 300, 40, PICTURE},
    {&g_state.closing.closingFigures[2], "m3.pcx", 300, 40, PICTURE},
};
const int SKIN_PICTURE_COUNT = static_cast<int>(sizeof SKIN_PICTURES / sizeof SKIN_PICTURES[0]);

namespace {

void Free(CPixmap*& image) {
    delete image;
    image = nullptr;
}

}  // namespace

void ReleaseSkin() {
    for (const SkinPicture& skin : SKIN_PICTURES) Free(*skin.picture);
    for (CPixmap** image : {&g_imgLogo, &g_cellPixmap, &g_previewPixmap, &g_workingImage,
                            &g_clipboardPixmap, &g_swapPixmap})
        Free(*image);
}
