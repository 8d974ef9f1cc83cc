#include "workbench/start_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "display/blocks.h"
#include "state/work.h"
#include "workbench/directions.h"
#include "workbench/input.h"
#include "workbench/placement.h"
#include "workbench/queue_flow.h"

namespace {

// No sprite file the sheet can take is longer: its frames cover the sheet.
constexpr size_t LONGEST_OPENABLE = SPRITE_HEADER_SIZE + 2 * size_t{SHEET_WIDTH} * SHEET_HEIGHT;

struct FileStart {
    std::vector<uint8_t> bytes;  // at most the limit asked for
    uint64_t size = 0;           // the whole file's
    std::string error;
};

FileStart ReadFileStart(const std::string& path, size_t limit) {
    FileStart start;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        start.error = std::strerror(errno);
        return start;
    }
    start.bytes.resize(limit);
    start.bytes.resize(std::fread(start.bytes.data(), 1, limit, file));
    if (std::ferror(file)) start.error = std::strerror(errno);
    start.size = start.bytes.size();
    if (start.size == limit && fseeko(file, 0, SEEK_END) == 0) start.size = ftello(file);
    std::fclose(file);
    return start;
}

bool SignedAsSprite(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= sizeof SPRITE_SIGNATURE &&
           std::memcmp(bytes.data(), SPRITE_SIGNATURE, sizeof SPRITE_SIGNATURE) == 0;
}

std::string Lines(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& problem : problems) text += "\n- " + problem;
    return text;
}

StartFile ReadSpriteStart(const std::string& path) {
    StartFile start;
    const FileStart file = ReadFileStart(path, LONGEST_OPENABLE + 1);
    if (!file.error.empty()) {
        start.refusal = path + " cannot be read: " + file.error;
        return start;
    }
    const std::optional<SpriteHeaderFields> header =
        ParseSpriteHeader(file.bytes.data(), file.bytes.size());
    SpriteReadResult read;
    if (!header || file.size == file.bytes.size())
        read = ReadSprite(file.bytes.data(), file.bytes.size());
    else
        read.problems = FindSpriteProblems(*header, file.size);
    if (!read.problems.empty()) {
        start.refusal = path + " is not a sound sprite file:" + Lines(read.problems);
        return start;
    }
    // Sound but longer than any sheet: a header that agrees with its length
    // yet holds more frames than there are cells.
    const SpriteHeaderFields& h = read.sprite ? read.sprite->header : *header;
    int64_t frames = 0;
    for (int32_t count : h.counts) frames += count;
    const int64_t cells = SheetCells(h.width, h.height);
    if (frames > cells) {
        start.refusal = path + " holds " + std::to_string(frames) +
                        " frames; the sheet has room for " + std::to_string(cells) + " frames of " +
                        std::to_string(h.width) + " x " + std::to_string(h.height) + ".";
        return start;
    }
    start.size = {h.width, h.height};
    start.sprite = std::move(read.sprite);
    return start;
}

StartFile ReadPictureStart(const std::string& path) {
    StartFile start;
    const PictureSize size = GetPictureSize(path);
    if (size.width <= 0 || size.height <= 0)
        start.refusal = path + " cannot be read as a picture (PCX or PNG).";
    else if (size.width > PICTURE_WIDTH || size.height > PICTURE_HEIGHT)
        start.refusal = path + " is " + std::to_string(size.width) + " x " +
                        std::to_string(size.height) +
                        " pixels; the sprite size can be at most 640 x 480.";
    else
        start = {path, std::nullopt, size, {}};
    return start;
}

void MarkStoredRanges(const SpriteImage& sprite, Change& work, std::vector<std::string>& short_) {
    for (int position = 0; position < SPRITE_DIRECTIONS; ++position) {
        const int32_t frames = sprite.header.counts[position];
        if (frames == 0) continue;
        const int slot = SelectorForFilePosition(position) - 1;
        const int first = static_cast<int>(sprite.FirstFrameOf(position)) + 1;
        const DirectionRange range{RANGE_CONFIRMED, first, first + frames - 1};
        work.ranges.push_back({slot, g_state.directions.directionRanges[slot], range,
                               g_state.directions.directionCount[slot], frames - 1});
        if (frames < 3)
            short_.push_back(std::string(SPRITE_DIRECTION_NAMES[position]) + " (" +
                             std::to_string(frames) + (frames == 1 ? " frame)" : " frames)"));
    }
}

}  // namespace

StartFile ReadStartFile(const std::string& path) {
    if (const std::optional<std::string> refusal = NotAFileRefusal(path)) {
        StartFile refused;
        refused.refusal = path + " cannot be opened: " + *refusal;
        return refused;
    }
    const FileStart head = ReadFileStart(path, sizeof SPRITE_SIGNATURE);
    if (!head.error.empty()) {
        StartFile refused;
        refused.refusal = path + " cannot be opened: " + head.error;
        return refused;
    }
    if (NamedAsSprite(path) || SignedAsSprite(head.bytes)) return ReadSpriteStart(path);
    return ReadPictureStart(path);
}

bool NamedAsSprite(const std::string& path) {
    if (path.size() < 4) return false;
    std::string ending = path.substr(path.size() - 4);
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ending == ".spr";
}

int64_t SheetCells(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    return int64_t{SHEET_WIDTH / width} * (SHEET_HEIGHT / height);
}

void PutFirstFrame(const SpriteImage& sprite, uint16_t* picture) {
    if (sprite.FrameCount() == 0) return;
    const int width = sprite.header.width;
    for (int row = 0; row < sprite.header.height; ++row)
        std::copy_n(sprite.Frame(0) + int64_t{row} * width, width, picture + row * PICTURE_WIDTH);
}

std::vector<std::string> OpenSpriteWork(const SpriteImage& sprite) {
    const int width = sprite.header.width;
    const int64_t frames = std::min(sprite.FrameCount(), SheetCells(width, sprite.header.height));
    for (int64_t frame = 0; frame < frames; ++frame) {
        const platform::Point origin = CellOrigin(static_cast<int>(frame) + 1);
        for (int row = 0; row < sprite.header.height; ++row)
            std::copy_n(sprite.Frame(frame) + int64_t{row} * width, width,
                        g_sheet + (origin.y + row) * SHEET_WIDTH + origin.x);
        g_changeLog.Dirt().cells.push_back(static_cast<int>(frame));
    }
    g_state.queue.placedNames.clear();
    Change work;
    AddMarkMove(work, CurrentPlacementMark(), MarkAfterFrames(frames));
    std::vector<std::string> tooShort;
    MarkStoredRanges(sprite, work, tooShort);
    work.keyBefore = g_state.edit.keyColour;
    work.keyAfter = sprite.keyColour;
    g_changeLog.Open(work);
    return tooShort;
}
