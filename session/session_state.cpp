#include "session/session_state.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "session/byte_codec.h"

namespace {

// The confirmed ranges as of the last CurrentWork(): a range being marked
// shows on the sheet, but the work holds what it replaced until confirmed.
DirectionRange g_confirmed[DIRECTION_COUNT];
int g_confirmedCounts[DIRECTION_COUNT];

constexpr uint8_t EXTRAS_VERSION = 1;
constexpr uint8_t NAMES_VERSION = 1;

}  // namespace

int SheetColumns(int spriteWidth) {
    return spriteWidth > 0 ? SHEET_WIDTH / spriteWidth : 0;
}

bool CellOnSheet(int cell, int spriteWidth, int spriteHeight) {
    if (spriteWidth <= 0 || spriteHeight <= 0 || spriteWidth > SHEET_WIDTH || cell < 0)
        return false;
    const int row = cell / SheetColumns(spriteWidth);
    return int64_t{row + 1} * spriteHeight <= SHEET_HEIGHT;
}

std::vector<uint16_t> ReadCell(const uint16_t* sheet, int cell, int spriteWidth, int spriteHeight) {
    std::vector<uint16_t> pixels;
    if (!CellOnSheet(cell, spriteWidth, spriteHeight)) return pixels;
    const int columns = SheetColumns(spriteWidth);
    const int left = (cell % columns) * spriteWidth;
    const int top = (cell / columns) * spriteHeight;
    pixels.resize(size_t(spriteWidth) * spriteHeight);
    for (int y = 0; y < spriteHeight; ++y)
        std::memcpy(&pixels[size_t(y) * spriteWidth], sheet + size_t(top + y) * SHEET_WIDTH + left,
                    size_t(spriteWidth) * 2);
    return pixels;
}

void WriteCell(uint16_t* sheet, int cell, int spriteWidth, int spriteHeight,
               const std::vector<uint16_t>& pixels) {
    if (!CellOnSheet(cell, spriteWidth, spriteHeight)) return;
    if (pixels.size() != size_t(spriteWidth) * spriteHeight) return;
    const int columns = SheetColumns(spriteWidth);
    const int left = (cell % columns) * spriteWidth;
    const int top = (cell / columns) * spriteHeight;
    for (int y = 0; y < spriteHeight; ++y)
        std::memcpy(sheet + size_t(top + y) * SHEET_WIDTH + left, &pixels[size_t(y) * spriteWidth],
                    size_t(spriteWidth) * 2);
}

WorkView CurrentWork() {
    WorkView view;
    view.spriteWidth = g_state.sheet.spriteWidth;
    view.spriteHeight = g_state.sheet.spriteHeight;
    view.sheet = g_sheet;
    view.picture = g_pictureBuf;
    view.mark = {g_state.sheet.cellX, g_state.sheet.cellY, g_state.sheet.sheetHasRoom,
                 g_state.sheet.placedCount};
    const DirectionState& directions = g_state.directions;
    for (int slot = 0; slot < DIRECTION_COUNT; ++slot) {
        const RangeDraft& draft = directions.drafts[slot];
        g_confirmed[slot] = draft.open ? draft.range : directions.directionRanges[slot];
        g_confirmedCounts[slot] = draft.open ? draft.count : directions.directionCount[slot];
    }
    view.ranges = g_confirmed;
    view.counts = g_confirmedCounts;
    view.keyColour = g_state.edit.keyColour;
    view.records = &g_changeLog.Records();
    view.cursor = g_changeLog.Cursor();
    view.drafts = directions.drafts;
    view.live = directions.directionRanges;
    view.liveCounts = directions.directionCount;
    view.workMode = g_state.edit.workMode;
    view.direction = directions.direction;
    const PaneState& panes = g_state.panes;
    const int scroll[4] = {panes.sheetScrollX, panes.sheetScrollY, panes.pictureScrollX,
                           panes.pictureScrollY};
    std::copy(scroll, scroll + 4, view.scroll);
    view.colour = g_state.colour;
    view.queue = &g_state.queue;
    return view;
}

