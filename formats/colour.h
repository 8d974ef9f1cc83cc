#pragma once
// 16-bit display pixels and their 8-bit red, green and blue channels. The
// layout (5-6-5 or 5-5-5) is whatever the display reports; four lookup tables
// built once from its masks do every conversion, so packing is three lookups
// and two ORs with no shifts or branches.

#include <cstdint>
#include <optional>
#include <string>

extern uint16_t g_redTable[256];
extern uint16_t g_greenTable[256];
extern uint16_t g_blueTable[256];
// Red in bits 0-7, green in 8-15, blue in 16-23; each channel's freed low bits are 0.
extern uint32_t g_pixelToRgb[65536];

// Only the low 16 bits of each mask are looked at; an empty mask contributes 0.
void BuildColourTables(uint32_t redMask, uint32_t greenMask, uint32_t blueMask);

inline uint16_t PackRgb(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint16_t>(g_redTable[red] | g_greenTable[green] | g_blueTable[blue]);
}

struct Rgb {
    int red;
    int green;
    int blue;
};

inline Rgb UnpackPixel(uint32_t pixel) {
    const uint32_t v = g_pixelToRgb[pixel & 0xFFFF];
    return {static_cast<int>(v & 255), static_cast<int>((v >> 8) & 255),
            static_cast<int>((v >> 16) & 255)};
}

// An 8-bit red, green and blue colour.
struct Rgb8 {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

constexpr int DEFAULT_ALPHA_THRESHOLD = 128;
constexpr int MIN_ALPHA_THRESHOLD = 1;
constexpr int MAX_ALPHA_THRESHOLD = 255;

// How a picture's colours become pixels when it is opened. The defaults are
// the plain packing above: truncation, and a PNG pixel with alpha below 128
// turning magenta.
struct ColourOptions {
    // An ordered 8 x 8 threshold, anchored at the picture's top-left, picks
    // between a colour's truncated value and the next step up.
    bool dither = false;
    // A PNG pixel with alpha from 1 to 254 is blended onto `matte` first.
    bool useMatte = false;
    Rgb8 matte;
    // Alpha below this turns the pixel magenta (1 to 255).
    int alphaThreshold = DEFAULT_ALPHA_THRESHOLD;
};

// Packs a picture's colours as ColourOptions say, from the packing tables
// current when it is made. With dithering it never gives the key pixel or the
// magenta of transparent PNG pixels to a colour that has another neighbour
// to go to; a colour whose every channel is exact (or in the top step) packs
// to its own pixel, whatever that is.
class ColourConverter {
  public:
    explicit ColourConverter(const ColourOptions& options = {}, uint16_t keyPixel = 0);

    const ColourOptions& Options() const { return options_; }
    bool Dithers() const { return options_.dither; }
    uint16_t Transparent() const { return transparent_; }

    // `x` and `y` are picture coordinates: they choose the threshold.
    uint16_t Pack(uint8_t red, uint8_t green, uint8_t blue, int x, int y) const;
    // A PNG pixel, red, green, blue and alpha: matte, then threshold.
    uint16_t PackRgba(const uint8_t* rgba, int x, int y) const;

  private:
    // One channel's two neighbours for every 8-bit value.
    struct Channel {
        uint16_t low[256];      // the truncated field
        uint16_t high[256];     // the step up; the same when exact or in the top step
        uint8_t lowValue[256];  // the 8-bit values they stand for, low bits 0
        uint8_t highValue[256];
        uint8_t upBelow[256];  // thresholds 0..63 below this take `high`
    };
    static Channel MakeChannel(const uint16_t* table);
    int Distance(bool up, uint8_t red, uint8_t green, uint8_t blue) const;

    uint16_t AvoidReserved(uint16_t dithered, uint8_t red, uint8_t green, uint8_t blue) const;
    bool Reserved(uint16_t pixel) const { return pixel == keyPixel_ || pixel == transparent_; }

    ColourOptions options_;
    uint16_t keyPixel_;
    uint16_t transparent_;
    Channel red_, green_, blue_;
};

// The 8 x 8 threshold matrix, 0 to 63, by row then column.
extern const uint8_t DITHER_THRESHOLDS[8][8];

// "R,G,B", each a whole number 0 to 255; null for anything else.
std::optional<Rgb8> ParseRgbText(const std::string& text);
// A whole number from 1 to 255; null for anything else.
std::optional<int> ParseAlphaThresholdText(const std::string& text);
extern const char* const MATTE_WANTED;            // "--matte wants R,G,B ..."
extern const char* const ALPHA_THRESHOLD_WANTED;  // "--alpha-threshold wants ..."
