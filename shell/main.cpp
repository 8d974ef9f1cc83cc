#include <cstdio>
#include <cstdlib>

#include "platform/sdl_platform.h"
#include "shell/command_line.h"
#include "shell/data_folder.h"
#include "shell/main_loop.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"

int main(int argc, char** argv) {
    const CommandLine line = ParseCommandLine(
        {argv + 1, argv + argc}, std::getenv("CELFORGE_SCALE"), std::getenv("CELFORGE_DITHER"));
    if (!line.error.empty()) {
        std::fprintf(stderr, "celforge: %s\n%s", line.error.c_str(), USAGE_TEXT);
        return 2;
    }
    if (line.help) {
        std::fputs(USAGE_TEXT, stdout);
        return 0;
    }
    if (!LocateDataFolder()) return 1;
    g_state.colour = line.colour;
    if (line.morePictures.empty()) {
        SetStartFile(line.file);
    } else {
        std::vector<std::string> pictures{line.file};
        pictures.insert(pictures.end(), line.morePictures.begin(), line.morePictures.end());
        SetStartPictures(pictures);
    }
    platform::SdlPlatform sdl(line.scale);
    platform::SetPlatform(&sdl);
    const int code = WinMain();
    platform::SetPlatform(nullptr);
    return code;
}
