#include "state/editor_state.h"

#include <algorithm>

#include "display/ddraw.h"

uintptr_t g_hWnd = 0;
CDDraw g_screen;
uint8_t g_bActive = 1;
uint16_t g_screenBuf[SCREEN_WIDTH * SCREEN_HEIGHT];
uint16_t g_sheet[SHEET_WIDTH * SHEET_HEIGHT];
uint16_t* g_pictureBuf = nullptr;
uint16_t* g_singleBuf = nullptr;
platform::Point g_cursor;

EditorState g_state;

void ResetEditorStateOnly() {
    g_hWnd = 0;
    g_bActive = 1;
    std::fill(std::begin(g_screenBuf), std::end(g_screenBuf), 0);
    std::fill(std::begin(g_sheet), std::end(g_sheet), 0);
    g_cursor = {};
    g_state = EditorState{};
}
