#include "formats/sprite_reader.h"

#include <cstdio>
#include <cstring>

namespace {

int32_t ReadLe32(const uint8_t* bytes) {
    const uint32_t bits = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
                          uint32_t{bytes[3]} << 24;
    return static_cast<int32_t>(bits);
}

int32_t FieldAt(const uint8_t* bytes, size_t offset) {
    return ReadLe32(bytes + offset);
}

// The text as it would be typed: trailing zeros dropped, anything that is not
// printable ASCII shown as \xNN, so a hostile header cannot garble a terminal.
std::string Quoted(const std::string& raw) {
    size_t end = raw.size();
    while (end > 0 && raw[end - 1] == '\0') --end;
    std::string text = "\"";
    for (size_t i = 0; i < end; ++i) {
        const auto c = static_cast<unsigned char>(raw[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        }
    }
    return text + "\"";
}

bool SameBytes(const std::string& raw, const char* expected, size_t length) {
    std::string padded(expected, std::strlen(expected));
    padded.resize(length, '\0');
    return raw == padded;
}

void CheckText(const SpriteHeaderFields& h, std::vector<std::string>& problems) {
    if (!SameBytes(h.signature, SPRITE_SIGNATURE, sizeof SPRITE_SIGNATURE))
        problems.push_back("signature is " + Quoted(h.signature) + ", expected " +
                           Quoted(SPRITE_SIGNATURE));
    if (!SameBytes(h.version, SPRITE_VERSION, 12))
        problems.push_back("version is " + Quoted(h.version) + ", expected " +
                           Quoted(SPRITE_VERSION) + " padded with zeros");
}

void CheckRange(const char* field, int64_t value, int64_t low, int64_t high,
                std::vector<std::string>& problems) {
    if (value >= low && value <= high) return;
    problems.push_back(std::string(field) + " is " + std::to_string(value) + ", expected " +
                       std::to_string(low) + " to " + std::to_string(high));
}

void CheckNumbers(const SpriteHeaderFields& h, std::vector<std::string>& problems) {
    if (h.type != SPRITE_ANIMATION && h.type != SPRITE_SINGLE)
        problems.push_back("type is " + std::to_string(h.type) +
                           ", expected 1 (animation) or 2 (single)");
    CheckRange("width", h.width, 1, SPRITE_MAX_WIDTH, problems);
    CheckRange("height", h.height, 1, SPRITE_MAX_HEIGHT, problems);
    if (h.colourBits != SPRITE_COLOUR_BITS)
        problems.push_back("colour bits is " + std::to_string(h.colourBits) + ", expected 16");
    CheckRange("key colour", h.keyColour, 0, 0xFFFF, problems);
}

void CheckCounts(const SpriteHeaderFields& h, std::vector<std::string>& problems) {
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d) {
        const std::string name = SPRITE_DIRECTION_NAMES[d];
        const int32_t count = h.counts[d];
        if (count < 0) {
            problems.push_back(name + " frame count is " + std::to_string(count) +
                               ", expected 0 or more");
        } else if (h.type == SPRITE_SINGLE && count != (d == 0 ? 1 : 0)) {
            problems.push_back("a single sprite has " + std::to_string(count) + " " + name +
                               " frames, expected " + (d == 0 ? "1" : "0"));
        }
    }
}

void CheckLength(const SpriteHeaderFields& h, uint64_t fileSize,
                 std::vector<std::string>& problems) {
    const std::optional<uint64_t> implied = ImpliedSpriteSize(h);
    if (!implied || *implied == fileSize) return;
    const bool shorter = fileSize < *implied;
    const uint64_t off = shorter ? *implied - fileSize : fileSize - *implied;
    problems.push_back("file is " + std::to_string(fileSize) + " bytes, the header implies " +
                       std::to_string(*implied) + " (" + std::to_string(off) +
                       (off == 1 ? " byte" : " bytes") + (shorter ? " too short)" : " too long)"));
}

}  // namespace

std::optional<SpriteHeaderFields> ParseSpriteHeader(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr || size < SPRITE_HEADER_SIZE) return std::nullopt;
    SpriteHeaderFields h;
    const auto* text = reinterpret_cast<const char*>(bytes);
    h.signature.assign(text + offsetof(SpriteFileHeader, szSignature), 23);
    h.version.assign(text + offsetof(SpriteFileHeader, szVersion), 12);
    h.type = FieldAt(bytes, offsetof(SpriteFileHeader, nSpriteType));
    h.width = FieldAt(bytes, offsetof(SpriteFileHeader, nWidth));
    h.height = FieldAt(bytes, offsetof(SpriteFileHeader, nHeight));
    h.colourBits = FieldAt(bytes, offsetof(SpriteFileHeader, nColorSystem));
    h.keyColour = FieldAt(bytes, offsetof(SpriteFileHeader, nKeyColor));
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d)
        h.counts[d] = FieldAt(bytes, offsetof(SpriteFileHeader, nFrameCount) + 4 * d);
    return h;
}

std::optional<uint64_t> ImpliedSpriteSize(const SpriteHeaderFields& h) {
    if (h.width < 1 || h.width > SPRITE_MAX_WIDTH || h.height < 1 || h.height > SPRITE_MAX_HEIGHT)
        return std::nullopt;
    uint64_t frames = 0;
    for (int32_t count : h.counts) {
        if (count < 0) return std::nullopt;
        frames += static_cast<uint64_t>(count);
    }
    // At most 9 x (2^31 - 1) frames of 640 x 480 x 2 bytes: below 2^54.
    return SPRITE_HEADER_SIZE + 2 * uint64_t(h.width) * uint64_t(h.height) * frames;
}

std::vector<std::string> FindSpriteProblems(const SpriteHeaderFields& h, uint64_t fileSize) {
    std::vector<std::string> problems;
    CheckText(h, problems);
    CheckNumbers(h, problems);
    CheckCounts(h, problems);
    CheckLength(h, fileSize, problems);
    return problems;
}

int64_t SpriteImage::FrameCount() const {
    return FirstFrameOf(SPRITE_DIRECTIONS);
}

int64_t SpriteImage::FirstFrameOf(int direction) const {
    int64_t first = 0;
    for (int d = 0; d < direction; ++d) first += header.counts[d];
    return first;
}

SpriteReadResult ReadSprite(const uint8_t* bytes, size_t size) {
    SpriteReadResult result;
    const std::optional<SpriteHeaderFields> header = ParseSpriteHeader(bytes, size);
    if (!header) {
        result.problems.push_back("file is " + std::to_string(size) +
                                  " bytes, shorter than the 91-byte header");
        return result;
    }
    result.problems = FindSpriteProblems(*header, size);
    if (!result.problems.empty()) return result;
    SpriteImage sprite;
    sprite.header = *header;
    sprite.keyColour = static_cast<uint16_t>(header->keyColour);
    // The length matched the header, so this many pixels are really there.
    sprite.pixels.resize((size - SPRITE_HEADER_SIZE) / 2);
    const uint8_t* in = bytes + SPRITE_HEADER_SIZE;
    for (uint16_t& pixel : sprite.pixels) {
        pixel = static_cast<uint16_t>(in[0] | in[1] << 8);
        in += 2;
    }
    result.sprite = std::move(sprite);
    return result;
}
