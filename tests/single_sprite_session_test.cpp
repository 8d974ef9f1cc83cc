#include <functional>

#include "display/pixmap.h"
#include "state/editor_state.h"
#include "tests/support/file_faults.h"
#include "tests/support/pixel_compare.h"
#include "tests/support/session.h"

using platform::BoxAnswer;

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
    void Save(const std::string& path, bool failing = false) {
        script.QueueSaveAnswer(path);
        if (failing) script.QueueBoxAnswer(BoxAnswer::Ok);
        Click(350, 30);
    }
    void ExpectHeader(const std::vector<uint8_t>& file, uint32_t width, uint32_t height) {
        ASSERT_GE(file.size(), 91u);
        EXPECT_EQ(std::string(file.begin(), file.begin() + 22), "Brisk_Kite(Brisk_Wren)");
        EXPECT_EQ(Le32At(file, 35), 2u) << "a single sprite";
        EXPECT_EQ(Le32At(file, 39), width);
        EXPECT_EQ(Le32At(file, 43), height);
        for (int d = 0; d < DIRECTION_COUNT; ++d)
            EXPECT_EQ(Le32At(file, 55 + 4 * d), d == 0 ? 1u : 0u) << "direction " << d;
    }
    std::string folder = MakeTestFolder("single");
};

// A picture wider than 640 is refused and the dialog comes again; a second
// import replaces the first; the save releases the picture.
TEST_F(SingleSpriteTest, APictureBecomesAOneFrameSprite) {
    script.QueueOpenAnswer(WriteGradient("wide.pcx", 641, 10));
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Import(WriteGradient("fits.pcx", 640, 480));
    EXPECT_NE(script.Shown().end()[-2].text.find("641 x 10"), std::string::npos);
    ASSERT_EQ(g_state.edit.singleImage->Width(), 640);
    const RgbImage image = MakeRandomImage(100, 80, 5);
    Import(WritePicture("single.pcx", image));
    Save(folder + "/one.Spr");
    const std::vector<uint8_t> file = ReadWholeFile(folder + "/one.Spr");
    ASSERT_EQ(file.size(), 91u + 2 * 100 * 80);
    ExpectHeader(file, 100, 80);
    std::vector<uint16_t> pixels(100 * 80);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = file[91 + 2 * i] | file[92 + 2 * i] << 8;
    const std::vector<uint16_t> expected = PackImage(image);
    EXPECT_TRUE(SamePixels(ViewOf(expected.data(), 100, 80), ViewOf(pixels.data(), 100, 80)));
    EXPECT_EQ(g_state.edit.singleImage, nullptr) << "released after the save";
    EXPECT_EQ(g_state.edit.singleState, SINGLE_OPEN);
}

// A picture with nothing to show still saves a file whose header states the
// picture's own size: 0 x 0 for a refused file, 100 x 0 for a picture of no rows.
TEST_F(SingleSpriteTest, APictureWithNoPixelsSavesItsHeaderSize) {
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        uint32_t width, height;
    } cases[] = {{"junk.pcx", std::vector<uint8_t>(300, 0x55), 0, 0},
                 {"flat.pcx", EncodePcx24(RgbImage(100, 0)), 100, 0}};
    for (const auto& c : cases) {
        const std::string path = folder + "/" + c.name;
        ASSERT_TRUE(WriteBytesToFile(path, c.bytes));
        Import(path);
        ASSERT_NE(g_state.edit.singleImage, nullptr) << c.name;
        Save(folder + "/empty");  // a typed name without extension gets ".Spr"
        const std::vector<uint8_t> file = ReadWholeFile(folder + "/empty.Spr");
        EXPECT_EQ(file.size(), 91u) << c.name;
        ExpectHeader(file, c.width, c.height);
    }
}

// A dialog that cannot be shown says why once and the window comes back; a
// close request ends the import's insisting loop.
TEST_F(SingleSpriteTest, ADialogThatCannotBeShownOrACloseEndsTheAction) {
    Import(WriteGradient("keep.pcx", 40, 30));
    const auto unavailable = platform::DialogUnavailable("zenity is not installed");
    const std::string why = "The file dialog could not be shown: zenity is not installed.";
    const struct {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> texts;
    } cases[] = {
        {"import", [&] { script.QueueOpenResult(unavailable), Click(200, 35); }, {"", why}},
        {"save", [&] { script.QueueSaveResult(unavailable), Click(350, 30); }, {"", why}},
        {"import, then close",
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
        EXPECT_EQ(texts, c.texts) << c.what;
        EXPECT_EQ(g_state.edit.singleState, SINGLE_OPEN) << c.what;
        EXPECT_EQ(g_state.edit.singleImage->Width(), 40) << c.what;
    }
}

// After a failed write the dialog comes again on the next frame and the
// picture stays in its window.
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
        EXPECT_EQ(script.Shown()[1].text, "무슨짓을 하시는지, 도대체 이해할수 없음이야 ");
        EXPECT_EQ(g_state.edit.singleState, SINGLE_SAVE) << target.what;
        script.QueueSaveAnswer(std::nullopt);  // cancelled the second time
        script.QueueBoxAnswer(BoxAnswer::Ok);
        Tick();
        EXPECT_EQ(g_state.edit.singleState, SINGLE_OPEN);
        EXPECT_EQ(g_state.edit.singleImage->Width(), 40) << target.what;
    }
    EXPECT_EQ(ReadWholeFile(kept), old);
}

}  // namespace
