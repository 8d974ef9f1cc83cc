#include <filesystem>
#include <vector>

#include "display/pixmap.h"
#include "formats/colour.h"
#include "shell/main_loop.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/file_faults.h"
#include "tests/support/recording_audio.h"
#include "tests/support/session.h"
#include "workbench/file_dialogs.h"
#include "workbench/placement.h"

using platform::DialogKind;
using platform::ShownDialog;

namespace {

class StartupTest : public SessionTest {
  protected:
    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (const ShownDialog& d : script.Shown())
            captions.push_back(d.kind == DialogKind::MessageBox ? d.caption : "<open>");
        return captions;
    }
};

// The first picture fixes the sprite size, and with it how many cells a
// 1400-pixel sheet row holds.
TEST_F(StartupTest, FirstPictureFixesTheSizeAndTheColumns) {
    for (auto [width, height, columns] :
         {std::tuple{120, 90, 11}, {600, 400, 2}, {100, 100, 14}, {7, 9, 200}}) {
        TearDown();
        SetUp();
        script.ClearShown();
        StartWith(WritePicture("size.pcx", MakeFlatImage(width, height, 40, 80, 120)));
        ASSERT_EQ(script.Shown().size(), 1u);
        EXPECT_TRUE(g_state.sheet.spriteWidth == width && g_state.sheet.cellBottom == height);
        EXPECT_EQ(g_state.sheet.sheetColumns, columns) << width << " x " << height;
        EXPECT_EQ(g_workingImage->GetBits()[width * height - 1], PackRgb(40, 80, 120));
    }
    EXPECT_EQ(script.Shown()[0].filters.size(), 3u) << "PCX, PNG and all files";
}

// Every refusal says so; the second one on brings the crude box too.
TEST_F(StartupTest, CancelledOrRefusedPicturesAreAskedForAgain) {
    script.QueueOpenAnswer(std::nullopt);
    script.QueueOpenAnswer(WritePicture("big.pcx", MakeFlatImage(641, 300, 1, 2, 3)));
    script.QueueOpenAnswer(std::nullopt);
    for (int i = 0; i < 5; ++i) script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    StartWith(WriteGradient("first.pcx", 48, 40));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"<open>", "Error!", "<open>", "Error!",
                                                    "Fuck You!", "<open>", "Error!", "<open>"}));
    EXPECT_NE(script.Shown()[3].text.find("641 x 300"), std::string::npos);
    EXPECT_EQ(g_state.sheet.spriteWidth, 48);
}

TEST_F(StartupTest, ClosingTheWindowDuringTheFirstDialogEndsStartUp) {
    script.QueueOpenAnswer(std::nullopt);
    script.ScheduleMessage(script.TickCount(), {platform::MessageKind::CloseWindow, 0, 0});
    EXPECT_FALSE(InitWorkbench());
    EXPECT_FALSE(script.HasWindow());
    EXPECT_EQ(Captions(), std::vector<std::string>{"<open>"});
}

// Asking again would only bring the same box back, for ever.
TEST_F(StartupTest, AFirstPictureDialogThatCannotBeShownEndsTheEditorWithCodeOne) {
    RecordingAudio audio;
    SetAudioLayer(&audio);
    script.QueueOpenResult(platform::DialogUnavailable("zenity is not installed"));
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    ::testing::internal::CaptureStderr();
    const int code = WinMain();
    const std::string said = ::testing::internal::GetCapturedStderr();
    SetAudioLayer(nullptr);
    EXPECT_EQ(code, 1);
    ASSERT_EQ(Captions(), (std::vector<std::string>{"<open>", "Error Message"}));
    EXPECT_EQ(script.Shown()[1].text,
              "The file dialog could not be shown: zenity is not installed.");
    EXPECT_NE(said.find("celforge: the editor needs a first picture"), std::string::npos) << said;
}

// Open dialogs start where the last picture came from, save dialogs where
// the last save went; each starts in the working folder the first time. A
// dialog that cannot be shown leaves the working image as it was.
TEST_F(StartupTest, DialogsStartInTheFolderUsedLastOfTheirKind) {
    ForgetDialogFolders();
    const std::string working = std::filesystem::current_path().string();
    const std::string first = WriteGradient("first.pcx", 40, 30);
    const std::string pictures = MakeTestFolder("pictures");
    const std::string sprites = MakeTestFolder("sprites");
    StartWith(first);
    script.QueueOpenAnswer(pictures + "/next.pcx");
    OpenNextPicture();
    script.QueueSaveAnswer(sprites + "/a.Spr");
    AskSpriteFileName("save");
    script.QueueOpenResult(platform::DialogUnavailable("zenity failed"));
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    const uint16_t corner = g_workingImage->GetBits()[0];
    OpenNextPicture();
    EXPECT_EQ(g_workingImage->GetBits()[0], corner);
    EXPECT_EQ(script.Shown().back().caption, "Error Message");
    script.QueueSaveAnswer(std::nullopt);
    AskSpriteFileName("save");
    std::vector<std::string> starts;
    for (const ShownDialog& d : script.Shown())
        if (d.kind != DialogKind::MessageBox) starts.push_back(d.startFolder);
    const std::string firstFolder = std::filesystem::path(first).parent_path().string();
    EXPECT_EQ(starts, (std::vector<std::string>{working, firstFolder, working, pictures, sprites}));
    ForgetDialogFolders();
}

}  // namespace
