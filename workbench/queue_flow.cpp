#include "workbench/queue_flow.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "display/blocks.h"
#include "display/pixmap.h"
#include "formats/picture.h"
#include "state/skin.h"
#include "state/work.h"
#include "workbench/directions.h"
#include "workbench/picture_boxes.h"
#include "workbench/picture_queue.h"
#include "workbench/work_guard.h"

namespace {

constexpr const char* SKIPPED_CAPTION = "Pictures skipped";
constexpr const char* DIRECTIONS_CAPTION = "Directions from names";
// A direction's run is marked from three frames on, as the save keeps no shorter one.
constexpr int MIN_NAMED_FRAMES = 3;
constexpr int COUNT_RIGHT = 797;  // the count's right edge, inside the pane's outline
constexpr int COUNT_TOP = WORK_TOP + 3;

std::string g_paneFile;

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The pictures of `paths` that can be used, in natural order; the others
// are noted in `refused`.
std::vector<std::string> Usable(std::vector<std::string> paths, std::vector<std::string>* refused) {
    SortNaturally(paths);
    std::vector<std::string> usable;
    for (const std::string& path : paths) {
        const std::optional<std::string> refusal = PictureRefusal(path);
        if (refusal)
            refused->push_back(RefusalLine(path, *refusal));
        else
            usable.push_back(path);
    }
    return usable;
}

void NamesChanged() {
    g_changeLog.Dirt().names = true;
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

std::optional<std::string> NotAFileRefusal(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return std::string(std::strerror(errno));
    if (S_ISREG(info.st_mode)) return std::nullopt;
    if (S_ISDIR(info.st_mode)) return "a folder, not a picture";
    if (S_ISFIFO(info.st_mode)) return "a named pipe, not a file";
    if (S_ISSOCK(info.st_mode)) return "a socket, not a file";
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) return "a device, not a file";
    return "not a regular file";
}

std::optional<std::string> PictureRefusal(const std::string& path) {
    if (path.find('\n') != std::string::npos) return "its name holds a line break";
    if (path.empty() || path[0] != '/') return "not a full path";
    if (std::optional<std::string> refusal = NotAFileRefusal(path)) return refusal;
    const PictureCheck check = CheckPictureFile(path);
    if (!check.Readable()) return check.refusal;
    const PictureSize size = check.size;
    if (size.width > PICTURE_WIDTH || size.height > PICTURE_HEIGHT)
        return std::to_string(size.width) + " x " + std::to_string(size.height) +
               " pixels, larger than 640 x 480";
    return std::nullopt;
}

std::string RefusalLine(const std::string& path, const std::string& reason) {
    return FileName(path) + ": " + reason;
}

void ShowSkipped(const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    std::string text = "These pictures could not be used and were skipped:";
    for (const std::string& line : lines) text += "\n" + line;
    platform::Current().MessageBox(text, SKIPPED_CAPTION, platform::BoxButtons::Ok);
}

void AddPictures(std::vector<std::string> paths, std::vector<std::string>* refused) {
    std::vector<std::string> skipped;
    const std::vector<std::string> usable = Usable(std::move(paths), refused ? refused : &skipped);
    if (!usable.empty()) {
        std::vector<std::string> unplaced = UnplacedPictures(g_state.queue);
        unplaced.insert(unplaced.end(), usable.begin(), usable.end());
        SetUnplacedPictures(g_state.queue, std::move(unplaced), g_state.queue.shown);
        NamesChanged();
        SyncPicturePane();
    }
    ShowSkipped(skipped);
}

void OpenChosenPictures(std::vector<std::string> paths) {
    g_state.panes.pictureChanged = true;
    std::vector<std::string> skipped;
    const bool one = paths.size() == 1;
    const std::optional<std::string> refusal = one ? PictureRefusal(paths[0]) : std::nullopt;
    std::vector<std::string> chosen = Usable(std::move(paths), &skipped);
    // One picture keeps the box that names its reason alone.
    if (refusal)
        ShowPictureRefusal(PICTURE_REFUSED_TEXT, *refusal);
    else
        ShowSkipped(skipped);
    if (chosen.empty()) return;
    g_paneFile.clear();  // a picture opened again is read again
    std::vector<std::string> unplaced = UnplacedPictures(g_state.queue);
    unplaced.insert(unplaced.begin(), chosen.begin(), chosen.end());
    SetUnplacedPictures(g_state.queue, std::move(unplaced), "");
    NamesChanged();
    SyncPicturePane();
}

bool LoadIntoPane(const std::string& path) {
    g_state.panes.pictureChanged = true;  // a refused file may have cleared it too
    if (!LoadPictureIntoBuffer(g_pictureBuf, path)) return false;
    g_spritePictures.working->GrabPicture(g_pictureBuf, 0, 0, g_state.sheet.spriteWidth,
                                          g_state.sheet.spriteHeight);
    g_paneFile = path;
    return true;
}

void SyncPicturePane() {
    std::vector<std::string> skipped;
    QueueState& queue = g_state.queue;
    while (!queue.shown.empty() && queue.shown != g_paneFile && g_spritePictures.working) {
        const std::optional<std::string> refusal = PictureRefusal(queue.shown);
        if (!refusal && LoadIntoPane(queue.shown)) break;
        if (refusal) skipped.push_back(RefusalLine(queue.shown, *refusal));
        if (queue.shownPlaced) break;  // the last placed picture stays named
        std::vector<std::string> unplaced = UnplacedPictures(queue);
        unplaced.erase(unplaced.begin());
        SetUnplacedPictures(queue, std::move(unplaced), "");
        NamesChanged();
    }
    ShowSkipped(skipped);
}

void SetPaneFile(const std::string& path) {
    g_paneFile = path;
}

const std::string& PaneFile() {
    return g_paneFile;
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

void MarkDirectionsFromNames() {
    if (g_state.edit.workMode != MODE_ANIMATE || RefusedWhileFrozen()) return;
    DropMarkings();
    std::vector<std::optional<int>> slots;
    for (int cell = 0; cell < g_state.sheet.placedCount; ++cell) {
        const std::string name = CellName(cell);
        slots.push_back(name.empty() ? std::nullopt : DirectionSlotInName(name));
    }
    // Cells count from 1 in the directions' ranges.
    const NamedRanges found = RangesFromNames(slots, 1, MIN_NAMED_FRAMES);
    Change change;
    change.kind = ChangeKind::MarkRanges;
    DirectionState& directions = g_state.directions;
    for (const NamedRange& range : found.marked) {
        const DirectionRange after{RANGE_CONFIRMED, range.firstCell, range.lastCell};
        const int count = range.lastCell - range.firstCell;
        if (directions.directionRanges[range.slot] == after &&
            directions.directionCount[range.slot] == count)
            continue;
        change.ranges.push_back({range.slot, directions.directionRanges[range.slot], after,
                                 directions.directionCount[range.slot], count});
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
