#pragma once
// The run's first work: the file or pictures named on the command line, the
// work an earlier editor left, or the first picture asked for in a dialog.
// It fixes the sprite size for the rest of the run. A sprite opens as a drop
// on the empty sheet does, and pictures join the queue as a drop's do.

#include <functional>
#include <string>
#include <vector>

extern const char* const FIRST_PICTURE_TITLE;

enum class WorkbenchStart {
    Ready,
    ClosedByUser,  // closed while it waited for the first picture; the window is gone
    NoFileDialog,  // the first picture cannot be asked for; the user was told why
};

// What the command line named: a sprite file or one picture, or several
// pictures; none of them asks for the first picture.
struct StartNames {
    std::string file;
    std::vector<std::string> pictures;
};

// Handles what reached the window while a dialog was up. False once the
// user has closed the window: the program must end.
using HandleWindowMessages = std::function<bool()>;

// Starts the session (offering work left by an earlier editor, or with a
// sprite named, only the work left on that file), then opens the named file
// or pictures, or asks for the first picture until one is usable. The
// picture buffer and the skin must exist.
WorkbenchStart OpenFirstWork(const StartNames& names, const HandleWindowMessages& handleMessages);
