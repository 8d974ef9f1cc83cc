#include "tests/support/session.h"

#include <cstdlib>

#include "display/ddraw.h"
#include "shell/frame.h"
#include "shell/main_loop.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "state/work.h"
#include "workbench/input.h"

void SessionTest::SetUp() {
    // Tests that start over within one test would otherwise meet the
    // session the last start left, and its restore box.
    static int starts = 0;
    setenv("XDG_STATE_HOME", (::testing::TempDir() + "state-s" + std::to_string(++starts)).c_str(),
           1);
    ResetEditorState();
    BeginInputTick();  // no tap left over from an earlier test
    platform::SetPlatform(&script);
    script.onUnanswered = [](const platform::ShownDialog& dialog) {
        ADD_FAILURE() << "unexpected dialog \"" << dialog.caption << "\": " << dialog.text;
    };
    ASSERT_TRUE(OpenMainWindow());
}

void SessionTest::TearDown() {
    ReleaseWorkbench();
    g_screen.ReleaseAll();
    platform::SetPlatform(nullptr);
}

std::string SessionTest::WritePicture(const std::string& name, const RgbImage& image) {
    const std::string path = ::testing::TempDir() + name;
    EXPECT_TRUE(WriteBytesToFile(path, EncodePcx24(image)));
    return path;
}

std::string SessionTest::WriteGradient(const std::string& name, int width, int height) {
    RgbImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.At(x, y);
            p[0] = static_cast<uint8_t>(8 * (x % 32));
            p[1] = static_cast<uint8_t>(4 * (y % 64));
            p[2] = static_cast<uint8_t>(8 + 8 * ((x + y) % 31));
        }
    return WritePicture(name, image);
}

void SessionTest::StartWith(const std::string& path) {
    script.QueueOpenAnswer(path);
    ASSERT_TRUE(InitWorkbench());
}

void SessionTest::Tick() {
    script.AdvanceClock(20);
    UpdateFrame();
}

void SessionTest::Ticks(int count) {
    for (int i = 0; i < count; ++i) Tick();
}

void SessionTest::Click(int x, int y) {
    MoveTo(x, y);
    Hold(platform::kKeyLeftButton, true);
    Tick();
    Hold(platform::kKeyLeftButton, false);
}

bool SessionTest::QuitPosted() {
    while (script.PeekMessage())
        if (script.GetMessage().kind == platform::MessageKind::Quit) return true;
    return false;
}
