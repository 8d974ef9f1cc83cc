#include "cli/commands.h"

#include <exception>
#include <ostream>

#include "cli/picture_source.h"
#include "cli/version.h"

const char* const PROGRAM = "celforge-spr";

namespace {

const char* const kHelp =
    "Usage: celforge-spr COMMAND [OPTIONS]\n"
    "Reads, checks, exports, unpacks and builds sprite files (.Spr).\n"
    "\n"
    "Commands:\n"
    "  info FILE.Spr [--json]       the header: type, frame size, key colour, frames\n"
    "  check FILE.Spr               every problem with the file, one a line\n"
    "  export FILE.Spr -o SHEET.png [--json SHEET.json] [--gif FOLDER] [--delay MS]\n"
    "         [--format hash|array] [--scale N]\n"
    "                               a PNG sheet, its JSON description, looping GIFs\n"
    "  build -o OUT.Spr --size WxH --dir NAME=PICTURE[,PICTURE...] ...\n"
    "  build -o OUT.Spr --single PICTURE\n"
    "  build -o OUT.Spr --from FOLDER [--mirror DEST=SOURCE ...]\n"
    "                               a sprite file from pictures, as the editor writes it\n"
    "  unpack FILE.Spr -o FOLDER [--keep-key] [--force]\n"
    "                               one PNG per frame and sprite.json, for build --from\n"
    "  thumbnail [-s SIZE] FILE.Spr OUT.png\n"
    "                               the first frame, scaled to fit SIZE, for file managers\n"
    "\n"
    "'celforge-spr COMMAND --help' tells more. Exit codes: 0 done, 1 a problem\n"
    "with a file, 2 wrong usage.\n";

}  // namespace

int UsageError(std::ostream& err, const std::string& command, const std::string& text) {
    const std::string where = command.empty() ? "" : command + ": ";
    err << PROGRAM << ": " << where << text << "\n";
    err << "Try '" << PROGRAM << (command.empty() ? "" : " " + command) << " --help'.\n";
    return EXIT_USAGE;
}

void Report(std::ostream& err, const std::string& subject, const std::string& text) {
    err << PROGRAM << ": " << subject << ": " << text << "\n";
}

std::string Counted(uint64_t count, const std::string& noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

namespace {

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return UsageError(err, "", "no command given");
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        out << kHelp;
        return EXIT_DONE;
    }
    if (command == "--version") {
        out << PROGRAM << " " << CELFORGE_SPR_VERSION << "\n";
        return EXIT_DONE;
    }
    UseFileColourTables();
    if (command == "info") return RunInfo(rest, out, err);
    if (command == "check") return RunCheck(rest, out, err);
    if (command == "export") return RunExport(rest, out, err);
    if (command == "build") return RunBuild(rest, out, err);
    if (command == "unpack") return RunUnpack(rest, out, err);
    if (command == "thumbnail") return RunThumbnail(rest, out, err);
    return UsageError(err, "", "unknown command '" + command + "'");
}

}  // namespace

int RunCelforgeSpr(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    int code = EXIT_BAD_INPUT;
    try {
        code = RunCommand(args, out, err);
    } catch (const std::exception& failure) {
        Report(err, "stopped", failure.what());
        return EXIT_BAD_INPUT;
    } catch (...) {
        Report(err, "stopped", "an unexpected failure");
        return EXIT_BAD_INPUT;
    }
    // Output lost to a full disk or a closed pipe is a failure, not success.
    if (!out.flush()) {
        err << PROGRAM << ": cannot write to standard output\n";
        return EXIT_BAD_INPUT;
    }
    return code;
}
