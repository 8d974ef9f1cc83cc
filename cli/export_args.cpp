#include "cli/export_args.h"

#include <cstdlib>
#include <filesystem>

#include "cli/mirror.h"

const std::vector<OptionRule> EXPORT_OPTIONS = {
    {"-o"},        {"--json"},    {"--gif"},     {"--delay", true, true},
    {"--format"},  {"--scale"},   {"--layout"},  {"--pivot", true, true},
    {"--padding"}, {"--extrude"}, {"--max-size"}};

namespace {

constexpr long kMaxPadding = 256, kMaxExtrude = 64, kMaxPageSize = 65536;

struct FormName {
    const char* name;
    Description description;
    FrameList frameList;
};
const FormName kForms[] = {{"hash", Description::Json, FrameList::Hash},
                           {"array", Description::Json, FrameList::Array},
                           {"aseprite", Description::Json, FrameList::Aseprite},
                           {"godot", Description::Godot4, FrameList::Hash},
                           {"godot3", Description::Godot3, FrameList::Hash},
                           {"atlas", Description::Atlas, FrameList::Hash}};

// "left=rest" gives Left and "rest"; text without a direction gives -1.
// A name that is no direction sets `error`.
int SplitDirection(const std::string& option, const std::string& text, std::string* rest,
                   std::string* error) {
    const size_t equals = text.find('=');
    *rest = equals == std::string::npos ? text : text.substr(equals + 1);
    if (equals == std::string::npos) return -1;
    const int direction = DirectionIndex(text.substr(0, equals));
    if (direction < 0)
        *error = option + " " + text + ": \"" + text.substr(0, equals) +
                 "\" is not a direction (nodirection, left, leftup, up, rightup, right, "
                 "rightdown, down, leftdown)";
    return direction;
}

// A sprite-pixel coordinate: a whole or decimal number, no sign.
std::optional<double> ParseCoordinate(const std::string& text) {
    if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789.") != text.npos ||
        text.front() == '.' || text.back() == '.' || text.find('.') != text.rfind('.'))
        return std::nullopt;
    return std::strtod(text.c_str(), nullptr);
}

void ReadDelays(const ParsedArgs& parsed, ExportArgs& args, std::string* error) {
    bool plainSeen = false;
    for (const std::string& text : parsed.values.count("--delay") ? parsed.values.at("--delay")
                                                                  : std::vector<std::string>{}) {
        std::string value;
        const int direction = SplitDirection("--delay", text, &value, error);
        const std::optional<long> delay = ParseCount(value, 1, 655350);
        if (!error->empty()) return;
        if (!delay) *error = "--delay " + text + ": give whole milliseconds, 1 to 655350";
        int& slot = direction < 0 ? args.delayMs : args.directionDelayMs[direction];
        const bool twice = direction < 0 ? plainSeen : slot != 0;
        if (twice) *error = "--delay " + text + ": that delay is given twice";
        if (!error->empty()) return;
        slot = static_cast<int>(*delay);
        plainSeen = plainSeen || direction < 0;
    }
}

void ReadPivots(const ParsedArgs& parsed, ExportArgs& args, std::string* error) {
    std::optional<PivotPoint> all;
    for (const std::string& text : parsed.values.count("--pivot") ? parsed.values.at("--pivot")
                                                                  : std::vector<std::string>{}) {
        std::string value;
        const int direction = SplitDirection("--pivot", text, &value, error);
        if (!error->empty()) return;
        const std::vector<std::string> parts = SplitAt(value, ',');
        const std::optional<double> x =
            parts.size() == 2 ? ParseCoordinate(parts[0]) : std::nullopt;
        const std::optional<double> y =
            parts.size() == 2 ? ParseCoordinate(parts[1]) : std::nullopt;
        std::optional<PivotPoint>& slot = direction < 0 ? all : args.pivot[direction];
        if (!x || !y) *error = "--pivot " + text + ": give X,Y in sprite pixels, like 24,40";
        if (error->empty() && slot) *error = "--pivot " + text + ": that pivot is given twice";
        if (!error->empty()) return;
        slot = PivotPoint{*x, *y};
    }
    for (std::optional<PivotPoint>& pivot : args.pivot)
        if (!pivot) pivot = all;
}

