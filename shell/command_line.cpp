#include "shell/command_line.h"

#include <charconv>
#include <optional>

const char* const USAGE_TEXT =
    "usage: celforge [--scale N] [FILE]\n"
    "  FILE        a sprite file (.Spr) to go on editing, or a picture to start\n"
    "              with; without it the editor asks for the first picture\n"
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

bool TakeFile(const std::string& arg, CommandLine& line) {
    if (line.file.empty()) {
        line.file = arg;
        return true;
    }
    line.error = "one file at a time: \"" + line.file + "\" and \"" + arg + "\" were given";
    return false;
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