SessionSnapshot CaptureWork(const WorkView& view) {
    SessionSnapshot snapshot;
    snapshot.spriteWidth = view.spriteWidth;
    snapshot.spriteHeight = view.spriteHeight;
    for (int cell = 0; CellOnSheet(cell, view.spriteWidth, view.spriteHeight); ++cell) {
        std::vector<uint16_t> pixels =
            ReadCell(view.sheet, cell, view.spriteWidth, view.spriteHeight);
        if (std::any_of(pixels.begin(), pixels.end(), [](uint16_t p) { return p != 0; }))
            snapshot.cells.push_back({cell, std::move(pixels)});
    }
    snapshot.mark = view.mark;
    std::copy(view.ranges, view.ranges + DIRECTION_COUNT, snapshot.ranges);
    std::copy(view.counts, view.counts + DIRECTION_COUNT, snapshot.counts);
    snapshot.keyColour = view.keyColour;
    if (view.picture)
        snapshot.picture.assign(view.picture, view.picture + PICTURE_WIDTH * PICTURE_HEIGHT);
    if (view.records) snapshot.records = *view.records;
    snapshot.cursor = view.cursor;
    std::vector<uint8_t> extras = EncodeWorkExtras(view);
    DecodeWorkExtras(extras.data(), extras.size(), &snapshot);
    if (view.queue) snapshot.queue = *view.queue;
    return snapshot;
}

void ApplySnapshot(SessionSnapshot snapshot) {
    SheetState& sheet = g_state.sheet;
    sheet.spriteWidth = snapshot.spriteWidth;
    sheet.spriteHeight = snapshot.spriteHeight;
    sheet.sheetColumns = SheetColumns(snapshot.spriteWidth);
    sheet.cellX = snapshot.mark.cellX;
    sheet.cellY = snapshot.mark.cellY;
    sheet.cellRight = sheet.cellX + sheet.spriteWidth;
    sheet.cellBottom = sheet.cellY + sheet.spriteHeight;
    sheet.sheetHasRoom = snapshot.mark.sheetHasRoom;
    sheet.placedCount = snapshot.mark.placedCount;
    std::copy(snapshot.ranges, snapshot.ranges + DIRECTION_COUNT,
              g_state.directions.directionRanges);
    std::copy(snapshot.counts, snapshot.counts + DIRECTION_COUNT,
              g_state.directions.directionCount);
    g_state.edit.keyColour = snapshot.keyColour;
    std::fill(g_sheet, g_sheet + SHEET_WIDTH * SHEET_HEIGHT, uint16_t{0});
    for (const StoredCell& cell : snapshot.cells)
        WriteCell(g_sheet, cell.cell, sheet.spriteWidth, sheet.spriteHeight, cell.pixels);
    if (g_pictureBuf) {
        std::fill(g_pictureBuf, g_pictureBuf + PICTURE_WIDTH * PICTURE_HEIGHT, uint16_t{0});
        if (snapshot.picture.size() == size_t(PICTURE_WIDTH) * PICTURE_HEIGHT)
            std::copy(snapshot.picture.begin(), snapshot.picture.end(), g_pictureBuf);
    }
    DirectionState& directions = g_state.directions;
    directions.direction = snapshot.direction;
    // The pick was taken up when it was made: a restore starts no marking.
    directions.directionPick = snapshot.direction ? 10 : 0;
    for (int slot = 0; slot < DIRECTION_COUNT; ++slot) {
        const LiveMarking& marking = snapshot.markings[slot];
        directions.drafts[slot] = {marking.open, snapshot.ranges[slot], snapshot.counts[slot]};
        if (!marking.open) continue;
        directions.directionRanges[slot] = marking.range;
        directions.directionCount[slot] = marking.count;
    }
    g_state.edit.workMode = static_cast<WorkMode>(snapshot.workMode);
    g_state.colour = snapshot.colour;
    PaneState& panes = g_state.panes;
    panes.sheetScrollX = snapshot.scroll[0];
    panes.sheetScrollY = snapshot.scroll[1];
    panes.pictureScrollX = snapshot.scroll[2];
    panes.pictureScrollY = snapshot.scroll[3];
    g_state.queue = std::move(snapshot.queue);
    g_changeLog.Restore(std::move(snapshot.records), snapshot.cursor);
}

