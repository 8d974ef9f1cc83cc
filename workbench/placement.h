#pragma once
// Place mode: the sheet and picture panes, the marked cell that receives the
// next frame, carrying the working image, and opening further pictures.

#include <cstdint>
#include <string>

#include "state/change_log.h"

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
// Places the working image on the marked cell when the cursor is on it (with
// Shift, every waiting picture after it while the sheet has room): one
// change in the log. A frozen or full sheet refuses with a box.
void PlaceWorkingImage();
// Where the mark goes once a frame is placed: the next cell while the sheet
// has room, counting the frame; a full sheet keeps the mark where it is.
PlacementMark MarkAfterPlacing(PlacementMark mark);
// The mark right after `frames` frames laid from the first cell on.
PlacementMark MarkAfterFrames(int64_t frames);
// Whether the sheet takes frames on from the row at cellY (the frame checks
// it every tick and stops counting frames below).
bool RowHasRoom(int cellY);
// Adds to a change of placed frames the mark's move and the marking of the
// cell it moves to (the sheet pane marks it next), so an undo takes that
// marking away too.
void AddMarkMove(Change& change, const PlacementMark& before, const PlacementMark& after);
// True when a file was chosen: the picture pane may have changed.
bool OpenNextPicture();

// The title of the dialog that opens another picture of the fixed size.
std::string NextPictureTitle();
