#pragma once
// The single-sprite window's command: importing one picture into g_singleBuf
// and saving it as a sprite of one No Direction frame.

// Serves the single window's import and save requests; does nothing otherwise.
void SingleSpriteCommand();

extern const char* const SINGLE_OPEN_TITLE;
extern const char* const SINGLE_SAVE_TITLE;
extern const char* const SINGLE_IMPORT_NAG;
extern const char* const SINGLE_IMPORT_NAG_CAPTION;
extern const char* const SINGLE_SAVE_COMPLAINT;