std::vector<uint8_t> EncodeWorkExtras(const WorkView& view) {
    ByteWriter w;
    w.U8(EXTRAS_VERSION);
    w.I32(view.workMode);
    w.I32(view.direction);
    for (int v : view.scroll) w.I32(v);
    w.U8(DIRECTION_COUNT);
    for (int slot = 0; slot < DIRECTION_COUNT; ++slot) {
        const bool open = view.drafts && view.live && view.liveCounts && view.drafts[slot].open;
        w.U8(open);
        if (!open) continue;
        w.I32(view.live[slot].state);
        w.I32(view.live[slot].firstCell);
        w.I32(view.live[slot].lastCell);
        w.I32(view.liveCounts[slot]);
    }
    const ColourOptions& colour = view.colour;
    w.U8(colour.dither);
    w.U8(colour.useMatte);
    for (uint8_t channel : {colour.matte.red, colour.matte.green, colour.matte.blue}) w.U8(channel);
    w.I32(colour.alphaThreshold);
    return w.Take();
}

// Empty bytes are a session written before these fields were kept: the
// start-up values stand.
bool DecodeWorkExtras(const uint8_t* bytes, size_t size, SessionSnapshot* into) {
    if (size == 0) return true;
    ByteReader r(bytes, size);
    if (r.U8() != EXTRAS_VERSION) return false;
    const int mode = r.I32();
    if (mode < MODE_PLACE || mode > MODE_ANIMATE) return false;
    into->workMode = mode;
    into->direction = r.I32();
    if (into->direction < 0 || into->direction > DIRECTION_COUNT) return false;
    for (int& v : into->scroll) v = r.I32();
    if (r.U8() != DIRECTION_COUNT) return false;
    for (LiveMarking& marking : into->markings) {
        marking.open = r.U8() != 0;
        if (!marking.open) continue;
        marking.range.state = r.I32();
        marking.range.firstCell = r.I32();
        marking.range.lastCell = r.I32();
        marking.count = r.I32();
    }
    ColourOptions& colour = into->colour;
    colour.dither = r.U8() != 0;
    colour.useMatte = r.U8() != 0;
    colour.matte = {r.U8(), r.U8(), r.U8()};
    colour.alphaThreshold = r.I32();
    if (colour.alphaThreshold < 1 || colour.alphaThreshold > 255) return false;
    return r.ok() && r.AtEnd();
}

std::vector<uint8_t> EncodeNames(const WorkView& view) {
    static const QueueState NO_QUEUE;
    const QueueState& queue = view.queue ? *view.queue : NO_QUEUE;
    ByteWriter w;
    w.U8(NAMES_VERSION);
    w.U32(static_cast<uint32_t>(queue.placedNames.size()));
    for (const std::string& name : queue.placedNames) w.Text(name);
    w.Text(queue.shown);
    w.U8(queue.shownPlaced);
    w.U32(static_cast<uint32_t>(queue.waiting.size()));
    for (const std::string& name : queue.waiting) w.Text(name);
    return w.Take();
}

bool DecodeNames(const uint8_t* bytes, size_t size, SessionSnapshot* into) {
    if (size == 0) return true;
    ByteReader r(bytes, size);
    if (r.U8() != NAMES_VERSION) return false;
    QueueState& queue = into->queue;
    queue.placedNames.resize(r.Count(UINT32_MAX, 4));
    for (std::string& name : queue.placedNames) name = r.Text();
    queue.shown = r.Text();
    queue.shownPlaced = r.U8() != 0;
    queue.waiting.resize(r.Count(UINT32_MAX, 4));
    for (std::string& name : queue.waiting) name = r.Text();
    return r.ok() && r.AtEnd();
}
