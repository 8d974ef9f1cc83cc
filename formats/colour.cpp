#include "formats/colour.h"

#include <algorithm>
#include <charconv>
#include <utility>

uint16_t g_redTable[256];
uint16_t g_greenTable[256];
uint16_t g_blueTable[256];
uint32_t g_pixelToRgb[65536];

namespace {

struct ChannelField {
    uint32_t mask;
    int width;  // set bits in the low 16 bits of the mask
    int shift;  // position of the lowest set bit
};

ChannelField AnalyseMask(uint32_t mask) {
    ChannelField field{mask & 0xFFFF, 0, 0};
    for (int bit = 15; bit >= 0; --bit) {
        if (field.mask & (1u << bit)) {
            ++field.width;
            field.shift = bit;
        }
    }
    return field;
}

uint16_t ChannelToField(int value, const ChannelField& field) {
    if (field.width == 0) return 0;
    // A field wider than 8 bits never comes from a 16-bit display; scale up
    // rather than shift by a negative amount.
    const uint32_t scaled = field.width <= 8 ? static_cast<uint32_t>(value) >> (8 - field.width)
                                             : static_cast<uint32_t>(value) << (field.width - 8);
    return static_cast<uint16_t>(scaled << field.shift);
}

uint32_t FieldToChannel(uint32_t pixel, const ChannelField& field) {
    if (field.width == 0) return 0;
    const uint32_t raw = (pixel & field.mask) >> field.shift;
    const uint32_t scaled = field.width <= 8 ? raw << (8 - field.width) : raw >> (field.width - 8);
    return scaled & 255;
}

}  // namespace

void BuildColourTables(uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
    const ChannelField red = AnalyseMask(redMask);
    const ChannelField green = AnalyseMask(greenMask);
    const ChannelField blue = AnalyseMask(blueMask);
    for (int i = 0; i < 256; ++i) {
        g_redTable[i] = ChannelToField(i, red);
        g_greenTable[i] = ChannelToField(i, green);
        g_blueTable[i] = ChannelToField(i, blue);
    }
    for (uint32_t p = 0; p < 65536; ++p) {
        g_pixelToRgb[p] = FieldToChannel(p, red) | (FieldToChannel(p, green) << 8) |
                          (FieldToChannel(p, blue) << 16);
    }
}

