#include "session/session_state.h"

#include <algorithm>
#include <cstring>

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
    view.ranges = g_state.directions.directionRanges;
    view.counts = g_state.directions.directionCount;
    view.keyColour = g_state.edit.keyColour;
    view.records = &g_changeLog.Records();
    view.cursor = g_changeLog.Cursor();
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
    g_changeLog.Restore(std::move(snapshot.records), snapshot.cursor);
}

std::vector<uint8_t> EncodeWorkExtras(const WorkView&) {
    return {};
}

bool DecodeWorkExtras(const uint8_t*, size_t, SessionSnapshot*) {
    return true;
}

std::vector<uint8_t> EncodeNames(const WorkView&) {
    return {};
}

bool DecodeNames(const uint8_t*, size_t, SessionSnapshot*) {
    return true;
}
