// Feeds arbitrary bytes to the sprite file reader.

#include <cstdlib>

#include "formats/sprite_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const SpriteReadResult result = ReadSprite(data, size);
    if (result.sprite.has_value() == !result.problems.empty()) std::abort();
    for (const std::string& problem : result.problems)
        if (problem.empty() || problem.find('\n') != std::string::npos) std::abort();
    if (!result.sprite) return 0;
    const SpriteImage& sprite = *result.sprite;
    if (SPRITE_HEADER_SIZE + 2 * uint64_t{sprite.pixels.size()} != size ||
        uint64_t(sprite.FrameCount() * sprite.FramePixels()) != sprite.pixels.size())
        std::abort();
    return 0;
}
