#pragma once
// The editor's whole working state. Every handler reads and writes these
// program-wide variables directly from the one thread; ResetEditorState puts
// every one of them back to its start-up value (tests call it between stories).

#include <cstdint>

#include "display/blocks.h"
#include "platform/platform.h"

class CDDraw;
class CPixmap;

enum WorkMode : int { MODE_PLACE = 1, MODE_EDIT = 2, MODE_ANIMATE = 3 };
enum Phase : int { PHASE_EDITING = 0, PHASE_FROZEN = 1, PHASE_CLOSING = 3 };

// The preview's error notice.
enum PreviewError : int {
    PREVIEW_RANGE_SEEN = 0,
    PREVIEW_NOTHING_SEEN = 1,
    PREVIEW_NOTICE_SHOWING = 3
};

constexpr int DIRECTION_COUNT = 9;

struct DirectionRange {
    int state = 0;
    int firstCell = 0;
    int lastCell = 0;
};

// Window, display and buffers
extern uintptr_t g_hWnd;  // non-zero once the main window exists
extern CDDraw g_screen;
extern uint8_t g_bActive;
extern uint16_t g_screenBuf[SCREEN_WIDTH * SCREEN_HEIGHT];
extern uint16_t g_sheet[SHEET_WIDTH * SHEET_HEIGHT];
extern uint16_t* g_pictureBuf;
extern uint16_t* g_singleBuf;
extern platform::Point g_cursor;

// Work mode and phase
extern int g_workMode;
extern int g_phase;
extern int g_freezeRequested;
extern int g_freezeStep;

// Sprite geometry and the sheet
extern int g_spriteWidth;
extern int g_spriteHeight;
extern int g_sheetColumns;
extern int g_cellX;
extern int g_cellY;
extern int g_cellRight;
extern int g_cellBottom;
extern int g_sheetHasRoom;
extern int g_placedCount;

// Panes and scrolling
extern int g_focusPane;
extern int g_carrying;
extern int g_openPictureRequest;
extern int g_sheetScrollX;
extern int g_sheetScrollY;
extern int g_pictureScrollX;
extern int g_pictureScrollY;

// Directions and preview; the nine entries run No Direction, Left, Right, Up,
// Down, LeftUp, LeftDown, RightUp, RightDown.
extern int g_direction;
extern DirectionRange g_directionRanges[DIRECTION_COUNT];
extern int g_directionCount[DIRECTION_COUNT];
extern int g_cellIndex;
extern int g_directionPick;
extern int g_previewOpen;
extern int g_previewX;
extern int g_previewY;
extern int g_previewDelay;
extern int g_previewStep;
extern int g_previewDirection;
extern int g_previewError;

// Edit-mode tools
extern uint32_t g_keyColour;
extern int g_colourPickOn;
extern int g_singleState;
extern CPixmap* g_singleImage;
extern int g_clipboardOpen;
extern int g_clipboardState;
extern int g_clipboardCell;
extern int g_clipboardX;  // sheet position of the stored cell
extern int g_clipboardY;

// Closing screen
extern int g_closingTicks;
extern int g_closingStep;
extern int g_closingFigure;
extern CPixmap* g_closingFigures[3];
extern int g_closingFigureX[3];
extern int g_closingFigureY[3];
extern int g_closingJitterX[10];
extern int g_closingJitterY[10];
extern int g_fadeLevel[3];

// Music
struct AudioSettings {
    uint32_t first;
    uint16_t second;
    uint16_t sampleRate;
};
static_assert(sizeof(AudioSettings) == 8, "the audio settings record is 8 bytes");
extern AudioSettings g_audioSettings;
extern void* g_musicModule;

// Puts every variable above back to its start-up value. Buffers are cleared;
// pictures the state owns are not released here (their owners do that).
void ResetEditorState();
