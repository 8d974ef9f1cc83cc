#pragma once
// The skin pictures that start-up cuts from the data folder, and the
// pictures of the sprite size made once the first picture is known.

class CPixmap;

// Skin pictures, cut from the files of the data folder.
extern CPixmap* g_imgLogo;
extern CPixmap* g_imgTvError;
extern CPixmap* g_imgSheetFull;
extern CPixmap* g_imgSingleTitle;
extern CPixmap* g_imgTv;
extern CPixmap* g_imgDelay;
extern CPixmap* g_imgEditBar;
extern CPixmap* g_imgEditBar2;
extern CPixmap* g_imgClipboard;
// Direction marks, in the order No Direction, Left, Right, Up, Down, LeftUp,
// LeftDown, RightUp, RightDown.
extern CPixmap* g_imgArrow[9];
extern CPixmap* g_imgSMaker;
extern CPixmap* g_imgCheck;
extern CPixmap* g_freezeBackdrop;
extern CPixmap* g_imgBottomBar;
extern CPixmap* g_imgFreezeBox;
extern CPixmap* g_imgFrozen;
extern CPixmap* g_imgKeyColourPane;
extern CPixmap* g_imgPickerOn;
extern CPixmap* g_imgAnimePane;
extern CPixmap* g_imgClosingBackdrop;
extern CPixmap* g_imgModeBar;
extern CPixmap* g_imgModeButton[3];
extern CPixmap* g_imgTopToolBar;
extern CPixmap* g_imgRightToolBar;
extern CPixmap* g_imgRightToolBarDown;

// Pictures of the sprite size, made once the first picture is known.
extern CPixmap* g_cellPixmap;
extern CPixmap* g_previewPixmap;
extern CPixmap* g_workingImage;
extern CPixmap* g_clipboardPixmap;
extern CPixmap* g_swapPixmap;

// Where start-up decodes a skin file before cutting pictures from it.
enum class SkinBuffer { Sheet, Picture };

// One picture of the skin. Rows are in load order: a row with a file decodes
// it into its buffer first; a row without one cuts from the file the row
// before it loaded. A row with no picture to cut (the freeze backdrop) only
// makes a blank one.
struct SkinPicture {
    CPixmap** picture;
    const char* file;  // in the data folder; null: the previous row's file
    int width;
    int height;
    SkinBuffer buffer;
    int cutX = 0;
    int cutY = 0;
    bool blank = false;
};

extern const SkinPicture SKIN_PICTURES[];
extern const int SKIN_PICTURE_COUNT;

// Deletes every picture above, the logo and the sprite-size pictures.
void ReleaseSkin();
