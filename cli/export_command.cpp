// export: a sprite file to a PNG sheet, its JSON and a GIF per direction.

#include <filesystem>
#include <ostream>

#include "cli/commands.h"
#include "cli/export.h"
#include "cli/options.h"
#include "cli/picture_source.h"
#include "formats/safe_file.h"

namespace {

const char* const kExportHelp =
    "Usage: celforge-spr export FILE.Spr -o SHEET.png [--json SHEET.json] [--gif FOLDER]\n"
    "                           [--delay MS]\n"
    "Writes a PNG sprite sheet (RGBA, 8 bits a channel): one row per direction that has\n"
    "frames, in file order, frames left to right. 5-6-5 pixels are widened by bit\n"
    "replication (31 -> 255); pixels of the key colour are fully transparent.\n"
    "  -o SHEET.png      the sheet\n"
    "  --json FILE       the sheet's description for game engines' sheet importers:\n"
    "                    frames (an array, named like Left_0), meta with frameTags,\n"
    "                    and animations naming each direction's frames\n"
    "  --gif FOLDER      one looping GIF per direction, e.g. FOLDER/Left.gif (made if\n"
    "                    missing); up to 255 colours exactly, more on a 6x7x6 cube\n"
    "  --delay MS        time per frame, 1 to 655350 ms (default 100); GIFs round it\n"
    "                    to hundredths of a second\n";

struct ExportArgs {
    std::string sprite, png, json, gifFolder;
    int delayMs = 100;
};

std::optional<ExportArgs> ParseExportArgs(const ParsedArgs& parsed, std::string* error) {
    ExportArgs args;
    if (parsed.plain.size() != 1) *error = "give exactly one sprite file";
    if (!parsed.Has("-o")) *error = "give the sheet's file with -o SHEET.png";
    if (!error->empty()) return std::nullopt;
    args.sprite = parsed.plain[0];
    args.png = *parsed.One("-o");
    args.json = parsed.One("--json").value_or("");
    args.gifFolder = parsed.One("--gif").value_or("");
    if (parsed.Has("--delay")) {
        const std::optional<long> delay = ParseCount(*parsed.One("--delay"), 1, 655350);
        if (!delay) {
            *error = "--delay must be a whole number of milliseconds, 1 to 655350";
            return std::nullopt;
        }
        args.delayMs = static_cast<int>(*delay);
    }
    return args;
}

bool WriteOut(const std::string& path, const std::vector<uint8_t>& bytes, std::ostream& err) {
    const WriteResult written = WriteFileReplacing(path, bytes);
    if (!written) Report(err, path, Describe(written));
    return static_cast<bool>(written);
}

bool WriteGifs(const ExportArgs& args, const ExportFiles& files, std::ostream& err) {
    std::error_code failure;
    std::filesystem::create_directories(args.gifFolder, failure);
    if (!std::filesystem::is_directory(args.gifFolder)) {
        Report(err, args.gifFolder, "cannot make the folder");
        return false;
    }
    for (const auto& [name, bytes] : files.gifs)
        if (!WriteOut((std::filesystem::path(args.gifFolder) / name).string(), bytes, err))
            return false;
    return true;
}

int WriteExport(const ExportArgs& args, const ExportFiles& files, std::ostream& out,
                std::ostream& err) {
    if (!WriteOut(args.png, files.png, err)) return EXIT_BAD_INPUT;
    if (!args.json.empty() &&
        !WriteOut(args.json, std::vector<uint8_t>(files.json.begin(), files.json.end()), err))
        return EXIT_BAD_INPUT;
    if (!args.gifFolder.empty() && !WriteGifs(args, files, err)) return EXIT_BAD_INPUT;
    out << args.png << ": wrote the sheet of " << args.sprite << "\n";
    return EXIT_DONE;
}

}  // namespace

int RunExport(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<ParsedArgs> parsed =
        ParseArgs(argv, {{"-o"}, {"--json"}, {"--gif"}, {"--delay"}}, &error);
    if (parsed && parsed->help) {
        out << kExportHelp;
        return EXIT_DONE;
    }
    const std::optional<ExportArgs> args = parsed ? ParseExportArgs(*parsed, &error) : std::nullopt;
    if (!args) return UsageError(err, "export", error);
    const std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(args->sprite);
    if (!bytes) {
        Report(err, args->sprite, "cannot read the file");
        return EXIT_BAD_INPUT;
    }
    const SpriteReadResult read = ReadSprite(bytes->data(), bytes->size());
    for (const std::string& problem : read.problems) Report(err, args->sprite, problem);
    if (!read.sprite) return EXIT_BAD_INPUT;
    const ExportOptions options{std::filesystem::path(args->png).filename().string(), args->delayMs,
                                !args->json.empty(), !args->gifFolder.empty()};
    const ExportFiles files = ExportSprite(*read.sprite, options);
    if (!files.error.empty()) {
        Report(err, args->sprite, files.error);
        return EXIT_BAD_INPUT;
    }
    return WriteExport(*args, files, out, err);
}
