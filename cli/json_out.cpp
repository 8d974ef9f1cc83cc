#include <nlohmann/json.hpp>

#include "cli/export.h"
#include "cli/version.h"

namespace {

using json = nlohmann::ordered_json;

std::string FrameName(const SheetCell& cell) {
    return DirectionKey(cell.direction) + "_" + std::to_string(cell.index);
}

json FrameEntry(const SheetCell& cell, int w, int h, int delayMs) {
    return {{"filename", FrameName(cell)},
            {"frame", {{"x", cell.x}, {"y", cell.y}, {"w", w}, {"h", h}}},
            {"rotated", false},
            {"trimmed", false},
            {"spriteSourceSize", {{"x", 0}, {"y", 0}, {"w", w}, {"h", h}}},
            {"sourceSize", {{"w", w}, {"h", h}}},
            {"duration", delayMs}};
}

json Meta(const SheetLayout& layout, const std::string& imageName) {
    return {{"app", "celforge-spr"},
            {"version", CELFORGE_SPR_VERSION},
            {"image", imageName},
            {"format", "RGBA8888"},
            {"size", {{"w", layout.width}, {"h", layout.height}}},
            {"scale", "1"},
            {"frameTags", json::array()}};
}

}  // namespace

std::string SheetJson(const SpriteImage& sprite, const SheetLayout& layout,
                      const std::string& imageName, int delayMs) {
    json frames = json::array();
    json meta = Meta(layout, imageName);
    json animations = json::object();
    for (size_t f = 0; f < layout.cells.size(); ++f) {
        const SheetCell& cell = layout.cells[f];
        frames.push_back(FrameEntry(cell, sprite.header.width, sprite.header.height, delayMs));
        const std::string key = DirectionKey(cell.direction);
        animations[key].push_back(FrameName(cell));
        if (cell.index + 1 == sprite.header.counts[cell.direction])
            meta["frameTags"].push_back(
                {{"name", key}, {"from", f - cell.index}, {"to", f}, {"direction", "forward"}});
    }
    const json sheet = {{"frames", frames}, {"meta", meta}, {"animations", animations}};
    return sheet.dump(2) + "\n";
}
