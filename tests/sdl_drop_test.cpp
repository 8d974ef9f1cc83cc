// Files dropped on the window reach the open-pictures dialog through SDL's
// own queue, run by a stand-in `zenity` first on PATH (no display needed).
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/sdl_platform.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

void PushDrop(const std::string& path) {
    SDL_Event event{};
    event.type = SDL_DROPFILE;
    event.drop.file = SDL_strdup(path.c_str());
    SDL_PushEvent(&event);
}

// A drop while the dialog is up ends it and answers in its place; several
// chosen in the dialog come back as they were printed; a drop while no
// dialog is up waits as a message.
TEST(SdlDropTest, DropsAnswerTheOpenDialogOrWaitAsMessages) {
    const fs::path dir = fs::temp_directory_path() / ("celforge_drop_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string oldPath = std::getenv("PATH");
    setenv("PATH", (dir.string() + ":" + oldPath).c_str(), 1);
    SdlPlatform sdl;
    const struct {
        const char* zenity;
        std::vector<std::string> drops;  // pushed 300 ms after the dialog came up
        std::vector<std::string> paths;
    } cases[] = {
        {"exec sleep 5", {"/p/a 1.pcx", "/p/b.pcx"}, {"/p/a 1.pcx", "/p/b.pcx"}},
        {"printf '/q/x.pcx///q/y.pcx\\n'", {}, {"/q/x.pcx", "/q/y.pcx"}},
    };
    for (const auto& c : cases) {
        std::ofstream(dir / "zenity") << "#!/bin/sh\n" << c.zenity << "\n";
        fs::permissions(dir / "zenity", fs::perms::owner_all);
        std::thread user([&] {
            if (c.drops.empty()) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            for (const std::string& path : c.drops) PushDrop(path);
        });
        const auto asked = std::chrono::steady_clock::now();
        const DialogResult answer = sdl.OpenFilesDialog("Open", {}, "");
        user.join();
        EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(2));
        EXPECT_EQ(answer.outcome, DialogOutcome::Chosen) << c.zenity;
        EXPECT_EQ(answer.paths, c.paths);
        EXPECT_FALSE(sdl.PeekMessage()) << "the drops were the answer, not messages too";
    }
    PushDrop("/p/later.pcx");
    ASSERT_TRUE(sdl.PeekMessage());
    const Message message = sdl.GetMessage();
    EXPECT_EQ(message.kind, MessageKind::DropFile);
    EXPECT_EQ(message.path, "/p/later.pcx");
    setenv("PATH", oldPath.c_str(), 1);
    fs::remove_all(dir);
}

}  // namespace
