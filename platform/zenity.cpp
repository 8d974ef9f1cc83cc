#include "platform/zenity.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

extern char** environ;

namespace platform {

namespace {

constexpr int kWaitSliceMs = 15;
constexpr const char* kLocale = "LC_ALL=C.UTF-8";

// Dialog texts are UTF-8 whatever the user's locale says.
std::vector<std::string> ToolEnvironment() {
    std::vector<std::string> env;
    for (char** entry = environ; entry && *entry; ++entry) {
        if (std::strncmp(*entry, "LC_ALL=", 7) != 0) env.emplace_back(*entry);
    }
    env.emplace_back(kLocale);
    return env;
}

std::vector<char*> CStrings(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

pid_t SpawnWithOutputPipe(std::vector<std::string> argv, int outputFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    std::vector<std::string> env = ToolEnvironment();
    std::vector<char*> args = CStrings(argv);
    std::vector<char*> envp = CStrings(env);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

// Reads whatever the pipe holds now; never blocks.
void DrainPipe(int fd, ToolResult& result) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return;
        const size_t room = kMaxToolOutput - result.output.size();
        const size_t keep = std::min(room, static_cast<size_t>(got));
        result.output.append(buffer, keep);
        if (keep < static_cast<size_t>(got)) result.truncated = true;
    }
}

void WaitSlice(int fd, const std::function<void(int)>& whileWaiting) {
    if (whileWaiting) {
        whileWaiting(kWaitSliceMs);
        return;
    }
    pollfd readable{fd, POLLIN, 0};
    poll(&readable, 1, kWaitSliceMs);
}

// Waits for the child itself, not for the end of the pipe: something it
// started may hold the pipe open long after the dialog is gone.
void CollectUntilExit(pid_t pid, int fd, const std::function<void(int)>& whileWaiting,
                      ToolResult& result) {
    for (;;) {
        DrainPipe(fd, result);
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            DrainPipe(fd, result);
            if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
            return;
        }
        if (done < 0 && errno != EINTR) return;
        WaitSlice(fd, whileWaiting);
    }
}

std::string CaseBlindWord(const std::string& word) {
    if (word == "*.*") return "*";
    std::string out;
    for (char c : word) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalpha(u) && u < 0x80) {
            out += '[';
            out += static_cast<char>(std::tolower(u));
            out += static_cast<char>(std::toupper(u));
            out += ']';
        } else {
            out += c;
        }
    }
    return out;
}

// The filter's name sits before a '|' on zenity's command line.
std::string FilterArgument(const FileFilter& filter) {
    std::string name = filter.name;
    for (char& c : name) {
        if (c == '|') c = '/';
    }
    return "--file-filter=" + name + " | " + CaseBlindPattern(filter.pattern);
}

void AddOwner(std::vector<std::string>& args, const std::string& attachTo) {
    args.push_back("--modal");
    if (!attachTo.empty()) args.push_back("--attach=" + attachTo);
}

}  // namespace

ToolResult RunTool(const std::vector<std::string>& argv,
                   const std::function<void(int)>& whileWaiting) {
    ToolResult result;
    if (argv.empty()) return result;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return result;
    const pid_t pid = SpawnWithOutputPipe(argv, fds[1]);
    close(fds[1]);
    if (pid > 0) {
        result.started = true;
        fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
        CollectUntilExit(pid, fds[0], whileWaiting, result);
    }
    close(fds[0]);
    return result;
}

std::string CaseBlindPattern(const std::string& pattern) {
    std::string out;
    std::string word;
    auto flush = [&] {
        if (word.empty()) return;
        if (!out.empty()) out += ' ';
        out += CaseBlindWord(word);
        word.clear();
    };
    for (char c : pattern) {
        if (c == ';' || c == ' ')
            flush();
        else
            word += c;
    }
    flush();
    return out;
}

std::vector<std::string> ZenityBoxArguments(const std::string& text, const std::string& caption,
                                            BoxButtons buttons, const std::string& attachTo) {
    std::vector<std::string> args{"zenity"};
    args.push_back(buttons == BoxButtons::Ok ? "--info" : "--question");
    args.push_back("--no-markup");
    args.push_back("--title=" + caption);
    args.push_back("--text=" + text);
    if (buttons == BoxButtons::OkCancel) {
        args.push_back("--ok-label=OK");
        args.push_back("--cancel-label=Cancel");
    } else if (buttons == BoxButtons::YesNo) {
        args.push_back("--ok-label=Yes");
        args.push_back("--cancel-label=No");
    }
    AddOwner(args, attachTo);
    return args;
}

std::vector<std::string> ZenityFileArguments(const std::string& title,
                                             const std::vector<FileFilter>& filters, bool save,
                                             const std::string& attachTo) {
    std::vector<std::string> args{"zenity", "--file-selection"};
    if (save) {
        args.push_back("--save");
        args.push_back("--confirm-overwrite");
    }
    args.push_back("--title=" + title);
    for (const FileFilter& filter : filters) args.push_back(FilterArgument(filter));
    AddOwner(args, attachTo);
    return args;
}

std::optional<BoxAnswer> BoxAnswerFromStatus(BoxButtons buttons, int exitStatus) {
    if (exitStatus != 0 && exitStatus != 1) return std::nullopt;
    const bool accepted = exitStatus == 0;
    switch (buttons) {
        case BoxButtons::Ok:
            return BoxAnswer::Ok;
        case BoxButtons::OkCancel:
            return accepted ? BoxAnswer::Ok : BoxAnswer::Cancel;
        case BoxButtons::YesNo:
            return accepted ? BoxAnswer::Yes : BoxAnswer::No;
    }
    return std::nullopt;
}

BoxAnswer DeclinedAnswer(BoxButtons buttons) {
    switch (buttons) {
        case BoxButtons::Ok:
            return BoxAnswer::Ok;
        case BoxButtons::OkCancel:
            return BoxAnswer::Cancel;
        case BoxButtons::YesNo:
            return BoxAnswer::No;
    }
    return BoxAnswer::Cancel;
}

std::optional<std::string> ChosenPath(const ToolResult& result) {
    if (!result.started || result.exitStatus != 0 || result.truncated) return std::nullopt;
    std::string path = result.output;
    if (!path.empty() && path.back() == '\n') path.pop_back();
    if (path.empty() || path.find('\n') != std::string::npos) return std::nullopt;
    return path;
}

}  // namespace platform
