#include "shell/command_line.h"

#include <cctype>
#include <charconv>
#include <optional>

const char* const USAGE_TEXT =
    "usage: celforge [--scale N] [FILE | PICTURE...]\n"
    "  FILE        a sprite file (.Spr) to go on editing, or a picture to start\n"
    "              with; without it the editor asks for the first picture\n"
    "  PICTURE...  several pictures wait in a queue in name order; the first\n"
    "              that can be read fixes the sprite size\n"
    "  --scale N   show the 800 x 600 workbench N times larger (1 to 4);\n"
    "              the environment variable CELFORGE_SCALE sets the default\n";

namespace {

std::optional<int> ScaleValue(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    if (value < MIN_SCALE || value > MAX_SCALE) return std::nullopt;
    return value;
}

std::string BadScale(const std::string& where, const std::string& text) {
    return where + " wants a whole number from 1 to 4, not \"" + text + "\"";
}

bool IsSpriteName(const std::string& name) {
    if (name.size() < 4) return false;
    std::string end = name.substr(name.size() - 4);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".spr";
}

// Several pictures start as a queue; a sprite file opens alone.
bool TakeFile(const std::string& arg, CommandLine& line) {
    if (line.file.empty()) {
        line.file = arg;
        return true;
    }
    if (IsSpriteName(line.file) || IsSpriteName(arg)) {
        line.error =
            "a sprite file opens alone: \"" + line.file + "\" and \"" + arg + "\" were given";
        return false;
    }
    line.morePictures.push_back(arg);
    return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args, const char* scaleVariable) {
    CommandLine line;
    std::optional<std::string> option;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--scale") {
            if (i + 1 == args.size()) {
                line.error = "--scale needs a number from 1 to 4";
                return line;
            }
            option = args[++i];
        } else if (arg.rfind("--scale=", 0) == 0) {
            option = arg.substr(8);
        } else if (arg == "--" && i + 1 < args.size()) {
            if (!TakeFile(args[++i], line)) return line;
        } else if (arg.size() > 1 && arg[0] == '-') {
            line.error = "unknown option \"" + arg + "\" (see celforge --help)";
            return line;
        } else if (!TakeFile(arg, line)) {
            return line;
        }
    }
    // Help is shown whatever the scale says.
    if (line.help) return line;
    // The option wins: the variable is not even read when it is given. An
    // empty variable counts as unset.
    std::optional<std::string> text = option;
    if (!text && scaleVariable && *scaleVariable) text = scaleVariable;
    if (!text) return line;
    if (const std::optional<int> scale = ScaleValue(*text))
        line.scale = *scale;
    else
        line.error = BadScale(option ? "--scale" : "CELFORGE_SCALE", *text);
    return line;
}
