// unpack: a sprite file to a folder of frames an artist can retouch.

#include <filesystem>
#include <ostream>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/sprite_folder.h"
#include "formats/safe_file.h"

namespace {

const char* const kUnpackHelp =
    "Usage: celforge-spr unpack FILE.Spr -o FOLDER [--keep-key] [--force]\n"
    "Writes one PNG per frame, FOLDER/<Direction>_<index>.png (Left_0.png, ...), and\n"
    "FOLDER/sprite.json with the type, frame size, key colour and each direction's\n"
    "frame count. 'build --from FOLDER' turns the folder back into the same file.\n"
    "A single sprite's one frame is NoDirection_0.png, its type \"single\".\n"
    "  -o FOLDER     made if missing; one that already holds files is refused\n"
    "  --keep-key    key-coloured pixels stay opaque in the key colour (by default\n"
    "                they are transparent)\n"
    "  --force       write into a folder that already holds files, replacing\n"
    "                frames of the same names\n";

// Empty when the folder is there (made now if missing) and may be written.
std::string PrepareFolder(const std::string& folder, bool force) {
    namespace fs = std::filesystem;
    std::error_code failure;
    const fs::file_status status = fs::status(folder, failure);
    if (!fs::exists(status)) {
        fs::create_directories(folder, failure);
        return fs::is_directory(folder, failure) ? "" : "cannot make the folder";
    }
    if (!fs::is_directory(status)) return "is not a folder";
    const bool empty = fs::is_empty(folder, failure);
    if (failure) return "cannot look into the folder";
    return empty || force ? "" : "the folder already holds files; --force writes into it";
}

}  // namespace

int RunUnpack(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<ParsedArgs> parsed =
        ParseArgs(argv, {{"-o"}, {"--keep-key", false}, {"--force", false}}, &error);
    if (parsed && parsed->help) {
        out << kUnpackHelp;
        return EXIT_DONE;
    }
    if (parsed && parsed->plain.size() != 1) error = "give exactly one sprite file";
    if (parsed && !parsed->Has("-o")) error = "give the folder to write with -o FOLDER";
    if (!parsed || !error.empty()) return UsageError(err, "unpack", error);
    const std::string& path = parsed->plain[0];
    const std::string folder = *parsed->One("-o");
    const std::optional<SpriteImage> sprite = ReadSpriteFile(path, err);
    if (!sprite) return EXIT_BAD_INPUT;
    const auto files = UnpackSprite(*sprite, parsed->Has("--keep-key"), &error);
    if (files.empty()) {
        Report(err, path, error);
        return EXIT_BAD_INPUT;
    }
    error = PrepareFolder(folder, parsed->Has("--force"));
    if (!error.empty()) {
        Report(err, folder, error);
        return EXIT_BAD_INPUT;
    }
    for (const auto& [name, bytes] : files) {
        const std::string target = (std::filesystem::path(folder) / name).string();
        const WriteResult written = WriteFileReplacing(target, bytes);
        if (!written) {
            Report(err, target, Describe(written));
            return EXIT_BAD_INPUT;
        }
    }
    out << folder << ": wrote " << files.size() - 1 << " frames and " << SPRITE_FOLDER_JSON << "\n";
    return EXIT_DONE;
}
