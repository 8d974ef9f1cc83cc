#include <sys/stat.h>

#include "tests/support/file_faults.h"
#include "tests/support/session.h"
#include "workbench/file_dialogs.h"

using platform::BoxAnswer;

namespace {

// Zenity gives "(null)" for a name, or a folder's name, that is not UTF-8.
const std::string kNull =
    "The file dialog gave \"(null)\", which is not a full path: this name cannot be used. The "
    "file dialog cannot pass on names that are not valid UTF-8 text, nor names in a folder "
    "whose name is not: please choose another name or folder.";
const std::string kLineBreak =
    "A name that holds a line break cannot be used: please choose another name.";

class SaveFlowTest : public SessionTest {
  protected:
    std::vector<std::string> Texts() const {  // "" for a dialog
        std::vector<std::string> texts;
        for (const auto& shown : script.Shown()) texts.push_back(shown.text);
        return texts;
    }
    std::string folder = MakeTestFolder("save-flow");
};

// Answers are names in the folder, where sub/keep.Spr exists, or "(null)",
// or "" for a cancel. After a No the dialog opens where the user was.
TEST_F(SaveFlowTest, TheSaveDialogRefusesUnusableNamesAndAsksBeforeReplacingAnotherFile) {
    mkdir((folder + "/sub").c_str(), 0755);
    ASSERT_TRUE(WriteBytesToFile(folder + "/sub/keep.Spr", {1}));
    const std::string question = "keep.Spr already exists. Replace it?";
    const struct {
        std::vector<std::string> answers;
        BoxAnswer box;
        std::vector<std::string> texts;
        std::string chosen;     // "" for a cancel
        std::string lastStart;  // where the last dialog opened
    } cases[] = {
        {{"sub/keep", "new"}, BoxAnswer::No, {"", question, ""}, "new.Spr", "/sub"},
        {{"sub/keep"}, BoxAnswer::Yes, {"", question}, "sub/keep.Spr", ""},
        {{"sub/keep.Spr"}, BoxAnswer::Ok, {""}, "sub/keep.Spr", "/sub"},  // asked in the dialog
        {{"(null)", "new"}, BoxAnswer::Ok, {"", kNull, ""}, "new.Spr", "/sub"},
        {{"a\nb", ""}, BoxAnswer::Ok, {"", kLineBreak, ""}, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answers[0]);
        script.ClearShown();
        for (const std::string& answer : c.answers)
            script.QueueSaveAnswer(answer.empty()     ? std::nullopt
                                   : answer[0] == '(' ? answer
                                                      : std::optional(folder + "/" + answer));
        if (c.texts.size() > 1) script.QueueBoxAnswer(c.box);
        EXPECT_EQ(AskSpriteFileName("Save").path, c.chosen.empty() ? "" : folder + "/" + c.chosen);
        EXPECT_EQ(Texts(), c.texts);
        std::string lastStart;
        for (const auto& shown : script.Shown())
            if (shown.kind == platform::DialogKind::SaveFile) lastStart = shown.startFolder;
        EXPECT_EQ(lastStart, folder + c.lastStart);
    }
}

// The first dialog refuses such names and comes back; it used to end the
// editor, or take "(null)" for a cancel.
TEST_F(SaveFlowTest, TheFirstPictureDialogRefusesUnusableNamesAndAsksAgain) {
    script.QueueOpenAnswer("(null)");
    script.QueueBoxAnswer(BoxAnswer::Ok);
    StartWith(WriteGradient("first.pcx", 32, 32));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"", kNull, ""}));
}

}  // namespace
