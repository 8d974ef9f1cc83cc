#include "workbench/queue_flow.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "display/blocks.h"
#include "display/pixmap.h"
#include "formats/picture.h"
#include "state/change_log.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "workbench/directions.h"
#include "workbench/picture_boxes.h"
#include "workbench/picture_queue.h"
#include "workbench/placement.h"

namespace {

constexpr const char* SKIPPED_CAPTION = "Pictures skipped";
constexpr const char* DIRECTIONS_CAPTION = "Directions from names";
// A direction's run is marked from three frames on, as the save keeps no shorter one.
constexpr int MIN_NAMED_FRAMES = 3;
constexpr int COUNT_RIGHT = 797;  // the count's right edge, inside the pane's outline
constexpr int COUNT_TOP = WORK_TOP + 3;

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ShowSkipped(const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    std::string text = "These pictures could not be used and were skipped:";
    for (const std::string& line : lines) text += "\n" + line;
    platform::Current().MessageBox(text, SKIPPED_CAPTION, platform::BoxButtons::Ok);
}

// Takes waiting pictures until a usable one; the others are noted in `skipped`.
std::optional<std::string> PopUsable(std::vector<std::string>* skipped) {
    std::vector<std::string>& waiting = g_state.queue.waiting;
    while (!waiting.empty()) {
        const std::string path = waiting.front();
        waiting.erase(waiting.begin());
        const std::optional<std::string> refusal = PictureRefusal(path);
        if (!refusal) return path;
        skipped->push_back(FileName(path) + ": " + *refusal);
    }
    return std::nullopt;
}

// The pictures of `paths` that can be used, in natural order; the others
// are noted in `skipped`.
std::vector<std::string> Usable(std::vector<std::string> paths, std::vector<std::string>* skipped) {
    SortNaturally(paths);
    std::vector<std::string> usable;
    for (const std::string& path : paths) {
        const std::optional<std::string> refusal = PictureRefusal(path);
        if (refusal)
            skipped->push_back(FileName(path) + ": " + *refusal);
        else
            usable.push_back(path);
    }
    return usable;
}

void ShowInPane(const std::string& path) {
    g_state.panes.pictureChanged = true;  // a refused file may have cleared it too
    if (!LoadPictureIntoBuffer(g_pictureBuf, path)) return;
    g_spritePictures.working->GrabPicture(g_pictureBuf, 0, 0, g_state.sheet.spriteWidth,
                                          g_state.sheet.spriteHeight);
    g_state.queue.shown = path;
    g_state.queue.shownPlaced = false;
}

void PutDigit(int digit, int x, int y) {
    const CPixmap& strip = *g_skin.digits;
    if (strip.Width() < DIGIT_WIDTH * 10 || strip.Height() < DIGIT_HEIGHT) return;
    for (int row = 0; row < DIGIT_HEIGHT; ++row) {
        const uint16_t* from = strip.GetBits() + row * strip.Width() + digit * DIGIT_WIDTH;
        std::memcpy(g_screenBuf + (y + row) * SCREEN_WIDTH + x, from,
                    DIGIT_WIDTH * sizeof(uint16_t));
    }
}

}  // namespace

std::optional<std::string> PictureRefusal(const std::string& path) {
    if (path.find('\n') != std::string::npos) return "its name holds a line break";
    if (path.empty() || path[0] != '/') return "not a full path";
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return std::string(std::strerror(errno));
    if (S_ISDIR(info.st_mode)) return "a folder, not a picture";
    const PictureCheck check = CheckPictureFile(path);
    if (!check.Readable()) return check.refusal;
    const PictureSize size = check.size;
    if (size.width > PICTURE_WIDTH || size.height > PICTURE_HEIGHT)
        return std::to_string(size.width) + " x " + std::to_string(size.height) +
               " pixels, larger than 640 x 480";
    return std::nullopt;
}

void QueuePictures(const std::vector<std::string>& paths) {
    std::vector<std::string> skipped;
    std::vector<std::string> usable = Usable(paths, &skipped);
    std::vector<std::string>& waiting = g_state.queue.waiting;
    waiting.insert(waiting.end(), usable.begin(), usable.end());
    SortNaturally(waiting);
    ShowSkipped(skipped);
}

