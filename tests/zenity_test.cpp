#include "platform/zenity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

using namespace platform;

namespace {

bool Has(const std::vector<std::string>& args, const std::string& wanted) {
    return std::find(args.begin(), args.end(), wanted) != args.end();
}

ToolResult Shell(const std::string& script, const std::function<void(int)>& wait = nullptr) {
    return RunTool({"sh", "-c", script}, wait);
}

TEST(ZenityArguments, PatternsMatchEitherCase) {
    EXPECT_EQ(CaseBlindPattern("*.pcx"), "*.[pP][cC][xX]");
    EXPECT_EQ(CaseBlindPattern("*.*"), "*");
    EXPECT_EQ(CaseBlindPattern("*.Spr;*.x1"), "*.[sS][pP][rR] *.[xX]1");
}

TEST(ZenityArguments, BoxesAskWithPlainTextAndTheirOwnButtons) {
    const auto yesNo = ZenityBoxArguments("<b>a & b</b>", "Save?", BoxButtons::YesNo, "4711");
    EXPECT_EQ(yesNo.front(), "zenity");
    for (const char* arg : {"--question", "--no-markup", "--title=Save?", "--text=<b>a & b</b>",
                            "--ok-label=Yes", "--cancel-label=No", "--modal", "--attach=4711"})
        EXPECT_TRUE(Has(yesNo, arg)) << arg;

    const auto okCancel = ZenityBoxArguments("t", "c", BoxButtons::OkCancel, "");
    EXPECT_TRUE(Has(okCancel, "--ok-label=OK") && Has(okCancel, "--cancel-label=Cancel"));
    EXPECT_FALSE(std::any_of(okCancel.begin(), okCancel.end(),
                             [](const std::string& a) { return a.rfind("--attach", 0) == 0; }));

    const auto ok = ZenityBoxArguments("t", "c", BoxButtons::Ok, "");
    EXPECT_TRUE(Has(ok, "--info") && !Has(ok, "--question") && Has(ok, "--no-markup"));
}

TEST(ZenityArguments, FileDialogsCarryFiltersAndSaveAsksBeforeOverwriting) {
    const std::vector<FileFilter> filters{{"Pcx files (*.pcx)", "*.pcx"},
                                          {"All Files (*.*)", "*.*"}};
    const auto open = ZenityFileArguments("Open", filters, false, "");
    EXPECT_TRUE(Has(open, "--file-filter=Pcx files (*.pcx) | *.[pP][cC][xX]"));
    EXPECT_TRUE(Has(open, "--file-filter=All Files (*.*) | *"));
    EXPECT_FALSE(Has(open, "--save"));

    const auto save = ZenityFileArguments("Save", {{"a|b", "*.spr"}}, true, "9");
    EXPECT_TRUE(Has(save, "--save") && Has(save, "--confirm-overwrite"));
    EXPECT_TRUE(Has(save, "--file-filter=a/b | *.[sS][pP][rR]"));
    EXPECT_TRUE(Has(save, "--attach=9"));
}

TEST(ZenityAnswers, ExitStatusGivesTheAnswerAndFailuresGiveNone) {
    EXPECT_EQ(BoxAnswerFromStatus(BoxButtons::YesNo, 0), BoxAnswer::Yes);
    EXPECT_EQ(BoxAnswerFromStatus(BoxButtons::YesNo, 1), BoxAnswer::No);
    EXPECT_EQ(BoxAnswerFromStatus(BoxButtons::OkCancel, 0), BoxAnswer::Ok);
    EXPECT_EQ(BoxAnswerFromStatus(BoxButtons::OkCancel, 1), BoxAnswer::Cancel);
    EXPECT_EQ(BoxAnswerFromStatus(BoxButtons::Ok, 1), BoxAnswer::Ok);
    EXPECT_FALSE(BoxAnswerFromStatus(BoxButtons::YesNo, 255));
    EXPECT_FALSE(BoxAnswerFromStatus(BoxButtons::OkCancel, -1));
    EXPECT_EQ(DeclinedAnswer(BoxButtons::YesNo), BoxAnswer::No);
    EXPECT_EQ(DeclinedAnswer(BoxButtons::OkCancel), BoxAnswer::Cancel);
}

TEST(ZenityAnswers, OnlyOneCleanPathCounts) {
    auto chosen = [](int status, const std::string& output, bool truncated = false) {
        ToolResult result{true, status, output, truncated};
        return ChosenPath(result);
    };
    EXPECT_EQ(chosen(0, "/tmp/a b/c.pcx\n"), "/tmp/a b/c.pcx");
    EXPECT_FALSE(chosen(1, "/tmp/c.pcx\n"));
    EXPECT_FALSE(chosen(0, "\n"));
    EXPECT_FALSE(chosen(0, "/a\n/b\n"));
    EXPECT_FALSE(chosen(0, "/tmp/c.pcx\n", true));
    EXPECT_FALSE(ChosenPath(ToolResult{}));
}

TEST(RunTool, CollectsOutputAndStatusInTheDialogLocale) {
    const ToolResult result = Shell("printf '%s|' \"$LC_ALL\"; cat; exit 3");
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_EQ(result.output, "C.UTF-8|");  // cat read /dev/null, not our input
}

TEST(RunTool, ReportsMissingProgramsAndAbnormalEnds) {
    EXPECT_FALSE(RunTool({"celforge-no-such-tool"}, nullptr).started);
    const ToolResult killed = Shell("kill -9 $$");
    EXPECT_TRUE(killed.started);
    EXPECT_EQ(killed.exitStatus, -1);
}

TEST(RunTool, KeepsTheCallerServedAndDrainsFloodsWithoutHanging) {
    int waits = 0;
    const ToolResult slow = Shell("sleep 0.2; echo done", [&](int ms) {
        ASSERT_TRUE(ms > 0 && ms <= 50) << ms;  // short slices keep the window lively
        ++waits;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    });
    EXPECT_EQ(slow.output, "done\n");
    EXPECT_GE(waits, 3);

    const ToolResult flood = Shell("head -c 300000 /dev/zero");
    EXPECT_EQ(flood.exitStatus, 0);
    EXPECT_TRUE(flood.truncated);
    EXPECT_EQ(flood.output.size(), kMaxToolOutput);
}

}  // namespace
