// Pictures the editor cannot read, or reads only in part, in each of its
// three open dialogs: the box says why, and nothing held is lost.

#include <functional>

#include "display/pixmap.h"
#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "state/skin.h"
#include "tests/support/file_faults.h"
#include "tests/support/session.h"
#include "workbench/placement.h"

namespace {

const std::string kRefused = "This file cannot be read as a picture:\n",
                  kNotPicture = "the file is neither a PCX nor a PNG picture",
                  kNoPixels = "the header gives the picture no pixels (a width or height below 1)",
                  kIncomplete =
                      "The picture is incomplete; what could be read is shown:\nthe "
                      "file is cut short: its image data ends before the last row";

class PictureOpenTest : public SessionTest {
  protected:
    // Queues each path with an Ok for its box, then runs `open`; the boxes' texts.
    std::vector<std::string> Open(const std::vector<std::string>& paths, int boxes,
                                  const std::function<void()>& open) {
        script.ClearShown();
        for (const std::string& path : paths) script.QueueOpenAnswer(path);
        for (int i = 0; i < boxes; ++i) script.QueueBoxAnswer(platform::BoxAnswer::Ok);
        open();
        std::vector<std::string> texts;
        for (const platform::ShownDialog& d : script.Shown())
            if (d.kind == platform::DialogKind::MessageBox) texts.push_back(d.text);
        return texts;
    }
    std::string Write(const std::string& name, std::vector<uint8_t> bytes, int byte, int value) {
        if (byte >= 0) bytes[byte] = static_cast<uint8_t>(value);
        EXPECT_TRUE(WriteBytesToFile(folder + name, bytes));
        return folder + name;
    }
    std::vector<uint8_t> red = EncodePcx24(MakeFlatImage(40, 30, 248, 0, 0));
    std::string folder = MakeTestFolder("pictures") + "/";
    // Each plane line is one two-byte run: the last row is cut off.
    std::string cut = Write("cut.pcx", {red.begin(), red.end() - 6}, -1, 0);
    std::string noRows = Write("norows.pcx", red, 6, 30);  // Ymin 30 over Ymax 29
    std::string readme = Write("README", {'h', 'i'}, -1, 0);
};

// The first picture's box keeps its text with the reason below; a picture
// cut short is shown as far as it goes, with one box, the first time and
// later (a refused next picture: the work model).
TEST_F(PictureOpenTest, FirstAndNextPicturesSayWhyTheyAreRefusedOrIncomplete) {
    EXPECT_EQ(Open({noRows, cut}, 3, [] { ASSERT_TRUE(InitWorkbench()); }),
              (std::vector<std::string>{"PCX를 읽어야 Workbench Window가 구성됩니다\n" + kNoPixels,
                                        "씨발 자식아!,빨리 그림 읽어!", kIncomplete}));
    const uint16_t* bits = g_spritePictures.working->GetBits();
    EXPECT_EQ(std::pair(bits[28 * 40 + 39], bits[29 * 40]),
              std::pair(uint16_t{0xF800}, uint16_t{0}));
    g_spritePictures.working->GetBits()[29 * 40] = 7;
    EXPECT_EQ(Open({cut}, 1, OpenNextPicture), std::vector<std::string>{kIncomplete});
    EXPECT_EQ(g_spritePictures.working->GetBits()[29 * 40], 0);
}

// Each refused file brings its box and the dialog again; no empty sprite is
// ever taken. The window's shadow, 5 pixels right and down of its face at
// (50, 49)-(690, 529), ends at row 533 and starts at row 54.
TEST_F(PictureOpenTest, TheSingleSpriteWindowRefusesWhatItCannotReadAndCastsItsShadow) {
    StartWith(WriteGradient("first.pcx", 32, 32));
    g_state.edit.workMode = MODE_EDIT;
    Click(500, 525);  // the window's button
    EXPECT_EQ(
        Open({readme, noRows, cut}, 3, [&] { Click(200, 35); }),
        (std::vector<std::string>{kRefused + kNotPicture, kRefused + kNoPixels, kIncomplete}));
    const CPixmap* image = g_state.edit.singleImage;
    EXPECT_EQ(std::pair(image->Width(), image->Height()), std::pair(40, 30));
    EXPECT_EQ(std::pair(image->GetBits()[0], image->GetBits()[29 * 40]),
              std::pair(uint16_t{0xF800}, uint16_t{0}));
    Tick();
    const auto shadow = [](int x, int y) { return g_screenBuf[y * SCREEN_WIDTH + x] == 365; };
    for (int x : {55, 372, 694})
        EXPECT_TRUE(shadow(x, 529) && shadow(x, 533) && !shadow(x, 534)) << x;
    for (int x : {690, 694}) EXPECT_TRUE(shadow(x, 54) && !shadow(x, 53)) << x;
    EXPECT_FALSE(shadow(54, 531) || shadow(695, 300));
}

}  // namespace