std::string TakeFirstPicture(std::vector<std::string> paths) {
    g_state.queue.waiting.clear();
    QueuePictures(paths);
    std::vector<std::string> skipped;
    const std::optional<std::string> first = PopUsable(&skipped);
    ShowSkipped(skipped);
    g_state.queue.shown = first.value_or("");
    g_state.queue.shownPlaced = false;
    return first.value_or("");
}

bool ShowNextQueued() {
    std::vector<std::string> skipped;
    const std::optional<std::string> next = PopUsable(&skipped);
    if (next) ShowInPane(*next);
    ShowSkipped(skipped);
    return next.has_value();
}

void OpenChosenPictures(const std::vector<std::string>& paths) {
    std::vector<std::string> skipped;
    std::vector<std::string> chosen = Usable(paths, &skipped);
    ShowSkipped(skipped);
    if (chosen.empty()) return;
    ShowInPane(chosen.front());
    std::vector<std::string>& waiting = g_state.queue.waiting;
    waiting.insert(waiting.end(), chosen.begin() + 1, chosen.end());
    SortNaturally(waiting);
}

void HandleDroppedPath(const std::string& path) {
    if (!g_spritePictures.working) return;  // no sheet yet: the first dialog takes drops
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        platform::Current().MessageBox(
            FileName(path) + " is a folder. Drop the pictures in it instead.", SKIPPED_CAPTION,
            platform::BoxButtons::Ok);
        return;
    }
    QueuePictures({path});
    if (g_state.queue.shownPlaced) ShowNextQueued();
}

void DrawQueueCount() {
    if (g_state.queue.waiting.empty() || !g_skin.digits) return;
    const std::string count = std::to_string(g_state.queue.waiting.size());
    int x = COUNT_RIGHT - static_cast<int>(count.size()) * DIGIT_WIDTH;
    for (char digit : count) {
        PutDigit(digit - '0', x, COUNT_TOP);
        x += DIGIT_WIDTH;
    }
}

namespace {

QueueSnapshot TakeSnapshot() {
    return {g_state.queue.shown, g_state.queue.shownPlaced, g_state.queue.waiting};
}

void RestoreSnapshot(const QueueSnapshot& snapshot) {
    if (snapshot.shown != g_state.queue.shown && !snapshot.shown.empty() &&
        !PictureRefusal(snapshot.shown))
        ShowInPane(snapshot.shown);
    g_state.queue.shown = snapshot.shown;
    g_state.queue.shownPlaced = snapshot.shownPlaced;
    g_state.queue.waiting = snapshot.waiting;
}

// Called right after the change that moved the queue went into the log.
void LogQueueMove(const QueueSnapshot& before) {
    const size_t record = g_changeLog.Cursor() - 1;
    g_state.queue.logged.erase(
        std::remove_if(g_state.queue.logged.begin(), g_state.queue.logged.end(),
                       [&](const LoggedQueue& l) { return l.record >= record; }),
        g_state.queue.logged.end());
    g_state.queue.logged.push_back(
        {record, g_changeLog.Records()[record].cells.size(), before, TakeSnapshot()});
}

const LoggedQueue* LoggedAt(size_t record) {
    const std::vector<Change>& records = g_changeLog.Records();
    for (const LoggedQueue& logged : g_state.queue.logged) {
        if (logged.record == record && record < records.size() &&
            records[record].kind == ChangeKind::PlaceFrames &&
            records[record].cells.size() == logged.cellCount)
            return &logged;
    }
    return nullptr;
}

int MarkedCell(const PlacementMark& mark) {
    return mark.cellY / g_state.sheet.spriteHeight * g_state.sheet.sheetColumns +
           mark.cellX / g_state.sheet.spriteWidth;
}

std::vector<uint16_t> WorkingPixels() {
    const CPixmap& working = *g_spritePictures.working;
    return {working.GetBits(), working.GetBits() + working.Width() * working.Height()};
}

void NamePlacedCell(int cell, const std::string& name) {
    std::vector<std::string>& names = g_state.queue.placedNames;
    if (static_cast<size_t>(cell) >= names.size()) names.resize(cell + 1);
    names[cell] = name;
}

}  // namespace

