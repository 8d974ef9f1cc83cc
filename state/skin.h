#pragma once
// The skin pictures that start-up cuts from the data folder, and the
// pictures of the sprite size made once the first picture is known.

class CPixmap;

// Skin pictures, cut from the files of the data folder; the logo is drawn
// from its own file at start-up.
struct Skin {
    CPixmap* logo = nullptr;
    CPixmap* tvError = nullptr;
    CPixmap* sheetFull = nullptr;
    CPixmap* singleTitle = nullptr;
    CPixmap* tv = nullptr;
    CPixmap* delay = nullptr;
    CPixmap* editBar = nullptr;
    CPixmap* editBar2 = nullptr;
    CPixmap* clipboard = nullptr;
    // Direction marks, in the order No Direction, Left, Right, Up, Down,
    // LeftUp, LeftDown, RightUp, RightDown.
    CPixmap* arrow[9] = {};
    CPixmap* sMaker = nullptr;
    CPixmap* check = nullptr;
    CPixmap* digits = nullptr;  // 0 to 9, DIGIT_WIDTH apart
    CPixmap* freezeBackdrop = nullptr;
    CPixmap* bottomBar = nullptr;
    CPixmap* freezeBox = nullptr;
    CPixmap* frozen = nullptr;
    CPixmap* keyColourPane = nullptr;
    CPixmap* pickerOn = nullptr;
    CPixmap* animePane = nullptr;
    CPixmap* closingBackdrop = nullptr;
    CPixmap* modeBar = nullptr;
    CPixmap* modeButton[3] = {};
    CPixmap* topToolBar = nullptr;
    CPixmap* rightToolBar = nullptr;
    CPixmap* rightToolBarDown = nullptr;
};

// Pictures of the sprite size, made once the first picture is known.
struct SpritePictures {
    CPixmap* cell = nullptr;
    CPixmap* preview = nullptr;
    CPixmap* working = nullptr;  // the picture pane's corner that placement puts down
    CPixmap* clipboard = nullptr;
    CPixmap* swap = nullptr;
};

extern Skin g_skin;
extern SpritePictures g_spritePictures;

constexpr int DIGIT_WIDTH = 8;
constexpr int DIGIT_HEIGHT = 12;

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
