#include <algorithm>
#include <filesystem>
#include <vector>

#include "display/pixmap.h"
#include "formats/colour.h"
#include "formats/pcx.h"
#include "shell/main_loop.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "tests/support/file_faults.h"
#include "tests/support/pixel_compare.h"
#include "tests/support/recording_audio.h"
#include "tests/support/session.h"
#include "workbench/file_dialogs.h"
#include "workbench/placement.h"

using platform::DialogKind;
using platform::ShownDialog;

namespace {

const char* const kNeedPicture = "PCX를 읽어야 Workbench Window가 구성됩니다";
const char* const kCrude = "씨발 자식아!,빨리 그림 읽어!";

std::vector<std::string> BoxCaptions(const std::vector<ShownDialog>& shown) {
    std::vector<std::string> captions;
    for (const ShownDialog& d : shown)
        captions.push_back(d.kind == DialogKind::MessageBox ? d.caption : "<open>");
    return captions;
}

bool AllZero(const uint16_t* pixels, size_t count) {
    return std::all_of(pixels, pixels + count, [](uint16_t p) { return p == 0; });
}

class StartupTest : public SessionTest {};

TEST_F(StartupTest, FirstPictureAnsweredAtOnceShowsNoBoxAndLeavesBuffersClear) {
    const std::string path = WriteGradient("first.pcx", 120, 90);
    StartWith(path);
    ASSERT_EQ(script.Shown().size(), 1u);
    const ShownDialog& dialog = script.Shown()[0];
    EXPECT_EQ(dialog.kind, DialogKind::OpenFile);
    EXPECT_EQ(dialog.caption,
              "Open PCX(Only 64K Colors 24Bit)     This is first Open! Will be Fixed Sprite Size ");
    ASSERT_EQ(dialog.filters.size(), 3u);
    EXPECT_EQ(dialog.filters[0].name, "Pcx files (*.pcx)");
    EXPECT_EQ(dialog.filters[1].name, "PNG pictures (*.png)");
    EXPECT_EQ(dialog.filters[2].pattern, "*.*");

    EXPECT_EQ(g_state.sheet.spriteWidth, 120);
    EXPECT_EQ(g_state.sheet.spriteHeight, 90);
    EXPECT_EQ(g_state.sheet.cellRight, 120);
    EXPECT_EQ(g_state.sheet.cellBottom, 90);
    EXPECT_TRUE(AllZero(g_sheet, SHEET_WIDTH * SHEET_HEIGHT));
    EXPECT_TRUE(AllZero(g_pictureBuf, PICTURE_WIDTH * PICTURE_HEIGHT));

    // The working image holds the picture's corner, decoded afresh here.
    std::vector<uint16_t> picture(PICTURE_WIDTH * PICTURE_HEIGHT, 0);
    ASSERT_TRUE(LoadPcx(picture.data(), PICTURE_WIDTH, PICTURE_WIDTH, PICTURE_HEIGHT, path));
    EXPECT_TRUE(SamePixels(ViewOf(picture.data(), 120, 90, PICTURE_WIDTH),
                           ViewOf(g_workingImage->GetBits(), 120, 90)));
    EXPECT_EQ(g_state.closing.closingJitterX[2], 4);
    EXPECT_EQ(g_state.closing.closingFigureY[1], 140);
}

TEST_F(StartupTest, ColumnCountFollowsTheSpriteWidth) {
    const struct {
        int width, height, columns;
    } cases[] = {{600, 400, 2}, {100, 100, 14}, {640, 480, 2}, {7, 9, 200}};
    for (const auto& c : cases) {
        TearDown();
        SetUp();
        StartWith(WritePicture("size.pcx", MakeFlatImage(c.width, c.height, 40, 80, 120)));
        EXPECT_EQ(g_state.sheet.sheetColumns, c.columns) << c.width << " x " << c.height;
    }
}

TEST_F(StartupTest, CancelledOnceShowsErrorThenTheCrudeBoxEvenWithAPicture) {
    script.QueueOpenAnswer(std::nullopt);
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    StartWith(WriteGradient("first.pcx", 32, 32));
    EXPECT_EQ(BoxCaptions(script.Shown()),
              (std::vector<std::string>{"<open>", "Error!", "<open>", "Fuck You!"}));
    EXPECT_EQ(script.Shown()[1].text, kNeedPicture);
    EXPECT_EQ(script.Shown()[3].text, kCrude);
}

TEST_F(StartupTest, CancelledThreeTimesShowsTheCrudeBoxOnce) {
    for (int i = 0; i < 3; ++i) script.QueueOpenAnswer(std::nullopt);
    for (int i = 0; i < 4; ++i) script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    StartWith(WriteGradient("first.pcx", 32, 32));
    EXPECT_EQ(BoxCaptions(script.Shown()),
              (std::vector<std::string>{"<open>", "Error!", "<open>", "Error!", "Fuck You!",
                                        "<open>", "Error!", "<open>"}));
}

TEST_F(StartupTest, UnreadableAndOversizePicturesAreRefusedAndAskedAgain) {
    const std::string notPcx = ::testing::TempDir() + "notes.pcx";
    ASSERT_TRUE(WriteBytesToFile(notPcx, std::vector<uint8_t>(300, 'x')));
    script.QueueOpenAnswer(notPcx);
    script.QueueOpenAnswer(WritePicture("big.pcx", MakeFlatImage(700, 300, 1, 2, 3)));
    for (int i = 0; i < 3; ++i) script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    StartWith(WriteGradient("first.pcx", 48, 40));
    const auto captions = BoxCaptions(script.Shown());
    ASSERT_EQ(captions, (std::vector<std::string>{"<open>", "Error!", "<open>", "Error!",
                                                  "Fuck You!", "<open>"}));
    EXPECT_EQ(script.Shown()[1].text, kNeedPicture);
    EXPECT_NE(script.Shown()[3].text.find("700 x 300"), std::string::npos)
        << script.Shown()[3].text;
    EXPECT_EQ(g_state.sheet.spriteWidth, 48);
    EXPECT_EQ(g_state.sheet.spriteHeight, 40);
}

TEST_F(StartupTest, ClosingTheWindowDuringTheFirstDialogEndsStartUp) {
    script.QueueOpenAnswer(std::nullopt);
    script.ScheduleMessage(script.TickCount(),
                           platform::Message{platform::MessageKind::CloseWindow, 0, 0});
    EXPECT_FALSE(InitWorkbench());
    EXPECT_FALSE(script.HasWindow());
    EXPECT_EQ(BoxCaptions(script.Shown()), std::vector<std::string>{"<open>"});
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
    ASSERT_EQ(BoxCaptions(script.Shown()), (std::vector<std::string>{"<open>", "Error Message"}));
    EXPECT_EQ(script.Shown()[1].text,
              "The file dialog could not be shown: zenity is not installed.");
    EXPECT_NE(said.find("celforge: the editor needs a first picture"), std::string::npos) << said;
}

TEST_F(StartupTest, ANextPictureDialogThatCannotBeShownKeepsTheWorkingImage) {
    StartWith(WriteGradient("first.pcx", 40, 30));
    const std::vector<uint16_t> before(g_workingImage->GetBits(),
                                       g_workingImage->GetBits() + 40 * 30);
    g_state.panes.openPictureRequest = 1;
    script.QueueOpenResult(platform::DialogUnavailable("zenity failed (exit status 255)"));
    script.QueueBoxAnswer(platform::BoxAnswer::Ok);
    OpenNextPicture();
    EXPECT_EQ(BoxCaptions(script.Shown()),
              (std::vector<std::string>{"<open>", "<open>", "Error Message"}));
    EXPECT_EQ(g_state.panes.openPictureRequest, 0);
    EXPECT_TRUE(
        SamePixels(ViewOf(before.data(), 40, 30), ViewOf(g_workingImage->GetBits(), 40, 30)));
}

// Open dialogs start where the last picture came from, save dialogs where
// the last save went; each starts in the working folder the first time.
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
    script.QueueOpenAnswer(std::nullopt);
    AskPictureFileName("open");
    script.QueueSaveAnswer(std::nullopt);
    AskSpriteFileName("save");
    std::vector<std::string> starts;
    for (const ShownDialog& d : script.Shown()) starts.push_back(d.startFolder);
    const std::string firstFolder = std::filesystem::path(first).parent_path().string();
    EXPECT_EQ(starts, (std::vector<std::string>{working, firstFolder, working, pictures, sprites}));
    ForgetDialogFolders();
}

}  // namespace