bool ReadCount(const ParsedArgs& parsed, const std::string& option, long low, long high,
               int64_t& target, std::string* error) {
    if (!parsed.Has(option) || !error->empty()) return error->empty();
    const std::optional<long> value = ParseCount(*parsed.One(option), low, high);
    if (!value)
        *error = option + " " + *parsed.One(option) + ": give a whole number, " +
                 std::to_string(low) + " to " + std::to_string(high);
    target = value.value_or(0);
    return value.has_value();
}

void ReadForm(const ParsedArgs& parsed, ExportArgs& args, std::string* error) {
    const std::string form = parsed.One("--format").value_or("hash");
    const FormName* found = nullptr;
    for (const FormName& known : kForms)
        if (form == known.name) found = &known;
    if (found == nullptr) {
        *error = "--format must be hash, array, aseprite, godot, godot3 or atlas";
        return;
    }
    args.description = found->description;
    args.frameList = found->frameList;
    if (args.description != Description::Json && !args.json.empty())
        *error = "--format " + form + " writes its description beside the sheet; leave out --json";
}

void ReadLayout(const ParsedArgs& parsed, ExportArgs& args, std::string* error) {
    int64_t scale = 1, padding = 0, extrude = 0;
    ReadCount(parsed, "--scale", 1, MAX_SHEET_SCALE, scale, error);
    ReadCount(parsed, "--padding", 0, kMaxPadding, padding, error);
    ReadCount(parsed, "--extrude", 0, kMaxExtrude, extrude, error);
    ReadCount(parsed, "--max-size", 1, kMaxPageSize, args.layout.maxSize, error);
    args.scale = args.layout.scale = static_cast<int>(scale);
    args.layout.padding = static_cast<int>(padding);
    args.layout.extrude = static_cast<int>(extrude);
    const std::string arrangement = parsed.One("--layout").value_or("rows");
    if (arrangement != "rows" && arrangement != "grid" && error->empty())
        *error = "--layout must be rows or grid";
    args.layout.arrangement = arrangement == "grid" ? Arrangement::Grid : Arrangement::Rows;
}

}  // namespace

DirectionSettings ExportArgs::Settings() const {
    DirectionSettings settings = DirectionSettings::Uniform(delayMs);
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d)
        if (directionDelayMs[d] != 0) settings.delayMs[d] = directionDelayMs[d];
    settings.pivot = pivot;
    return settings;
}

std::optional<ExportArgs> ParseExportArgs(const ParsedArgs& parsed, std::string* error) {
    ExportArgs args;
    if (parsed.plain.size() != 1) *error = "give exactly one sprite file";
    if (!parsed.Has("-o")) *error = "give the sheet's file with -o SHEET.png";
    if (!error->empty()) return std::nullopt;
    args.sprite = parsed.plain[0];
    args.png = *parsed.One("-o");
    args.json = parsed.One("--json").value_or("");
    args.gifFolder = parsed.One("--gif").value_or("");
    ReadForm(parsed, args, error);
    if (error->empty()) ReadLayout(parsed, args, error);
    if (error->empty()) ReadDelays(parsed, args, error);
    if (error->empty()) ReadPivots(parsed, args, error);
    if (!error->empty()) return std::nullopt;
    return args;
}

std::string CheckPivots(const ExportArgs& args, int width, int height) {
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d) {
        const std::optional<PivotPoint>& pivot = args.pivot[d];
        if (pivot && (pivot->x > width || pivot->y > height))
            return "--pivot for " + DirectionKey(d) + " lies outside the " + std::to_string(width) +
                   " x " + std::to_string(height) + " frame";
    }
    return "";
}

std::string PagePath(const std::string& path, int page, size_t pages) {
    if (pages <= 1) return path;
    const std::filesystem::path whole(path);
    const std::string name =
        whole.stem().string() + "-" + std::to_string(page) + whole.extension().string();
    return (whole.parent_path() / name).string();
}

std::string BesideSheet(const std::string& png, const std::string& extension) {
    return std::filesystem::path(png).replace_extension(extension).string();
}
