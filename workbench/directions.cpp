#include "workbench/directions.h"

// Direction ranges come with the Animate work; the mode is not reachable yet.
void AnimateModeTick() {}
