#pragma once
// The small mark under the picture pane's queue count that says opened
// pictures are dithered.

// Drawn only while dithering is on; a 2 x 2-dot checker in the colours of
// the skin's digit strip.
void DrawColourMark();
