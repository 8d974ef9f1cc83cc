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
    int exitStatus = -1;     // its exit code; -1 when it did not exit normally
    std::string output;      // what it wrote to its standard output
    bool truncated = false;  // the output ran past kMaxToolOutput and was cut
};

constexpr size_t kMaxToolOutput = 64 * 1024;

// Runs argv[0], looked up on PATH, with LC_ALL=C.UTF-8 and standard input
// from /dev/null, and collects its standard output until it exits. Calls
// whileWaiting(ms) between reads; it may block for up to ms milliseconds.
ToolResult RunTool(const std::vector<std::string>& argv,
                   const std::function<void(int waitMs)>& whileWaiting);

// "*.pcx" -> "*.[pP][cC][xX]"; "*.*" -> "*"; several patterns may be given,
// separated by ';' or spaces, and come back separated by spaces.
std::string CaseBlindPattern(const std::string& pattern);

// attachTo: the X11 id of the owner window, or empty when there is none.
std::vector<std::string> ZenityBoxArguments(const std::string& text, const std::string& caption,
                                            BoxButtons buttons, const std::string& attachTo);
std::vector<std::string> ZenityFileArguments(const std::string& title,
                                             const std::vector<FileFilter>& filters, bool save,
                                             const std::string& attachTo);

// The answer a box's exit status stands for; nothing when the tool failed.
std::optional<BoxAnswer> BoxAnswerFromStatus(BoxButtons buttons, int exitStatus);
// The answer a box gives when it could not be shown: the harmless one.
BoxAnswer DeclinedAnswer(BoxButtons buttons);

// The path a file dialog chose: its output without the line feed, or nothing
// when it was cancelled, failed or printed no usable path.
std::optional<std::string> ChosenPath(const ToolResult& result);

}  // namespace platform
