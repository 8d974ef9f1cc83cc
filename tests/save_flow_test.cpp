#include <sys/stat.h>

#include <optional>

#include "shell/workbench_init.h"
#include "state/editor_state.h"
#include "tests/support/file_faults.h"
#include "tests/support/session.h"
#include "workbench/file_dialogs.h"

using platform::BoxAnswer;

namespace {

const std::string kNotFullPath =
    "\", which is not a full path: this name cannot be used. The file dialog cannot pass on "
    "names that are not valid UTF-8 text, nor names in a folder whose name is not: please "
    "choose another name or folder.";
const std::string kNull = "The file dialog gave \"(null)" + kNotFullPath;
const std::string kLineBreak =
    "A name that holds a line break cannot be used: please choose another name.";
const std::string kQuestion = "keep.Spr already exists. Replace it?";

class SaveFlowTest : public SessionTest {
  protected:
    // The texts shown, "" for a dialog.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& shown : script.Shown()) texts.push_back(shown.text);
        return texts;
    }
    std::string folder = MakeTestFolder("save-flow");
};

// folder/keep.Spr and folder/sub/keep.Spr exist. Answers are names in the
// folder, but for "(null)", zenity's stand-in for a name that is not UTF-8,
// and "", a cancel.
TEST_F(SaveFlowTest, TheSaveDialogRefusesUnusableNamesAndAsksBeforeReplacingAnotherFile) {
    mkdir((folder + "/sub").c_str(), 0755);
    for (const char* kept : {"/keep.Spr", "/sub/keep.Spr"})
        ASSERT_TRUE(WriteBytesToFile(folder + kept, {1}));
    const struct {
        std::vector<std::string> answers;
        std::vector<BoxAnswer> boxes;
        std::vector<std::string> texts;
        const char* chosen;     // nullptr: cancelled
        const char* lastStart;  // where the last dialog opened; nullptr: not checked
    } cases[] = {
        {{"keep"}, {BoxAnswer::Yes}, {"", kQuestion}, "keep.Spr", nullptr},
        {{"sub/keep", "sub/new"}, {BoxAnswer::No}, {"", kQuestion, ""}, "sub/new.Spr", "/sub"},
        {{"keep.Spr"}, {}, {""}, "keep.Spr", nullptr},  // the dialog asked about this name
        {{"(null)", "new"}, {BoxAnswer::Ok}, {"", kNull, ""}, "new.Spr", nullptr},
        {{"a\nb", ""}, {BoxAnswer::Ok}, {"", kLineBreak, ""}, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.texts.size());
        script.ClearShown();
        for (const std::string& answer : c.answers) {
            if (answer.empty()) script.QueueSaveAnswer(std::nullopt);
            if (!answer.empty())
                script.QueueSaveAnswer(answer[0] == '(' ? answer : folder + "/" + answer);
        }
        for (BoxAnswer box : c.boxes) script.QueueBoxAnswer(box);
        const platform::DialogResult result = AskSpriteFileName("Save");
        EXPECT_EQ(Texts(), c.texts);
        EXPECT_EQ(result.path, c.chosen ? folder + "/" + c.chosen : "");
        std::string lastStart;
        for (const auto& shown : script.Shown())
            if (shown.kind == platform::DialogKind::SaveFile) lastStart = shown.startFolder;
        EXPECT_TRUE(!c.lastStart || lastStart == folder + c.lastStart) << lastStart;
    }
}

// A name of 253 bytes gets ".Spr" and so one byte too many; other failures
// keep the generic complaint and add why.
TEST_F(SaveFlowTest, ASingleSpriteSaveSaysTheNameIsTooLong) {
    const std::string picture = WriteGradient("first.pcx", 32, 32);
    StartWith(picture);
    g_state.edit.workMode = MODE_EDIT;
    Click(500, 525);  // the single-sprite window
    script.QueueOpenAnswer(picture);
    Click(200, 35);  // its import
    const std::string name = folder + "/" + std::string(253, 'n');
    script.QueueSaveAnswer(name);
    script.QueueBoxAnswer(BoxAnswer::Ok);
    Click(350, 30);
    EXPECT_EQ(Texts().back(), "Cannot save " + name +
                                  ".Spr: the name is too long. A file name may hold at most "
                                  "255 bytes: please choose a shorter one.");
}

// The first dialog refuses a name it cannot use and comes back, where it
// used to end the editor or read "(null)" as a cancel.
TEST_F(SaveFlowTest, TheFirstPictureDialogRefusesUnusableNamesAndAsksAgain) {
    const std::string picture = WriteGradient("first.pcx", 32, 32);
    const std::string lineBreak = folder + "/a\nb.pcx";
    ASSERT_TRUE(WriteBytesToFile(lineBreak, ReadWholeFile(picture)));
    for (const auto& [answer, text] : {std::pair{lineBreak, kLineBreak}, {"(null)", kNull}}) {
        script.ClearShown();
        script.QueueOpenAnswer(answer);
        script.QueueBoxAnswer(BoxAnswer::Ok);
        StartWith(picture);
        EXPECT_EQ(Texts(), (std::vector<std::string>{"", text, ""}));
        ReleaseWorkbench();
    }
}

}  // namespace
