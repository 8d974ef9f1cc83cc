#include "shell/frame.h"

#include <cstring>

#include "display/ddraw.h"
#include "display/pixmap.h"
#include "shell/music.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "workbench/animate_mode.h"
#include "workbench/directions.h"
#include "workbench/freeze.h"
#include "workbench/input.h"
#include "workbench/mode_tools.h"
#include "workbench/placement.h"
#include "workbench/single_sprite.h"
#include "workbench/sprite_save.h"

using platform::BoxAnswer;
using platform::BoxButtons;

namespace {

constexpr uint16_t SINGLE_WINDOW_SHADOW = 365;
constexpr uint16_t SINGLE_WINDOW_FACE = 12;

bool LeftButtonOn(int left, int top, int right, int bottom) {
    return KeyActive(platform::kKeyLeftButton) && Hit(g_cursor, left, top, right, bottom);
}

void ShowBox(const char* text, const char* caption) {
    platform::Current().MessageBox(text, caption, BoxButtons::Ok);
}

void PostQuit() {
    platform::Current().PostMessage(platform::Message{platform::MessageKind::Quit, 0, 0});
}

// The back surface's rows are exactly 1600 bytes apart, so the composed
// buffer goes in as one block.
void CopyScreenToBack() {
    CSurface* back = g_screen.GetBackSurface();
    if (!back) return;
    uint16_t* pixels = back->Lock();
    if (pixels) std::memcpy(pixels, g_screenBuf, sizeof g_screenBuf);
    back->Unlock();
}

void DrawToolBars() {
    g_imgRightToolBar->Put(g_screenBuf, 600, 0);
    if (g_openPictureRequest == 1) g_imgRightToolBarDown->Put(g_screenBuf, 600, 0);
    g_imgTopToolBar->Put(g_screenBuf, 0, 0);
    g_imgBottomBar->Put(g_screenBuf, 0, 530);
}

void CheckSheetRoom() {
    if (g_cellY + 2 * g_spriteHeight > SHEET_HEIGHT - 2 * g_spriteHeight) {
        if (g_workMode == MODE_PLACE) g_imgSheetFull->Put(g_screenBuf, 200, 200);
        g_sheetHasRoom = 0;
    }
}

void PlaceModeButtons() {
    if (KeyActive(platform::kKeyLeftButton)) {
        if (Hit(g_cursor, 249, 534, 386, 568)) {
            const BoxAnswer answer = platform::Current().MessageBox(
                "FREEZE 를 정말 실행할까요?,이후 재편집은 불가능 합니다", "동작을 확인합니다",
                BoxButtons::OkCancel);
            if (answer != BoxAnswer::Cancel) g_freezeRequested = 1;
        }
        if (Hit(g_cursor, 4, 0, 200, 32)) {
            if (g_phase == PHASE_EDITING)
                ShowBox("Freeze를 하지 않으면 저장할수 없습니다", "Fuck you!");
            else if (g_phase == PHASE_FROZEN && SaveAnimationSprite())
                PlayClosingMusic();
        }
    }
    if (g_freezeRequested == 1) FreezeTick();
}

void SingleSpriteWindow() {
    g_imgSMaker->Put(g_screenBuf, 453, 510);
    if (LeftButtonOn(453, 510, 600, 543)) g_singleState = 1;
    if (g_singleState != 1) return;
    FillRect(g_screenBuf, SCREEN_WIDTH, 55, 54, 695, 534, SINGLE_WINDOW_SHADOW);
    FillRect(g_screenBuf, SCREEN_WIDTH, 50, 49, 690, 529, SINGLE_WINDOW_FACE);
    g_imgSingleTitle->Put(g_screenBuf, 50, 20);
    if (LeftButtonOn(70, 24, 106, 43))
        ShowBox("싱글 스프라이트 전용 에디터(작업대 크기 640 X 480)", "알림");
    if (LeftButtonOn(155, 24, 270, 48)) g_singleState = 2;
    if (LeftButtonOn(657, 29, 682, 42)) g_singleState = 0;
}

// Returns false when the clipboard toggle ends the frame early.
bool EditModeTools() {
    SingleSpriteWindow();
    if (g_singleImage && LeftButtonOn(317, 24, 425, 43)) g_singleState = 3;
    if (LeftButtonOn(614, 41, 725, 72)) g_clipboardOpen = 1;
    if (g_clipboardOpen == 1) g_imgClipboard->Put(g_screenBuf, 600, 0);
    if (g_clipboardState == 1 || g_clipboardState == 2)
        g_imgCheck->PutKeyed(g_screenBuf, SCREEN_WIDTH, 630, 220);
    if (g_clipboardOpen == 1) {
        if (LeftButtonOn(624, 242, 693, 266)) {
            if (g_clipboardState == 1 || g_clipboardState == 2) {
                g_clipboardState = 0;
                return false;
            }
            g_clipboardState = 1;
        }
        if (LeftButtonOn(763, 44, 794, 74)) g_clipboardOpen = 0;
    }
    if (g_clipboardOpen == 0) {
        g_clipboardState = 0;
        SingleSpriteCommand();
        if (g_singleState != 0) ShowSinglePicture();
        ColourPickerTick();
    }
    if (g_clipboardState == 1 || g_clipboardState == 2) ClipboardExchangeTick();
    return true;
}

void ClosingScreen() {
    ++g_closingTicks;
    FadeTick();
    if (g_closingTicks > 20) {
        g_imgClosingBackdrop->Put(g_screenBuf, 140, 150);
        if (g_closingStep > 9) {
            g_closingStep = 0;
            if (++g_closingFigure > 2) g_closingFigure = 0;
        }
        const int figure = g_closingFigure;
        const int step = g_closingStep;
        g_closingFigures[figure]->PutKeyed(g_screenBuf, SCREEN_WIDTH,
                                           g_closingFigureX[figure] + g_closingJitterX[step],
                                           g_closingFigureY[figure] + g_closingJitterY[step]);
        if (KeyActive(platform::kKeyLeftButton)) PostQuit();
        ++g_closingStep;
    }
    if (g_closingTicks > 1000) PostQuit();
}

}  // namespace

void ComposeWorkbench() {
    RefreshCursor();
    DrawToolBars();
    CheckSheetRoom();
    if (KeyActive(platform::kKeyLeftButton)) PlaceWorkingImage();
    if (g_carrying == 1 && g_workMode == MODE_PLACE) {
        DrawCarried(g_spriteWidth, g_spriteHeight);
        if (KeyActive(platform::kKeyLeftButton)) PlaceWorkingImage();
    }
    KeyColourPaneTick();
    AnimateModeTick();
    if (g_placedCount != 0) ModeBarTick();
    RefreshCursor();
    if (g_workMode == MODE_PLACE) PlaceModeButtons();
    if (g_workMode == MODE_EDIT && !EditModeTools()) return;
    if (g_phase == PHASE_CLOSING) ClosingScreen();
    CopyScreenToBack();
}

void UpdateFrame() {
    if (g_phase != PHASE_CLOSING) {
        RefreshCursor();
        if (g_openPictureRequest == 1) OpenNextPicture();
        PollScrollKeys(g_focusPane);
        RefreshCursor();
        if (g_workMode == MODE_PLACE) PollOpenPictureButton();
        DrawSheetPane();
        DrawPicturePane();
    }
    ComposeWorkbench();
    if (g_phase != PHASE_CLOSING) SelectFocusPane();
    g_screen.Present();
}
