#include "formats/sprite_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "display/pixmap.h"
#include "platform/platform.h"
#include "shell/music.h"
#include "workbench/input.h"

const FileDirection FILE_DIRECTIONS[DIRECTION_COUNT] = {
    {"No Direction", 1, 90}, {"Left", 2, 20},          {"LeftUp", 6, 40},
    {"Up", 4, 80},           {"RightUp", 8, 120},      {"Right", 3, 100},
    {"RightDown", 9, 140},   {"Down", 5, FROZEN_STEP}, {"LeftDown", 7, 60},
};

const char* const SAVE_SPRITE_TITLE = "Save Sprite...Good Luck!";
const char* const REPORT_CAPTION = "Output Infomation";
const char* const ERROR_CAPTION = "Error Message";
const char* const SAVE_FAILED_TEXT = "Error Test 1";

namespace {

constexpr char kSignature[] = "Brisk_Kite(Brisk_Wren)";
constexpr char kVersion[] = "Ver.1";
static_assert(sizeof kSignature == sizeof SpriteFileHeader::szSignature,
              "the signature and its zero byte fill their field");

std::unique_ptr<CPixmap> g_directionStrips[DIRECTION_COUNT];

void PutLe32(uint8_t* out, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}

}  // namespace

SpriteFileHeader MakeSpriteHeader(SpriteType type, int width, int height, uint32_t keyColour,
                                  const std::array<int32_t, DIRECTION_COUNT>& counts) {
    SpriteFileHeader header{};
    std::memcpy(header.szSignature, kSignature, sizeof kSignature);
    std::memcpy(header.szVersion, kVersion, sizeof kVersion);
    header.nSpriteType = type;
    header.nWidth = width;
    header.nHeight = height;
    header.nColorSystem = SPRITE_COLOUR_BITS;
    header.nKeyColor = static_cast<int32_t>(keyColour & 0xFFFF);
    // Indexed one by one: a pointer into the packed header would be misaligned.
    for (int i = 0; i < DIRECTION_COUNT; ++i) header.nFrameCount[i] = counts[i];
    return header;
}

std::array<uint8_t, SPRITE_HEADER_SIZE> EncodeSpriteHeader(const SpriteFileHeader& header) {
    std::array<uint8_t, SPRITE_HEADER_SIZE> bytes{};
    std::memcpy(&bytes[offsetof(SpriteFileHeader, szSignature)], header.szSignature,
                sizeof header.szSignature);
    std::memcpy(&bytes[offsetof(SpriteFileHeader, szVersion)], header.szVersion,
                sizeof header.szVersion);
    PutLe32(&bytes[offsetof(SpriteFileHeader, nSpriteType)], header.nSpriteType);
    PutLe32(&bytes[offsetof(SpriteFileHeader, nWidth)], header.nWidth);
    PutLe32(&bytes[offsetof(SpriteFileHeader, nHeight)], header.nHeight);
    PutLe32(&bytes[offsetof(SpriteFileHeader, nColorSystem)], header.nColorSystem);
    PutLe32(&bytes[offsetof(SpriteFileHeader, nKeyColor)], header.nKeyColor);
    for (int i = 0; i < DIRECTION_COUNT; ++i)
        PutLe32(&bytes[offsetof(SpriteFileHeader, nFrameCount) + 4 * i], header.nFrameCount[i]);
    return bytes;
}

std::vector<uint8_t> EncodeSpriteFile(const SpriteFileHeader& header,
                                      const std::vector<PixelRun>& runs) {
    size_t pixels = 0;
    for (const PixelRun& run : runs) pixels += run.count;
    std::vector<uint8_t> bytes(SPRITE_HEADER_SIZE + 2 * pixels);
    const auto head = EncodeSpriteHeader(header);
    std::copy(head.begin(), head.end(), bytes.begin());
    uint8_t* out = bytes.data() + SPRITE_HEADER_SIZE;
    for (const PixelRun& run : runs) {
        for (size_t i = 0; i < run.count; ++i) {
            *out++ = static_cast<uint8_t>(run.pixels[i] & 0xFF);
            *out++ = static_cast<uint8_t>(run.pixels[i] >> 8);
        }
    }
    return bytes;
}

