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

std::string FrameKey(FrameList form, const SheetRun& run, int64_t i) {
    if (form == FrameList::Aseprite) return std::to_string(run.firstFrame + i);
    return DirectionKey(run.direction) + "_" + std::to_string(run.firstIndex + i);
}

int DelayOf(const SheetJsonOptions& options, int direction) {
    return options.directions ? options.directions->delayMs[direction] : options.delayMs;
}

json FrameEntry(const SheetLayout& layout, const FrameSpot& spot, int direction,
                const SheetJsonOptions& options) {
    const int64_t w = layout.cellWidth, h = layout.cellHeight;
    json entry = {{"frame", {{"x", spot.x}, {"y", spot.y}, {"w", w}, {"h", h}}},
                  {"rotated", false},
                  {"trimmed", false},
                  {"spriteSourceSize", {{"x", 0}, {"y", 0}, {"w", w}, {"h", h}}},
                  {"sourceSize", {{"w", w}, {"h", h}}},
                  {"duration", DelayOf(options, direction)}};
    const std::optional<PivotPoint> pivot =
        options.directions ? options.directions->pivot[direction] : std::nullopt;
    if (pivot) {
        // Both are fractions of the frame; one engine reads each name.
        const json point = {{"x", pivot->x * layout.scale / double(w)},
                            {"y", pivot->y * layout.scale / double(h)}};
        entry["pivot"] = point;
        entry["anchor"] = point;
    }
    return entry;
}

void PutFrames(std::ostream& out, const SheetLayout& layout, const SheetJsonOptions& options) {
    const bool array = options.form == FrameList::Array;
    out << (array ? "[" : "{");
    const char* separator = "\n";
    for (const SheetRun& run : layout.runs) {
        for (int64_t i = 0; run.page == options.page && i < run.count; ++i) {
            out << separator;
            separator = ",\n";
            const std::string key = FrameKey(options.form, run, i);
            json entry = array ? json{{"filename", key}} : json::object();
            entry.update(FrameEntry(layout, layout.Spot(run, i), run.direction, options));
            if (array)
                out << "    ";
            else
                PutKey(out, key, 2);
            Put(out, entry, 2);
        }
    }
    out << "\n  " << (array ? "]" : "}");
}

json FrameTags(const SheetLayout& layout) {
    json tags = json::array();
    for (const SheetRun& run : layout.runs) {
        const int64_t last = run.firstFrame + run.count - 1;
        if (run.firstIndex != 0) {
            tags.back()["to"] = last;
            continue;
        }
        tags.push_back({{"name", DirectionKey(run.direction)},
                        {"from", run.firstFrame},
                        {"to", last},
                        {"direction", "forward"}});
    }
    return tags;
}

// Which line of this page holds which direction's frames.
json Rows(const SheetLayout& layout, int page) {
    json rows = json::array();
    for (const SheetRun& run : layout.runs)
        if (run.page == page)
            rows.push_back({{"name", DirectionKey(run.direction)},
                            {"row", run.line},
                            {"y", run.line * layout.PitchY() + layout.extrude},
                            {"from", run.firstIndex},
                            {"count", run.count}});
    return rows;
}

json Meta(const SheetLayout& layout, const SheetJsonOptions& options) {
    const SheetPage& page = layout.pages.at(options.page);
    // The frames are the sheet's own pixels, so engines that read scale as
    // the sheet's resolution draw a scaled sheet larger, as the others do.
    json meta = {{"app", "celforge-spr"},
                 {"version", CELFORGE_SPR_VERSION},
                 {"image", options.imageName},
                 {"format", "RGBA8888"},
                 {"size", {{"w", page.width}, {"h", page.height}}},
                 {"scale", "1"},
                 {"frameTags", FrameTags(layout)}};
    if (!options.otherPages.empty()) meta["related_multi_packs"] = options.otherPages;
    if (layout.arrangement == Arrangement::Rows) meta["rows"] = Rows(layout, options.page);
    return meta;
}

void PutAnimations(std::ostream& out, const SheetLayout& layout, const SheetJsonOptions& options) {
    out << "{";
    const char* separator = "\n";
    int open = -1;
    for (const SheetRun& run : layout.runs) {
        if (run.page != options.page) continue;
        if (run.direction != open) {
            out << (open == -1 ? "" : "\n    ]") << separator;
            separator = ",\n";
            PutKey(out, DirectionKey(run.direction), 2);
            out << "[";
        }
        for (int64_t i = 0; i < run.count; ++i)
            out << (run.direction != open && i == 0 ? "\n" : ",\n") << "      \""
                << FrameKey(options.form, run, i) << "\"";
        open = run.direction;
    }
    out << (open == -1 ? "" : "\n    ]") << "\n  }";
}

}  // namespace

void WriteSheetJson(std::ostream& out, const SheetLayout& layout, const SheetJsonOptions& options) {
    out << "{\n  \"frames\": ";
    PutFrames(out, layout, options);
    out << ",\n  \"meta\": ";
    Put(out, Meta(layout, options), 1);
    out << ",\n  \"animations\": ";
    PutAnimations(out, layout, options);
    out << "\n}\n";
}
