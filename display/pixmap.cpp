#include "display/pixmap.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "display/blocks.h"
#include "formats/colour.h"

namespace {

// Well above the largest strip the sheet can fill (1400 x 2500 pixels) and far
// below anything that would overflow a size computation.
constexpr int64_t kMaxPixmapPixels = int64_t{1} << 24;

constexpr int WORK_RIGHT = 600;
constexpr int WORK_BOTTOM = 500;

struct Rect {
    int64_t left;
    int64_t top;
    int64_t right;
    int64_t bottom;
};

constexpr Rect kScreenClip{0, 0, SCREEN_WIDTH, SCREEN_HEIGHT};
constexpr Rect kWorkClip{0, WORK_TOP, WORK_RIGHT, WORK_BOTTOM};

Rect Intersect(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const Rect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

uint8_t ClampChannel(int value) {
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

// Where a width x height grid placed at (x, y) lands inside the clip.
struct ClippedDraw {
    int64_t sourceOffset;
    int64_t targetOffset;
    int columns;
    int rows;
};

bool ClipDraw(int width, int height, int pitch, int x, int y, const Rect& clip, ClippedDraw& draw) {
    const Rect area = Intersect({x, y, int64_t{x} + width, int64_t{y} + height}, clip);
    if (IsEmpty(area)) return false;
    assert(pitch >= clip.right);
    draw.sourceOffset = (area.top - y) * width + (area.left - x);
    draw.targetOffset = area.top * pitch + area.left;
    draw.columns = static_cast<int>(area.right - area.left);
    draw.rows = static_cast<int>(area.bottom - area.top);
    return true;
}

// Draws the clipped part of the grid; each destination pixel becomes
// op(source, destination).
template <typename PixelOp>
void DrawClipped(const uint16_t* bits, int width, int height, uint16_t* block, int pitch, int x,
                 int y, const Rect& clip, PixelOp op) {
    ClippedDraw draw;
    if (!ClipDraw(width, height, pitch, x, y, clip, draw)) return;
    for (int row = 0; row < draw.rows; ++row) {
        const uint16_t* source = bits + draw.sourceOffset + static_cast<int64_t>(row) * width;
        uint16_t* target = block + draw.targetOffset + static_cast<int64_t>(row) * pitch;
        for (int column = 0; column < draw.columns; ++column)
            target[column] = op(source[column], target[column]);
    }
}

// The same without clipping: the caller keeps the grid inside the block.
template <typename PixelOp>
void DrawUnclipped(const uint16_t* bits, int width, int height, uint16_t* block, int pitch, int x,
                   int y, PixelOp op) {
    assert(RectInsideBlock(pitch, x, y, int64_t{x} + width, int64_t{y} + height));
    for (int row = 0; row < height; ++row) {
        const uint16_t* source = bits + static_cast<int64_t>(row) * width;
        uint16_t* target = block + (int64_t{y} + row) * pitch + x;
        for (int column = 0; column < width; ++column)
            target[column] = op(source[column], target[column]);
    }
}

void CopyRows(const uint16_t* source, int64_t sourcePitch, uint16_t* target, int64_t targetPitch,
              int width, int rows) {
    const size_t rowBytes = static_cast<size_t>(width) * sizeof(uint16_t);
    for (int row = 0; row < rows; ++row)
        std::memcpy(target + row * targetPitch, source + row * sourcePitch, rowBytes);
}

// Decodes a pixel, adds the amounts to its channels within 0..255, re-encodes.
uint16_t ShiftColour(uint16_t pixel, int redAdd, int greenAdd, int blueAdd) {
    const Rgb rgb = UnpackPixel(pixel);
    return PackRgb(ClampChannel(rgb.red + redAdd), ClampChannel(rgb.green + greenAdd),
                   ClampChannel(rgb.blue + blueAdd));
}

}  // namespace

int BlockRowsForPitch(int pitch) {
    switch (pitch) {
        case SCREEN_WIDTH:
            return SCREEN_HEIGHT;
        case SHEET_WIDTH:
            return SHEET_HEIGHT;
        case PICTURE_WIDTH:
            return PICTURE_HEIGHT;
        default:
            return 0;
    }
}

bool RectInsideBlock(int pitch, int64_t left, int64_t top, int64_t right, int64_t bottom) {
    if (right <= left || bottom <= top) return true;
    if (left < 0 || top < 0 || right > pitch) return false;
    const int rows = BlockRowsForPitch(pitch);
    return rows == 0 || bottom <= rows;
}

void ClearPixels(uint16_t* block, int width, int height) {
    if (width <= 0 || height <= 0) return;
    std::fill_n(block, static_cast<int64_t>(width) * height, uint16_t{0});
}

uint32_t GetPixel(const uint16_t* block, int pitch, int x, int y) {
    assert(RectInsideBlock(pitch, x, y, int64_t{x} + 1, int64_t{y} + 1));
    return block[static_cast<int64_t>(y) * pitch + x];
}

void PutPixel(uint16_t* screen, int x, int y, uint16_t colour) {
    assert(RectInsideBlock(SCREEN_WIDTH, x, y, int64_t{x} + 1, int64_t{y} + 1));
    screen[static_cast<int64_t>(y) * SCREEN_WIDTH + x] = colour;
}

void FillRect(uint16_t* block, int pitch, int left, int top, int right, int bottom,
              uint16_t colour) {
    assert(RectInsideBlock(pitch, left, top, right, bottom));
    if (right <= left || bottom <= top) return;
    // One filled row copied down is several times faster than filling each row.
    uint16_t* firstRow = block + int64_t{top} * pitch + left;
    std::fill(firstRow, firstRow + (right - left), colour);
    CopyRows(firstRow, 0, firstRow + pitch, pitch, right - left, bottom - top - 1);
}

void FillRectClipped(uint16_t* block, int pitch, int left, int top, int right, int bottom,
                     uint16_t colour) {
    const Rect area = Intersect({left, top, right, bottom}, kScreenClip);
    if (IsEmpty(area)) return;
    assert(pitch >= SCREEN_WIDTH);
    FillRect(block, pitch, static_cast<int>(area.left), static_cast<int>(area.top),
             static_cast<int>(area.right), static_cast<int>(area.bottom), colour);
}

void FrameRect(uint16_t* screen, int left, int top, int right, int bottom, uint16_t colour) {
    // An empty rectangle would otherwise put its right edge at left - 1.
    if (right <= left || bottom <= top) return;
    for (int x = left; x < right; ++x) {
        PutPixel(screen, x, top, colour);
        PutPixel(screen, x, bottom - 1, colour);
    }
    for (int y = top; y < bottom; ++y) {
        PutPixel(screen, left, y, colour);
        PutPixel(screen, right - 1, y, colour);
    }
}

CPixmap::CPixmap(int width, int height) : m_nWidth(0), m_nHeight(0), m_pBits(nullptr) {
    const int64_t pixels = static_cast<int64_t>(width) * height;
    if (width <= 0 || height <= 0 || pixels > kMaxPixmapPixels) return;
    m_pBits = new uint16_t[static_cast<size_t>(pixels)]();
    m_nWidth = static_cast<uint32_t>(width);
    m_nHeight = static_cast<uint32_t>(height);
}

CPixmap::~CPixmap() {
    delete[] m_pBits;
}

void CPixmap::Grab(const uint16_t* source, int pitch, int x, int y) {
    assert(RectInsideBlock(pitch, x, y, int64_t{x} + Width(), int64_t{y} + Height()));
    CopyRows(source + static_cast<int64_t>(y) * pitch + x, pitch, m_pBits, Width(), Width(),
             Height());
}

void CPixmap::GrabSheet(const uint16_t* sheet, int x, int y) {
    Grab(sheet, SHEET_WIDTH, x, y);
}

void CPixmap::GrabPicture(const uint16_t* picture, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) return;
    const int64_t capacity = static_cast<int64_t>(Width()) * Height();
    assert(static_cast<int64_t>(width) * height <= capacity);
    const int rows = static_cast<int>(std::min<int64_t>(height, capacity / width));
    assert(RectInsideBlock(PICTURE_WIDTH, x, y, int64_t{x} + width, int64_t{y} + rows));
    CopyRows(picture + static_cast<int64_t>(y) * PICTURE_WIDTH + x, PICTURE_WIDTH, m_pBits, width,
             width, rows);
}

void CPixmap::Put(uint16_t* screen, int x, int y) const {
    assert(RectInsideBlock(SCREEN_WIDTH, x, y, int64_t{x} + Width(), int64_t{y} + Height()));
    CopyRows(m_pBits, Width(), screen + static_cast<int64_t>(y) * SCREEN_WIDTH + x, SCREEN_WIDTH,
             Width(), Height());
}

void CPixmap::PutPicture(uint16_t* picture, int x, int y) const {
    assert(RectInsideBlock(PICTURE_WIDTH, x, y, int64_t{x} + Width(), int64_t{y} + Height()));
    CopyRows(m_pBits, Width(), picture + static_cast<int64_t>(y) * PICTURE_WIDTH + x, PICTURE_WIDTH,
             Width(), Height());
}

void CPixmap::PutSheet(uint16_t* sheet, int x, int y) const {
    assert(RectInsideBlock(SHEET_WIDTH, x, y, int64_t{x} + Width(), int64_t{y} + Height()));
    CopyRows(m_pBits, Width(), sheet + static_cast<int64_t>(y) * SHEET_WIDTH + x, SHEET_WIDTH,
             Width(), Height());
}

void CPixmap::PutTinted(uint16_t* block, int pitch, int x, int y, int mode) const {
    constexpr int kRaise = 120;
    const int redAdd = mode == 1 ? kRaise : 0;
    const int greenAdd = mode == 2 ? kRaise : 0;
    const int blueAdd = mode == 3 ? kRaise : 0;
    DrawUnclipped(m_pBits, Width(), Height(), block, pitch, x, y, [=](uint16_t pixel, uint16_t) {
        return ShiftColour(pixel, redAdd, greenAdd, blueAdd);
    });
}

void CPixmap::PutDarkened(uint16_t* block, int pitch, int x, int y) const {
    DrawUnclipped(m_pBits, Width(), Height(), block, pitch, x, y,
                  [](uint16_t pixel, uint16_t) { return ShiftColour(pixel, -100, -70, -70); });
}

void CPixmap::PutAdditive(uint16_t* block, int pitch, int x, int y, int redAdd, int greenAdd,
                          int blueAdd) const {
    DrawClipped(
        m_pBits, Width(), Height(), block, pitch, x, y, kWorkClip,
        [=](uint16_t pixel, uint16_t) { return ShiftColour(pixel, redAdd, greenAdd, blueAdd); });
}

void CPixmap::PutKeyedWork(uint16_t* block, int pitch, int x, int y) const {
    DrawClipped(m_pBits, Width(), Height(), block, pitch, x, y, kWorkClip,
                [](uint16_t pixel, uint16_t under) { return pixel != 0 ? pixel : under; });
}

void CPixmap::PutKeyed(uint16_t* block, int pitch, int x, int y) const {
    DrawClipped(m_pBits, Width(), Height(), block, pitch, x, y, kScreenClip,
                [](uint16_t pixel, uint16_t under) { return pixel != 0 ? pixel : under; });
}

void CPixmap::PutClipped(uint16_t* block, int pitch, int x, int y) const {
    ClippedDraw draw;
    if (!ClipDraw(Width(), Height(), pitch, x, y, kScreenClip, draw)) return;
    CopyRows(m_pBits + draw.sourceOffset, Width(), block + draw.targetOffset, pitch, draw.columns,
             draw.rows);
}
