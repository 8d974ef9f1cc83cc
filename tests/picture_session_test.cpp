// Pictures the editor cannot read, or reads only in part, in each of its
// three open dialogs: the box says why, and nothing held is lost.

#include <filesystem>

#include "display/pixmap.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/file_faults.h"
#include "tests/support/session.h"
#include "workbench/placement.h"

using platform::BoxAnswer;

namespace {

const std::string kRefused = "This file cannot be read as a picture:\n";
const std::string kIncomplete =
    "The picture is incomplete; what could be read is shown:\n"
    "the file is cut short: its image data ends before the last row";
const std::string kFirstRefused = "PCX를 읽어야 Workbench Window가 구성됩니다\n";
const std::string kNoPixels = "the header gives the picture no pixels (a width or height below 1)";

class PictureOpenTest : public SessionTest {
  protected:
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const platform::ShownDialog& d : script.Shown())
            if (d.kind == platform::DialogKind::MessageBox) texts.push_back(d.text);
        return texts;
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        EXPECT_TRUE(WriteBytesToFile(folder + "/" + name, bytes));
        return folder + "/" + name;
    }
    // 40 x 30, red, its last row cut off: each plane line is one run of two bytes.
    std::string CutRed() {
        std::vector<uint8_t> file = EncodePcx24(MakeFlatImage(40, 30, 248, 0, 0));
        file.resize(file.size() - 6);
        return Write("cut.pcx", file);
    }
    // A picture whose header has Ymin 1 over Ymax 0: no rows.
    std::string NoRows() {
        std::vector<uint8_t> file = EncodePcx24(MakeFlatImage(40, 1, 9, 9, 9));
        file[6] = 1;  // Ymin
        return Write("norows.pcx", file);
    }
    std::string folder = MakeTestFolder("pictures");
};

TEST_F(PictureOpenTest, TheFirstPictureBoxGivesTheReasonAndACutPictureIsShownWithOneBox) {
    script.QueueOpenAnswer(NoRows());
    script.QueueBoxAnswer(BoxAnswer::Ok);
    script.QueueOpenAnswer(CutRed());
    script.QueueBoxAnswer(BoxAnswer::Ok);  // the second dialog's nag
    script.QueueBoxAnswer(BoxAnswer::Ok);  // incomplete
    ASSERT_TRUE(InitWorkbench());
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kFirstRefused + kNoPixels,
                                                    "씨발 자식아!,빨리 그림 읽어!", kIncomplete}));
    EXPECT_EQ(g_state.sheet.spriteHeight, 30);
    const uint16_t* bits = g_spritePictures.working->GetBits();
    EXPECT_EQ(bits[28 * 40 + 39], 0xF800);
    EXPECT_EQ(bits[29 * 40], 0);
}

TEST_F(PictureOpenTest, ANextPictureRefusedKeepsTheWorkingImageACutOneReplacesIt) {
    StartWith(WriteGradient("first.pcx", 40, 30));
    const std::vector<uint16_t> before(g_spritePictures.working->GetBits(),
                                       g_spritePictures.working->GetBits() + 40 * 30);
    script.ClearShown();
    script.QueueOpenAnswer(Write("README", {'h', 'i', '\n'}));
    script.QueueBoxAnswer(BoxAnswer::Ok);
    OpenNextPicture();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), g_spritePictures.working->GetBits()));
    script.QueueOpenAnswer(CutRed());
    script.QueueBoxAnswer(BoxAnswer::Ok);
    OpenNextPicture();
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{kRefused + "the file is neither a PCX nor a PNG picture",
                                        kIncomplete}));
    EXPECT_EQ(g_spritePictures.working->GetBits()[0], 0xF800);
    EXPECT_EQ(g_spritePictures.working->GetBits()[29 * 40], 0);
}

class SinglePictureTest : public PictureOpenTest {
  protected:
    void SetUp() override {
        PictureOpenTest::SetUp();
        StartWith(WriteGradient("first.pcx", 32, 32));
        g_state.edit.workMode = MODE_EDIT;
        Click(500, 525);  // the window's button
        script.ClearShown();
    }
};

// Each refused file brings its box and the dialog again; no empty sprite is
// ever taken.
TEST_F(SinglePictureTest, RefusedFilesComeBackWithTheirReasonUntilAPictureIsRead) {
    const std::string missing = folder + "/missing.pcx";
    std::filesystem::create_directory(folder + "/folder.pcx");
    for (const std::string& path :
         {Write("README", {'#', ' ', 'h', 'i', '\n'}), Write("empty.pcx", {}), NoRows(), missing,
          folder + "/folder.pcx", CutRed()}) {
        script.QueueOpenAnswer(path);
        script.QueueBoxAnswer(BoxAnswer::Ok);
    }
    Click(200, 35);
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{kRefused + "the file is neither a PCX nor a PNG picture",
                                        kRefused + "the file is empty", kRefused + kNoPixels,
                                        kRefused + "No such file or directory",
                                        kRefused + "Is a directory", kIncomplete}));
    ASSERT_NE(g_state.edit.singleImage, nullptr);
    EXPECT_EQ(g_state.edit.singleImage->Width() * 100 + g_state.edit.singleImage->Height(),
              40 * 100 + 30);
    EXPECT_EQ(g_state.edit.singleImage->GetBits()[0], 0xF800);
    EXPECT_EQ(g_state.edit.singleImage->GetBits()[29 * 40 + 39], 0);
}

// The window at (50, 49)-(690, 529) casts a shadow 5 pixels right and down:
// its last row is 533 and its first 54.
TEST_F(SinglePictureTest, TheWindowsShadowCoversExactlyItsRows) {
    constexpr uint16_t kShadow = 365;
    Tick();
    const auto at = [](int x, int y) { return g_screenBuf[y * SCREEN_WIDTH + x]; };
    for (int x : {55, 372, 694}) {
        for (int y = 529; y <= 533; ++y) EXPECT_EQ(at(x, y), kShadow) << x << "," << y;
        EXPECT_NE(at(x, 534), kShadow) << x;
    }
    for (int x = 690; x <= 694; ++x) {
        EXPECT_EQ(at(x, 54), kShadow) << x;
        EXPECT_NE(at(x, 53), kShadow) << x;
    }
    EXPECT_NE(at(54, 531), kShadow);
    EXPECT_NE(at(695, 300), kShadow);
}

}  // namespace
