#include "cli/mirror.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "formats/sprite_reader.h"

const char* const DIRECTION_OPTION_NAMES[SPRITE_DIRECTIONS] = {
    "nodirection", "left", "leftup", "up", "rightup", "right", "rightdown", "down", "leftdown"};

namespace {

bool IsDest(const std::vector<MirrorRule>& rules, int direction) {
    return std::any_of(rules.begin(), rules.end(),
                       [&](const MirrorRule& rule) { return rule.dest == direction; });
}

bool IsSource(const std::vector<MirrorRule>& rules, int direction) {
    return std::any_of(rules.begin(), rules.end(),
                       [&](const MirrorRule& rule) { return rule.source == direction; });
}

void AppendFlipped(const uint16_t* frame, int width, int height, std::vector<uint16_t>& out) {
    for (int y = 0; y < height; ++y) {
        const uint16_t* row = frame + int64_t{y} * width;
        out.insert(out.end(), std::make_reverse_iterator(row + width),
                   std::make_reverse_iterator(row));
    }
}

}  // namespace

int DirectionIndex(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d)
        if (name == DIRECTION_OPTION_NAMES[d]) return d;
    return -1;
}

bool AddMirrorRule(const std::string& text, const std::vector<int>& givenDirections,
                   std::vector<MirrorRule>& rules, std::string* error) {
    const size_t equals = text.find('=');
    const int dest = DirectionIndex(text.substr(0, equals));
    const int source = equals == std::string::npos ? -1 : DirectionIndex(text.substr(equals + 1));
    const std::string destName = dest < 0 ? "" : DIRECTION_OPTION_NAMES[dest];
    if (dest < 0 || source < 0)
        *error = "--mirror needs DEST=SOURCE with two directions' names, not '" + text + "'";
    else if (dest == source)
        *error = "--mirror " + text + ": a direction cannot mirror itself";
    else if (IsDest(rules, dest))
        *error = "--mirror: " + destName + " is mirrored twice";
    else if (std::count(givenDirections.begin(), givenDirections.end(), dest) != 0)
        *error = "--mirror: " + destName + " is also given with --dir";
    else if (IsDest(rules, source) || IsSource(rules, dest))
        *error = "--mirror " + text + ": mirrors cannot chain; name the drawn direction as SOURCE";
    if (!error->empty()) return false;
    rules.push_back({dest, source});
    return true;
}

std::optional<std::vector<uint8_t>> MirrorDirections(const std::vector<uint8_t>& file,
                                                     const std::vector<MirrorRule>& rules,
                                                     std::string* error) {
    const SpriteReadResult read = ReadSprite(file.data(), file.size());
    if (!read.sprite || read.sprite->header.type != SPRITE_ANIMATION) {
        *error = "--mirror needs an animation sprite";
        return std::nullopt;
    }
    const SpriteImage& sprite = *read.sprite;
    SpriteCounts counts = sprite.header.counts;
    for (const MirrorRule& rule : rules) {
        const std::string text = std::string(DIRECTION_OPTION_NAMES[rule.dest]) + "=" +
                                 DIRECTION_OPTION_NAMES[rule.source];
        if (counts[rule.source] == 0) *error = "--mirror " + text + ": the source has no frames";
        if (counts[rule.dest] != 0) *error = "--mirror " + text + ": the destination has frames";
        if (!error->empty()) return std::nullopt;
    }
    for (const MirrorRule& rule : rules) counts[rule.dest] = counts[rule.source];
    const int w = sprite.header.width, h = sprite.header.height;
    int64_t frames = 0;
    for (int32_t count : counts) frames += count;
    std::vector<uint16_t> pixels;
    pixels.reserve(static_cast<size_t>(frames * sprite.FramePixels()));
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d) {
        const auto rule = std::find_if(rules.begin(), rules.end(),
                                       [&](const MirrorRule& r) { return r.dest == d; });
        const int from = rule == rules.end() ? d : rule->source;
        const int64_t first = sprite.FirstFrameOf(from);
        for (int64_t i = 0; i < counts[d]; ++i) {
            const uint16_t* frame = sprite.Frame(first + i);
            if (rule == rules.end())
                pixels.insert(pixels.end(), frame, frame + sprite.FramePixels());
            else
                AppendFlipped(frame, w, h, pixels);
        }
    }
    const SpriteFileHeader header =
        MakeSpriteHeader(SPRITE_ANIMATION, w, h, sprite.keyColour, counts);
    return EncodeSpriteFile(header, {{pixels.data(), pixels.size()}});
}
