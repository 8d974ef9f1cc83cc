#include "workbench/single_sprite.h"

#include <cstdio>
#include <optional>
#include <string>

#include "display/pixmap.h"
#include "formats/picture.h"
#include "formats/safe_file.h"
#include "formats/sprite_file.h"
#include "platform/platform.h"
#include "state/editor_state.h"
#include "workbench/file_dialogs.h"
#include "workbench/picture_boxes.h"
#include "workbench/queue_flow.h"
#include "workbench/sprite_save.h"

const char* const SINGLE_OPEN_TITLE = "Open PCX(Only 64K Colors 24Bit";
const char* const SINGLE_SAVE_TITLE = "Save Single Sprite...Good Luck!";
const char* const SINGLE_IMPORT_NAG = "씨발 자식아!,빨리 그림 읽어!";
const char* const SINGLE_IMPORT_NAG_CAPTION = "Fuck You!";
const char* const SINGLE_SAVE_COMPLAINT = "무슨짓을 하시는지, 도대체 이해할수 없음이야 ";

namespace {

void ShowOkBox(const std::string& text, const char* caption) {
    platform::Current().MessageBox(text, caption, platform::BoxButtons::Ok);
}

bool FitsSingleBuffer(const PictureSize& size) {
    return size.width <= PICTURE_WIDTH && size.height <= PICTURE_HEIGHT;
}

void RefuseOversize(const PictureSize& size) {
    ShowOkBox("This picture is " + std::to_string(size.width) + " x " +
                  std::to_string(size.height) +
                  " pixels. The single-sprite workbench holds at most 640 x 480: please open "
                  "a smaller picture.",
              ERROR_CAPTION);
}

// The import cannot be cancelled: the dialog comes back until a readable
// picture that fits the buffer is chosen, the editor is closing, or the
// dialog cannot be shown at all (its box has said why).
std::optional<std::string> AskSinglePicture(PictureSize* size) {
    platform::Platform& p = platform::Current();
    for (;;) {
        const platform::DialogResult answer = AskPictureFileName(SINGLE_OPEN_TITLE);
        if (answer.outcome == platform::DialogOutcome::Unavailable) return std::nullopt;
        if (answer.outcome == platform::DialogOutcome::Cancelled) {
            if (!p.HasWindow() || p.CloseRequested()) return std::nullopt;
            ShowOkBox(SINGLE_IMPORT_NAG, SINGLE_IMPORT_NAG_CAPTION);
            continue;
        }
        if (const std::optional<std::string> notFile = NotAFileRefusal(answer.path)) {
            ShowPictureRefusal(PICTURE_REFUSED_TEXT, *notFile);
            continue;
        }
        const PictureCheck check = CheckPictureFile(answer.path);
        if (!check.Readable()) {
            ShowPictureRefusal(PICTURE_REFUSED_TEXT, check.refusal);
            continue;
        }
        *size = check.size;
        if (FitsSingleBuffer(*size)) return answer.path;
        RefuseOversize(*size);
    }
}

void ImportSinglePicture() {
    PictureSize size;
    const std::optional<std::string> path = AskSinglePicture(&size);
    // A file that became unreadable since the dialog keeps the picture held.
    if (!path || !LoadPictureIntoBuffer(g_singleBuf, *path)) {
        g_state.edit.singleState = SINGLE_OPEN;
        return;
    }
    g_state.edit.singleWidth = size.width;
    g_state.edit.singleHeight = size.height;
    delete g_state.edit.singleImage;
    g_state.edit.singleImage = new CPixmap(g_state.edit.singleWidth, g_state.edit.singleHeight);
    g_state.edit.singleImage->Grab(g_singleBuf, PICTURE_WIDTH, 0, 0);
    g_state.edit.singleState = SINGLE_OPEN;
}

// The header states the picture's own size, as its file's header gave it;
// the pixels are the pixmap's, which has exactly that size (or none).
std::vector<uint8_t> EncodeSingleSprite(const CPixmap* image) {
    const SpriteFileHeader header =
        MakeSpriteHeader(SPRITE_SINGLE, g_state.edit.singleWidth, g_state.edit.singleHeight,
                         g_state.edit.keyColour, {1, 0, 0, 0, 0, 0, 0, 0, 0});
    std::vector<PixelRun> runs;
    if (image && image->GetBits())
        runs.push_back({image->GetBits(), static_cast<size_t>(image->Width()) * image->Height()});
    return EncodeSpriteFile(header, runs);
}

// On a failed write the state stays "save requested", so the dialog comes
// again on the next frame and the picture is kept.
void SaveSingleSprite() {
    const platform::DialogResult answer = AskSpriteFileName(SINGLE_SAVE_TITLE);
    if (answer.outcome != platform::DialogOutcome::Chosen) {
        // A dialog that could not be shown has had its own box.
        if (answer.outcome == platform::DialogOutcome::Cancelled)
            ShowOkBox(SINGLE_SAVE_COMPLAINT, ERROR_CAPTION);
        g_state.edit.singleState = SINGLE_OPEN;
        return;
    }
    const WriteResult written =
        WriteFileReplacing(answer.path, EncodeSingleSprite(g_state.edit.singleImage));
    if (!written) {
        ShowOkBox(SaveFailedText(SINGLE_SAVE_COMPLAINT, answer.path, written), ERROR_CAPTION);
        return;
    }
    delete g_state.edit.singleImage;
    g_state.edit.singleImage = nullptr;
    ClearPixels(g_singleBuf, PICTURE_WIDTH, PICTURE_HEIGHT);
    g_state.edit.singleState = SINGLE_OPEN;
}

}  // namespace

void SingleSpriteCommand() {
    if (g_state.edit.singleState == SINGLE_IMPORT)
        ImportSinglePicture();
    else if (g_state.edit.singleState == SINGLE_SAVE)
        SaveSingleSprite();
}
