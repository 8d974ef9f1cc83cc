// The ranges' tints; what the change log does to the work is checked
// against a model in work_model_test.
#include <cctype>
#include <cstdio>
#include <functional>
#include <string>

#include "display/pixmap.h"
#include "shell/window.h"
#include "state/change_log.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/session.h"
#include "workbench/directions.h"

using platform::BoxAnswer;
using platform::kModCtrl;
using platform::kModShift;

namespace {

// Sprites of 2 x 2: the sheet's first row holds cells 0, 1, 2, 3 at x = 0,
// 2, 4, 6 on screen (y 31 is each cell's lower row).
class ChangeLogTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        StartWith(WriteGradient("first.pcx", 2, 2));
        const uint16_t working[4] = {1, 2, 3, 4};
        std::copy_n(working, 4, g_spritePictures.working->GetBits());
        for (int cell = 1; cell < 4; ++cell)
            for (int i = 0; i < 4; ++i)
                g_sheet[(i / 2) * SHEET_WIDTH + 2 * cell + i % 2] =
                    static_cast<uint16_t>(10 * (cell + 1) + i);
        Tick();  // the mark fills cell 0
    }
};

TEST_F(ChangeLogTest, ConfirmedAndLiveRangesTintWithTheirOwnDirection) {
    std::fill_n(g_sheet, 8, uint16_t{0});
    std::fill_n(g_sheet + SHEET_WIDTH, 8, uint16_t{0});
    for (auto [selector, tint] : {std::pair{2, 0x0019}, {5, 0x6000}}) {
        g_state.directions.directionRanges[selector - 1] = {RANGE_CONFIRMED, 1, 3};
        g_state.directions.directionCount[selector - 1] = 2;
        g_screenBuf[WORK_TOP * SCREEN_WIDTH] = 0;
        DrawConfirmedRanges();
        EXPECT_EQ(g_screenBuf[WORK_TOP * SCREEN_WIDTH], tint) << selector;
        g_state.directions.directionRanges[selector - 1].state = RANGE_UNSET;
        g_screenBuf[WORK_TOP * SCREEN_WIDTH + 2] = 0;
        DrawLiveRange(selector);
        EXPECT_EQ(g_screenBuf[WORK_TOP * SCREEN_WIDTH + 2], tint) << selector;
    }
}

}  // namespace
