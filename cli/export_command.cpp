// export: a sprite file to a PNG sheet, its JSON and a GIF per direction.

#include <filesystem>
#include <ostream>

#include "cli/commands.h"
#include "cli/export.h"
#include "cli/options.h"
#include "cli/output_files.h"
#include "cli/picture_source.h"

namespace {

const char* const kExportHelp =
    "Usage: celforge-spr export FILE.Spr -o SHEET.png [--json SHEET.json] [--gif FOLDER]\n"
    "                           [--delay MS] [--format hash|array] [--scale N]\n"
    "Writes a PNG sprite sheet (RGBA, 8 bits a channel): one row per direction that has\n"
    "frames, in file order, frames left to right. 5-6-5 pixels are widened by bit\n"
    "replication (31 -> 255); pixels of the key colour are fully transparent.\n"
    "  -o SHEET.png      the sheet; '-' writes it to standard output (no --json, --gif)\n"
    "  --json FILE       the sheet's description for game engines' sheet importers:\n"
    "                    frames (named like Left_0), meta with frameTags, and\n"
    "                    animations naming each direction's frames\n"
    "  --format FORM     hash (the default): frames is an object keyed by frame name;\n"
    "                    array: frames is an array, each entry naming itself in filename\n"
    "  --scale N         the sheet N times larger (1 to 8), each pixel an N x N block;\n"
    "                    the JSON's rectangles and meta.scale match it\n"
    "  --gif FOLDER      one looping GIF per direction, e.g. FOLDER/Left.gif (made if\n"
    "                    missing); up to 255 colours exactly, more on a 6x7x6 cube\n"
    "  --delay MS        time per frame, 1 to 655350 ms (default 100); GIFs round it\n"
    "                    to hundredths of a second\n"
    "Nothing is written unless every output is: files are put in place at the end.\n";

struct ExportArgs {
    std::string sprite, png, json, gifFolder;
    int delayMs = 100;
    int scale = 1;
    FrameList form = FrameList::Hash;
};

bool ReadNumbers(const ParsedArgs& parsed, ExportArgs& args, std::string* error) {
    if (parsed.Has("--delay")) {
        const std::optional<long> delay = ParseCount(*parsed.One("--delay"), 1, 655350);
        if (!delay) *error = "--delay must be a whole number of milliseconds, 1 to 655350";
        args.delayMs = static_cast<int>(delay.value_or(0));
    }
    if (parsed.Has("--scale")) {
        const std::optional<long> scale = ParseCount(*parsed.One("--scale"), 1, MAX_SHEET_SCALE);
        if (!scale) *error = "--scale must be a whole number, 1 to 8";
        args.scale = static_cast<int>(scale.value_or(0));
    }
    const std::string form = parsed.One("--format").value_or("hash");
    if (form != "hash" && form != "array") *error = "--format must be hash or array";
    args.form = form == "array" ? FrameList::Array : FrameList::Hash;
    return error->empty();
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
    if (args.png == STANDARD_OUTPUT && (!args.json.empty() || !args.gifFolder.empty()))
        *error = "-o - writes the sheet alone to standard output: give it no --json or --gif";
    if (!error->empty() || !ReadNumbers(parsed, args, error)) return std::nullopt;
    return args;
}

std::string GifPath(const ExportArgs& args, const std::string& name) {
    return (std::filesystem::path(args.gifFolder) / name).string();
}

std::vector<std::string> OutputPaths(const ExportArgs& args, const SpriteImage& sprite) {
    std::vector<std::string> paths = {args.png};
    if (!args.json.empty()) paths.push_back(args.json);
    for (int d = 0; !args.gifFolder.empty() && d < SPRITE_DIRECTIONS; ++d)
        if (sprite.header.counts[d] > 0) paths.push_back(GifPath(args, DirectionKey(d) + ".gif"));
    return paths;
}

bool Put(OutputFiles& outputs, const std::string& path, const std::vector<uint8_t>& bytes,
         std::ostream& err) {
    std::string error;
    std::ostream* file = outputs.Open(path, &error);
    if (file == nullptr) Report(err, path, error);
    if (file != nullptr) file->write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return file != nullptr;
}

bool MakeGifFolder(const std::string& folder, std::ostream& err) {
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    if (std::filesystem::is_directory(folder)) return true;
    Report(err, folder, "cannot make the folder");
    return false;
}

int WriteExport(const ExportArgs& args, const ExportFiles& files, std::ostream& out,
                std::ostream& err) {
    OutputFiles outputs(out);
    if (!Put(outputs, args.png, files.png, err)) return EXIT_BAD_INPUT;
    if (!args.json.empty()) {
        std::string error;
        std::ostream* json = outputs.Open(args.json, &error);
        if (json == nullptr) Report(err, args.json, error);
        if (json == nullptr) return EXIT_BAD_INPUT;
        const std::string image = std::filesystem::path(args.png).filename().string();
        WriteSheetJson(*json, files.layout, {image, args.delayMs, args.form});
    }
    if (!args.gifFolder.empty() && !MakeGifFolder(args.gifFolder, err)) return EXIT_BAD_INPUT;
    for (const auto& [name, bytes] : files.gifs)
        if (!Put(outputs, GifPath(args, name), bytes, err)) return EXIT_BAD_INPUT;
    std::string error;
    if (!outputs.Commit(&error)) {
        err << PROGRAM << ": " << error << "\n";
        return EXIT_BAD_INPUT;
    }
    if (args.png != STANDARD_OUTPUT)
        out << args.png << ": wrote the sheet of " << args.sprite << "\n";
    return EXIT_DONE;
}

}  // namespace

int RunExport(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<ParsedArgs> parsed = ParseArgs(
        argv, {{"-o"}, {"--json"}, {"--gif"}, {"--delay"}, {"--format"}, {"--scale"}}, &error);
    if (parsed && parsed->help) {
        out << kExportHelp;
        return EXIT_DONE;
    }
    const std::optional<ExportArgs> args = parsed ? ParseExportArgs(*parsed, &error) : std::nullopt;
    if (!args) return UsageError(err, "export", error);
    std::string why;
    const std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(args->sprite, &why);
    if (!bytes) {
        Report(err, args->sprite, "cannot read the file: " + why);
        return EXIT_BAD_INPUT;
    }
    const SpriteReadResult read = ReadSprite(bytes->data(), bytes->size());
    for (const std::string& problem : read.problems) Report(err, args->sprite, problem);
    if (!read.sprite) return EXIT_BAD_INPUT;
    const std::string shared = FindSharedFile({args->sprite}, OutputPaths(*args, *read.sprite));
    if (!shared.empty()) return UsageError(err, "export", shared);
    const ExportFiles files =
        ExportSprite(*read.sprite, {args->delayMs, args->scale, !args->gifFolder.empty()});
    if (!files.error.empty()) {
        Report(err, args->sprite, files.error);
        return EXIT_BAD_INPUT;
    }
    std::error_code failure;
    const bool hadFolder = args->gifFolder.empty() || std::filesystem::exists(args->gifFolder);
    const int code = WriteExport(*args, files, out, err);
    // A GIF folder made for outputs that were never put in place goes too.
    if (code != EXIT_DONE && !hadFolder) std::filesystem::remove(args->gifFolder, failure);
    return code;
}