// Each threshold 0..63 appears once, and any 2 x 2, 4 x 4 or 8 x 8 block
// spreads them evenly, so a flat colour dithers to a fine, even texture.
const uint8_t DITHER_THRESHOLDS[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

namespace {

constexpr int kThresholdLevels = 64;

uint8_t Blend(uint8_t colour, uint8_t matte, int alpha) {
    return static_cast<uint8_t>((colour * alpha + matte * (255 - alpha) + 127) / 255);
}

}  // namespace

// A channel's step is read from its table, so 5-6-5, 5-5-5 and the tables
// the command-line tool packs whole bytes with are all served; a field of 8
// bits or more, or none, is exact and never dithers.
ColourConverter::Channel ColourConverter::MakeChannel(const uint16_t* table) {
    Channel channel{};
    const int width = __builtin_popcount(table[255]);
    const int step = width == 0 || width >= 8 ? 1 : 256 >> width;
    for (int v = 0; v < 256; ++v) {
        const int fraction = v % step;
        const int base = v - fraction;
        // An exact value has no step up; nor has the top step.
        const int up = fraction == 0 || base + step > 255 ? base : base + step;
        channel.low[v] = table[v];
        channel.high[v] = table[std::min(up, 255)];
        channel.lowValue[v] = static_cast<uint8_t>(base);
        channel.highValue[v] = static_cast<uint8_t>(up);
        // The share of thresholds that step up is the value's fraction of a step.
        const bool split = channel.high[v] != channel.low[v];
        channel.upBelow[v] =
            split ? static_cast<uint8_t>((kThresholdLevels * fraction + step - 1) / step) : 0;
    }
    return channel;
}

ColourConverter::ColourConverter(const ColourOptions& options, uint16_t keyPixel)
    : options_(options),
      keyPixel_(keyPixel),
      transparent_(PackRgb(255, 0, 255)),
      red_(MakeChannel(g_redTable)),
      green_(MakeChannel(g_greenTable)),
      blue_(MakeChannel(g_blueTable)) {}

uint16_t ColourConverter::Pack(uint8_t red, uint8_t green, uint8_t blue, int x, int y) const {
    if (!options_.dither) return red_.low[red] | green_.low[green] | blue_.low[blue];
    const int threshold = DITHER_THRESHOLDS[y & 7][x & 7];
    const auto pick = [threshold](const Channel& c, uint8_t v) {
        return threshold < c.upBelow[v] ? c.high[v] : c.low[v];
    };
    const uint16_t dithered = pick(red_, red) | pick(green_, green) | pick(blue_, blue);
    if (!Reserved(dithered)) return dithered;
    return AvoidReserved(dithered, red, green, blue);
}

// How far the step up (or the truncation) lies from the colour, in squared levels.
int ColourConverter::Distance(bool up, uint8_t red, uint8_t green, uint8_t blue) const {
    const auto channel = [up](const Channel& c, uint8_t v) {
        const int stands = up ? c.highValue[v] : c.lowValue[v];
        return (stands - v) * (stands - v);
    };
    return channel(red_, red) + channel(green_, green) + channel(blue_, blue);
}

// The dithered pixel is the key or the transparent magenta: the colour goes
// to its other neighbour instead (the truncated pixel or the step up), the
// nearer one when the dither mixed channels of both. The key is avoided
// before the magenta.
uint16_t ColourConverter::AvoidReserved(uint16_t dithered, uint8_t red, uint8_t green,
                                        uint8_t blue) const {
    const uint16_t low = red_.low[red] | green_.low[green] | blue_.low[blue];
    const uint16_t high = red_.high[red] | green_.high[green] | blue_.high[blue];
    if (low == high) return dithered;  // the colour's own pixel
    uint16_t first = high;
    uint16_t second = low;
    if (dithered == high) {
        first = low;
        second = low;
    } else if (dithered == low) {
        second = high;
    } else if (Distance(false, red, green, blue) <= Distance(true, red, green, blue)) {
        std::swap(first, second);
    }
    if (!Reserved(first)) return first;
    if (!Reserved(second)) return second;
    if (first != keyPixel_) return first;
    return second != keyPixel_ ? second : dithered;
}

uint16_t ColourConverter::PackRgba(const uint8_t* rgba, int x, int y) const {
    const int alpha = rgba[3];
    if (alpha < options_.alphaThreshold) return transparent_;
    if (!options_.useMatte || alpha == 255) return Pack(rgba[0], rgba[1], rgba[2], x, y);
    const Rgb8& matte = options_.matte;
    return Pack(Blend(rgba[0], matte.red, alpha), Blend(rgba[1], matte.green, alpha),
                Blend(rgba[2], matte.blue, alpha), x, y);
}

const char* const MATTE_WANTED = "--matte wants R,G,B with each a whole number from 0 to 255";
const char* const ALPHA_THRESHOLD_WANTED = "--alpha-threshold wants a whole number from 1 to 255";

namespace {

std::optional<int> WholeNumber(const std::string& text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text[0] == '-' || error != std::errc() || stop != end) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace

std::optional<Rgb8> ParseRgbText(const std::string& text) {
    int channels[3] = {};
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t comma = i < 2 ? text.find(',', start) : text.size();
        if (comma == std::string::npos) return std::nullopt;
        const std::optional<int> value = WholeNumber(text.substr(start, comma - start), 0, 255);
        if (!value) return std::nullopt;
        channels[i] = *value;
        start = comma + 1;
    }
    return Rgb8{static_cast<uint8_t>(channels[0]), static_cast<uint8_t>(channels[1]),
                static_cast<uint8_t>(channels[2])};
}

std::optional<int> ParseAlphaThresholdText(const std::string& text) {
    return WholeNumber(text, MIN_ALPHA_THRESHOLD, MAX_ALPHA_THRESHOLD);
}
