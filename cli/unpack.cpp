// unpack: a sprite file to a folder of frames an artist can retouch.

#include <filesystem>
#include <ostream>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/output_files.h"
#include "cli/sprite_folder.h"

namespace {

const char* const kUnpackHelp =
    "Usage: celforge-spr unpack FILE.Spr -o FOLDER [--keep-key] [--force]\n"
    "Writes one PNG per frame, FOLDER/<Direction>_<index>.png (Left_0.png, ...), and\n"
    "FOLDER/sprite.json with the type, frame size, key colour and each direction's\n"
    "frame count. 'build --from FOLDER' turns the folder back into the same file.\n"
    "A single sprite's one frame is NoDirection_0.png, its type \"single\".\n"
    "  -o FOLDER     made if missing; one that already holds files is refused.\n"
    "                Nothing is written unless every file is: a new folder is\n"
    "                written beside its place and renamed into it at the end\n"
    "  --keep-key    key-coloured pixels stay opaque in the key colour (by default\n"
    "                they are transparent)\n"
    "  --force       write into a folder that already holds files, replacing\n"
    "                frames of the same names\n";

enum class FolderState { Missing, Empty, HoldsFiles };

// The target's state, or empty with `error` set when it cannot be written.
std::optional<FolderState> LookAtFolder(const std::string& folder, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code failure;
    const fs::file_status status = fs::status(folder, failure);
    if (!fs::exists(status)) return FolderState::Missing;
    if (!fs::is_directory(status)) {
        *error = "is not a folder";
        return std::nullopt;
    }
    const bool empty = fs::is_empty(folder, failure);
    if (failure) *error = "cannot look into the folder: " + failure.message();
    if (failure) return std::nullopt;
    return empty ? FolderState::Empty : FolderState::HoldsFiles;
}

std::string TargetOf(const std::string& folder, const std::string& name) {
    return (std::filesystem::path(folder) / name).string();
}

// Into a folder already there, each file replaces its namesake only once
// all of them are written.
bool WriteIntoFolder(const std::string& folder, const NamedFiles& files, std::ostream& err) {
    OutputFiles outputs(err);
    std::string error;
    for (const auto& [name, bytes] : files) {
        std::ostream* file = outputs.Open(TargetOf(folder, name), &error);
        if (file == nullptr) {
            Report(err, TargetOf(folder, name), error);
            return false;
        }
        file->write(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<std::streamsize>(bytes.size()));
    }
    if (outputs.Commit(&error)) return true;
    err << PROGRAM << ": " << error << "\n";
    return false;
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
    if (parsed && parsed->One("-o") == STANDARD_OUTPUT)
        error = "unpack writes a folder of files, which standard output cannot hold";
    if (!parsed || !error.empty()) return UsageError(err, "unpack", error);
    const std::string& path = parsed->plain[0];
    const std::string folder = *parsed->One("-o");
    const std::optional<SpriteImage> sprite = ReadSpriteFile(path, err);
    if (!sprite) return EXIT_BAD_INPUT;
    const NamedFiles files = UnpackSprite(*sprite, parsed->Has("--keep-key"), &error);
    if (files.empty()) {
        Report(err, path, error);
        return EXIT_BAD_INPUT;
    }
    std::vector<std::string> targets;
    for (const auto& file : files) targets.push_back(TargetOf(folder, file.first));
    const std::string shared = FindSharedFile({path}, targets);
    if (!shared.empty()) return UsageError(err, "unpack", shared);
    const std::optional<FolderState> state = LookAtFolder(folder, &error);
    if (state == FolderState::HoldsFiles && !parsed->Has("--force"))
        error = "the folder already holds files; --force writes into it";
    if (!error.empty()) {
        Report(err, folder, error);
        return EXIT_BAD_INPUT;
    }
    if (state == FolderState::Missing && !WriteNewFolder(folder, files, &error)) {
        Report(err, folder, error);
        return EXIT_BAD_INPUT;
    }
    if (state != FolderState::Missing && !WriteIntoFolder(folder, files, err))
        return EXIT_BAD_INPUT;
    out << folder << ": wrote " << Counted(files.size() - 1, "frame") << " and "
        << SPRITE_FOLDER_JSON << "\n";
    return EXIT_DONE;
}
