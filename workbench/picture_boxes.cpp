#include "workbench/picture_boxes.h"

#include "display/pixmap.h"
#include "formats/colour.h"
#include "platform/platform.h"
#include "state/editor_state.h"
#include "workbench/sprite_save.h"

const char* const PICTURE_REFUSED_TEXT = "This file cannot be read as a picture:";

void ShowPictureRefusal(const std::string& text, const std::string& reason, const char* caption) {
    platform::Current().MessageBox(reason.empty() ? text : text + "\n" + reason,
                                   caption ? caption : ERROR_CAPTION, platform::BoxButtons::Ok);
}

bool LoadPictureIntoBuffer(uint16_t* buffer, const std::string& path) {
    const PictureCheck check = CheckPictureFile(path);
    if (!check.Readable()) {
        ShowPictureRefusal(PICTURE_REFUSED_TEXT, check.refusal);
        return false;
    }
    ClearPixels(buffer, PICTURE_WIDTH, PICTURE_HEIGHT);
    // Dithering steers clear of the key colour picked so far.
    const ColourConverter colour(g_state.colour, static_cast<uint16_t>(g_state.edit.keyColour));
    const PictureLoad load = LoadPictureFile(
        path, PixelTarget{buffer, PICTURE_WIDTH, PICTURE_WIDTH, PICTURE_HEIGHT, &colour});
    if (load.status == PictureStatus::Refused) {
        ShowPictureRefusal(PICTURE_REFUSED_TEXT, load.reason);
        return false;
    }
    if (load.status == PictureStatus::Incomplete)
        ShowPictureRefusal("The picture is incomplete; what could be read is shown:", load.reason);
    return true;
}
