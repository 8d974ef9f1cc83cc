#include "formats/sprite_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

const char* const SPRITE_DIRECTION_NAMES[SPRITE_DIRECTIONS] = {
    "No Direction", "Left", "LeftUp", "Up", "RightUp", "Right", "RightDown", "Down", "LeftDown",
};

const char SPRITE_SIGNATURE[23] = "Brisk_Kite(Brisk_Wren)";
const char SPRITE_VERSION[6] = "Ver.1";

namespace {

void PutLe32(uint8_t* out, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}

}  // namespace

SpriteFileHeader MakeSpriteHeader(SpriteType type, int width, int height, uint32_t keyColour,
                                  const SpriteCounts& counts) {
    SpriteFileHeader header{};
    std::memcpy(header.szSignature, SPRITE_SIGNATURE, sizeof SPRITE_SIGNATURE);
    std::memcpy(header.szVersion, SPRITE_VERSION, sizeof SPRITE_VERSION);
    header.nSpriteType = type;
    header.nWidth = width;
    header.nHeight = height;
    header.nColorSystem = SPRITE_COLOUR_BITS;
    header.nKeyColor = static_cast<int32_t>(keyColour & 0xFFFF);
    // Indexed one by one: a pointer into the packed header would be misaligned.
    for (int i = 0; i < SPRITE_DIRECTIONS; ++i) header.nFrameCount[i] = counts[i];
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
    for (int i = 0; i < SPRITE_DIRECTIONS; ++i)
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
    int32_t n[SPRITE_DIRECTIONS];
    for (int i = 0; i < SPRITE_DIRECTIONS; ++i) n[i] = h.nFrameCount[i];
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
