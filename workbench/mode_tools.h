#pragma once
// The mode bar and the Edit mode's tools: key colour pane, colour picker,
// single-sprite picture and clipboard exchange.

#include <string>

void KeyColourPaneTick();
void ModeBarTick();
void ShowSinglePicture();
void ColourPickerTick();
// Ends a key-colour drag under way: one change when the key moved.
void FinishKeyPick();
void ClipboardExchangeTick();

// The clipboard's questions and notices.
extern const char* const CLIPBOARD_STORE_QUESTION;
extern const char* const CLIPBOARD_EXCHANGED;
extern const char* const CLIPBOARD_SELECT_CAPTION;
extern const char* const CLIPBOARD_CONFIRM_CAPTION;
std::string ClipboardStoredText(int cell);
std::string ClipboardExchangeQuestion(int cell);
