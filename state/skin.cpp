#include "state/skin.h"

#include "display/pixmap.h"
#include "state/editor_state.h"

Skin g_skin;
SpritePictures g_spritePictures;

namespace {
constexpr SkinBuffer SHEET = SkinBuffer::Sheet;
constexpr SkinBuffer PICTURE = SkinBuffer::Picture;
}  // namespace

const SkinPicture SKIN_PICTURES[] = {
    {&g_skin.tvError, "tv_error.pcx", 300, 200, SHEET},
    {&g_skin.sheetFull, "eow.pcx", 200, 50, SHEET},
    {&g_skin.singleTitle, "single.pcx", 640, 29, SHEET},
    {&g_skin.tv, "tv.pcx", 200, 200, SHEET},
    {&g_skin.delay, "delay.pcx", 49, 41, SHEET},
    {&g_skin.editBar, "editbar.pcx", 200, 400, SHEET},
    {&g_skin.editBar2, "editbar2.pcx", 200, 177, SHEET},
    {&g_skin.clipboard, "clipboard.pcx", 200, 390, SHEET},
    // The arrow strip, cut in the order of Skin::arrow.
    {&g_skin.arrow[0], "arrow.pcx", 20, 20, SHEET, 170, 0},
    {&g_skin.arrow[1], nullptr, 20, 20, SHEET, 40, 0},
    {&g_skin.arrow[2], nullptr, 20, 20, SHEET, 20, 0},
    {&g_skin.arrow[3], nullptr, 20, 20, SHEET, 0, 0},
    {&g_skin.arrow[4], nullptr, 20, 20, SHEET, 60, 0},
    {&g_skin.arrow[5], nullptr, 23, 20, SHEET, 80, 0},
    {&g_skin.arrow[6], nullptr, 23, 20, SHEET, 120, 0},
    {&g_skin.arrow[7], nullptr, 23, 20, SHEET, 100, 0},
    {&g_skin.arrow[8], nullptr, 23, 20, SHEET, 140, 0},
    {&g_skin.sMaker, "smaker.pcx", 143, 33, SHEET},
    {&g_skin.check, "check.pcx", 43, 41, SHEET},
    {&g_skin.digits, "digits.pcx", DIGIT_WIDTH * 10, DIGIT_HEIGHT, SHEET},
    {&g_skin.freezeBackdrop, nullptr, 400, 100, SHEET, 0, 0, true},
    {&g_skin.bottomBar, "bottombar.pcx", 800, 70, SHEET},
    {&g_skin.freezeBox, "freezbox.pcx", 350, 100, SHEET},
    {&g_skin.frozen, "freezed.pcx", 600, 470, SHEET},
    {&g_skin.keyColourPane, "keycolor.pcx", 479, 70, SHEET},
    {&g_skin.pickerOn, nullptr, 83, 48, SHEET, 305, 11},
    {&g_skin.animePane, "animepane.pcx", 479, 70, SHEET},
    {&g_skin.closingBackdrop, "ar.pcx", 500, 254, SHEET},
    {&g_skin.modeBar, "modebar.pcx", 200, 150, SHEET},
    {&g_skin.modeButton[0], nullptr, 56, 116, SHEET, 0, 34},
    {&g_skin.modeButton[1], nullptr, 56, 116, SHEET, 56, 34},
    {&g_skin.modeButton[2], nullptr, 56, 116, SHEET, 112, 34},
    {&g_skin.topToolBar, "WTOOLBAR.pcx", 600, 30, SHEET},
    {&g_skin.rightToolBar, "RTOOLBAR.pcx", 200, 30, PICTURE},
    {&g_skin.rightToolBarDown, "RTOOLBAR1.pcx", 200, 30, PICTURE},
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
    for (CPixmap** image :
         {&g_skin.logo, &g_spritePictures.cell, &g_spritePictures.preview,
          &g_spritePictures.working, &g_spritePictures.clipboard, &g_spritePictures.swap})
        Free(*image);
}
