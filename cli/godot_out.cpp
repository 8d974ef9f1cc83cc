// Godot's text resources: SpriteFrames (.tres) and a small scene (.tscn).
// Godot 3 writes format=2 with integer ids and spaced brackets, Godot 4
// format=3 with string ids, StringName animation names and per-frame
// durations. Paths are relative to the file, which both versions resolve
// against the file's own folder.

#include <cstdio>
#include <ostream>

#include "cli/export.h"

namespace {

bool Four(const GodotOptions& options) {
    return options.version == GodotVersion::Four;
}

// Godot's reals: always with a point, so they read back as floats.
std::string Real(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    std::string real = text;
    if (real.find_first_of(".e") == std::string::npos) real += ".0";
    return real;
}

// "Call( a, b )" in Godot 3, "Call(a, b)" in Godot 4.
std::string Call(const GodotOptions& options, const std::string& name, const std::string& args) {
    return Four(options) ? name + "(" + args + ")" : name + "( " + args + " )";
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Id(const GodotOptions& options, const std::string& prefix, int64_t number) {
    return Four(options) ? Quoted(prefix + std::to_string(number)) : std::to_string(number);
}

std::string ExtResource(const GodotOptions& options, const std::string& type,
                        const std::string& path, const std::string& id) {
    if (Four(options))
        return "[ext_resource type=\"" + type + "\" path=" + Quoted(path) + " id=" + id + "]\n";
    return "[ext_resource path=" + Quoted(path) + " type=\"" + type + "\" id=" + id + "]\n";
}

std::string Header(const GodotOptions& options, const std::string& kind, const std::string& type,
                   int64_t steps) {
    return "[" + kind + (type.empty() ? "" : " type=\"" + type + "\"") +
           " load_steps=" + std::to_string(steps) + " format=" + (Four(options) ? "3" : "2") +
           "]\n";
}

std::string AnimationName(const GodotOptions& options, int direction) {
    return (Four(options) ? "&" : "") + Quoted(DirectionKey(direction));
}

double Speed(const GodotOptions& options, int direction) {
    const int delay = options.directions ? options.directions->delayMs[direction] : 100;
    return 1000.0 / delay;
}

void PutRegions(std::ostream& out, const SheetLayout& layout, const GodotOptions& options) {
    int64_t number = 0;
    for (const SheetRun& run : layout.runs)
        for (int64_t i = 0; i < run.count; ++i) {
            const FrameSpot spot = layout.Spot(run, i);
            out << "\n[sub_resource type=\"AtlasTexture\" id="
                << Id(options, "AtlasTexture_", ++number) << "]\n"
                << "atlas = " << Call(options, "ExtResource", Id(options, "page_", spot.page + 1))
                << "\n"
                << "region = "
                << Call(options, "Rect2",
                        std::to_string(spot.x) + ", " + std::to_string(spot.y) + ", " +
                            std::to_string(layout.cellWidth) + ", " +
                            std::to_string(layout.cellHeight))
                << "\n";
        }
}

std::string FrameValue(const GodotOptions& options, int64_t number) {
    const std::string texture = Call(options, "SubResource", Id(options, "AtlasTexture_", number));
    return Four(options) ? "{\n\"duration\": 1.0,\n\"texture\": " + texture + "\n}" : texture;
}

void PutAnimations(std::ostream& out, const SheetLayout& layout, const GodotOptions& options) {
    const std::string open = Four(options) ? "[" : "[ ", close = Four(options) ? "]" : " ]";
    out << "\n[resource]\nanimations = " << open;
    int64_t number = 0;
    for (size_t r = 0; r < layout.runs.size(); ++r) {
        const SheetRun& run = layout.runs[r];
        if (run.firstIndex == 0) out << (number == 0 ? "{" : ", {") << "\n\"frames\": " << open;
        for (int64_t i = 0; i < run.count; ++i)
            out << (run.firstIndex + i == 0 ? "" : ", ") << FrameValue(options, ++number);
        const bool last = r + 1 == layout.runs.size() || layout.runs[r + 1].firstIndex == 0;
        if (!last) continue;
        out << close << ",\n\"loop\": true,\n\"name\": " << AnimationName(options, run.direction)
            << ",\n\"speed\": " << Real(Speed(options, run.direction)) << "\n}";
    }
    out << close << "\n";
}

}  // namespace

void WriteGodotFrames(std::ostream& out, const SheetLayout& layout, const GodotOptions& options) {
    const int64_t resources = int64_t(options.pageNames.size()) + layout.FrameCount();
    out << Header(options, "gd_resource", "SpriteFrames", resources + 1) << "\n";
    for (size_t p = 0; p < options.pageNames.size(); ++p)
        out << ExtResource(options, Four(options) ? "Texture2D" : "Texture", options.pageNames[p],
                           Id(options, "page_", int64_t(p) + 1));
    PutRegions(out, layout, options);
    PutAnimations(out, layout, options);
}

// AnimatedSprite draws its frame centred on the node; the offset moves the
// pivot there instead.
void WriteGodotScene(std::ostream& out, const SheetLayout& layout, const GodotOptions& options) {
    out << Header(options, "gd_scene", "", 2) << "\n"
        << ExtResource(options, "SpriteFrames", options.resourceName, Id(options, "frames_", 1))
        << "\n[node name=\"Sprite\" type=\"Node2D\"]\n";
    const std::string frames = Call(options, "ExtResource", Id(options, "frames_", 1));
    for (const SheetRun& run : layout.runs) {
        if (run.firstIndex != 0) continue;
        const std::optional<PivotPoint> pivot =
            options.directions ? options.directions->pivot[run.direction] : std::nullopt;
        const double x = pivot ? layout.cellWidth / 2.0 - pivot->x * layout.scale : 0,
                     y = pivot ? layout.cellHeight / 2.0 - pivot->y * layout.scale : 0;
        out << "\n[node name=" << Quoted(DirectionKey(run.direction)) << " type=\""
            << (Four(options) ? "AnimatedSprite2D" : "AnimatedSprite") << "\" parent=\".\"]\n"
            << (Four(options) ? "sprite_frames = " : "frames = ") << frames << "\n"
            << "animation = " << AnimationName(options, run.direction) << "\n"
            << "offset = " << Call(options, "Vector2", Real(x) + ", " + Real(y)) << "\n";
    }
}
