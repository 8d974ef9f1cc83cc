#include "platform/zenity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

using namespace platform;

namespace {

bool Has(const std::vector<std::string>& args, const std::string& wanted) {
    return std::find(args.begin(), args.end(), wanted) != args.end();
}

ToolResult Shell(const std::string& script, const std::function<bool(int)>& wait = nullptr) {
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
    const auto open = ZenityFileArguments("Open", filters, false, "/home/u/pics", "");
    EXPECT_TRUE(Has(open, "--file-filter=Pcx files (*.pcx) | *.[pP][cC][xX]"));
    EXPECT_TRUE(Has(open, "--file-filter=All Files (*.*) | *"));
    EXPECT_TRUE(Has(open, "--filename=/home/u/pics/"));
    EXPECT_FALSE(Has(open, "--save"));

    const auto save = ZenityFileArguments("Save", {{"a|b", "*.spr"}}, true, "", "9");
    EXPECT_TRUE(Has(save, "--save") && Has(save, "--confirm-overwrite"));
    EXPECT_TRUE(Has(save, "--file-filter=a/b | *.[sS][pP][rR]"));
    EXPECT_TRUE(Has(save, "--attach=9"));
    EXPECT_FALSE(std::any_of(save.begin(), save.end(),
                             [](const std::string& a) { return a.rfind("--filename", 0) == 0; }));
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

TEST(ZenityAnswers, FileDialogsChooseCancelOrCannotBeShown) {
    const struct {
        ToolResult run;
        DialogOutcome outcome;
        std::string pathOrReason;
    } cases[] = {
        {{true, 0, 0, false, "/tmp/a b/c.pcx\n", false}, DialogOutcome::Chosen, "/tmp/a b/c.pcx"},
        {{true, 0, 1, false, "/tmp/c.pcx\n", false}, DialogOutcome::Cancelled, ""},
        {{true, 0, 5, false, "", false}, DialogOutcome::Cancelled, ""},  // zenity's timeout
        {{true, 0, -1, true, "/tmp/c.pcx\n", false}, DialogOutcome::Cancelled, ""},  // ended by us
        {{false, ENOENT, -1, false, "", false},
         DialogOutcome::Unavailable,
         "zenity is not installed"},
        {{false, EACCES, -1, false, "", false},
         DialogOutcome::Unavailable,
         "zenity could not be started (Permission denied)"},
        {{true, 0, 255, false, "", false},
         DialogOutcome::Unavailable,
         "zenity failed (exit status 255)"},
        {{true, 0, -1, false, "", false}, DialogOutcome::Unavailable, "zenity ended abnormally"},
        {{true, 0, 0, false, "\n", false},
         DialogOutcome::Unavailable,
         "zenity gave no usable file name"},
        {{true, 0, 0, false, "/a\n/b\n", false},
         DialogOutcome::Unavailable,
         "zenity gave no usable file name"},
        {{true, 0, 0, false, "/tmp/c.pcx\n", true},
         DialogOutcome::Unavailable,
         "zenity gave no usable file name"},
    };
    for (const auto& c : cases) {
        const DialogResult answer = FileDialogAnswer(c.run);
        EXPECT_EQ(answer.outcome, c.outcome) << c.pathOrReason;
        EXPECT_EQ(c.outcome == DialogOutcome::Chosen ? answer.path : answer.reason, c.pathOrReason);
    }
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
        EXPECT_TRUE(ms > 0 && ms <= 50) << ms;  // short slices keep the window lively
        ++waits;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return true;
    });
    EXPECT_EQ(slow.output, "done\n");
    EXPECT_GE(waits, 3);

    const ToolResult flood = Shell("head -c 300000 /dev/zero");
    EXPECT_EQ(flood.exitStatus, 0);
    EXPECT_TRUE(flood.truncated);
    EXPECT_EQ(flood.output.size(), kMaxToolOutput);
}

// A tool that ignores SIGTERM is killed after the grace second; one that
// heeds it ends at once. Either way it is reaped and counts as abandoned.
TEST(RunTool, EndsAToolOnRequestAndKillsOneThatWillNotGo) {
    const struct {
        const char* script;
        int minMs, maxMs;
    } cases[] = {{"exec sleep 30", 0, 500}, {"trap '' TERM; exec sleep 30", 950, 2000}};
    for (const auto& c : cases) {
        int slices = 0;
        const auto start = std::chrono::steady_clock::now();
        const ToolResult result = Shell(c.script, [&](int ms) {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            return ++slices < 5;
        });
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        EXPECT_TRUE(result.abandoned) << c.script;
        EXPECT_EQ(result.exitStatus, -1) << c.script;
        EXPECT_GE(ms, c.minMs) << c.script;
        EXPECT_LE(ms, c.maxMs) << c.script;
    }
}

// Without a session bus GTK's settings and accessibility warnings are kept
// off the terminal; a value the user set is theirs.
TEST(RunTool, QuietsTheDesktopSettingsOnlyWithoutASessionBus) {
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string savedBus = bus ? bus : "";
    unsetenv("NO_AT_BRIDGE");
    unsetenv("GTK_A11Y");
    const struct {
        const char* bus;
        const char* userBackend;
        const char* expected;
    } cases[] = {{nullptr, nullptr, "memory|1|none"},
                 {"", nullptr, "memory|1|none"},
                 {nullptr, "keyfile", "keyfile|1|none"},
                 {"unix:path=/run/bus", nullptr, "||"}};
    for (const auto& c : cases) {
        c.bus ? setenv("DBUS_SESSION_BUS_ADDRESS", c.bus, 1) : unsetenv("DBUS_SESSION_BUS_ADDRESS");
        c.userBackend ? setenv("GSETTINGS_BACKEND", c.userBackend, 1)
                      : unsetenv("GSETTINGS_BACKEND");
        const ToolResult result =
            Shell("printf '%s|%s|%s' \"$GSETTINGS_BACKEND\" \"$NO_AT_BRIDGE\" \"$GTK_A11Y\"");
        EXPECT_EQ(result.output, c.expected) << (c.bus ? c.bus : "no bus");
    }
    unsetenv("GSETTINGS_BACKEND");
    bus ? setenv("DBUS_SESSION_BUS_ADDRESS", savedBus.c_str(), 1)
        : unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

}  // namespace
