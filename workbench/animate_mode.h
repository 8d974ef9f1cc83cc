#pragma once
// Animate mode's tick: the direction ranges, the preview and the compass.

// Polls the preview button and the compass's nine direction buttons.
void PollDirectionButtons();
void AnimateModeTick();
