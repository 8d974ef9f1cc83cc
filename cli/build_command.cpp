// build: a sprite file from pictures, without the editor.

#include <algorithm>
#include <cctype>
#include <ostream>

#include "cli/build.h"
#include "cli/commands.h"
#include "cli/mirror.h"
#include "cli/options.h"
#include "cli/output_files.h"
#include "cli/sprite_folder.h"
#include "formats/safe_file.h"

namespace {

const char* const kBuildHelp =
    "Usage: celforge-spr build -o OUT.Spr --size WxH [--key R,G,B] [--strict]\n"
    "                          --dir NAME=PICTURE[,PICTURE...] ...\n"
    "       celforge-spr build -o OUT.Spr --single PICTURE [--key R,G,B] [--strict]\n"
    "       celforge-spr build -o OUT.Spr --from FOLDER [--strict] [--mirror ...]\n"
    "       each also with [--dither] [--matte R,G,B] [--alpha-threshold N]\n"
    "Writes the sprite file the editor writes for the same frames and key colour.\n"
    "  --size WxH     frame size, 1..640 x 1..480; each frame is the top-left W x H\n"
    "                 corner of its picture (pixels past the picture are 0)\n"
    "  --dir NAME=... a direction's pictures in order; NAME is one of nodirection,\n"
    "                 left, leftup, up, rightup, right, rightdown, down, leftdown.\n"
    "                 Directions of fewer than 3 frames are left out, as the editor\n"
    "                 leaves them out, with a warning\n"
    "  --single PIC   a single sprite: one frame, the whole picture (at most 640 x 480)\n"
    "  --from FOLDER  the frames and sprite.json that 'unpack' writes, maybe retouched:\n"
    "                 sprite.json gives the size, key and frame counts; transparent\n"
    "                 pixels get the key colour\n"
    "  --mirror DEST=SOURCE  fills DEST with SOURCE's frames flipped left to right,\n"
    "                 in the same order (repeatable; DEST not also given with --dir,\n"
    "                 SOURCE not itself mirrored), e.g. --mirror right=left\n"
    "  --key R,G,B    the key colour, packed to 5-6-5 (default 0,0,0)\n"
    "  --strict       pixels whose colour is not the key's but packs to the same 5-6-5\n"
    "                 value would turn transparent: an error, not a warning\n"
    "  --dither       pack colours to 5-6-5 with an ordered 8 x 8 dither anchored at\n"
    "                 each picture's top-left, as 'celforge --dither' does, instead\n"
    "                 of cutting their low bits; dithering never makes the key\n"
    "                 colour or magenta 255,0,255 of a colour that is neither\n"
    "  --matte R,G,B  blend PNG pixels with alpha 1 to 254 onto this colour first\n"
    "  --alpha-threshold N  PNG pixels with alpha below N (1 to 255, default 128)\n"
    "                 become magenta 255,0,255 (with --from: the key colour)\n"
    "Pictures: 24-bit or 256-colour PCX, or PNG (told apart by content).\n";

std::optional<std::pair<int, int>> ParseSize(const std::string& text) {
    const std::vector<std::string> parts = SplitAt(text, 'x');
    if (parts.size() != 2) return std::nullopt;
    const std::optional<long> w = ParseCount(parts[0], 1, 640);
    const std::optional<long> h = ParseCount(parts[1], 1, 480);
    if (!w || !h) return std::nullopt;
    return std::make_pair(static_cast<int>(*w), static_cast<int>(*h));
}

std::optional<KeyColour> ParseKey(const std::string& text) {
    const std::vector<std::string> parts = SplitAt(text, ',');
    if (parts.size() != 3) return std::nullopt;
    uint8_t channels[3];
    for (int i = 0; i < 3; ++i) {
        const std::optional<long> value = ParseCount(parts[i], 0, 255);
        if (!value) return std::nullopt;
        channels[i] = static_cast<uint8_t>(*value);
    }
    return KeyColour{channels[0], channels[1], channels[2]};
}

bool AddDirection(const std::string& text, BuildRequest& request, std::string* error) {
    const size_t equals = text.find('=');
    const int d = DirectionIndex(text.substr(0, equals));
    if (equals == std::string::npos || d < 0) {
        *error =
            "--dir needs NAME=PICTURE[,PICTURE...] with a direction's name, not '" + text + "'";
        return false;
    }
    if (!request.pictures[d].empty()) {
        *error = "direction " + std::string(DIRECTION_OPTION_NAMES[d]) + " given twice";
        return false;
    }
    request.pictures[d] = SplitAt(text.substr(equals + 1), ',');
    const auto& list = request.pictures[d];
    if (std::any_of(list.begin(), list.end(), [](const std::string& p) { return p.empty(); })) {
        *error = "an empty picture name in --dir " + text;
        return false;
    }
    return true;
}

bool ReadAnimationArgs(const ParsedArgs& parsed, BuildRequest& request, std::string* error) {
    if (!parsed.Has("--size") || !parsed.Has("--dir")) {
        *error = "give --size WxH and at least one --dir NAME=PICTURES (or --single or --from)";
        return false;
    }
    const std::optional<std::pair<int, int>> size = ParseSize(*parsed.One("--size"));
    if (!size) {
        *error = "--size must be WxH with W 1..640 and H 1..480";
        return false;
    }
    request.width = size->first;
    request.height = size->second;
    for (const std::string& text : parsed.values.at("--dir"))
        if (!AddDirection(text, request, error)) return false;
    return true;
}

struct BuildCommand {
    BuildRequest request;
    std::string from;  // set: build from an unpacked folder
    std::vector<MirrorRule> mirrors;
};

std::string CheckOptionMix(const ParsedArgs& parsed) {
    if (!parsed.plain.empty()) return "unexpected argument '" + parsed.plain[0] + "'";
    if (!parsed.Has("-o")) return "give the file to write with -o OUT.Spr";
    if (parsed.Has("--single") && (parsed.Has("--size") || parsed.Has("--dir")))
        return "--single takes neither --size nor --dir";
    if (parsed.Has("--from") && (parsed.Has("--size") || parsed.Has("--dir") ||
                                 parsed.Has("--single") || parsed.Has("--key")))
        return "--from takes its size, key and frames from the folder's sprite.json: "
               "give no --size, --dir, --single or --key";
    if (parsed.Has("--single") && parsed.Has("--mirror"))
        return "a single sprite has no directions to --mirror";
    return "";
}

bool ReadColourOptions(const ParsedArgs& parsed, ColourOptions& colour, std::string* error) {
    colour.dither = parsed.Has("--dither");
    if (parsed.Has("--matte")) {
        const std::optional<Rgb8> matte = ParseRgbText(*parsed.One("--matte"));
        if (!matte) *error = std::string(MATTE_WANTED) + ", not '" + *parsed.One("--matte") + "'";
        colour.useMatte = matte.has_value();
        colour.matte = matte.value_or(Rgb8{});
    }
    if (parsed.Has("--alpha-threshold")) {
        const std::optional<int> threshold =
            ParseAlphaThresholdText(*parsed.One("--alpha-threshold"));
        if (!threshold)
            *error = std::string(ALPHA_THRESHOLD_WANTED) + ", not '" +
                     *parsed.One("--alpha-threshold") + "'";
        colour.alphaThreshold = threshold.value_or(DEFAULT_ALPHA_THRESHOLD);
    }
    return error->empty();
}

bool ReadMirrors(const ParsedArgs& parsed, BuildCommand& command, std::string* error) {
    if (!parsed.Has("--mirror")) return true;
    std::vector<int> given;
    for (int d = 0; d < SPRITE_DIRECTIONS; ++d)
        if (!command.request.pictures[d].empty()) given.push_back(d);
    for (const std::string& text : parsed.values.at("--mirror"))
        if (!AddMirrorRule(text, given, command.mirrors, error)) return false;
    return true;
}

std::optional<BuildCommand> ReadBuildArgs(const ParsedArgs& parsed, std::string* error) {
    BuildCommand command;
    BuildRequest& request = command.request;
    *error = CheckOptionMix(parsed);
    if (!error->empty()) return std::nullopt;
    request.output = *parsed.One("-o");
    request.strict = parsed.Has("--strict");
    if (!ReadColourOptions(parsed, request.colour, error)) return std::nullopt;
    if (parsed.Has("--key")) {
        const std::optional<KeyColour> key = ParseKey(*parsed.One("--key"));
        if (!key) *error = "--key must be R,G,B with each 0 to 255";
        if (!key) return std::nullopt;
        request.key = *key;
    }
    if (parsed.Has("--single")) {
        request.singlePicture = *parsed.One("--single");
        return command;
    }
    if (parsed.Has("--from"))
        command.from = *parsed.One("--from");
    else if (!ReadAnimationArgs(parsed, request, error))
        return std::nullopt;
    if (!ReadMirrors(parsed, command, error)) return std::nullopt;
    return command;
}

BuildOutcome Build(const BuildCommand& command) {
    BuildOutcome outcome =
        command.from.empty()
            ? BuildSprite(command.request)
            : BuildFromFolder(command.from, command.request.strict, command.request.colour);
    if (!outcome.errors.empty() || command.mirrors.empty()) return outcome;
    std::string error;
    std::optional<std::vector<uint8_t>> mirrored =
        MirrorDirections(outcome.bytes, command.mirrors, &error);
    outcome.bytes = mirrored ? std::move(*mirrored) : std::vector<uint8_t>();
    if (!mirrored) outcome.errors.push_back(command.request.output + ": " + error);
    return outcome;
}

}  // namespace

