// export: a sprite file to a PNG sheet (in pages if need be), its description
// for a game engine and a GIF per direction.

#include <algorithm>
#include <filesystem>
#include <ostream>

#include "cli/commands.h"
#include "cli/export.h"
#include "cli/export_args.h"
#include "cli/options.h"
#include "cli/output_files.h"
#include "cli/picture_source.h"
#include "cli/sprite_folder.h"

namespace {

const char* const kExportHelp =
    "Usage: celforge-spr export FILE.Spr -o SHEET.png [--json SHEET.json] [--gif FOLDER]\n"
    "         [--format hash|array|aseprite|godot|godot3|atlas] [--delay [DIRECTION=]MS]...\n"
    "         [--scale N] [--layout rows|grid] [--pivot [DIRECTION=]X,Y]...\n"
    "         [--padding N] [--extrude N] [--max-size N]\n"
    "Writes a PNG sprite sheet (RGBA, 8 bits a channel), frames in file order.\n"
    "5-6-5 pixels are widened by bit replication (31 -> 255); pixels of the key\n"
    "colour are fully transparent.\n"
    "  -o SHEET.png      the sheet; '-' writes it to standard output when it is the\n"
    "                    only output\n"
    "  --json FILE       with the JSON forms, the sheet's description: frames,\n"
    "                    meta (frameTags; rows: which line holds which direction)\n"
    "                    and animations naming each direction's frames\n"
    "  --format FORM     hash (the default): frames keyed by name, like Left_0\n"
    "                    array: frames as an array, each naming itself in filename\n"
    "                    aseprite: frames keyed \"0\", \"1\", ... in file order, one\n"
    "                      frameTag per direction (Phaser's createFromAseprite)\n"
    "                    godot, godot3: SHEET.tres, a SpriteFrames resource of Godot 4\n"
    "                      or 3 (one looping animation per direction), and SHEET.tscn,\n"
    "                      one animated sprite per direction placed at its pivot\n"
    "                    atlas: SHEET.atlas, a texture atlas for libGDX and Spine, one\n"
    "                      region per frame named by direction with its index\n"
    "  --delay MS        time per frame, 1 to 655350 ms (default 100); DIRECTION=MS\n"
    "                    sets one direction's (repeatable). JSON durations, Godot\n"
    "                    speeds (1000 / MS frames a second) and GIFs follow\n"
    "  --scale N         the sheet N times larger (1 to 8), each pixel an N x N block;\n"
    "                    engines draw it N times larger (meta.scale stays \"1\")\n"
    "  --layout FORM     rows (the default): each direction starts a line of its own,\n"
    "                    in file order; grid: all frames on a near-square grid\n"
    "  --pivot X,Y       the point, in sprite pixels, that the sprite turns about and\n"
    "                    stands on; DIRECTION=X,Y for one direction (repeatable).\n"
    "                    JSON: pivot and anchor (0 to 1); Godot: the scene's offsets\n"
    "  --padding N       N transparent pixels between frames (0 to 256)\n"
    "  --extrude N       each frame's edge pixels repeated N times around it (0 to 64),\n"
    "                    so filtered textures show no seams; rectangles stay exact\n"
    "  --max-size N      no page wider or taller than N pixels: a larger sheet goes\n"
    "                    into SHEET-0.png, SHEET-1.png, ... each with its JSON\n"
    "                    (meta.related_multi_packs names the others)\n"
    "  --gif FOLDER      one looping GIF per direction, e.g. FOLDER/Left.gif (made if\n"
    "                    missing); up to 255 colours exactly, more on a 6x7x6 cube;\n"
    "                    GIFs round delays to hundredths of a second\n"
    "DIRECTION is one of nodirection, left, leftup, up, rightup, right, rightdown,\n"
    "down, leftdown. Nothing is written unless every output is: files are put in\n"
    "place at the end.\n";

// Every file the export writes, by the sheet's page count.
struct ExportPaths {
    std::vector<std::string> pages, jsons;
    std::string resource, scene;  // Godot's, or the atlas in `resource`
    std::vector<std::string> gifs;

