#pragma once
// The single-sprite window's command: importing one picture into g_singleBuf
// and saving it as a sprite of one No Direction frame.

#include <cstdint>

// The imported picture's size from its header; 0 x 0 for an unreadable file.
extern int32_t g_singleWidth;
extern int32_t g_singleHeight;

// Serves g_singleState 2 (import) and 3 (save); does nothing otherwise.
void SingleSpriteCommand();

extern const char* const SINGLE_OPEN_TITLE;
extern const char* const SINGLE_SAVE_TITLE;
extern const char* const SINGLE_IMPORT_NAG;
extern const char* const SINGLE_IMPORT_NAG_CAPTION;
extern const char* const SINGLE_SAVE_COMPLAINT;
