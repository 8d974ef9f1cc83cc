#include "shell/frame.h"

#include <cstring>
#include <utility>

#include "display/ddraw.h"
#include "display/pixmap.h"
#include "session/session_hooks.h"
#include "shell/music.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "workbench/animate_mode.h"
#include "workbench/directions.h"
#include "workbench/freeze.h"
#include "workbench/input.h"
#include "workbench/mode_tools.h"
#include "workbench/open_flow.h"
#include "workbench/placement.h"
#include "workbench/single_sprite.h"
#include "workbench/sprite_save.h"

using platform::BoxAnswer;
using platform::BoxButtons;

namespace {

constexpr uint16_t SINGLE_WINDOW_SHADOW = 365;
constexpr uint16_t SINGLE_WINDOW_FACE = 12;

// The frame's buttons; a click counts strictly inside the edges.
constexpr HitBox FREEZE_BUTTON{249, 534, 386, 568};
constexpr HitBox SAVE_BUTTON{4, 0, 200, 32};
constexpr HitBox SINGLE_MAKER_BUTTON{453, 510, 600, 543};
constexpr HitBox SINGLE_HELP_BUTTON{70, 24, 106, 43};
constexpr HitBox SINGLE_OPEN_BUTTON{155, 24, 270, 48};
constexpr HitBox SINGLE_CLOSE_BUTTON{657, 29, 682, 42};
constexpr HitBox SINGLE_SAVE_BUTTON{317, 24, 425, 43};
constexpr HitBox CLIPBOARD_OPEN_BUTTON{614, 41, 725, 72};
constexpr HitBox CLIPBOARD_TOGGLE{624, 242, 693, 266};
constexpr HitBox CLIPBOARD_CLOSE_BUTTON{763, 44, 794, 74};

bool LeftButtonOn(const HitBox& box) {
    return KeyActive(platform::kKeyLeftButton) && Hit(g_cursor, box);
}

void ShowBox(const char* text, const char* caption) {
    platform::Current().MessageBox(text, caption, BoxButtons::Ok);
}

bool ClipboardBusy() {
    const ClipboardState state = g_state.edit.clipboardState;
    return state == CLIPBOARD_AWAIT_STORE || state == CLIPBOARD_AWAIT_EXCHANGE;
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
    g_skin.rightToolBar->Put(g_screenBuf, 600, 0);
    if (g_state.panes.openPictureRequest == 1) g_skin.rightToolBarDown->Put(g_screenBuf, 600, 0);
    g_skin.topToolBar->Put(g_screenBuf, 0, 0);
    g_skin.bottomBar->Put(g_screenBuf, 0, 530);
}

void CheckSheetRoom() {
    if (!RowHasRoom(g_state.sheet.cellY)) {
        if (g_state.edit.workMode == MODE_PLACE) g_skin.sheetFull->Put(g_screenBuf, 200, 200);
        g_state.sheet.sheetHasRoom = 0;
    }
}

void PlaceModeButtons() {
    if (KeyActive(platform::kKeyLeftButton)) {
        if (Hit(g_cursor, FREEZE_BUTTON)) {
            const BoxAnswer answer = platform::Current().MessageBox(
                "FREEZE 를 정말 실행할까요?,이후 재편집은 불가능 합니다", "동작을 확인합니다",
                BoxButtons::OkCancel);
            if (answer != BoxAnswer::Cancel) g_state.freeze.freezeRequested = 1;
        }
        if (Hit(g_cursor, SAVE_BUTTON)) {
            if (g_state.freeze.phase == PHASE_EDITING)
                ShowBox("Freeze를 하지 않으면 저장할수 없습니다", "Fuck you!");
            else if (g_state.freeze.phase == PHASE_FROZEN && SaveAnimationSprite()) {
                EndSessionSaved();
                PlayClosingMusic();
            }
        }
    }
    if (g_state.freeze.freezeRequested == 1) FreezeTick();
}

void SingleSpriteWindow() {
    g_skin.sMaker->Put(g_screenBuf, 453, 510);
    if (LeftButtonOn(SINGLE_MAKER_BUTTON)) g_state.edit.singleState = SINGLE_OPEN;
    if (g_state.edit.singleState != SINGLE_OPEN) return;
    FillRect(g_screenBuf, SCREEN_WIDTH, 55, 54, 695, 534, SINGLE_WINDOW_SHADOW);
    FillRect(g_screenBuf, SCREEN_WIDTH, 50, 49, 690, 529, SINGLE_WINDOW_FACE);
    g_skin.singleTitle->Put(g_screenBuf, 50, 20);
    if (LeftButtonOn(SINGLE_HELP_BUTTON))
        ShowBox("싱글 스프라이트 전용 에디터(작업대 크기 640 X 480)", "알림");
    if (LeftButtonOn(SINGLE_OPEN_BUTTON)) g_state.edit.singleState = SINGLE_IMPORT;
    if (LeftButtonOn(SINGLE_CLOSE_BUTTON)) g_state.edit.singleState = SINGLE_CLOSED;
}

// Returns false when the clipboard toggle ends the frame early.
bool EditModeTools() {
    SingleSpriteWindow();
    if (g_state.edit.singleImage && LeftButtonOn(SINGLE_SAVE_BUTTON))
        g_state.edit.singleState = SINGLE_SAVE;
    if (LeftButtonOn(CLIPBOARD_OPEN_BUTTON)) g_state.edit.clipboardOpen = 1;
    if (g_state.edit.clipboardOpen == 1) g_skin.clipboard->Put(g_screenBuf, 600, 0);
    if (ClipboardBusy()) g_skin.check->PutKeyed(g_screenBuf, SCREEN_WIDTH, 630, 220);
    if (g_state.edit.clipboardOpen == 1) {
        if (LeftButtonOn(CLIPBOARD_TOGGLE)) {
            if (ClipboardBusy()) {
                g_state.edit.clipboardState = CLIPBOARD_IDLE;
                return false;
            }
            g_state.edit.clipboardState = CLIPBOARD_AWAIT_STORE;
        }
        if (LeftButtonOn(CLIPBOARD_CLOSE_BUTTON)) g_state.edit.clipboardOpen = 0;
    }
    if (g_state.edit.clipboardOpen == 0) {
        g_state.edit.clipboardState = CLIPBOARD_IDLE;
        SingleSpriteCommand();
        if (g_state.edit.singleState != SINGLE_CLOSED) ShowSinglePicture();
        ColourPickerTick();
    }
    if (ClipboardBusy()) ClipboardExchangeTick();
    return true;
}

void ClosingScreen() {
    ++g_state.closing.closingTicks;
    FadeTick();
    if (g_state.closing.closingTicks > 20) {
        g_skin.closingBackdrop->Put(g_screenBuf, 140, 150);
        if (g_state.closing.closingStep > 9) {
            g_state.closing.closingStep = 0;
            if (++g_state.closing.closingFigure > 2) g_state.closing.closingFigure = 0;
        }
        const int figure = g_state.closing.closingFigure;
        const int step = g_state.closing.closingStep;
        g_state.closing.closingFigures[figure]->PutKeyed(
            g_screenBuf, SCREEN_WIDTH,
            g_state.closing.closingFigureX[figure] + g_state.closing.closingJitterX[step],
            g_state.closing.closingFigureY[figure] + g_state.closing.closingJitterY[step]);
        if (KeyActive(platform::kKeyLeftButton)) PostQuit();
        ++g_state.closing.closingStep;
    }
    if (g_state.closing.closingTicks > 1000) PostQuit();
}

}  // namespace

