#pragma once
// The screen: a back block of 800 x 600 16-bit pixels that every frame is
// composed into, and the window (the "primary surface") it is shown in. The
// back block's rows are exactly 1600 bytes apart, so the frame code can copy
// its composition buffer in as one block. The display's colour masks are
// handed to the colour model when the screen is set up.

#include <cstdint>
#include <vector>

class CSurface {
  public:
    CSurface(int width, int height);

    // The whole surface; rows Pitch() bytes apart. Null when it was lost.
    uint16_t* Lock();
    void Unlock();
    bool IsLocked() const { return m_bLocked; }
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    int Pitch() const { return m_nWidth * 2; }
    const uint16_t* Pixels() const { return m_pixels.data(); }

  private:
    int m_nWidth;
    int m_nHeight;
    bool m_bLocked = false;
    std::vector<uint16_t> m_pixels;
};

// Stands for the window on the desktop: blitting into it shows a frame.
class CPrimarySurface {
  public:
    // Shows the whole of `source` at the window's client origin.
    bool Blt(const CSurface& source);
};

class CDDraw {
  public:
    static constexpr const char* kClassName = "CDDraw";

    CDDraw() = default;
    ~CDDraw();
    CDDraw(const CDDraw&) = delete;
    CDDraw& operator=(const CDDraw&) = delete;

    const char* GetRuntimeClassName() const { return kClassName; }

    bool Create();
    bool Init(uintptr_t window, unsigned width, unsigned height, unsigned bitCount,
              bool fullScreen);
    void ReleaseAll();
    // Full-screen presentation; the editor runs windowed and presents by Blt.
    bool Flip(unsigned flags);

    CSurface* GetBackSurface() const { return m_pDDSBack; }
    CPrimarySurface* GetPrimarySurface() const { return m_pDDSPrimary; }
    bool IsFullScreen() const { return m_bFullScreen; }

    // Shows the back surface in the window (the frame's present step).
    bool Present();

  private:
    bool m_pDD = false;  // the display link exists
    CPrimarySurface* m_pDDSPrimary = nullptr;
    CSurface* m_pDDSBack = nullptr;
    bool m_bFullScreen = false;
    unsigned m_nWidth = 0;
    unsigned m_nHeight = 0;
    unsigned m_nBitCount = 0;
    int m_hr = 0;
    unsigned m_nPixelBits = 0;
    int m_lPitch = 0;
};
