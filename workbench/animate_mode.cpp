#include "workbench/animate_mode.h"

#include "display/pixmap.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "workbench/directions.h"
#include "workbench/input.h"
#include "workbench/preview.h"

void PollDirectionButtons() {
    g_skin.animePane->Put(g_screenBuf, 0, 530);
    RefreshCursor();
    PollPreviewButton(g_cursor.x, g_cursor.y);
    if (!KeyActive(platform::kKeyLeftButton)) return;
    for (int i = 0; i < DIRECTION_COUNT; ++i) {
        const Area& b = DIRECTIONS[i].button;
        if (HitArea(g_cursor, b.x0, b.x1, b.y0, b.y1))
            g_state.directions.direction = g_state.directions.directionPick = i + 1;
    }
}

void AnimateModeTick() {
    if (g_state.edit.workMode != MODE_ANIMATE) return;
    UpdateDirectionRanges();
    DrawConfirmedRanges();
    if (g_state.preview.previewOpen == 1) g_state.preview.previewOpen = PreviewWindowTick(1);
    PollDirectionButtons();
    DrawDirectionCheck();
}