void ComposeWorkbench() {
    RefreshCursor();
    DrawToolBars();
    CheckSheetRoom();
    if (KeyActive(platform::kKeyLeftButton)) PlaceWorkingImage();
    if (g_state.panes.carrying == 1 && g_state.edit.workMode == MODE_PLACE) {
        DrawCarried(g_state.sheet.spriteWidth, g_state.sheet.spriteHeight);
        if (KeyActive(platform::kKeyLeftButton)) PlaceWorkingImage();
    }
    KeyColourPaneTick();
    AnimateModeTick();
    if (g_state.sheet.placedCount != 0) ModeBarTick();
    RefreshCursor();
    if (g_state.edit.workMode == MODE_PLACE) PlaceModeButtons();
    if (g_state.edit.workMode == MODE_EDIT && !EditModeTools()) return;
    if (g_state.freeze.phase == PHASE_CLOSING) ClosingScreen();
    CopyScreenToBack();
}

void UpdateFrame() {
    BeginInputTick();
    if (g_state.freeze.phase != PHASE_CLOSING) {
        OpenDroppedFiles();
        RefreshCursor();
        if (g_state.panes.openPictureRequest == 1) OpenNextPicture();
        PollScrollKeys(g_state.panes.focusPane);
        RefreshCursor();
        if (g_state.edit.workMode == MODE_PLACE) PollOpenPictureButton();
        DrawSheetPane();
        DrawPicturePane();
    }
    ComposeWorkbench();
    if (g_state.freeze.phase != PHASE_CLOSING) SelectFocusPane();
    NoteViewChanges();
    // Stored before it is shown: a kill after this frame loses nothing seen.
    SessionTick(std::exchange(g_state.panes.pictureChanged, false));
    g_screen.Present();
}
