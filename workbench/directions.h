#pragma once
// Animate mode: the nine directions' runs of sheet cells and the preview.

void AnimateModeTick();