    std::vector<std::string> All() const {
        std::vector<std::string> all = pages;
        all.insert(all.end(), jsons.begin(), jsons.end());
        for (const std::string& path : {resource, scene})
            if (!path.empty()) all.push_back(path);
        all.insert(all.end(), gifs.begin(), gifs.end());
        return all;
    }
};

std::string GifPath(const ExportArgs& args, const std::string& name) {
    return (std::filesystem::path(args.gifFolder) / name).string();
}

ExportPaths PathsFor(const ExportArgs& args, const SpriteImage& sprite, size_t pages) {
    ExportPaths paths;
    for (size_t p = 0; p < pages; ++p) {
        paths.pages.push_back(PagePath(args.png, int(p), pages));
        if (!args.json.empty()) paths.jsons.push_back(PagePath(args.json, int(p), pages));
    }
    if (args.description == Description::Atlas) paths.resource = BesideSheet(args.png, ".atlas");
    if (args.description == Description::Godot4 || args.description == Description::Godot3) {
        paths.resource = BesideSheet(args.png, ".tres");
        paths.scene = BesideSheet(args.png, ".tscn");
    }
    for (int d = 0; !args.gifFolder.empty() && d < SPRITE_DIRECTIONS; ++d)
        if (sprite.header.counts[d] > 0)
            paths.gifs.push_back(GifPath(args, DirectionKey(d) + ".gif"));
    return paths;
}

std::vector<std::string> FileNames(const std::vector<std::string>& paths) {
    std::vector<std::string> names;
    for (const std::string& path : paths)
        names.push_back(std::filesystem::path(path).filename().string());
    return names;
}

std::ostream* Open(OutputFiles& outputs, const std::string& path, std::ostream& err) {
    std::string error;
    std::ostream* file = outputs.Open(path, &error);
    if (file == nullptr) Report(err, path, error);
    return file;
}

bool Put(OutputFiles& outputs, const std::string& path, const std::vector<uint8_t>& bytes,
         std::ostream& err) {
    std::ostream* file = Open(outputs, path, err);
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

bool WriteJsons(OutputFiles& outputs, const ExportArgs& args, const ExportPaths& paths,
                const SheetLayout& layout, const DirectionSettings& settings, std::ostream& err) {
    const std::vector<std::string> jsonNames = FileNames(paths.jsons),
                                   pageNames = FileNames(paths.pages);
    for (size_t p = 0; p < paths.jsons.size(); ++p) {
        std::ostream* json = Open(outputs, paths.jsons[p], err);
        if (json == nullptr) return false;
        std::vector<std::string> others = jsonNames;  // the pages that link to this one
        others.erase(others.begin() + static_cast<std::ptrdiff_t>(p));
        WriteSheetJson(*json, layout,
                       {pageNames[p], args.delayMs, args.frameList, int(p), others, &settings});
    }
    return true;
}

bool WriteDescription(OutputFiles& outputs, const ExportArgs& args, const ExportPaths& paths,
                      const SheetLayout& layout, std::ostream& err) {
    const DirectionSettings settings = args.Settings();
    if (!WriteJsons(outputs, args, paths, layout, settings, err)) return false;
    if (paths.resource.empty()) return true;
    std::ostream* resource = Open(outputs, paths.resource, err);
    if (resource == nullptr) return false;
    if (args.description == Description::Atlas) {
        WriteTextureAtlas(*resource, layout, FileNames(paths.pages));
        return true;
    }
    const GodotOptions godot = {
        args.description == Description::Godot4 ? GodotVersion::Four : GodotVersion::Three,
        FileNames(paths.pages), std::filesystem::path(paths.resource).filename().string(),
        &settings};
    WriteGodotFrames(*resource, layout, godot);
    std::ostream* scene = Open(outputs, paths.scene, err);
    if (scene != nullptr) WriteGodotScene(*scene, layout, godot);
    return scene != nullptr;
}

int WriteExport(const ExportArgs& args, const ExportPaths& paths, const ExportFiles& files,
                std::ostream& out, std::ostream& err) {
    OutputFiles outputs(out);
    for (size_t p = 0; p < files.pages.size(); ++p)
        if (!Put(outputs, paths.pages[p], files.pages[p], err)) return EXIT_BAD_INPUT;
    if (!WriteDescription(outputs, args, paths, files.layout, err)) return EXIT_BAD_INPUT;
    if (!args.gifFolder.empty() && !MakeGifFolder(args.gifFolder, err)) return EXIT_BAD_INPUT;
    for (size_t g = 0; g < files.gifs.size(); ++g)
        if (!Put(outputs, paths.gifs[g], files.gifs[g].second, err)) return EXIT_BAD_INPUT;
    std::string error;
    if (!outputs.Commit(&error)) {
        err << PROGRAM << ": " << error << "\n";
        return EXIT_BAD_INPUT;
    }
    if (args.png == STANDARD_OUTPUT) return EXIT_DONE;
    out << args.png << ": wrote the sheet of " << args.sprite;
    if (files.pages.size() > 1) out << " in " << files.pages.size() << " pages";
    out << "\n";
    return EXIT_DONE;
}

ExportOptions OptionsFor(const ExportArgs& args) {
    return {args.delayMs, args.scale, !args.gifFolder.empty(), args.layout, args.directionDelayMs};
}

}  // namespace

int RunExport(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<ParsedArgs> parsed = ParseArgs(argv, EXPORT_OPTIONS, &error);
    if (parsed && parsed->help) {
        out << kExportHelp;
        return EXIT_DONE;
    }
    const std::optional<ExportArgs> args = parsed ? ParseExportArgs(*parsed, &error) : std::nullopt;
    if (!args) return UsageError(err, "export", error);
    const std::optional<SpriteImage> sprite = ReadSpriteFile(args->sprite, err);
    if (!sprite) return EXIT_BAD_INPUT;
    error = CheckPivots(*args, sprite->header.width, sprite->header.height);
    const std::optional<SheetLayout> layout =
        error.empty() ? LayOutSheet(*sprite, args->layout, &error) : std::nullopt;
    if (!layout) return UsageError(err, "export", error);
    const ExportPaths paths = PathsFor(*args, *sprite, std::max<size_t>(layout->pages.size(), 1));
    if (args->png == STANDARD_OUTPUT && paths.All().size() != 1)
        return UsageError(err, "export",
                          "-o - writes the sheet alone to standard output: give it no --json, "
                          "--gif, --max-size or --format that writes files beside it");
    const std::string shared = FindSharedFile({args->sprite}, paths.All());
    if (!shared.empty()) return UsageError(err, "export", shared);
    const ExportFiles files = ExportSprite(*sprite, OptionsFor(*args));
    if (!files.error.empty()) {
        Report(err, args->sprite, files.error);
        return EXIT_BAD_INPUT;
    }
    std::error_code failure;
    const bool hadFolder = args->gifFolder.empty() || std::filesystem::exists(args->gifFolder);
    const int code = WriteExport(*args, paths, files, out, err);
    // A GIF folder made for outputs that were never put in place goes too.
    if (code != EXIT_DONE && !hadFolder) std::filesystem::remove(args->gifFolder, failure);
    return code;
}
