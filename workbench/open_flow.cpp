#include "workbench/open_flow.h"

#include <vector>

#include "display/pixmap.h"
#include "platform/platform.h"
#include "session/session_hooks.h"
#include "state/skin.h"
#include "state/work.h"
#include "workbench/directions.h"
#include "workbench/queue_flow.h"
#include "workbench/sprite_save.h"
#include "workbench/start_file.h"

namespace {

std::vector<std::string> g_dropped;

// Nothing placed and nothing to undo: the work is still the empty sheet.
bool SheetStillEmpty() {
    return g_state.sheet.placedCount == 0 && g_changeLog.Records().empty() && WorkCanChange();
}

void WarnShortDirections(const std::vector<std::string>& directions) {
    if (directions.empty()) return;
    std::string names;
    for (const std::string& name : directions) names += (names.empty() ? "" : ", ") + name;
    platform::Current().MessageBox(
        "A direction is saved only from 3 frames on. These are marked but will be left out of "
        "the next save unless their ranges are marked longer: " +
            names,
        "Notice", platform::BoxButtons::Ok);
}

const char* const SPRITE_ON_WORK_TEXT =
    "A sprite file can be opened only while the sheet is still empty, as the work on it would "
    "be lost. Save this work first, then start the editor with ";

}  // namespace

void MakeSpriteSizePictures() {
    const int width = g_state.sheet.spriteWidth;
    const int height = g_state.sheet.spriteHeight;
    g_spritePictures.cell = new CPixmap(width, height);
    g_spritePictures.preview = new CPixmap(width, height);
    g_spritePictures.working = new CPixmap(width, height);
    g_spritePictures.working->GrabPicture(g_pictureBuf, 0, 0, width, height);
    g_state.sheet.cellRight = g_state.sheet.cellX + width;
    g_state.sheet.cellBottom = g_state.sheet.cellY + height;
    g_state.sheet.sheetColumns = SHEET_WIDTH / width;
    g_spritePictures.clipboard = new CPixmap(width, height);
    g_spritePictures.swap = new CPixmap(width, height);
}

void ReleaseSpritePictures() {
    for (CPixmap** image :
         {&g_spritePictures.cell, &g_spritePictures.preview, &g_spritePictures.working,
          &g_spritePictures.clipboard, &g_spritePictures.swap}) {
        delete *image;
        *image = nullptr;
    }
}

void OpenAnimationWork(const SpriteImage& sprite) {
    WarnShortDirections(OpenSpriteWork(sprite));
}

void OpenSpriteOnEmptySheet(const SpriteImage& sprite, const std::string& path) {
    ReleaseSpritePictures();
    ReleaseDirectionStrips();
    g_state.sheet = SheetState{};
    g_state.directions = DirectionState{};
    g_state.sheet.spriteWidth = sprite.header.width;
    g_state.sheet.spriteHeight = sprite.header.height;
    ClearPixels(g_pictureBuf, PICTURE_WIDTH, PICTURE_HEIGHT);
    PutFirstFrame(sprite, g_pictureBuf);
    MakeSpriteSizePictures();
    ClearPixels(g_sheet, SHEET_WIDTH, SHEET_HEIGHT);
    SetPaneFile("");
    if (g_state.queue.shownPlaced) SetUnplacedPictures(g_state.queue, {}, "");
    SyncPicturePane();
    g_state.panes.pictureChanged = true;
    g_changeLog.Dirt().names = true;
    if (sprite.header.type == SPRITE_ANIMATION) OpenAnimationWork(sprite);
    SessionSetFile(path);  // a later start on this file offers this work back
}

void TakeDroppedFile(const std::string& path) {
    g_dropped.push_back(path);
}

void OpenDroppedFiles() {
    if (g_dropped.empty() || !g_spritePictures.working) return;
    const std::vector<std::string> dropped = std::move(g_dropped);
    g_dropped.clear();
    std::vector<std::string> refused;
    std::vector<std::string> pictures;
    for (const std::string& path : dropped) {
        if (const std::optional<std::string> refusal = NotAFileRefusal(path)) {
            refused.push_back(RefusalLine(path, *refusal));
            continue;
        }
        if (!NamedAsSprite(path)) {
            pictures.push_back(path);
            continue;
        }
        StartFile start = ReadStartFile(path);
        if (!start.sprite)
            pictures.push_back(path);  // a picture under a sprite's name, or refused there
        else if (!SheetStillEmpty())
            refused.push_back(RefusalLine(path, SPRITE_ON_WORK_TEXT + path + "."));
        else
            OpenSpriteOnEmptySheet(*start.sprite, path);
    }
    AddPictures(std::move(pictures), &refused);
    ShowSkipped(refused);
}
