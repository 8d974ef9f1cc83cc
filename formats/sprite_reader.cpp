// The sprite reader is the C++ face of celforge/spr.h: the checks, their
// wording and the frame layout live there alone, so the command line, the
// editor and game code give one verdict for one file.
#define CELFORGE_SPR_IMPLEMENTATION
#include "formats/sprite_reader.h"

#include <algorithm>

#include "celforge/spr.h"

static_assert(SPRITE_MAX_WIDTH == CFSPR_MAX_WIDTH && SPRITE_MAX_HEIGHT == CFSPR_MAX_HEIGHT,
              "one frame size limit");
static_assert(SPRITE_HEADER_SIZE == CFSPR_HEADER_SIZE, "one header size");

namespace {

void CopyText(const std::string& text, char* out, size_t room) {
    std::fill(out, out + room, '\0');
    std::copy_n(text.begin(), std::min(text.size(), room), out);
}

cfspr_header ToC(const SpriteHeaderFields& h) {
    cfspr_header c{};
    CopyText(h.signature, c.signature, sizeof c.signature);
    CopyText(h.version, c.version, sizeof c.version);
    c.type = h.type, c.width = h.width, c.height = h.height;
    c.colour_bits = h.colourBits, c.key_colour = h.keyColour;
    std::copy(h.counts.begin(), h.counts.end(), c.counts);
    return c;
}

SpriteHeaderFields FromC(const cfspr_header& c) {
    SpriteHeaderFields h;
    h.signature.assign(c.signature, sizeof c.signature);
    h.version.assign(c.version, sizeof c.version);
    h.type = c.type, h.width = c.width, h.height = c.height;
    h.colourBits = c.colour_bits, h.keyColour = c.key_colour;
    std::copy(c.counts, c.counts + SPRITE_DIRECTIONS, h.counts.begin());
    return h;
}

std::vector<std::string> Describe(const cfspr_header& h, uint64_t fileSize,
                                  const cfspr_problem* problems, int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        char line[CFSPR_TEXT_MAX];
        cfspr_describe(&h, fileSize, problems[i], line, sizeof line);
        lines.emplace_back(line);
    }
    return lines;
}

}  // namespace

std::optional<SpriteHeaderFields> ParseSpriteHeader(const uint8_t* bytes, size_t size) {
    cfspr_header header;
    if (!cfspr_parse_header(bytes, size, &header)) return std::nullopt;
    return FromC(header);
}

std::optional<uint64_t> ImpliedSpriteSize(const SpriteHeaderFields& header) {
    const cfspr_header c = ToC(header);
    uint64_t size = 0;
    if (!cfspr_implied_size(&c, &size)) return std::nullopt;
    return size;
}

std::vector<std::string> FindSpriteProblems(const SpriteHeaderFields& header, uint64_t fileSize) {
    const cfspr_header c = ToC(header);
    cfspr_problem problems[CFSPR_MAX_PROBLEMS];
    return Describe(c, fileSize, problems, cfspr_check(&c, fileSize, problems));
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
    cfspr_sprite c;
    if (!cfspr_open(&c, bytes, size)) {
        result.problems = Describe(c.header, size, c.problems, c.problem_count);
        return result;
    }
    SpriteImage sprite;
    sprite.header = FromC(c.header);
    sprite.keyColour = cfspr_key(&c);
    const int64_t framePixels = sprite.FramePixels(), frames = cfspr_total_frames(&c);
    sprite.pixels.resize(static_cast<size_t>(framePixels * frames));
    for (int64_t f = 0; f < frames; ++f) {
        const uint8_t* frame = cfspr_frame(&c, f);
        uint16_t* out = sprite.pixels.data() + f * framePixels;
        for (int64_t i = 0; i < framePixels; ++i) out[i] = cfspr_pixel(frame, i);
    }
    result.sprite = std::move(sprite);
    return result;
}