std::string FormatSpriteReport(const SpriteFileHeader& h) {
    int32_t n[DIRECTION_COUNT];
    for (int i = 0; i < DIRECTION_COUNT; ++i) n[i] = h.nFrameCount[i];
    char text[1024];
    std::snprintf(text, sizeof text,
                  "Sprite Type = Animation \nSprite Width =  %d\nSprite Height =  %d\n"
                  "Color System = %d\nKey Color =  %d\nNumber of No Direction Frame = %d\n"
                  "Number of Left Direction Frame = %d\nNumber of LeftUp Direction Frame = %d\n"
                  "Number of Up Direction Frame = %d\nNumber of RightUp Direction Frame = %d\n"
                  "Number of Right Direction Frame = %d\n"
                  "Number of RightDown Direction Frame = %d\n"
                  "Number of Down Direction Frame = %d\nNumber of LeftDiown Direction Frame = %d",
                  h.nWidth, h.nHeight, h.nColorSystem, h.nKeyColor, n[0], n[1], n[2], n[3], n[4],
                  n[5], n[6], n[7], n[8]);
    return text;
}

// ---- Writing a file without ever truncating the old one ----

namespace {

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// A close that fails can mean the data never reached the disk.
bool WriteAndClose(int fd, const std::vector<uint8_t>& bytes, bool sync) {
    bool ok = WriteAll(fd, bytes);
    if (ok && sync) ok = ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    return ok;
}

// A link is followed, so the save replaces the file it names, not the link.
std::string ResolveTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool WriteInPlace(const std::string& path, const std::vector<uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    return fd >= 0 && WriteAndClose(fd, bytes, false);
}

bool WriteThroughTemporary(const std::string& target, mode_t mode,
                           const std::vector<uint8_t>& bytes) {
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string temporary = folder + ".celforge-save-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, mode) == 0;
    ok = WriteAndClose(fd, bytes, true) && ok;
    if (ok) ok = ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

}  // namespace

bool WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (path.empty() || path.back() == '/') return false;
    const std::string target = ResolveTarget(path);
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return false;
        if (!S_ISREG(info.st_mode)) return WriteInPlace(target, bytes);
        return WriteThroughTemporary(target, info.st_mode & 07777, bytes);
    }
    return WriteThroughTemporary(target, NewFileMode(), bytes);
}

std::optional<std::string> AskSpriteFileName(const std::string& title) {
    return platform::Current().SaveFileDialog(
        title, {{"Spr files (*.Spr)", "*.Spr"}, {"All Files (*.*)", "*.*"}});
}

// ---- Gathering the direction strips at the freeze ----

namespace {

// Cells past the sheet's last (partial) row cannot hold a frame; indices that
// far are treated as off the sheet without computing an origin that could
// overflow.
bool CellNearSheet(int64_t index, int rows) {
    const int64_t cellRows = (rows + g_spriteHeight - 1) / g_spriteHeight;
    return index >= 1 && index <= cellRows * g_sheetColumns;
}

void CopyCell(uint16_t* out, const uint16_t* source, int pitch, int rows, int64_t index, int width,
              int height) {
    std::fill_n(out, static_cast<size_t>(width) * height, uint16_t{0});
    if (!CellNearSheet(index, rows)) return;
    const platform::Point origin = CellOrigin(static_cast<int>(index));
    const int left = std::max(origin.x, 0);
    const int right = std::min(origin.x + width, pitch);
    if (right <= left) return;
    for (int row = 0; row < height; ++row) {
        const int y = origin.y + row;
        if (y < 0 || y >= rows) continue;
        std::copy_n(source + static_cast<int64_t>(y) * pitch + left, right - left,
                    out + static_cast<int64_t>(row) * width + (left - origin.x));
    }
}

}  // namespace

