#pragma once
// The mode bar and the Edit mode's tools: key colour pane, colour picker,
// single-sprite picture and clipboard exchange.

void KeyColourPaneTick();
void ModeBarTick();
void ShowSinglePicture();
void ColourPickerTick();
void ClipboardExchangeTick();
