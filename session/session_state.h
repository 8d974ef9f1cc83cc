#pragma once
// The work a session store keeps, in two shapes: a view of the editor's live
// state that the store reads each tick, and a plain snapshot that loading
// fills and that is applied back to the editor.

#include <cstdint>
#include <vector>

#include "state/change_log.h"
#include "state/editor_state.h"

// What the store reads while it writes one tick. Pointers borrow the
// editor's buffers; nothing is copied until the store writes.
struct WorkView {
    int spriteWidth = 0;
    int spriteHeight = 0;
    const uint16_t* sheet = nullptr;    // SHEET_WIDTH x SHEET_HEIGHT
    const uint16_t* picture = nullptr;  // PICTURE_WIDTH x PICTURE_HEIGHT, may be null
    PlacementMark mark;
    const DirectionRange* ranges = nullptr;  // DIRECTION_COUNT of each
    const int* counts = nullptr;
    uint32_t keyColour = 0;
    const std::vector<Change>* records = nullptr;
    size_t cursor = 0;
    uint64_t firstSequence = 0;  // the running number of records[0]
    // Kept apart from the work: the ranges being marked (live range and
    // count, with the confirmed one in `ranges`), the mode, the direction
    // picked and the scroll positions.
    const RangeDraft* drafts = nullptr;    // DIRECTION_COUNT; null: none open
    const DirectionRange* live = nullptr;  // DIRECTION_COUNT, as the sheet shows them
    const int* liveCounts = nullptr;
    int workMode = MODE_PLACE;
    int direction = 0;
    int scroll[4] = {};  // sheet x, y, picture x, y
    ColourOptions colour = {};
    // The cells' picture names, the pane's picture and the queue.
    const QueueState* queue = nullptr;
};

// A range being marked when the work was kept.
struct LiveMarking {
    bool open = false;
    DirectionRange range;
    int count = 0;
};

struct StoredCell {
    int cell = 0;
    std::vector<uint16_t> pixels;  // sprite width x height, row by row
};

struct SessionSnapshot {
    int spriteWidth = 0;
    int spriteHeight = 0;
    std::vector<StoredCell> cells;  // in cell order
    PlacementMark mark;
    DirectionRange ranges[DIRECTION_COUNT] = {};
    int counts[DIRECTION_COUNT] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    uint32_t keyColour = 0;
    std::vector<uint16_t> picture;  // empty: the pane was never stored (blank)
    std::vector<Change> records;
    size_t cursor = 0;
    uint64_t firstSequence = 0;  // the running number of records[0]
    LiveMarking markings[DIRECTION_COUNT] = {};
    int workMode = MODE_PLACE;
    int direction = 0;
    int scroll[4] = {};
    ColourOptions colour = {};
    QueueState queue;  // names by cell, the pane's picture, the waiting pictures
};

// Cells of the sheet for a sprite size: cell i starts at
// ((i % columns) * width, (i / columns) * height), columns = SHEET_WIDTH / width.
int SheetColumns(int spriteWidth);
// False when the size is not a sprite size or the cell lies outside the sheet.
bool CellOnSheet(int cell, int spriteWidth, int spriteHeight);
// The cell's pixels; empty when the cell is not on the sheet.
std::vector<uint16_t> ReadCell(const uint16_t* sheet, int cell, int spriteWidth, int spriteHeight);
void WriteCell(uint16_t* sheet, int cell, int spriteWidth, int spriteHeight,
               const std::vector<uint16_t>& pixels);

// The work's small fields the store keeps beside the mark, ranges and key in
// one versioned blob, so a new field needs no new column: the ranges being
// marked, the mode, the scroll positions and the colour options. Written
// whenever the work row is. Decoding false: the blob is damaged or of a
// newer kind; `into` may then be partly filled and must not be applied.
std::vector<uint8_t> EncodeWorkExtras(const WorkView& view);
bool DecodeWorkExtras(const uint8_t* bytes, size_t size, SessionSnapshot* into);
// Each cell's picture name, the pane's picture and the queue, in a blob of
// their own: a queue may hold many thousands of names, so it is written only
// when LogDirt::names says they changed.
std::vector<uint8_t> EncodeNames(const WorkView& view);
bool DecodeNames(const uint8_t* bytes, size_t size, SessionSnapshot* into);

// The editor's live work: g_state, g_sheet, g_pictureBuf and g_changeLog.
// Its ranges are the confirmed ones, never a range being marked.
WorkView CurrentWork();
// Every cell of the sheet that holds a non-blank pixel, with the rest of the
// live work: what a store that starts writing now must hold.
SessionSnapshot CaptureWork(const WorkView& view);
// Puts a loaded snapshot into g_state, g_sheet, g_pictureBuf (which must
// exist) and g_changeLog. The sheet and pane are cleared first, so what the
// snapshot does not hold is blank, as it was when the work was written.
void ApplySnapshot(SessionSnapshot snapshot);