int RunBuild(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<ParsedArgs> parsed = ParseArgs(argv,
                                                       {{"-o"},
                                                        {"--size"},
                                                        {"--key"},
                                                        {"--dir", true, true},
                                                        {"--single"},
                                                        {"--strict", false},
                                                        {"--from"},
                                                        {"--mirror", true, true},
                                                        {"--dither", false},
                                                        {"--matte"},
                                                        {"--alpha-threshold"}},
                                                       &error);
    if (parsed && parsed->help) {
        out << kBuildHelp;
        return EXIT_DONE;
    }
    const std::optional<BuildCommand> command =
        parsed ? ReadBuildArgs(*parsed, &error) : std::nullopt;
    if (!command) return UsageError(err, "build", error);
    const std::string& output = command->request.output;
    const std::string shared = FindSharedFile(PicturesOf(command->request), {output});
    if (!shared.empty()) return UsageError(err, "build", shared);
    const BuildOutcome outcome = Build(*command);
    for (const std::string& warning : outcome.warnings) err << PROGRAM << ": " << warning << "\n";
    for (const std::string& problem : outcome.errors) err << PROGRAM << ": " << problem << "\n";
    if (!outcome.errors.empty()) return EXIT_BAD_INPUT;
    const WriteResult written = WriteFileReplacing(output, outcome.bytes);
    if (!written) {
        Report(err, output, Describe(written));
        return EXIT_BAD_INPUT;
    }
    out << output << ": wrote " << outcome.bytes.size() << " bytes\n";
    return EXIT_DONE;
}
