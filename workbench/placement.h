#pragma once
// Place mode: the sheet and picture panes, the marked cell that receives the
// next frame, carrying the working image, and opening further pictures.

#include <cstdint>
#include <string>

constexpr int PANE_ROWS = 500;

// The raw value the sheet's next free cell is marked with.
constexpr uint16_t PLACEMENT_MARK = 33000;
// Sets g_state.sheet.cellRight and g_state.sheet.cellBottom from the cell origin and the sprite
// size, then marks that cell of the block.
void MarkPlacementCell(uint16_t* block, int pitch);

void DrawSheetPane();
void DrawPicturePane();
void TestCarry(int width, int height);
void DrawCarried(int width, int height);
void PlaceWorkingImage();
void AdvanceCell();
void OpenNextPicture();

// The title of the dialog that opens another picture of the fixed size.
std::string NextPictureTitle();
