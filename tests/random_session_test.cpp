// A long seeded session of random input over every pane and mode, with random
// answers to every box and dialog. CELFORGE_SEED replays one seed,
// CELFORGE_TICKS sets the length.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "formats/sprite_reader.h"
#include "shell/window.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "tests/support/pcx_writer.h"
#include "tests/support/session.h"
#include "workbench/sprite_save.h"

namespace {

namespace fs = std::filesystem;
using platform::BoxAnswer;

uint64_t EnvNumber(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

class RandomSession : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        script.onUnanswered = [](const platform::ShownDialog&) {};  // cancel
        folder = ::testing::TempDir() + "random-session-" + std::to_string(::getpid());
        fs::remove_all(folder);
        fs::create_directories(folder);
        const fs::path examples = fs::path(CELFORGE_SOURCE_DIR) / "examples";
        for (const char* name :
             {"beetle_0_nodirection_1.pcx", "beetle_3_up_2.pcx", "beetle_odd_width_49x48.pcx",
              "beetle_paletted_48x48.pcx", "beetle_large_320x240.pcx"})
            pictures.push_back((examples / name).string());
        pictures.push_back(folder + "/missing.pcx");
        pictures.push_back(folder + "/hostile.pcx");
        std::vector<uint8_t> hostile(200, 0xFF);  // a valid maker and version, absurd sizes
        hostile[0] = 10, hostile[1] = 5, hostile[2] = 1, hostile[3] = 8, hostile[65] = 3;
        WriteBytesToFile(pictures.back(), hostile);
    }
    void TearDown() override {
        SessionTest::TearDown();
        fs::remove_all(folder);
    }

    int Pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random); }
    bool Chance(int percent) { return Pick(100) < percent; }

    void QueueAnswers() {
        static const BoxAnswer kBoxes[] = {BoxAnswer::Ok, BoxAnswer::Cancel, BoxAnswer::Yes,
                                           BoxAnswer::No};
        if (Chance(30)) script.QueueBoxAnswer(kBoxes[Pick(4)]);
        if (Chance(5)) {
            if (Chance(20))
                script.QueueOpenAnswer(std::nullopt);
            else
                script.QueueOpenAnswer(pictures[Pick(static_cast<int>(pictures.size()))]);
        }
        if (Chance(5)) {
            if (Chance(20))
                script.QueueSaveAnswer(std::nullopt);
            else
                script.QueueSaveAnswer(folder + "/out" + std::to_string(Pick(4)));
        }
    }

    void RandomInput() {
        static const int kKeys[] = {platform::kKeyLeft,  platform::kKeyUp,
                                    platform::kKeyRight, platform::kKeyDown,
                                    platform::kKeySpace, platform::kKeyRightButton};
        if (Chance(40)) MoveTo(Pick(820) - 10, Pick(620) - 10);
        const int roll = Pick(100);
        if (roll < 20)
            script.TapKey(platform::kKeyLeftButton);
        else if (roll < 35)
            Hold(platform::kKeyLeftButton, Chance(50));
        else if (roll < 45)
            Hold(kKeys[Pick(6)], Chance(50));
        else if (roll < 50)
            script.TapKey(kKeys[Pick(6)]);
    }

    // Starts (again) with a usable first picture of a random size.
    void Restart() {
        ReleaseWorkbench();
        ResetEditorState();
        ASSERT_TRUE(OpenMainWindow());
        script.QueueOpenAnswer(pictures[Pick(5)]);
        ASSERT_TRUE(InitWorkbench());
    }

    void ExpectStateInRange() {
        const EditorState& s = g_state;
        ASSERT_TRUE(s.edit.workMode >= MODE_PLACE && s.edit.workMode <= MODE_ANIMATE);
        ASSERT_TRUE(s.freeze.phase == PHASE_EDITING || s.freeze.phase == PHASE_FROZEN ||
                    s.freeze.phase == PHASE_CLOSING);
        ASSERT_TRUE(s.sheet.cellX >= 0 && s.sheet.cellX < SHEET_WIDTH);
        ASSERT_TRUE(s.sheet.cellY >= 0 && s.sheet.cellY < SHEET_HEIGHT);
        ASSERT_GE(s.sheet.placedCount, 0);
        for (int32_t count : AnimationSpriteHeader().nFrameCount) ASSERT_GE(count, 0);
        ASSERT_TRUE(s.panes.sheetScrollX >= 0 && s.panes.sheetScrollX <= 800);
        ASSERT_TRUE(s.panes.sheetScrollY >= 0 && s.panes.sheetScrollY <= 2000);
    }

    void ExpectSavedFilesReadBack() {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() != ".Spr") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            const auto header = ParseSpriteHeader(bytes.data(), bytes.size());
            ASSERT_TRUE(header) << entry.path();
            int64_t frames = 0;
            for (int32_t count : header->counts) frames += count;
            EXPECT_EQ(static_cast<int64_t>(bytes.size()),
                      91 + 2 * int64_t{header->width} * header->height * frames)
                << entry.path();
            ++saved;
        }
    }

    std::mt19937_64 random;
    std::string folder;
    std::vector<std::string> pictures;
    int saved = 0;
};

TEST_F(RandomSession, EveryTickReturnsWithTheStateInRange) {
    const uint64_t seed = EnvNumber("CELFORGE_SEED", 20261206);
    const uint64_t ticks = EnvNumber("CELFORGE_TICKS", 100000);
    SCOPED_TRACE("replay with CELFORGE_SEED=" + std::to_string(seed));
    random.seed(seed);
    Restart();
    for (uint64_t tick = 0; tick < ticks; ++tick) {
        QueueAnswers();
        RandomInput();
        Tick();
        ExpectStateInRange();
        if (HasFatalFailure()) FAIL() << "at tick " << tick;
        if (QuitPosted()) Restart();
        // A frozen sheet is saved now and then, so closing screens come up too.
        if (g_state.freeze.phase == PHASE_FROZEN && Chance(2)) MoveTo(100, 16);
    }
    ExpectSavedFilesReadBack();
    RecordProperty("saved_files", saved);
}

}  // namespace
