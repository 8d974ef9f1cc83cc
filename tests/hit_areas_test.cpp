// Every hit rectangle of the workbench, probed just inside and just outside
// each of its four edges. The bounds are written out as the pixels that count
// (inclusive), so a bound moved by one in the product fails here.

#include <functional>

#include "display/pixmap.h"
#include "state/editor_state.h"
#include "tests/support/session.h"
#include "workbench/directions.h"

namespace {

struct HitCase {
    const char* what;
    int x0, x1, y0, y1;  // the pixels that take the click
    std::function<void()> prepare;
    std::function<bool()> acted;
};

class HitAreaTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        script.onUnanswered = [](const platform::ShownDialog&) {};  // boxes take their default
        StartWith(WriteGradient("first.pcx", 32, 32));
    }
    // A calm workbench in `mode` with the mode bar showing.
    static void Calm(WorkMode mode, int placed = 1) {
        EditToolState& edit = g_state.edit;
        edit.workMode = mode;
        edit.clipboardOpen = 0;
        edit.clipboardState = CLIPBOARD_IDLE;
        edit.colourPickOn = 0;
        edit.singleState = SINGLE_CLOSED;
        g_state.sheet = {32, 32, 43, 0, 0, 32, 32, 1, placed};
        g_state.panes = {};
        g_state.directions.direction = 0;
        g_state.directions.directionPick = DIRECTION_PICK_TAKEN;
        g_state.preview = {};
    }
    static void OpenSingle(SingleWindow state, bool clipboard) {
        Calm(MODE_EDIT);
        g_state.edit.singleState = state;
        g_state.edit.clipboardOpen = clipboard ? 1 : 0;  // holds the window's command back
        if (!g_state.edit.singleImage) g_state.edit.singleImage = new CPixmap(10, 10);
    }
    static void PreviewUp() {
        Calm(MODE_ANIMATE);
        g_state.preview.previewOpen = 1;
        g_state.preview.previewDelay = 500;
    }
    bool BoxShown() const { return script.Shown().size() > shownBefore; }

    std::vector<HitCase> Cases();
    void RunTable(bool tap);
    size_t shownBefore = 0;
};

