#pragma once
// Every path that would change the work asks here first. Once Freeze has
// begun the answer is no, and the artist is told why in one box per attempt.

// True (after the box) when the work cannot change now.
bool RefusedWhileFrozen();
