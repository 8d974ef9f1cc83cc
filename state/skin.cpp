#include "state/skin.h"

CPixmap* g_imgLogo = nullptr;
CPixmap* g_imgTvError = nullptr;
CPixmap* g_imgSheetFull = nullptr;
CPixmap* g_imgSingleTitle = nullptr;
CPixmap* g_imgTv = nullptr;
CPixmap* g_imgDelay = nullptr;
CPixmap* g_imgEditBar = nullptr;
CPixmap* g_imgEditBar2 = nullptr;
CPixmap* g_imgClipboard = nullptr;
CPixmap* g_imgArrow[9] = {};
CPixmap* g_imgSMaker = nullptr;
CPixmap* g_imgCheck = nullptr;
CPixmap* g_freezeBackdrop = nullptr;
CPixmap* g_imgBottomBar = nullptr;
CPixmap* g_imgFreezeBox = nullptr;
CPixmap* g_imgFrozen = nullptr;
CPixmap* g_imgKeyColourPane = nullptr;
CPixmap* g_imgPickerOn = nullptr;
CPixmap* g_imgAnimePane = nullptr;
CPixmap* g_imgClosingBackdrop = nullptr;
CPixmap* g_imgModeBar = nullptr;
CPixmap* g_imgModeButton[3] = {};
CPixmap* g_imgTopToolBar = nullptr;
CPixmap* g_imgRightToolBar = nullptr;
CPixmap* g_imgRightToolBarDown = nullptr;

CPixmap* g_cellPixmap = nullptr;
CPixmap* g_previewPixmap = nullptr;
CPixmap* g_workingImage = nullptr;
CPixmap* g_clipboardPixmap = nullptr;
CPixmap* g_swapPixmap = nullptr;
