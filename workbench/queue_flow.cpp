#include "workbench/queue_flow.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "display/blocks.h"
#include "display/pixmap.h"
#include "formats/picture.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "workbench/picture_queue.h"

namespace {

constexpr const char* SKIPPED_CAPTION = "Pictures skipped";
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

void ShowInPane(const std::string& path) {
    ClearPixels(g_pictureBuf, PICTURE_WIDTH, PICTURE_HEIGHT);
    LoadPicture(g_pictureBuf, PICTURE_WIDTH, PICTURE_WIDTH, PICTURE_HEIGHT, path);
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
    const PictureSize size = GetPictureSize(path);
    if (size.width <= 0 || size.height <= 0) return "not a PCX or PNG picture the editor can read";
    if (size.width > PICTURE_WIDTH || size.height > PICTURE_HEIGHT)
        return std::to_string(size.width) + " x " + std::to_string(size.height) +
               " pixels, larger than 640 x 480";
    return std::nullopt;
}

void QueuePictures(const std::vector<std::string>& paths) {
    std::vector<std::string>& waiting = g_state.queue.waiting;
    waiting.insert(waiting.end(), paths.begin(), paths.end());
    SortNaturally(waiting);
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
    std::vector<std::string> chosen = paths;
    SortNaturally(chosen);
    std::vector<std::string> skipped;
    for (size_t i = 0; i < chosen.size(); ++i) {
        const std::optional<std::string> refusal = PictureRefusal(chosen[i]);
        if (refusal) {
            skipped.push_back(FileName(chosen[i]) + ": " + *refusal);
            continue;
        }
        ShowInPane(chosen[i]);
        QueuePictures({chosen.begin() + static_cast<long>(i) + 1, chosen.end()});
        break;
    }
    ShowSkipped(skipped);
}

void PicturePlaced(int cell) {
    QueueState& queue = g_state.queue;
    if (cell < 0) return;
    if (static_cast<size_t>(cell) >= queue.placedNames.size()) queue.placedNames.resize(cell + 1);
    queue.placedNames[cell] = queue.shown;
    queue.shownPlaced = true;
    if (!queue.waiting.empty()) ShowNextQueued();
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
