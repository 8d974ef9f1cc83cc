#pragma once
// Place mode: the sheet and picture panes, the marked cell that receives the
// next frame, carrying the working image, and opening further pictures.

#include <string>

constexpr int PANE_ROWS = 500;

void DrawSheetPane();
void DrawPicturePane();
void TestCarry(int width, int height);
void DrawCarried(int width, int height);
void PlaceWorkingImage();
void AdvanceCell();
void OpenNextPicture();

// The title of the dialog that opens another picture of the fixed size.
std::string NextPictureTitle();
