#include "platform/sdl_platform.h"
#include "shell/main_loop.h"

int main() {
    platform::SdlPlatform sdl;
    platform::SetPlatform(&sdl);
    const int code = WinMain();
    platform::SetPlatform(nullptr);
    return code;
}
