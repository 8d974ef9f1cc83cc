#include "shell/command_line.h"

#include <cctype>
#include <charconv>
#include <optional>

const char* const USAGE_TEXT =
    "usage: celforge [--scale N] [--dither | --no-dither] [--matte R,G,B]\n"
    "                [--alpha-threshold N] [FILE | PICTURE...]\n"
    "  FILE        a sprite file (.Spr) to go on editing, or a picture to start\n"
    "              with; without it the editor asks for the first picture\n"
    "  PICTURE...  several pictures wait in a queue in name order; the first\n"
    "              that can be read fixes the sprite size\n"
    "  --scale N   show the 800 x 600 workbench N times larger (1 to 4);\n"
    "              the environment variable CELFORGE_SCALE sets the default\n"
    "  --dither    turn pictures' colours into 16-bit pixels with an ordered\n"
    "              8 x 8 dither instead of cutting their low bits; CELFORGE_DITHER=1\n"
    "              sets it as the default, --no-dither turns it off\n"
    "  --matte R,G,B        blend PNG pixels that are partly transparent onto\n"
    "              this colour first\n"
    "  --alpha-threshold N  PNG pixels with alpha below N (1 to 255, default\n"
    "              128) become magenta, 255 0 255\n";

namespace {

enum class DitherChoice { Unsaid, On, Off };

// What the options said, before the variables fill in what they did not.
struct Said {
    std::optional<std::string> scale;
    DitherChoice dither = DitherChoice::Unsaid;
};

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

// The value of `name` given as "--name VALUE" or "--name=VALUE"; null when
// `args[i]` is another argument. `i` moves past a separate value.
std::optional<std::string> OptionValue(const std::vector<std::string>& args, size_t& i,
                                       const std::string& name, const char* wanted,
                                       CommandLine& line) {
    const std::string& arg = args[i];
    if (arg.rfind(name + "=", 0) == 0) return arg.substr(name.size() + 1);
    if (arg != name) return std::nullopt;
    if (i + 1 == args.size()) {
        line.error = name + " needs " + wanted;
        return std::string();
    }
    return args[++i];
}

// False when the value is refused; `line.error` says why.
bool TakeColourOption(const std::string& name, const std::string& text, CommandLine& line) {
    if (name == "--matte") {
        const std::optional<Rgb8> matte = ParseRgbText(text);
        if (!matte) line.error = std::string(MATTE_WANTED) + ", not \"" + text + "\"";
        line.colour.useMatte = matte.has_value();
        line.colour.matte = matte.value_or(Rgb8{});
        return matte.has_value();
    }
    const std::optional<int> threshold = ParseAlphaThresholdText(text);
    if (!threshold) line.error = std::string(ALPHA_THRESHOLD_WANTED) + ", not \"" + text + "\"";
    line.colour.alphaThreshold = threshold.value_or(DEFAULT_ALPHA_THRESHOLD);
    return threshold.has_value();
}

// False when the run must not start; `line.error` says why.
bool TakeArgument(const std::vector<std::string>& args, size_t& i, CommandLine& line, Said& said) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
        line.help = true;
        return true;
    }
    if (arg == "--dither" || arg == "--no-dither") {
        said.dither = arg == "--dither" ? DitherChoice::On : DitherChoice::Off;
        return true;
    }
    if (const std::optional<std::string> value =
            OptionValue(args, i, "--scale", "a number from 1 to 4", line)) {
        said.scale = *value;
        return line.error.empty();
    }
    const char* const colourOptions[][2] = {{"--matte", "R,G,B"},
                                            {"--alpha-threshold", "a number from 1 to 255"}};
    for (const auto& [name, wanted] : colourOptions) {
        if (const std::optional<std::string> value = OptionValue(args, i, name, wanted, line))
            return line.error.empty() && TakeColourOption(name, *value, line);
    }
    if (arg == "--" && i + 1 < args.size()) return TakeFile(args[++i], line);
    if (arg.size() > 1 && arg[0] == '-') {
        line.error = "unknown option \"" + arg + "\" (see celforge --help)";
        return false;
    }
    return TakeFile(arg, line);
}

void TakeScale(const Said& said, const char* variable, CommandLine& line) {
    // The option wins: the variable is not even read when it is given. An
    // empty variable counts as unset.
    std::optional<std::string> text = said.scale;
    if (!text && variable && *variable) text = variable;
    if (!text) return;
    if (const std::optional<int> scale = ScaleValue(*text))
        line.scale = *scale;
    else
        line.error = BadScale(said.scale ? "--scale" : "CELFORGE_SCALE", *text);
}

void TakeDither(const Said& said, const char* variable, CommandLine& line) {
    if (said.dither != DitherChoice::Unsaid) {
        line.colour.dither = said.dither == DitherChoice::On;
        return;
    }
    if (!variable || !*variable) return;
    const std::string text = variable;
    if (text == "1" || text == "0")
        line.colour.dither = text == "1";
    else
        line.error = "CELFORGE_DITHER wants 1 (dither) or 0 (do not), not \"" + text + "\"";
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args, const char* scaleVariable,
                             const char* ditherVariable) {
    CommandLine line;
    Said said;
    for (size_t i = 0; i < args.size(); ++i)
        if (!TakeArgument(args, i, line, said)) return line;
    // Help is shown whatever the variables say.
    if (line.help) return line;
    TakeScale(said, scaleVariable, line);
    if (line.error.empty()) TakeDither(said, ditherVariable, line);
    return line;
}
