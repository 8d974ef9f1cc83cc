#include "workbench/mode_tools.h"

#include <algorithm>

#include "display/pixmap.h"
#include "state/skin.h"
#include "state/work.h"
#include "workbench/directions.h"
#include "workbench/input.h"
#include "workbench/work_guard.h"

using platform::BeepKind;
using platform::BoxAnswer;
using platform::BoxButtons;
using platform::Point;

const char* const CLIPBOARD_STORE_QUESTION = " 이 스프라이트를  선택하시겠습니까?";
const char* const CLIPBOARD_EXCHANGED = "교환 되었습니다";
const char* const CLIPBOARD_SELECT_CAPTION = "선택";
const char* const CLIPBOARD_CONFIRM_CAPTION = "확인";

std::string ClipboardStoredText(int cell) {
    return "선택하신 ( " + std::to_string(cell) + " )번째 스프라이트가 클립보드에 저장되었습니다.";
}

std::string ClipboardExchangeQuestion(int cell) {
    return "지금 선택하신 스프라이트와 ( " + std::to_string(cell) +
           " )번째 스프라이트가 교환 됩니다 ";
}

namespace {

struct ModeButton {
    WorkMode mode;
    Area area;
    Point highlightAt;
};

constexpr ModeButton MODE_BUTTONS[3] = {
    {MODE_PLACE, {601, 655, 416, 530}, {600, 414}},
    {MODE_EDIT, {657, 711, 416, 530}, {656, 414}},
    {MODE_ANIMATE, {713, 767, 416, 530}, {712, 414}},
};

constexpr Area SWATCH = {52, 118, 540, 588};
constexpr Area SWATCH_BUTTON = {53, 118, 541, 588};
constexpr Area PICKER_BUTTON = {312, 389, 541, 587};
constexpr Area PICK_AREA = {1, 599, 31, 499};  // the sheet pane, the clipboard's area too
constexpr int TINT_GREEN = 2;

bool On(const Point& point, const Area& a) {
    return HitArea(point, a.x0, a.x1, a.y0, a.y1);
}

platform::Platform& Machine() {
    return platform::Current();
}

void StoreClipboardCell(int index) {
    Machine().Beep(BeepKind::Question);
    if (Machine().MessageBox(CLIPBOARD_STORE_QUESTION, CLIPBOARD_SELECT_CAPTION,
                             BoxButtons::YesNo) != BoxAnswer::Yes)
        return;
    g_state.edit.clipboardCell = index;
    const Point origin = CellOrigin(index);
    g_state.edit.clipboardX = origin.x;
    g_state.edit.clipboardY = origin.y;
    g_spritePictures.clipboard->GrabSheet(g_sheet, origin.x, origin.y);
    Machine().MessageBox(ClipboardStoredText(index), CLIPBOARD_CONFIRM_CAPTION, BoxButtons::Ok);
    Machine().Beep(BeepKind::Default);
    g_state.edit.clipboardState = CLIPBOARD_AWAIT_EXCHANGE;
}

// The second cell receives the copy taken when the first was stored, not a
// fresh copy of the first cell.
void ExchangeWithClipboard(int index) {
    if (Machine().MessageBox(ClipboardExchangeQuestion(g_state.edit.clipboardCell),
                             CLIPBOARD_SELECT_CAPTION, BoxButtons::YesNo) != BoxAnswer::Yes)
        return;
    Machine().Beep(BeepKind::Default);
    Machine().MessageBox(CLIPBOARD_EXCHANGED, CLIPBOARD_CONFIRM_CAPTION, BoxButtons::Ok);
    const int stored = g_state.edit.clipboardCell - 1;
    const int cell = index - 1;
    const CPixmap& copy = *g_spritePictures.clipboard;
    const std::string storedName = CellName(stored);
    const std::string cellName = CellName(cell);
    Change change;
    change.kind = ChangeKind::ExchangeCells;
    change.cells.push_back({stored, CellPixels(stored), CellPixels(cell), storedName, cellName});
    // Exchanged with itself, the cell's second edit starts from its first.
    change.cells.push_back({cell,
                            change.cells[0].after,
                            {copy.GetBits(), copy.GetBits() + copy.Width() * copy.Height()},
                            cellName,
                            storedName});
    if (cell != stored) change.cells[1].before = CellPixels(cell);
    if (change.cells[0].before != change.cells[0].after || storedName != cellName)
        g_changeLog.Do(std::move(change));
    g_state.edit.clipboardState = CLIPBOARD_AWAIT_STORE;
}

// One press dragged over the sheet is one pick, whatever colours it passed
// over: the key follows the cursor and the change is logged once the press
// ends, only when the key differs from where it started.
struct KeyStroke {
    bool on = false;
    uint32_t before = 0;
};
KeyStroke g_stroke;

void PickKeyColour(uint32_t colour) {
    if (!g_stroke.on) g_stroke = {true, g_state.edit.keyColour};
    if (colour == g_state.edit.keyColour) return;
    g_state.edit.keyColour = colour;
    g_changeLog.Dirt().work = true;
}

}  // namespace

