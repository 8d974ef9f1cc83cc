#include "platform/zenity.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace platform {

namespace {

constexpr int kWaitSliceMs = 15;
constexpr const char* kLocale = "LC_ALL=C.UTF-8";

constexpr int kReapSliceMs = 10;

bool HasVariable(const std::vector<std::string>& env, const std::string& assignment) {
    const std::string name = assignment.substr(0, assignment.find('=') + 1);
    return std::any_of(env.begin(), env.end(),
                       [&](const std::string& entry) { return entry.rfind(name, 0) == 0; });
}

// Dialog texts are UTF-8 whatever the user's locale says. Without a session
// bus GTK would warn on the terminal that it cannot reach the settings
// service or the accessibility bus; settings the user set stay as they are.
std::vector<std::string> ToolEnvironment() {
    std::vector<std::string> env;
    for (char** entry = environ; entry && *entry; ++entry) {
        if (std::strncmp(*entry, "LC_ALL=", 7) != 0) env.emplace_back(*entry);
    }
    env.emplace_back(kLocale);
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (bus && *bus) return env;
    for (const char* quiet : {"GSETTINGS_BACKEND=memory", "NO_AT_BRIDGE=1", "GTK_A11Y=none"}) {
        if (!HasVariable(env, quiet)) env.emplace_back(quiet);
    }
    return env;
}

std::vector<char*> CStrings(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

pid_t SpawnWithOutputPipe(std::vector<std::string> argv, int outputFd, int* error) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    std::vector<std::string> env = ToolEnvironment();
    std::vector<char*> args = CStrings(argv);
    std::vector<char*> envp = CStrings(env);
    pid_t pid = -1;
    *error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return *error == 0 ? pid : -1;
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

// False when the caller wants the tool ended.
bool WaitSlice(int fd, const std::function<bool(int)>& whileWaiting) {
    if (whileWaiting) return whileWaiting(kWaitSliceMs);
    pollfd readable{fd, POLLIN, 0};
    poll(&readable, 1, kWaitSliceMs);
    return true;
}

bool Reaped(pid_t pid, int* status, int options) {
    for (;;) {
        const pid_t done = waitpid(pid, status, options);
        if (done == pid) return true;
        if (done < 0 && errno == EINTR) continue;
        if (done == 0) return false;
        *status = -1;  // not ours to wait for any more: reads as an abnormal end
        return true;
    }
}

// Asks the tool to end, and makes it if it will not within the grace time.
void EndTool(pid_t pid, int* status) {
    kill(pid, SIGTERM);
    for (int waited = 0; waited < kToolGraceMs; waited += kReapSliceMs) {
        if (Reaped(pid, status, WNOHANG)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(kReapSliceMs));
    }
    kill(pid, SIGKILL);
    Reaped(pid, status, 0);
}

// Waits for the child itself, not for the end of the pipe: something it
// started may hold the pipe open long after the dialog is gone.
void CollectUntilExit(pid_t pid, int fd, const std::function<bool(int)>& whileWaiting,
                      ToolResult& result) {
    int status = 0;
    for (;;) {
        DrainPipe(fd, result);
        if (Reaped(pid, &status, WNOHANG)) break;
        if (!WaitSlice(fd, whileWaiting)) {
            EndTool(pid, &status);
            result.abandoned = true;
            break;
        }
    }
    DrainPipe(fd, result);
    if (!result.abandoned && WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
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
                   const std::function<bool(int)>& whileWaiting) {
    ToolResult result;
    if (argv.empty()) return result;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        result.spawnError = errno;
        return result;
    }
    const pid_t pid = SpawnWithOutputPipe(argv, fds[1], &result.spawnError);
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
                                             const std::string& startFolder,
                                             const std::string& attachTo) {
    std::vector<std::string> args{"zenity", "--file-selection"};
    if (save) {
        args.push_back("--save");
        args.push_back("--confirm-overwrite");
    }
    args.push_back("--title=" + title);
    // The trailing slash opens the folder itself rather than selecting it.
    if (!startFolder.empty())
        args.push_back("--filename=" + startFolder + (startFolder.back() == '/' ? "" : "/"));
    for (const FileFilter& filter : filters) args.push_back(FilterArgument(filter));
    AddOwner(args, attachTo);
    return args;
}

std::vector<std::string> ZenityFilesArguments(const std::string& title,
                                              const std::vector<FileFilter>& filters,
                                              const std::string& startFolder,
                                              const std::string& attachTo) {
    std::vector<std::string> args =
        ZenityFileArguments(title, filters, false, startFolder, attachTo);
    args.push_back("--multiple");
    args.push_back(std::string("--separator=") + PATHS_SEPARATOR);
    return args;
}

// A path starts with one or two slashes and holds no doubled slash after its
// first other character: the first doubled slash past that ends it.
std::vector<std::string> SplitChosenPaths(const std::string& printed) {
    const std::string separator = PATHS_SEPARATOR;
    std::vector<std::string> paths;
    size_t start = 0;
    while (start < printed.size()) {
        const size_t body = printed.find_first_not_of('/', start);
        const size_t end =
            body == std::string::npos ? std::string::npos : printed.find(separator, body);
        if (end == std::string::npos) {
            paths.push_back(printed.substr(start));
            break;
        }
        paths.push_back(printed.substr(start, end - start));
        start = end + separator.size();
    }
    return paths;
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

namespace {

constexpr int kZenityTimedOut = 5;

std::string NotStartedReason(int spawnError) {
    if (spawnError == ENOENT) return "zenity is not installed";
    return std::string("zenity could not be started (") + std::strerror(spawnError) + ")";
}

std::string FailedReason(const ToolResult& result) {
    if (result.exitStatus < 0) return "zenity ended abnormally";
    return "zenity failed (exit status " + std::to_string(result.exitStatus) + ")";
}

}  // namespace

DialogResult FileDialogAnswer(const ToolResult& result) {
    if (!result.started) return DialogUnavailable(NotStartedReason(result.spawnError));
    if (result.abandoned || result.exitStatus == 1 || result.exitStatus == kZenityTimedOut)
        return {};
    if (result.exitStatus != 0) return DialogUnavailable(FailedReason(result));
    // One name and its line end: a line break before that is the name's own.
    // The name comes as printed, "(null)" for one that is not UTF-8; the
    // editor judges whether it can use it.
    std::string path = result.output;
    if (!path.empty() && path.back() == '\n') path.pop_back();
    if (result.truncated || path.empty())
        return DialogUnavailable("zenity gave no usable file name");
    return ChosenFile(path);
}

DialogResult FilesDialogAnswer(const ToolResult& result) {
    DialogResult answer = FileDialogAnswer(result);
    if (answer.outcome != DialogOutcome::Chosen) return answer;
    answer.paths = SplitChosenPaths(answer.path);
    answer.path = answer.paths.front();
    return answer;
}

}  // namespace platform
