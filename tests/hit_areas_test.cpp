// Every hit rectangle of the workbench, probed just inside and outside each
// edge; the bounds are the pixels that count, so a bound moved by one fails.

#include "display/pixmap.h"
#include "state/editor_state.h"
#include "tests/support/session.h"
#include "workbench/directions.h"

namespace {

// A calm workbench in `mode`, the mode bar showing once a frame is placed.
void Calm(WorkMode mode, int placed = 1) {
    g_state.edit.workMode = mode;
    g_state.edit.clipboardOpen = 0;
    g_state.edit.clipboardState = CLIPBOARD_IDLE;
    g_state.edit.colourPickOn = 0;
    g_state.edit.singleState = SINGLE_CLOSED;
    g_state.sheet = {32, 32, 43, 0, 0, 32, 32, 1, placed};
    g_state.panes = {};
    g_state.directions.direction = 0;
    g_state.directions.directionPick = DIRECTION_PICK_TAKEN;
    g_state.preview = {};
}
// clang-format off
void Place() { Calm(MODE_PLACE); }
void PlaceFirst() { Calm(MODE_PLACE, 0); }
void Edit() { Calm(MODE_EDIT); }
void Animate() { Calm(MODE_ANIMATE); }
void PictureFocus() { PlaceFirst(), g_state.panes.focusPane = FOCUS_PICTURE; }
void Clipboard() { Edit(), g_state.edit.clipboardOpen = 1; }
void Picking() { Edit(), g_state.edit.colourPickOn = 1, g_state.edit.keyColour = 0x0821; }
void RangeSeen() { Animate(), g_state.preview.previewError = PREVIEW_RANGE_SEEN; }
void Window() { Edit(), g_state.edit.singleState = SINGLE_OPEN; }
void Preview() { Animate(), g_state.preview.previewOpen = 1, g_state.preview.previewDelay = 500; }
// clang-format on
// The open clipboard holds the window's command back, so its request shows.
void WindowHeld() {
    Clipboard();
    g_state.edit.singleState = SINGLE_OPEN;
    if (!g_state.edit.singleImage) g_state.edit.singleImage = new CPixmap(10, 10);
}

struct HitCase {
    const char* what;
    int x0, x1, y0, y1;  // the pixels that take the click
    void (*prepare)();
    bool (*acted)();  // none: the click shows a box
};

// clang-format off
const HitCase kCases[] = {
    {"mode Place", 601, 655, 416, 530, Animate, [] { return g_state.edit.workMode == MODE_PLACE; }},
    {"mode Edit", 657, 711, 416, 530, Animate, [] { return g_state.edit.workMode == MODE_EDIT; }},
    {"mode Animate", 713, 767, 416, 530, Edit, [] { return g_state.edit.workMode == MODE_ANIMATE; }},
    {"swatch", 53, 118, 541, 588, Edit, nullptr},
    {"picker", 312, 389, 541, 587, Edit, [] { return g_state.edit.colourPickOn == 1; }},
    {"pick area", 1, 599, 31, 499, Picking, [] { return g_state.edit.keyColour != 0x0821; }},
    {"clipboard open", 615, 724, 42, 71, Edit, [] { return g_state.edit.clipboardOpen == 1; }},
    {"clipboard toggle", 625, 692, 243, 265, Clipboard,
     [] { return g_state.edit.clipboardState == CLIPBOARD_AWAIT_STORE; }},
    {"clipboard close", 764, 793, 45, 73, Clipboard, [] { return g_state.edit.clipboardOpen == 0; }},
    {"single window", 454, 599, 511, 542, Edit, [] { return g_state.edit.singleState == SINGLE_OPEN; }},
    {"single help", 71, 105, 25, 42, Window, nullptr},
    {"single open", 156, 269, 25, 47, WindowHeld, [] { return g_state.edit.singleState == SINGLE_IMPORT; }},
    {"single close", 658, 681, 30, 41, WindowHeld, [] { return g_state.edit.singleState == SINGLE_CLOSED; }},
    {"single save", 318, 424, 25, 42, WindowHeld, [] { return g_state.edit.singleState == SINGLE_SAVE; }},
    {"preview button", 396, 458, 536, 556, RangeSeen, [] { return g_state.preview.previewOpen == 1; }},
    {"preview slower", 116, 145, 121, 142, Preview, [] { return g_state.preview.previewDelay > 500; }},
    {"preview faster", 116, 145, 302, 321, Preview, [] { return g_state.preview.previewDelay < 500; }},
    {"preview close", 249, 283, 123, 151, Preview, [] { return g_state.preview.previewOpen == 0; }},
    {"pad centre", 261, 275, 285, 298, Preview, [] { return g_state.preview.previewDirection == 9; }},
    {"pad right down", 277, 291, 300, 313, Preview, [] { return g_state.preview.previewDirection == 6; }},
    {"freeze", 250, 385, 535, 567, Place, nullptr},
    {"save", 5, 199, 1, 31, Place, nullptr},
    {"open picture", 609, 689, 11, 24, PictureFocus, [] { return g_state.panes.openPictureRequest == 1; }},
    {"sheet focus", 0, 599, 0, 529, PlaceFirst, [] { return g_state.panes.focusPane == FOCUS_SHEET; }},
    {"picture focus", 601, 799, 0, 499, PlaceFirst, [] { return g_state.panes.focusPane == FOCUS_PICTURE; }},
    {"carry", 601, 631, 31, 61, PictureFocus, [] { return g_state.panes.carrying == 1; }},
    {"marked cell", 1, 31, 31, 61, PlaceFirst, [] { return g_state.sheet.placedCount == 1; }},
    {"No Direction", 177, 282, 555, 574, Animate, [] { return g_state.directions.direction == 1; }},
    {"Left", 73, 175, 555, 574, Animate, [] { return g_state.directions.direction == 2; }},
    {"Right", 284, 381, 555, 574, Animate, [] { return g_state.directions.direction == 3; }},
    {"Up", 177, 282, 537, 553, Animate, [] { return g_state.directions.direction == 4; }},
    {"Down", 177, 282, 576, 593, Animate, [] { return g_state.directions.direction == 5; }},
    {"LeftUp", 73, 175, 537, 553, Animate, [] { return g_state.directions.direction == 6; }},
    {"LeftDown", 73, 175, 576, 593, Animate, [] { return g_state.directions.direction == 7; }},
    {"RightUp", 284, 381, 537, 553, Animate, [] { return g_state.directions.direction == 8; }},
    {"RightDown", 284, 381, 576, 593, Animate, [] { return g_state.directions.direction == 9; }},
};
// clang-format on

// A touchpad tap goes down and up between two ticks; every button, the mode
// and direction buttons among them, must take it as it takes a click.
TEST_F(SessionTest, EveryRectangleTakesAClickOrTapJustInsideEachEdgeOnly) {
    script.onUnanswered = [](const platform::ShownDialog&) {};  // boxes take their default
    StartWith(WriteGradient("first.pcx", 32, 32));
    for (const bool tap : {false, true}) {
        for (const HitCase& c : kCases) {
            const int midX = (c.x0 + c.x1) / 2, midY = (c.y0 + c.y1) / 2;
            const int probes[][3] = {{c.x0, midY, 1},     {c.x0 - 1, midY, 0}, {c.x1, midY, 1},
                                     {c.x1 + 1, midY, 0}, {midX, c.y0, 1},     {midX, c.y0 - 1, 0},
                                     {midX, c.y1, 1},     {midX, c.y1 + 1, 0}};  // 1: inside
            for (const auto& [x, y, inside] : probes) {
                if (x < 0 || x >= SCREEN_WIDTH || y < 0 || y >= SCREEN_HEIGHT) continue;
                Tick();  // a frame with the button up between probes
                c.prepare();
                const size_t shown = script.Shown().size();
                MoveTo(x, y);
                tap ? script.TapKey(platform::kKeyLeftButton)
                    : Hold(platform::kKeyLeftButton, true);
                Tick();
                Hold(platform::kKeyLeftButton, false);
                const bool acted = c.acted ? c.acted() : script.Shown().size() > shown;  // a box
                EXPECT_EQ(acted, inside == 1)
                    << c.what << " at " << x << ", " << y << (tap ? " tapped" : "");
            }
        }
    }
}

}  // namespace
