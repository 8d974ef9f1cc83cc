#pragma once
// The editor's whole working state, touched from the one thread only. The
// display's pixel blocks are program-wide buffers; everything else lives in
// g_state, one small struct per part of the workbench, each member starting
// at its start-up value, so ResetEditorState is one assignment and a clear.

#include <cstdint>
#include <string>
#include <vector>

#include "display/blocks.h"
#include "formats/colour.h"
#include "platform/platform.h"
#include "state/work_types.h"

class CDDraw;
class CPixmap;

enum WorkMode : int { MODE_PLACE = 1, MODE_EDIT = 2, MODE_ANIMATE = 3 };
enum Phase : int { PHASE_EDITING = 0, PHASE_FROZEN = 1, PHASE_CLOSING = 3 };
// The pane the arrow keys scroll and the outline marks.
enum FocusPane : int { FOCUS_NONE = 0, FOCUS_SHEET = 1, FOCUS_PICTURE = 2 };
enum SingleWindow : int {
    SINGLE_CLOSED = 0,
    SINGLE_OPEN = 1,
    SINGLE_IMPORT = 2,  // opening a picture requested
    SINGLE_SAVE = 3,    // saving requested
};
enum ClipboardState : int {
    CLIPBOARD_IDLE = 0,
    CLIPBOARD_AWAIT_STORE = 1,     // waiting for the frame to store
    CLIPBOARD_AWAIT_EXCHANGE = 2,  // a frame stored, waiting for its partner
};
// The preview's error notice.
enum PreviewError : int {
    PREVIEW_RANGE_SEEN = 0,
    PREVIEW_NOTHING_SEEN = 1,
    PREVIEW_NOTICE_SHOWING = 3,
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

// Sprite geometry, the sheet's next cell and the sheet's fill.
struct SheetState {
    int spriteWidth = 0;
    int spriteHeight = 0;
    int sheetColumns = 0;
    int cellX = 0;
    int cellY = 0;
    int cellRight = 0;
    int cellBottom = 0;
    int sheetHasRoom = 1;
    int placedCount = 0;
};

struct PaneState {
    FocusPane focusPane = FOCUS_NONE;
    int carrying = 0;
    int openPictureRequest = 0;
    int sheetScrollX = 0;
    int sheetScrollY = 0;
    int pictureScrollX = 0;
    int pictureScrollY = 0;
    // The picture pane changed since the session store last wrote it. It
    // starts set: the first tick shows the working image there.
    bool pictureChanged = true;
};

// The nine entries run No Direction, Left, Right, Up, Down, LeftUp, LeftDown,
// RightUp, RightDown.
struct DirectionState {
    int direction = 0;
    DirectionRange directionRanges[DIRECTION_COUNT] = {};
    int directionCount[DIRECTION_COUNT] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    int cellIndex = 1;
    int directionPick = 0;
    RangeDraft drafts[DIRECTION_COUNT] = {};
};

struct PreviewState {
    int previewOpen = 0;
    int previewX = 100;
    int previewY = 120;
    int previewDelay = 100;
    int previewStep = 1;
    int previewDirection = 0;
    PreviewError previewError = PREVIEW_NOTHING_SEEN;
};

// The mode bar and the Edit mode's tools.
struct EditToolState {
    WorkMode workMode = MODE_PLACE;
    uint32_t keyColour = 0;
    int colourPickOn = 0;
    SingleWindow singleState = SINGLE_CLOSED;
    CPixmap* singleImage = nullptr;
    int32_t singleWidth = 0;  // the imported picture's size from its header
    int32_t singleHeight = 0;
    int clipboardOpen = 0;
    ClipboardState clipboardState = CLIPBOARD_IDLE;
    int clipboardCell = 0;
    int clipboardX = 0;  // sheet position of the stored cell
    int clipboardY = 0;
};

struct FreezeState {
    Phase phase = PHASE_EDITING;
    int freezeRequested = 0;
    int freezeStep = 0;
};

struct ClosingState {
    int closingTicks = 0;
    int closingStep = 0;
    int closingFigure = 0;
    CPixmap* closingFigures[3] = {};
    int closingFigureX[3] = {};
    int closingFigureY[3] = {};
    int closingJitterX[10] = {};
    int closingJitterY[10] = {};
    int fadeLevel[3] = {2, 2, 2};
};

struct AudioSettings {
    uint32_t first;
    uint16_t second;
    uint16_t sampleRate;
};
static_assert(sizeof(AudioSettings) == 8, "the audio settings record is 8 bytes");

struct MusicState {
    AudioSettings audioSettings = {};
    void* musicModule = nullptr;
};

struct EditorState {
    SheetState sheet;
    PaneState panes;
    DirectionState directions;
    PreviewState preview;
    EditToolState edit;
    FreezeState freeze;
    ClosingState closing;
    MusicState music;
    QueueState queue;
    // How opened pictures' colours become pixels; set from the command line.
    ColourOptions colour;
};

extern EditorState g_state;

// Puts the state back to its start-up values and clears the buffers, but not
// the change log (state/work's ResetWork does both).
void ResetEditorStateOnly();
