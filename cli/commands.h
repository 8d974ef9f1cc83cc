#pragma once
// The program celforge-spr: every command, callable without a process.
// Exit codes: 0 done, 1 a problem with an input (or an output that could not
// be written), 2 wrong usage.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

constexpr int EXIT_DONE = 0;
constexpr int EXIT_BAD_INPUT = 1;
constexpr int EXIT_USAGE = 2;

// `args` leaves out the program's own name.
int RunCelforgeSpr(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The commands, each given the arguments after its name.
int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunBuild(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunUnpack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunThumbnail(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Shared by the commands.
extern const char* const PROGRAM;
int UsageError(std::ostream& err, const std::string& command, const std::string& text);
void Report(std::ostream& err, const std::string& subject, const std::string& text);
// "1 frame", "2 frames": the count with its noun, plural unless it is one.
std::string Counted(uint64_t count, const std::string& noun);
