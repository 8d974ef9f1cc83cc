#include "platform/platform.h"

#include <cassert>

namespace platform {

namespace {
Platform* g_current = nullptr;
}

void SetPlatform(Platform* platform) {
    g_current = platform;
}

Platform& Current() {
    assert(g_current && "SetPlatform must run before the logic uses the platform");
    return *g_current;
}

}  // namespace platform