std::vector<HitCase> HitAreaTest::Cases() {
    const auto mode = [](WorkMode m) { return [m] { return g_state.edit.workMode == m; }; };
    const auto box = [this] { return BoxShown(); };
    std::vector<HitCase> cases = {
        {"mode Place", 601, 655, 416, 530, [] { Calm(MODE_ANIMATE); }, mode(MODE_PLACE)},
        {"mode Edit", 657, 711, 416, 530, [] { Calm(MODE_ANIMATE); }, mode(MODE_EDIT)},
        {"mode Animate", 713, 767, 416, 530, [] { Calm(MODE_EDIT); }, mode(MODE_ANIMATE)},
        {"swatch", 53, 118, 541, 588, [] { Calm(MODE_EDIT); }, box},
        {"picker", 312, 389, 541, 587, [] { Calm(MODE_EDIT); },
         [] { return g_state.edit.colourPickOn == 1; }},
        {"pick area", 1, 599, 31, 499,
         [] {
             Calm(MODE_EDIT);
             g_state.edit.colourPickOn = 1;
             g_state.edit.keyColour = 0x0821;
         },
         [] { return g_state.edit.keyColour != 0x0821; }},
        {"clipboard open", 615, 724, 42, 71, [] { Calm(MODE_EDIT); },
         [] { return g_state.edit.clipboardOpen == 1; }},
        {"clipboard toggle", 625, 692, 243, 265,
         [] {
             Calm(MODE_EDIT);
             g_state.edit.clipboardOpen = 1;
         },
         [] { return g_state.edit.clipboardState == CLIPBOARD_AWAIT_STORE; }},
        {"clipboard close", 764, 793, 45, 73,
         [] {
             Calm(MODE_EDIT);
             g_state.edit.clipboardOpen = 1;
         },
         [] { return g_state.edit.clipboardOpen == 0; }},
        {"single window", 454, 599, 511, 542, [] { Calm(MODE_EDIT); },
         [] { return g_state.edit.singleState == SINGLE_OPEN; }},
        {"single help", 71, 105, 25, 42, [] { OpenSingle(SINGLE_OPEN, false); }, box},
        {"single open", 156, 269, 25, 47, [] { OpenSingle(SINGLE_OPEN, true); },
         [] { return g_state.edit.singleState == SINGLE_IMPORT; }},
        {"single close", 658, 681, 30, 41, [] { OpenSingle(SINGLE_OPEN, true); },
         [] { return g_state.edit.singleState == SINGLE_CLOSED; }},
        {"single save", 318, 424, 25, 42, [] { OpenSingle(SINGLE_OPEN, true); },
         [] { return g_state.edit.singleState == SINGLE_SAVE; }},
        {"preview button", 396, 458, 536, 556,
         [] {
             Calm(MODE_ANIMATE);
             g_state.preview.previewError = PREVIEW_RANGE_SEEN;
         },
         [] { return g_state.preview.previewOpen == 1; }},
        {"preview slower", 116, 145, 121, 142, PreviewUp,
         [] { return g_state.preview.previewDelay > 500; }},
        {"preview faster", 116, 145, 302, 321, PreviewUp,
         [] { return g_state.preview.previewDelay < 500; }},
        {"preview close", 249, 283, 123, 151, PreviewUp,
         [] { return g_state.preview.previewOpen == 0; }},
        {"pad centre", 261, 275, 285, 298, PreviewUp,
         [] { return g_state.preview.previewDirection == 9; }},
        {"pad right down", 277, 291, 300, 313, PreviewUp,
         [] { return g_state.preview.previewDirection == 6; }},
        {"freeze", 250, 385, 535, 567, [] { Calm(MODE_PLACE); }, box},
        {"save", 5, 199, 1, 31, [] { Calm(MODE_PLACE); }, box},
        {"open picture", 609, 689, 11, 24,
         [] {
             Calm(MODE_PLACE);
             g_state.panes.focusPane = FOCUS_PICTURE;
         },
         [] { return g_state.panes.openPictureRequest == 1; }},
        {"sheet focus", 0, 599, 0, 529, [] { Calm(MODE_PLACE, 0); },
         [] { return g_state.panes.focusPane == FOCUS_SHEET; }},
        {"picture focus", 601, 799, 0, 499, [] { Calm(MODE_PLACE, 0); },
         [] { return g_state.panes.focusPane == FOCUS_PICTURE; }},
        {"carry", 601, 631, 31, 61,
         [] {
             Calm(MODE_PLACE, 0);
             g_state.panes.focusPane = FOCUS_PICTURE;
         },
         [] { return g_state.panes.carrying == 1; }},
        {"marked cell", 1, 31, 31, 61, [] { Calm(MODE_PLACE, 0); },
         [] { return g_state.sheet.placedCount == 1; }},
    };
    // No Direction, Left, Right, Up, Down, LeftUp, LeftDown, RightUp, RightDown.
    const int directions[DIRECTION_COUNT][4] = {
        {177, 282, 555, 574}, {73, 175, 555, 574},  {284, 381, 555, 574},
        {177, 282, 537, 553}, {177, 282, 576, 593}, {73, 175, 537, 553},
        {73, 175, 576, 593},  {284, 381, 537, 553}, {284, 381, 576, 593}};
    for (int i = 0; i < DIRECTION_COUNT; ++i) {
        const int* d = directions[i];
        cases.push_back({DIRECTIONS[i].name, d[0], d[1], d[2], d[3], [] { Calm(MODE_ANIMATE); },
                         [i] { return g_state.directions.direction == i + 1; }});
    }
    return cases;
}

void HitAreaTest::RunTable(bool tap) {
    for (const HitCase& c : Cases()) {
        const int midX = (c.x0 + c.x1) / 2, midY = (c.y0 + c.y1) / 2;
        const struct {
            int x, y;
            bool inside;
        } probes[] = {{c.x0, midY, true},      {c.x0 - 1, midY, false}, {c.x1, midY, true},
                      {c.x1 + 1, midY, false}, {midX, c.y0, true},      {midX, c.y0 - 1, false},
                      {midX, c.y1, true},      {midX, c.y1 + 1, false}};
        for (const auto& p : probes) {
            if (p.x < 0 || p.x >= SCREEN_WIDTH || p.y < 0 || p.y >= SCREEN_HEIGHT) continue;
            Hold(platform::kKeyLeftButton, false);
            Tick();
            c.prepare();
            shownBefore = script.Shown().size();
            MoveTo(p.x, p.y);
            if (tap) {
                script.TapKey(platform::kKeyLeftButton);
                Tick();
            } else {
                Click(p.x, p.y);
            }
            EXPECT_EQ(c.acted(), p.inside) << c.what << " at " << p.x << ", " << p.y;
        }
    }
}

TEST_F(HitAreaTest, EveryRectangleTakesAClickJustInsideEachEdgeOnly) {
    RunTable(false);
}

// A touchpad tap goes down and up between two ticks; every button, the mode
// and direction buttons among them, must still take it.
TEST_F(HitAreaTest, TapsBetweenTicksActOnModeAndDirectionButtons) {
    RunTable(true);
}

}  // namespace
