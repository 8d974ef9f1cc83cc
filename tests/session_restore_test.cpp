// The session store through the real start-up, where the work model cannot
// look: a clean animation save leaves no session behind, and a state folder
// that cannot be written is told once, before the first picture.
#include <cstdlib>
#include <string>

#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "tests/support/file_faults.h"
#include "tests/support/session.h"
#include "workbench/freeze.h"

using platform::BoxAnswer;

namespace {

class SessionRestoreTest : public SessionTest {
  protected:
    void StartAndPlace() {
        StartWith(WriteGradient("first.pcx", 4, 4));
        Tick();
        Click(1, 33);  // on the mark
        Tick();
    }
    static size_t Sessions() {
        return FolderEntries(std::string(std::getenv("XDG_STATE_HOME")) + "/celforge/sessions")
            .size();
    }
};

TEST_F(SessionRestoreTest, ACleanAnimationSaveRemovesTheSession) {
    StartAndPlace();
    g_state.edit.workMode = MODE_PLACE;
    g_state.freeze.freezeRequested = 1;
    for (int i = 0; i < 400 && g_state.freeze.freezeStep < FREEZE_STEPS; ++i) Tick();
    ASSERT_EQ(g_state.freeze.phase, PHASE_FROZEN);
    ASSERT_EQ(Sessions(), 1u);
    script.QueueSaveAnswer(::testing::TempDir() + "clean.Spr");
    script.QueueBoxAnswer(BoxAnswer::Ok);  // the report
    Click(100, 15);
    ASSERT_EQ(g_state.freeze.phase, PHASE_CLOSING);
    EXPECT_EQ(Sessions(), 0u);
}

TEST_F(SessionRestoreTest, AStateFolderThatCannotBeWrittenIsToldOnceAndTheWorkGoesOn) {
    setenv("XDG_STATE_HOME", "/proc/celforge-no-state", 1);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    StartAndPlace();
    EXPECT_EQ(g_state.sheet.placedCount, 1);
    std::vector<std::string> captions;
    for (const platform::ShownDialog& shown : script.Shown()) captions.push_back(shown.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{"Session", FIRST_PICTURE_TITLE}));
}

}  // namespace
