// info and check: what a sprite file says about itself, and what is wrong.

#include <cstdio>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/commands.h"
#include "cli/export.h"
#include "cli/options.h"
#include "cli/picture_source.h"
#include "formats/sprite_reader.h"

namespace {

const char* const kInfoHelp =
    "Usage: celforge-spr info FILE.Spr [--json]\n"
    "Shows the sprite's type, frame size, colour bits, key colour (decimal, 5-6-5 hex\n"
    "and the RGB it stands for, each channel widened by bit replication), the frame\n"
    "count of each of the nine directions in file order, the file's size and the size\n"
    "its header implies. Problems found go to standard error and the exit code is 1.\n"
    "  --json   print the same as a JSON object\n";

const char* const kCheckHelp =
    "Usage: celforge-spr check FILE.Spr\n"
    "Checks the signature, version, type, frame size (1..640 x 1..480), colour bits,\n"
    "key colour, frame counts and that the length is what the header implies. Prints\n"
    "one line per problem and exits 1, or prints 'ok' and exits 0.\n";

struct LoadedFile {
    std::vector<uint8_t> bytes;
    std::optional<SpriteHeaderFields> header;
    std::vector<std::string> problems;
};

std::optional<LoadedFile> LoadSprite(const std::string& path, std::ostream& err) {
    std::string why;
    std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path, &why);
    if (!bytes) {
        Report(err, path, "cannot read the file: " + why);
        return std::nullopt;
    }
    LoadedFile file;
    file.bytes = std::move(*bytes);
    file.header = ParseSpriteHeader(file.bytes.data(), file.bytes.size());
    file.problems = ReadSprite(file.bytes.data(), file.bytes.size()).problems;
    return file;
}

std::optional<std::string> OneFile(const std::vector<std::string>& args,
                                   const std::vector<OptionRule>& rules, const char* command,
                                   const char* help, std::ostream& out, std::ostream& err,
                                   ParsedArgs* parsed, int* code) {
    std::string error;
    std::optional<ParsedArgs> result = ParseArgs(args, rules, &error);
    *code = EXIT_DONE;
    if (result && result->help) {
        out << help;
        return std::nullopt;
    }
    if (result && result->plain.size() != 1) error = "give exactly one sprite file";
    if (!result || !error.empty()) {
        *code = UsageError(err, command, error);
        return std::nullopt;
    }
    *parsed = *result;
    return result->plain[0];
}

std::string TypeName(int32_t type) {
    return type == SPRITE_ANIMATION ? "animation" : type == SPRITE_SINGLE ? "single" : "unknown";
}

std::string Hex16(int32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value) & 0xFFFF);
    return text;
}

std::string KeyRgb(int32_t key) {
    const uint32_t rgb = ExpandPixel(static_cast<uint16_t>(key));
    return std::to_string(rgb & 255) + "," + std::to_string((rgb >> 8) & 255) + "," +
           std::to_string(rgb >> 16);
}

bool KeyInRange(int32_t key) {
    return key >= 0 && key <= 0xFFFF;
}

void PrintInfoText(const std::string& path, const LoadedFile& file, std::ostream& out) {
    const SpriteHeaderFields& h = *file.header;
    const std::optional<uint64_t> implied = ImpliedSpriteSize(h);
    out << path << "\n";
    out << "  type           " << h.type << " (" << TypeName(h.type) << ")\n";
    out << "  frame size     " << h.width << " x " << h.height << "\n";
    out << "  colour bits    " << h.colourBits << "\n";
    out << "  key colour     " << h.keyColour;
    if (KeyInRange(h.keyColour))
        out << " = " << Hex16(h.keyColour) << " (5-6-5) = RGB " << KeyRgb(h.keyColour);
    out << "\n  frames\n";
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d) {
        std::string name = SPRITE_DIRECTION_NAMES[d];
        name.resize(14, ' ');
        out << "    " << name << h.counts[d] << "\n";
    }
    out << "  file size      " << file.bytes.size() << " bytes\n";
    out << "  header implies " << (implied ? std::to_string(*implied) + " bytes" : "unknown")
        << "\n";
}

void PrintInfoJson(const std::string& path, const LoadedFile& file, std::ostream& out) {
    const SpriteHeaderFields& h = *file.header;
    const std::optional<uint64_t> implied = ImpliedSpriteSize(h);
    nlohmann::ordered_json key = {{"value", h.keyColour}};
    if (KeyInRange(h.keyColour)) {
        const uint32_t rgb = ExpandPixel(static_cast<uint16_t>(h.keyColour));
        key["hex"] = Hex16(h.keyColour);
        key["rgb"] = {rgb & 255, (rgb >> 8) & 255, rgb >> 16};
    }
    nlohmann::ordered_json directions = nlohmann::ordered_json::array();
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d)
        directions.push_back({{"name", SPRITE_DIRECTION_NAMES[d]}, {"frames", h.counts[d]}});
    nlohmann::ordered_json info = {
        {"file", path},
        {"type", h.type},
        {"typeName", TypeName(h.type)},
        {"width", h.width},
        {"height", h.height},
        {"colourBits", h.colourBits},
        {"keyColour", key},
        {"directions", directions},
        {"fileSize", file.bytes.size()},
        {"impliedSize", implied ? nlohmann::ordered_json(*implied) : nullptr},
        {"problems", file.problems}};
    // A name that is not UTF-8 keeps its place, its odd bytes replaced.
    out << info.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

int ReportProblems(const std::string& path, const LoadedFile& file, std::ostream& err) {
    for (const std::string& problem : file.problems) Report(err, path, problem);
    return file.problems.empty() ? EXIT_DONE : EXIT_BAD_INPUT;
}

}  // namespace

int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedArgs parsed;
    int code;
    const std::optional<std::string> path =
        OneFile(args, {{"--json", false}}, "info", kInfoHelp, out, err, &parsed, &code);
    if (!path) return code;
    const std::optional<LoadedFile> file = LoadSprite(*path, err);
    if (!file) return EXIT_BAD_INPUT;
    if (file->header) {
        if (parsed.Has("--json"))
            PrintInfoJson(*path, *file, out);
        else
            PrintInfoText(*path, *file, out);
    }
    return ReportProblems(*path, *file, err);
}

int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedArgs parsed;
    int code;
    const std::optional<std::string> path =
        OneFile(args, {}, "check", kCheckHelp, out, err, &parsed, &code);
    if (!path) return code;
    const std::optional<LoadedFile> file = LoadSprite(*path, err);
    if (!file) return EXIT_BAD_INPUT;
    if (file->problems.empty()) out << path->c_str() << ": ok\n";
    return ReportProblems(*path, *file, err);
}
