#include "workbench/sprite_save.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>

#include "display/pixmap.h"
#include "formats/safe_file.h"
#include "platform/platform.h"
#include "state/editor_state.h"
#include "workbench/directions.h"
#include "workbench/file_dialogs.h"
#include "workbench/input.h"

const char* const SAVE_SPRITE_TITLE = "Save Sprite...Good Luck!";
const char* const REPORT_CAPTION = "Output Infomation";
const char* const ERROR_CAPTION = "Error Message";
const char* const SAVE_FAILED_TEXT = "Error Test 1";

namespace {

std::unique_ptr<CPixmap> g_directionStrips[SPRITE_DIRECTIONS];

}  // namespace

namespace {

void CopyCell(uint16_t* out, const uint16_t* source, int pitch, int rows, int64_t index, int width,
              int height) {
    std::fill_n(out, static_cast<size_t>(width) * height, uint16_t{0});
    // Cells below the sheet's last full row never hold a frame.
    if (!CellFitsSheet(static_cast<int>(index))) return;
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
    if (width <= 0 || height <= 0 || g_state.sheet.sheetColumns <= 0) return;
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
    const int slot = SelectorForFilePosition(filePosition) - 1;
    const int span = g_state.directions.directionCount[slot];
    std::unique_ptr<CPixmap>& strip = g_directionStrips[filePosition];
    strip.reset();
    if (span <= 1) return;
    const int64_t stripWidth = int64_t{g_state.sheet.spriteWidth} * (int64_t{span} + 1);
    if (stripWidth > INT_MAX) return;
    strip = std::make_unique<CPixmap>(static_cast<int>(stripWidth), g_state.sheet.spriteHeight);
    if (strip->Width() == 0) {  // more frames than any picture may hold
        strip.reset();
        return;
    }
    const DirectionRange& range = g_state.directions.directionRanges[slot];
    GrabFrames(*strip, g_sheet, SHEET_WIDTH, range.firstCell, range.lastCell,
               g_state.sheet.spriteWidth, g_state.sheet.spriteHeight);
}

}  // namespace

void GatherDirectionStrips() {
    for (int position = 0; position < DIRECTION_COUNT; ++position) {
        if (DIRECTIONS[SelectorForFilePosition(position) - 1].gatherStep !=
            g_state.freeze.freezeStep)
            continue;
        if (g_state.freeze.freezeStep == FROZEN_STEP) g_state.freeze.phase = PHASE_FROZEN;
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
    return strip && g_state.sheet.spriteWidth > 0 ? strip->Width() / g_state.sheet.spriteWidth : 0;
}

std::vector<PixelRun> StripRuns() {
    std::vector<PixelRun> runs;
    for (const auto& strip : g_directionStrips) {
        const int frames = StripFrames(strip.get());
        if (frames == 0) continue;
        runs.push_back({strip->GetBits(), static_cast<size_t>(frames) * g_state.sheet.spriteWidth *
                                              static_cast<size_t>(g_state.sheet.spriteHeight)});
    }
    return runs;
}

void ShowOkBox(const std::string& text, const char* caption) {
    platform::Current().MessageBox(text, caption, platform::BoxButtons::Ok);
}

}  // namespace

std::string SaveFailedText(const char* generic, const std::string& path,
                           const WriteResult& written) {
    std::fprintf(stderr, "celforge: %s: %s\n", path.c_str(), Describe(written).c_str());
    if (written.error == ENAMETOOLONG)
        return "Cannot save " + path +
               ": the name is too long. A file name may hold at most 255 bytes: please choose "
               "a shorter one.";
    return std::string(generic) + "\n" + path + ": " + Describe(written);
}

SpriteFileHeader AnimationSpriteHeader() {
    SpriteCounts counts{};
    for (int i = 0; i < DIRECTION_COUNT; ++i) counts[i] = StripFrames(g_directionStrips[i].get());
    return MakeSpriteHeader(SPRITE_ANIMATION, g_state.sheet.spriteWidth, g_state.sheet.spriteHeight,
                            g_state.edit.keyColour, counts);
}

bool SaveAnimationSprite() {
    const platform::DialogResult answer = AskSpriteFileName(SAVE_SPRITE_TITLE);
    if (answer.outcome != platform::DialogOutcome::Chosen) return false;
    const SpriteFileHeader header = AnimationSpriteHeader();
    ShowOkBox(FormatSpriteReport(header), REPORT_CAPTION);
    const WriteResult written =
        WriteFileReplacing(answer.path, EncodeSpriteFile(header, StripRuns()));
    if (!written) {
        ShowOkBox(SaveFailedText(SAVE_FAILED_TEXT, answer.path, written), ERROR_CAPTION);
        return false;
    }
    g_state.freeze.phase = PHASE_CLOSING;
    return true;
}
