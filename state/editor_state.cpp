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

int g_workMode = MODE_PLACE;
int g_phase = PHASE_EDITING;
int g_freezeRequested = 0;
int g_freezeStep = 0;

int g_spriteWidth = 0;
int g_spriteHeight = 0;
int g_sheetColumns = 0;
int g_cellX = 0;
int g_cellY = 0;
int g_cellRight = 0;
int g_cellBottom = 0;
int g_sheetHasRoom = 1;
int g_placedCount = 0;

int g_focusPane = 0;
int g_carrying = 0;
int g_openPictureRequest = 0;
int g_sheetScrollX = 0;
int g_sheetScrollY = 0;
int g_pictureScrollX = 0;
int g_pictureScrollY = 0;

int g_direction = 0;
DirectionRange g_directionRanges[DIRECTION_COUNT];
int g_directionCount[DIRECTION_COUNT] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
int g_cellIndex = 1;
int g_directionPick = 0;
int g_previewOpen = 0;
int g_previewX = 100;
int g_previewY = 120;
int g_previewDelay = 100;
int g_previewStep = 1;
int g_previewDirection = 0;
int g_previewError = 1;

uint32_t g_keyColour = 0;
int g_colourPickOn = 0;
int g_singleState = 0;
CPixmap* g_singleImage = nullptr;
int g_clipboardOpen = 0;
int g_clipboardState = 0;
int g_clipboardCell = 0;
int g_clipboardX = 0;
int g_clipboardY = 0;

int g_closingTicks = 0;
int g_closingStep = 0;
int g_closingFigure = 0;
CPixmap* g_closingFigures[3] = {};
int g_closingFigureX[3] = {};
int g_closingFigureY[3] = {};
int g_closingJitterX[10] = {};
int g_closingJitterY[10] = {};
int g_fadeLevel[3] = {2, 2, 2};

AudioSettings g_audioSettings = {};
void* g_musicModule = nullptr;

void ResetEditorState() {
    g_hWnd = 0;
    g_bActive = 1;
    std::fill(std::begin(g_screenBuf), std::end(g_screenBuf), 0);
    std::fill(std::begin(g_sheet), std::end(g_sheet), 0);
    g_cursor = {};

    g_workMode = MODE_PLACE;
    g_phase = PHASE_EDITING;
    g_freezeRequested = 0;
    g_freezeStep = 0;

    g_spriteWidth = g_spriteHeight = g_sheetColumns = 0;
    g_cellX = g_cellY = g_cellRight = g_cellBottom = 0;
    g_sheetHasRoom = 1;
    g_placedCount = 0;

    g_focusPane = g_carrying = g_openPictureRequest = 0;
    g_sheetScrollX = g_sheetScrollY = g_pictureScrollX = g_pictureScrollY = 0;

    g_direction = 0;
    std::fill(std::begin(g_directionRanges), std::end(g_directionRanges), DirectionRange{});
    std::fill(std::begin(g_directionCount), std::end(g_directionCount), 1);
    g_cellIndex = 1;
    g_directionPick = 0;
    g_previewOpen = 0;
    g_previewX = 100;
    g_previewY = 120;
    g_previewDelay = 100;
    g_previewStep = 1;
    g_previewDirection = 0;
    g_previewError = 1;

    g_keyColour = 0;
    g_colourPickOn = 0;
    g_singleState = 0;
    g_singleImage = nullptr;
    g_clipboardOpen = g_clipboardState = g_clipboardCell = 0;
    g_clipboardX = g_clipboardY = 0;

    g_closingTicks = g_closingStep = g_closingFigure = 0;
    std::fill(std::begin(g_closingFigures), std::end(g_closingFigures), nullptr);
    std::fill(std::begin(g_closingFigureX), std::end(g_closingFigureX), 0);
    std::fill(std::begin(g_closingFigureY), std::end(g_closingFigureY), 0);
    std::fill(std::begin(g_closingJitterX), std::end(g_closingJitterX), 0);
    std::fill(std::begin(g_closingJitterY), std::end(g_closingJitterY), 0);
    std::fill(std::begin(g_fadeLevel), std::end(g_fadeLevel), 2);

    g_audioSettings = {};
    g_musicModule = nullptr;
}
