#include <functional>

#include "display/pixmap.h"
#include "state/editor_state.h"
#include "tests/support/file_faults.h"
#include "tests/support/pixel_compare.h"
#include "tests/support/session.h"
#include "workbench/single_sprite.h"

using platform::BoxAnswer;
using platform::DialogKind;

namespace {

class SingleSpriteTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        StartWith(WriteGradient("first.pcx", 32, 32));
        g_state.edit.workMode = MODE_EDIT;
        Click(500, 525);  // the window's button
    }
    void Import(const std::string& path) {
        script.QueueOpenAnswer(path);
        Click(200, 35);
    }
    void Save(const std::optional<std::string>& path, bool failing) {
        script.QueueSaveAnswer(path);
        if (failing) script.QueueBoxAnswer(BoxAnswer::Ok);
        Click(350, 30);
    }
    bool BufferIsClear() {
        for (int i = 0; i < PICTURE_WIDTH * PICTURE_HEIGHT; ++i)
            if (g_singleBuf[i] != 0) return false;
        return true;
    }
    void ExpectHeader(const std::vector<uint8_t>& file, uint32_t width, uint32_t height) {
        ASSERT_GE(file.size(), 91u);
        EXPECT_EQ(std::string(file.begin(), file.begin() + 22), "Brisk_Kite(Brisk_Wren)");
        EXPECT_EQ(Le32At(file, 35), 2u);
        EXPECT_EQ(Le32At(file, 39), width);
        EXPECT_EQ(Le32At(file, 43), height);
        for (int d = 0; d < DIRECTION_COUNT; ++d)
            EXPECT_EQ(Le32At(file, 55 + 4 * d), d == 0 ? 1u : 0u) << "direction " << d;
    }
    std::string folder = MakeTestFolder("single");
};

TEST_F(SingleSpriteTest, APictureBecomesAOneFrameSprite) {
    Import(WriteGradient("first-try.pcx", 50, 50));
    const RgbImage image = MakeRandomImage(100, 80, 5);
    Import(WritePicture("single.pcx", image));
    ASSERT_NE(g_state.edit.singleImage, nullptr);
    ASSERT_EQ(g_state.edit.singleImage->Width(), 100) << "the second import replaces the first";

    Save(folder + "/one.Spr", false);
    const std::vector<uint8_t> file = ReadWholeFile(folder + "/one.Spr");
    ASSERT_EQ(file.size(), 91u + 2 * 100 * 80);
    ExpectHeader(file, 100, 80);
    std::vector<uint16_t> pixels(100 * 80);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint16_t>(file[91 + 2 * i] | file[92 + 2 * i] << 8);
    const std::vector<uint16_t> expected = PackImage(image);
    EXPECT_TRUE(SamePixels(ViewOf(expected.data(), 100, 80), ViewOf(pixels.data(), 100, 80)));
    EXPECT_EQ(g_state.edit.singleImage, nullptr) << "released after the save";
    EXPECT_TRUE(BufferIsClear());
    EXPECT_EQ(g_state.edit.singleState, SINGLE_OPEN);
    EXPECT_EQ(g_state.freeze.phase, PHASE_EDITING);
}

// A picture with nothing to show still saves a file whose header states the
// picture's own size: 0 x 0 for a refused file, 100 x 0 for a picture of no rows.
TEST_F(SingleSpriteTest, APictureWithNoPixelsSavesItsHeaderSize) {
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        int width, height;
    } cases[] = {
        {"junk.pcx", std::vector<uint8_t>(300, 0x55), 0, 0},
        {"flat.pcx", EncodePcx24(RgbImage(100, 0)), 100, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder + "/" + c.name;
        ASSERT_TRUE(WriteBytesToFile(path, c.bytes));
        script.ClearShown();
        Import(path);
        EXPECT_EQ(script.Shown().size(), 1u) << "the dialog only, no message";
        ASSERT_NE(g_state.edit.singleImage, nullptr);
        Save(folder + "/empty", false);  // the dialog's extension is added
        const std::vector<uint8_t> file = ReadWholeFile(folder + "/empty.Spr");
        ASSERT_EQ(file.size(), 91u);
        ExpectHeader(file, c.width, c.height);
    }
}

