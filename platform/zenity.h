#pragma once
// Message boxes and file dialogs come from the desktop's `zenity` tool, run as
// a child process. Building its command line and reading its answer are plain
// functions; RunTool runs any such tool while the caller keeps its own window
// alive through `whileWaiting`.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

struct ToolResult {
    bool started = false;    // false: the program could not be run at all
    int spawnError = 0;      // why it could not be run (an errno value)
    int exitStatus = -1;     // its exit code; -1 when it did not exit normally
    bool abandoned = false;  // ended on the caller's request, not by itself
    std::string output;      // what it wrote to its standard output
    bool truncated = false;  // the output ran past kMaxToolOutput and was cut
};

// Room for the names of tens of thousands of files chosen at once.
constexpr size_t kMaxToolOutput = 4 * 1024 * 1024;
// How long a tool asked to end may take before it is killed.
constexpr int kToolGraceMs = 1000;

// Runs argv[0], looked up on PATH, with LC_ALL=C.UTF-8 and standard input
// from /dev/null, and collects its standard output until it exits. Calls
// whileWaiting(ms) between reads; it may block for up to ms milliseconds and
// returns false to have the tool ended (SIGTERM, then SIGKILL after
// kToolGraceMs). Without a session bus the tool gets in-memory settings and
// no accessibility bridge, so GTK keeps its warnings about them to itself.
ToolResult RunTool(const std::vector<std::string>& argv,
                   const std::function<bool(int waitMs)>& whileWaiting);

// "*.pcx" -> "*.[pP][cC][xX]"; "*.*" -> "*"; several patterns may be given,
// separated by ';' or spaces, and come back separated by spaces.
std::string CaseBlindPattern(const std::string& pattern);

// attachTo: the X11 id of the owner window, or empty when there is none.
std::vector<std::string> ZenityBoxArguments(const std::string& text, const std::string& caption,
                                            BoxButtons buttons, const std::string& attachTo);
// startFolder, when given, is where the dialog opens.
std::vector<std::string> ZenityFileArguments(const std::string& title,
                                             const std::vector<FileFilter>& filters, bool save,
                                             const std::string& startFolder,
                                             const std::string& attachTo);

// The same dialog letting the user choose several files; zenity prints them
// with PATHS_SEPARATOR between them.
std::vector<std::string> ZenityFilesArguments(const std::string& title,
                                              const std::vector<FileFilter>& filters,
                                              const std::string& startFolder,
                                              const std::string& attachTo);
// zenity prints each chosen file as a full path with no doubled slash (a
// leading pair aside) and no slash at its end, so the separator cannot be
// mistaken for part of one, whatever bytes the names hold.
constexpr const char* PATHS_SEPARATOR = "//";
// Splits what zenity printed for several files into their paths.
std::vector<std::string> SplitChosenPaths(const std::string& printed);

// The answer a box's exit status stands for; nothing when the tool failed.
std::optional<BoxAnswer> BoxAnswerFromStatus(BoxButtons buttons, int exitStatus);
// The answer a box gives when it could not be shown: the harmless one.
BoxAnswer DeclinedAnswer(BoxButtons buttons);

// What a file dialog's run comes to: the name printed on exit 0 (it may hold
// a line break, or be zenity's "(null)" for a name that is not UTF-8), a
// cancel on exit 1 (the user), 5 (a timeout) or when it was ended on request,
// and "could not be shown", with the reason, for anything else.
DialogResult FileDialogAnswer(const ToolResult& result);
// The same for the dialog of several files: `paths` holds each of them and
// `path` the first.
DialogResult FilesDialogAnswer(const ToolResult& result);

}  // namespace platform
