#pragma once
// A sprite's picture for file managers: its first frame, scaled by a whole
// factor so pixel art stays sharp.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/sprite_reader.h"

constexpr int THUMBNAIL_MAX_SIZE = 4096;

// A frame of `width` x `height` fitted to `size`: enlarged `factor` times
// when it fits, or every `factor`-th pixel kept when it is larger.
struct ThumbnailScale {
    int width, height;
    int factor;
    bool shrink;
};
ThumbnailScale FitThumbnail(int width, int height, int size);

// The first frame of the first direction that has frames, key colour
// transparent, as PNG bytes. Null, with `error` set, when there is no frame.
std::optional<std::vector<uint8_t>> MakeThumbnail(const SpriteImage& sprite, int size,
                                                  std::string* error);
