// Feeds arbitrary bytes to the sprite file reader. Whatever it is given, it
// either returns a sprite whose pixels fill exactly the bytes after the header
// and whose frames it can address, or one line per problem and no sprite.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/sprite_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const SpriteReadResult result = ReadSprite(data, size);
    if (result.sprite.has_value() == !result.problems.empty()) std::abort();
    for (const std::string& problem : result.problems)
        if (problem.empty() || problem.find('\n') != std::string::npos) std::abort();
    if (!result.sprite) return 0;
    const SpriteImage& sprite = *result.sprite;
    const uint64_t pixelBytes = 2 * static_cast<uint64_t>(sprite.pixels.size());
    if (SPRITE_HEADER_SIZE + pixelBytes != size) std::abort();
    if (static_cast<uint64_t>(sprite.FrameCount() * sprite.FramePixels()) != sprite.pixels.size())
        std::abort();
    return 0;
}
