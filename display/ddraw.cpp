#include "display/ddraw.h"

#include <cstdio>

#include "formats/colour.h"
#include "platform/platform.h"

namespace {

void Trace(const char* line) {
    std::fputs(line, stderr);
}

}  // namespace

CSurface::CSurface(int width, int height)
    : m_nWidth(width), m_nHeight(height), m_pixels(static_cast<size_t>(width) * height, 0) {}

uint16_t* CSurface::Lock() {
    m_bLocked = true;
    return m_pixels.data();
}

void CSurface::Unlock() {
    m_bLocked = false;
}

bool CPrimarySurface::Blt(const CSurface& source) {
    if (source.Width() != platform::SCREEN_WIDTH || source.Height() != platform::SCREEN_HEIGHT)
        return false;
    platform::Current().Present(source.Pixels());
    return true;
}

CDDraw::~CDDraw() {
    ReleaseAll();
}

bool CDDraw::Create() {
    m_pDD = true;
    m_hr = 0;
    return true;
}

bool CDDraw::Init(uintptr_t window, unsigned width, unsigned height, unsigned bitCount,
                  bool fullScreen) {
    m_nWidth = width;
    m_nHeight = height;
    m_nBitCount = bitCount;
    m_bFullScreen = fullScreen;
    if (!m_pDD || window == 0 || fullScreen || bitCount != 16) {
        m_hr = -1;
        Trace("Failed to SetCooperativeLevel.\n");
        return false;
    }
    // Set up again: the surfaces of the earlier set-up go first.
    delete m_pDDSPrimary;
    delete m_pDDSBack;
    m_pDDSPrimary = new CPrimarySurface();
    m_pDDSBack = new CSurface(static_cast<int>(width), static_cast<int>(height));
    m_nPixelBits = 16;
    m_lPitch = m_pDDSBack->Pitch();
    const platform::PixelMasks masks = platform::Current().DisplayMasks();
    BuildColourTables(masks.red, masks.green, masks.blue);
    return true;
}

void CDDraw::ReleaseAll() {
    // Every pointer is cleared as it is freed, so a second call finds nothing.
    delete m_pDDSPrimary;
    m_pDDSPrimary = nullptr;
    delete m_pDDSBack;
    m_pDDSBack = nullptr;
    m_pDD = false;
}

bool CDDraw::Flip(unsigned /*flags*/) {
    return Present();
}

bool CDDraw::Present() {
    if (!m_pDDSPrimary || !m_pDDSBack) return false;
    m_hr = m_pDDSPrimary->Blt(*m_pDDSBack) ? 0 : -1;
    return m_hr == 0;
}
