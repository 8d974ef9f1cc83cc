#include "workbench/mode_tools.h"

// The mode bar and the Edit tools arrive with the Edit and Animate work; until
// then the workbench stays in Place mode and these ticks have nothing to do.
void KeyColourPaneTick() {}
void ModeBarTick() {}
void ShowSinglePicture() {}
void ColourPickerTick() {}
void ClipboardExchangeTick() {}
