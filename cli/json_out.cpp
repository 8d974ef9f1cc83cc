#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/export.h"
#include "cli/version.h"

namespace {

using json = nlohmann::ordered_json;

// The document is laid out as a two-space indented dump of the whole would
// be, but written a value at a time.
void Put(std::ostream& out, const json& value, int depth) {
    std::string text = value.dump(2, ' ', false, json::error_handler_t::replace);
    const std::string indent(2 * static_cast<size_t>(depth), ' ');
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        text.insert(at + 1, indent);
    out << text;
}

void PutKey(std::ostream& out, const std::string& key, int depth) {
    out << std::string(2 * static_cast<size_t>(depth), ' ');
    Put(out, key, depth);
    out << ": ";
}

std::string FrameName(int direction, int64_t index) {
    return DirectionKey(direction) + "_" + std::to_string(index);
}

json FrameEntry(const SheetLayout& layout, int64_t x, int64_t y, int delayMs) {
    const int64_t w = layout.cellWidth, h = layout.cellHeight;
    return {{"frame", {{"x", x}, {"y", y}, {"w", w}, {"h", h}}},
            {"rotated", false},
            {"trimmed", false},
            {"spriteSourceSize", {{"x", 0}, {"y", 0}, {"w", w}, {"h", h}}},
            {"sourceSize", {{"w", w}, {"h", h}}},
            {"duration", delayMs}};
}

void PutFrames(std::ostream& out, const SheetLayout& layout, const SheetJsonOptions& options) {
    const bool hash = options.form == FrameList::Hash;
    out << (hash ? "{" : "[");
    const char* separator = "\n";
    for (const SheetRow& row : layout.rows) {
        for (int64_t i = 0; i < row.count; ++i) {
            out << separator;
            separator = ",\n";
            json entry = hash ? json::object() : json{{"filename", FrameName(row.direction, i)}};
            entry.update(FrameEntry(layout, i * layout.cellWidth, row.y, options.delayMs));
            if (hash)
                PutKey(out, FrameName(row.direction, i), 2);
            else
                out << "    ";
            Put(out, entry, 2);
        }
    }
    out << "\n  " << (hash ? "}" : "]");
}

json Meta(const SheetLayout& layout, const std::string& imageName) {
    json tags = json::array();
    for (const SheetRow& row : layout.rows)
        tags.push_back({{"name", DirectionKey(row.direction)},
                        {"from", row.firstFrame},
                        {"to", row.firstFrame + row.count - 1},
                        {"direction", "forward"}});
    return {{"app", "celforge-spr"},
            {"version", CELFORGE_SPR_VERSION},
            {"image", imageName},
            {"format", "RGBA8888"},
            {"size", {{"w", layout.width}, {"h", layout.height}}},
            {"scale", std::to_string(layout.scale)},
            {"frameTags", tags}};
}

void PutAnimations(std::ostream& out, const SheetLayout& layout) {
    out << "{";
    for (size_t r = 0; r < layout.rows.size(); ++r) {
        const SheetRow& row = layout.rows[r];
        out << (r == 0 ? "\n" : ",\n");
        PutKey(out, DirectionKey(row.direction), 2);
        out << "[";
        for (int64_t i = 0; i < row.count; ++i)
            out << (i == 0 ? "\n" : ",\n") << "      \"" << FrameName(row.direction, i) << "\"";
        out << "\n    ]";
    }
    out << "\n  }";
}

}  // namespace

void WriteSheetJson(std::ostream& out, const SheetLayout& layout, const SheetJsonOptions& options) {
    out << "{\n  \"frames\": ";
    PutFrames(out, layout, options);
    out << ",\n  \"meta\": ";
    Put(out, Meta(layout, options.imageName), 1);
    out << ",\n  \"animations\": ";
    PutAnimations(out, layout);
    out << "\n}\n";
}