void GrabFrames(CPixmap& strip, const uint16_t* source, int pitch, int firstCell, int lastCell,
                int width, int height) {
    if (width <= 0 || height <= 0 || g_sheetColumns <= 0) return;
    const int rows = BlockRowsForPitch(pitch);
    const int64_t framePixels = static_cast<int64_t>(width) * height;
    const int64_t capacity = static_cast<int64_t>(strip.Width()) * strip.Height() / framePixels;
    const int64_t frames = std::min<int64_t>(int64_t{lastCell} - firstCell + 1, capacity);
    uint16_t* out = strip.GetBits();
    for (int64_t f = 0; f < frames; ++f)
        CopyCell(out + f * framePixels, source, pitch, rows, firstCell + f, width, height);
}

namespace {

void GatherStrip(int filePosition) {
    const int slot = FILE_DIRECTIONS[filePosition].selector - 1;
    const int span = g_directionCount[slot];
    std::unique_ptr<CPixmap>& strip = g_directionStrips[filePosition];
    strip.reset();
    if (span <= 1) return;
    const int64_t stripWidth = int64_t{g_spriteWidth} * (int64_t{span} + 1);
    if (stripWidth > INT_MAX) return;
    strip = std::make_unique<CPixmap>(static_cast<int>(stripWidth), g_spriteHeight);
    if (strip->Width() == 0) {  // more frames than any picture may hold
        strip.reset();
        return;
    }
    const DirectionRange& range = g_directionRanges[slot];
    GrabFrames(*strip, g_sheet, SHEET_WIDTH, range.firstCell, range.lastCell, g_spriteWidth,
               g_spriteHeight);
}

}  // namespace

void GatherDirectionStrips() {
    for (int position = 0; position < DIRECTION_COUNT; ++position) {
        if (FILE_DIRECTIONS[position].gatherStep != g_freezeStep) continue;
        if (g_freezeStep == FROZEN_STEP) g_phase = PHASE_FROZEN;
        GatherStrip(position);
    }
}

const CPixmap* DirectionStrip(int filePosition) {
    if (filePosition < 0 || filePosition >= DIRECTION_COUNT) return nullptr;
    return g_directionStrips[filePosition].get();
}

void ReleaseDirectionStrips() {
    for (auto& strip : g_directionStrips) strip.reset();
}

// ---- The animation save ----

namespace {

int StripFrames(const CPixmap* strip) {
    return strip && g_spriteWidth > 0 ? strip->Width() / g_spriteWidth : 0;
}

std::vector<PixelRun> StripRuns() {
    std::vector<PixelRun> runs;
    for (const auto& strip : g_directionStrips) {
        const int frames = StripFrames(strip.get());
        if (frames == 0) continue;
        runs.push_back({strip->GetBits(), static_cast<size_t>(frames) * g_spriteWidth *
                                              static_cast<size_t>(g_spriteHeight)});
    }
    return runs;
}

void ShowOkBox(const std::string& text, const char* caption) {
    platform::Current().MessageBox(text, caption, platform::BoxButtons::Ok);
}

}  // namespace

SpriteFileHeader AnimationSpriteHeader() {
    std::array<int32_t, DIRECTION_COUNT> counts{};
    for (int i = 0; i < DIRECTION_COUNT; ++i) counts[i] = StripFrames(g_directionStrips[i].get());
    return MakeSpriteHeader(SPRITE_ANIMATION, g_spriteWidth, g_spriteHeight, g_keyColour, counts);
}

void SaveAnimationSprite() {
    const std::optional<std::string> path = AskSpriteFileName(SAVE_SPRITE_TITLE);
    if (!path) return;
    const SpriteFileHeader header = AnimationSpriteHeader();
    ShowOkBox(FormatSpriteReport(header), REPORT_CAPTION);
    if (!WriteFileReplacing(*path, EncodeSpriteFile(header, StripRuns()))) {
        ShowOkBox(SAVE_FAILED_TEXT, ERROR_CAPTION);
        return;
    }
    PlayClosingMusic();
    g_phase = PHASE_CLOSING;
}
