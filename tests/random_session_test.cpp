// A long seeded session of random input over every pane and mode, with random
// answers to every box and dialog. CELFORGE_SEED replays one seed,
// CELFORGE_TICKS sets the length.

#include <cstdio>
#include <cstdlib>
#include <random>

#include "shell/window.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "tests/support/file_faults.h"
#include "tests/support/session.h"
#include "workbench/sprite_save.h"

namespace {

uint64_t EnvNumber(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

bool StateInRange() {
    const EditorState& s = g_state;
    bool counts = true;
    const SpriteFileHeader header = AnimationSpriteHeader();  // packed: read each by value
    for (int i = 0; i < SPRITE_DIRECTIONS; ++i) counts = counts && header.nFrameCount[i] >= 0;
    return counts && s.edit.workMode >= MODE_PLACE && s.edit.workMode <= MODE_ANIMATE &&
           s.sheet.cellX >= 0 && s.sheet.cellX < SHEET_WIDTH && s.sheet.cellY >= 0 &&
           s.sheet.cellY < SHEET_HEIGHT && s.sheet.placedCount >= 0 && s.panes.sheetScrollX >= 0 &&
           s.panes.sheetScrollX <= 800 && s.panes.sheetScrollY >= 0 && s.panes.sheetScrollY <= 2000;
}

class RandomSession : public SessionTest {
  protected:
    int Pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random); }
    bool Chance(int percent) { return Pick(100) < percent; }
    // Examples of several sizes, a missing file, and one whose header is absurd.
    std::string Picture(int below = 7) {
        static const char* const kNames[] = {"0_nodirection_1", "3_up_2", "odd_width_49x48",
                                             "paletted_48x48", "large_320x240"};
        const int i = Pick(below);
        if (i < 5)
            return std::string(CELFORGE_SOURCE_DIR) + "/examples/beetle_" + kNames[i] + ".pcx";
        return folder + (i == 5 ? "/missing.pcx" : "/hostile.pcx");
    }
    void Restart() {
        ReleaseWorkbench();
        ResetEditorState();
        ASSERT_TRUE(OpenMainWindow());
        script.QueueOpenAnswer(Picture(5));
        ASSERT_TRUE(InitWorkbench());
    }
    std::mt19937_64 random;
    std::string folder = MakeTestFolder("random-session");
};

TEST_F(RandomSession, EveryTickReturnsWithTheStateInRange) {
    script.onUnanswered = [](const platform::ShownDialog&) {};  // cancel
    std::vector<uint8_t> hostile(200, 0xFF);  // a valid maker and version, absurd sizes
    hostile[0] = 10, hostile[1] = 5, hostile[2] = 1, hostile[3] = 8, hostile[65] = 3;
    ASSERT_TRUE(WriteBytesToFile(folder + "/hostile.pcx", hostile));
    const uint64_t seed = EnvNumber("CELFORGE_SEED", 20261206);
    const uint64_t ticks = EnvNumber("CELFORGE_TICKS", 100000);
    std::printf("random session: seed %llu (replay with CELFORGE_SEED=%llu)\n",
                static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed));
    random.seed(seed);
    Restart();
    const int keys[] = {platform::kKeyLeftButton, platform::kKeyLeft, platform::kKeyUp,
                        platform::kKeyRight,      platform::kKeyDown, platform::kKeySpace,
                        platform::kKeyRightButton};
    for (uint64_t tick = 0; tick < ticks; ++tick) {
        if (Chance(30)) script.QueueBoxAnswer(static_cast<platform::BoxAnswer>(Pick(4)));
        if (Chance(5)) script.QueueOpenAnswer(Chance(20) ? std::nullopt : std::optional(Picture()));
        if (Chance(5)) script.QueueSaveAnswer(folder + "/out" + char('0' + Pick(4)));
        if (Chance(40)) MoveTo(Pick(820) - 10, Pick(620) - 10);
        const int key = keys[Chance(50) ? 0 : Pick(7)];
        if (Chance(25))
            script.TapKey(key);
        else if (Chance(60))
            Hold(key, Chance(50));
        Tick();
        ASSERT_TRUE(StateInRange()) << "at tick " << tick << " of seed " << seed;
        if (QuitPosted()) Restart();
        // A frozen sheet is saved now and then, so closing screens come up too.
        if (g_state.freeze.phase == PHASE_FROZEN && Chance(2)) MoveTo(100, 16);
    }
}

}  // namespace