TEST_F(SingleSpriteTest, TheImportInsistsOnAPictureThatFits) {
    script.QueueOpenAnswer(std::nullopt);
    script.QueueOpenAnswer(WriteGradient("wide.pcx", 641, 10));
    script.QueueBoxAnswer(BoxAnswer::Ok);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    script.ClearShown();
    Import(WriteGradient("fits.pcx", 640, 480));
    const auto& shown = script.Shown();
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[0].caption, "Open PCX(Only 64K Colors 24Bit");
    EXPECT_EQ(shown[1].text, "씨발 자식아!,빨리 그림 읽어!");
    EXPECT_EQ(shown[1].caption, "Fuck You!");
    EXPECT_EQ(shown[3].kind, DialogKind::MessageBox);
    EXPECT_NE(shown[3].text.find("641 x 10"), std::string::npos) << shown[3].text;
    EXPECT_EQ(shown[4].kind, DialogKind::OpenFile);
    ASSERT_NE(g_state.edit.singleImage, nullptr);
    EXPECT_EQ(g_state.edit.singleImage->Width(), 640);
}

// A dialog that cannot be shown says why once and the window comes back; a
// close request ends the import's insisting loop.
TEST_F(SingleSpriteTest, ADialogThatCannotBeShownOrACloseEndsTheAction) {
    Import(WriteGradient("keep.pcx", 40, 30));
    const platform::DialogResult unavailable =
        platform::DialogUnavailable("zenity is not installed");
    const std::string why = "The file dialog could not be shown: zenity is not installed.";
    const struct {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> shownTexts;
    } cases[] = {
        {"import",
         [&] {
             script.QueueOpenResult(unavailable);
             Click(200, 35);
         },
         {"", why}},
        {"save",
         [&] {
             script.QueueSaveResult(unavailable);
             Click(350, 30);
         },
         {"", why}},
        {"import then close",
         [&] {
             script.QueueOpenAnswer(std::nullopt);
             script.ScheduleMessage(script.TickCount() + 20,
                                    {platform::MessageKind::CloseWindow, 0, 0});
             Click(200, 35);
         },
         {""}},
    };
    for (const auto& c : cases) {
        script.ClearShown();
        script.QueueBoxAnswer(BoxAnswer::Ok);  // unused by the last case
        c.act();
        std::vector<std::string> texts;
        for (const auto& shown : script.Shown()) texts.push_back(shown.text);
        EXPECT_EQ(texts, c.shownTexts) << c.what;
        EXPECT_EQ(g_state.edit.singleState, SINGLE_OPEN) << c.what;
        ASSERT_NE(g_state.edit.singleImage, nullptr) << c.what;
        EXPECT_EQ(g_state.edit.singleImage->Width(), 40) << c.what;
    }
}

TEST_F(SingleSpriteTest, AFailedSaveComplainsAndKeepsThePicture) {
    Import(WriteGradient("keep.pcx", 40, 30));
    const std::string kept = folder + "/kept.Spr";
    const std::vector<uint8_t> old(9000, 'o');
    ASSERT_TRUE(WriteBytesToFile(kept, old));
    std::vector<FaultyTarget> targets = FaultyTargets(folder);
    targets.push_back({"file size limit", kept});
    for (const FaultyTarget& target : targets) {
        script.ClearShown();
        {
            FileSizeLimit limit(target.path == kept ? 1000 : UINT64_MAX);
            Save(target.path, true);
        }
        ASSERT_EQ(script.Shown().size(), 2u) << target.what;
        EXPECT_EQ(script.Shown()[0].caption, "Save Single Sprite...Good Luck!");
        EXPECT_EQ(script.Shown()[1].text, "무슨짓을 하시는지, 도대체 이해할수 없음이야 ");
        EXPECT_EQ(script.Shown()[1].caption, "Error Message");
        EXPECT_EQ(g_state.edit.singleState, SINGLE_SAVE)
            << "the dialog comes again: " << target.what;
        ASSERT_NE(g_state.edit.singleImage, nullptr) << target.what;
        script.QueueSaveAnswer(std::nullopt);  // cancelled the second time
        script.QueueBoxAnswer(BoxAnswer::Ok);
        Tick();
        EXPECT_EQ(g_state.edit.singleState, SINGLE_OPEN);
    }
    EXPECT_EQ(ReadWholeFile(kept), old);
    EXPECT_EQ(g_state.edit.singleImage->Width(), 40);
}

}  // namespace