void PicturePlaced(int cell) {
    if (cell < 0) return;
    const QueueSnapshot before = TakeSnapshot();
    NamePlacedCell(cell, g_state.queue.shown);
    g_state.queue.shownPlaced = true;
    if (!g_state.queue.waiting.empty()) ShowNextQueued();
    LogQueueMove(before);
}

void PlaceQueuedBatch() {
    const PlacementMark before = CurrentPlacementMark();
    if (before.sheetHasRoom != 1) return;
    const QueueSnapshot queueBefore = TakeSnapshot();
    Change change;
    change.kind = ChangeKind::PlaceFrames;
    std::vector<std::string> skipped;
    PlacementMark mark = before;
    for (;;) {
        const int cell = MarkedCell(mark);
        change.cells.push_back({cell, CellPixels(cell), WorkingPixels()});
        NamePlacedCell(cell, g_state.queue.shown);
        g_state.queue.shownPlaced = true;
        mark = MarkAfterPlacing(mark);
        if (g_state.queue.waiting.empty() || !RowHasRoom(mark.cellY)) break;
        const std::optional<std::string> next = PopUsable(&skipped);
        if (!next) break;
        ShowInPane(*next);
    }
    AddMarkMove(change, before, mark);
    g_changeLog.Do(std::move(change));
    g_state.panes.carrying = 0;
    LogQueueMove(queueBefore);
    ShowSkipped(skipped);
}

void QueueFollowsUndo() {
    if (const LoggedQueue* logged = LoggedAt(g_changeLog.Cursor())) RestoreSnapshot(logged->before);
}

void QueueFollowsRedo() {
    if (g_changeLog.Cursor() == 0) return;
    if (const LoggedQueue* logged = LoggedAt(g_changeLog.Cursor() - 1))
        RestoreSnapshot(logged->after);
}

void MarkDirectionsFromNames() {
    if (g_state.edit.workMode != MODE_ANIMATE || g_state.freeze.phase != PHASE_EDITING ||
        g_state.freeze.freezeRequested != 0)
        return;
    DropMarkings();
    std::vector<std::optional<int>> slots;
    const std::vector<std::string>& names = g_state.queue.placedNames;
    for (int cell = 0; cell < g_state.sheet.placedCount; ++cell) {
        const bool named = static_cast<size_t>(cell) < names.size() && !names[cell].empty();
        slots.push_back(named ? DirectionSlotInName(names[cell]) : std::nullopt);
    }
    // Cells count from 1 in the directions' ranges.
    const NamedRanges found = RangesFromNames(slots, 1, MIN_NAMED_FRAMES);
    Change change;
    change.kind = ChangeKind::MarkRanges;
    DirectionState& directions = g_state.directions;
    for (const NamedRange& range : found.marked) {
        const DirectionRange after{RANGE_CONFIRMED, range.firstCell, range.lastCell};
        change.ranges.push_back({range.slot, directions.directionRanges[range.slot], after,
                                 directions.directionCount[range.slot],
                                 range.lastCell - range.firstCell});
    }
    if (!change.ranges.empty()) g_changeLog.Do(std::move(change));
    std::string text;
    if (found.marked.empty() && found.leftUnmarked.empty())
        text = "No placed picture's name holds a direction word.";
    else if (!found.leftUnmarked.empty())
        text = "These directions were left unmarked:";
    for (const std::string& line : found.leftUnmarked) text += "\n" + line;
    if (!text.empty())
        platform::Current().MessageBox(text, DIRECTIONS_CAPTION, platform::BoxButtons::Ok);
}

bool HandleQueueKey(int key, int modifiers) {
    if (key != platform::kKeyD || modifiers != platform::kModCtrl) return false;
    MarkDirectionsFromNames();
    return true;
}