void ModeBarTick() {
    if (g_state.edit.workMode != MODE_PLACE) g_skin.editBar->Put(g_screenBuf, 600, 0);
    if (g_state.edit.workMode == MODE_EDIT) g_skin.editBar2->Put(g_screenBuf, 600, 0);
    g_skin.modeBar->Put(g_screenBuf, 600, 380);
    for (int i = 0; i < 3; ++i) {
        const ModeButton& b = MODE_BUTTONS[i];
        if (b.mode == g_state.edit.workMode)
            g_skin.modeButton[i]->PutTinted(g_screenBuf, SCREEN_WIDTH, b.highlightAt.x,
                                            b.highlightAt.y, TINT_GREEN);
    }
    if (!KeyDown(platform::kKeyLeftButton)) return;
    for (const ModeButton& b : MODE_BUTTONS)
        if (On(g_cursor, b.area)) g_state.edit.workMode = b.mode;
}

void KeyColourPaneTick() {
    if (g_state.edit.workMode != MODE_EDIT) return;
    g_skin.keyColourPane->Put(g_screenBuf, 0, 530);
    FillRectClipped(g_screenBuf, SCREEN_WIDTH, SWATCH.x0, SWATCH.y0, SWATCH.x1 + 1, SWATCH.y1 + 1,
                    static_cast<uint16_t>(g_state.edit.keyColour));
    if (KeyDown(platform::kKeyLeftButton) && On(g_cursor, SWATCH_BUTTON))
        Machine().MessageBox(std::to_string(static_cast<int>(g_state.edit.keyColour)),
                             "It's Color : ", BoxButtons::Ok);
}

void ColourPickerTick() {
    RefreshCursor();
    if (KeyActive(platform::kKeyLeftButton) && On(g_cursor, PICKER_BUTTON)) {
        if (g_state.edit.colourPickOn == 1) {
            g_state.edit.colourPickOn = 0;
            FinishKeyPick();
            return;
        }
        g_state.edit.colourPickOn = 1;
    }
    if (g_state.edit.colourPickOn != 1) {
        FinishKeyPick();
        return;
    }
    g_skin.pickerOn->PutTinted(g_screenBuf, SCREEN_WIDTH, 305, 541, TINT_GREEN);
    const Point cursor = RefreshCursor();
    const bool picking = KeyActive(platform::kKeyLeftButton) && On(cursor, PICK_AREA);
    if (!picking) {
        FinishKeyPick();
        return;
    }
    if (!WorkCanChange()) {
        if (PressedThisTick(platform::kKeyLeftButton)) RefusedWhileFrozen();
        return;
    }
    PickKeyColour(GetPixel(g_screenBuf, SCREEN_WIDTH, cursor.x, cursor.y));
}

void FinishKeyPick() {
    if (!g_stroke.on) return;
    g_stroke.on = false;
    const uint32_t after = g_state.edit.keyColour;
    if (after == g_stroke.before) return;
    g_state.edit.keyColour = g_stroke.before;
    Change change;
    change.kind = ChangeKind::PickKeyColour;
    change.keyBefore = g_stroke.before;
    change.keyAfter = after;
    g_changeLog.Do(std::move(change));
}

// A click on a cell below the sheet's last full row names no frame and is
// not taken.
void ClipboardExchangeTick() {
    if (!KeyActive(platform::kKeyLeftButton) || !On(g_cursor, PICK_AREA)) return;
    const int index = CellIndexAt(g_cursor.x, g_cursor.y);
    if (!CellFitsSheet(index)) return;
    if (!WorkCanChange()) {
        if (PressedThisTick(platform::kKeyLeftButton)) RefusedWhileFrozen();
        return;
    }
    if (g_state.edit.clipboardState == CLIPBOARD_AWAIT_STORE) {
        StoreClipboardCell(index);
        return;
    }
    if (g_state.edit.clipboardState == CLIPBOARD_AWAIT_EXCHANGE) ExchangeWithClipboard(index);
}

// The window shows the picture from its second row on; the picture has no row
// for the last of the window's 480 rows, which shows black.
void ShowSinglePicture() {
    if (!g_state.edit.singleImage) return;
    constexpr int left = 50;
    constexpr int top = 49;
    for (int row = 1; row < PICTURE_HEIGHT; ++row)
        std::copy_n(g_singleBuf + row * PICTURE_WIDTH, PICTURE_WIDTH,
                    g_screenBuf + (top + row - 1) * SCREEN_WIDTH + left);
    FillRect(g_screenBuf, SCREEN_WIDTH, left, top + PICTURE_HEIGHT - 1, left + PICTURE_WIDTH,
             top + PICTURE_HEIGHT, 0);
}
