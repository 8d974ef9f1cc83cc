#pragma once
// Pixel blocks and the operations that move 16-bit display pixels between
// them. A block is a contiguous run of pixels, rows top first, with a pitch
// counted in pixels. Rectangles are (left, top, right, bottom) with right and
// bottom outside.
//
// The unclipped operations trust their callers to stay inside both blocks and
// check it with debug assertions. A block's extent is known by its pitch, the
// convention every caller follows: pitch 800 is the screen (600 rows), pitch
// 1400 the frame sheet (2500 rows), pitch 640 a picture buffer (480 rows). Any
// other pitch is a pixmap's own block, whose row count is not known here.

#include <cstdint>

// Rows of the fixed canvas with this pitch, or 0 when the pitch names none.
int BlockRowsForPitch(int pitch);

// Whether the rectangle lies inside a block of this pitch (columns always,
// rows when the pitch names a fixed canvas). Empty rectangles always fit.
bool RectInsideBlock(int pitch, int64_t left, int64_t top, int64_t right, int64_t bottom);

void ClearPixels(uint16_t* block, int width, int height);
uint32_t GetPixel(const uint16_t* block, int pitch, int x, int y);
void PutPixel(uint16_t* screen, int x, int y, uint16_t colour);
void FillRect(uint16_t* block, int pitch, int left, int top, int right, int bottom,
              uint16_t colour);
// Clipped to the screen (0, 0, 800, 600).
void FillRectClipped(uint16_t* block, int pitch, int left, int top, int right, int bottom,
                     uint16_t colour);
// One-pixel outline on a pitch-800 block; an empty rectangle draws nothing.
void FrameRect(uint16_t* screen, int left, int top, int right, int bottom, uint16_t colour);

class CPixmap {
  public:
    // Sizes that are not positive, or too large to be a picture of this
    // editor, give an empty 0 x 0 pixmap that draws nothing.
    CPixmap(int width, int height);
    ~CPixmap();
    CPixmap(const CPixmap&) = delete;
    CPixmap& operator=(const CPixmap&) = delete;

    uint16_t* GetBits() { return m_pBits; }
    const uint16_t* GetBits() const { return m_pBits; }
    int Width() const { return static_cast<int>(m_nWidth); }
    int Height() const { return static_cast<int>(m_nHeight); }

    // Copy the pixmap's size in from the rectangle at (x, y) of the source.
    void Grab(const uint16_t* source, int pitch, int x, int y);
    void GrabSheet(const uint16_t* sheet, int x, int y);
    // Copies width x height pixels of a picture buffer, packed with stride
    // width; never more rows than the pixmap can hold.
    void GrabPicture(const uint16_t* picture, int x, int y, int width, int height);

    // Opaque, unclipped draws with the top-left corner at (x, y).
    void Put(uint16_t* screen, int x, int y) const;
    void PutPicture(uint16_t* picture, int x, int y) const;
    void PutSheet(uint16_t* sheet, int x, int y) const;
    // Mode 1 raises red by 120, 2 green, 3 blue (capped at 255); any other
    // mode re-encodes the pixels unchanged.
    void PutTinted(uint16_t* block, int pitch, int x, int y, int mode) const;
    // Red down by 100, green and blue by 70, none below 0.
    void PutDarkened(uint16_t* block, int pitch, int x, int y) const;

    // Clipped to the work area (0, WORK_TOP, 600, 500); amounts are added to
    // each channel, the result kept within 0..255.
    void PutAdditive(uint16_t* block, int pitch, int x, int y, int redAdd, int greenAdd,
                     int blueAdd) const;
    // Clipped to the work area; pixels equal to 0 leave the destination alone.
    void PutKeyedWork(uint16_t* block, int pitch, int x, int y) const;
    // Clipped to the screen; pixels equal to 0 leave the destination alone.
    void PutKeyed(uint16_t* block, int pitch, int x, int y) const;
    // Clipped to the screen, opaque.
    void PutClipped(uint16_t* block, int pitch, int x, int y) const;

  private:
    uint32_t m_nWidth;
    uint32_t m_nHeight;
    uint16_t* m_pBits;
};
