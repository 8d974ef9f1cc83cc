#pragma once
// The editor's command line: `celforge [--scale N] [FILE | PICTURE...]`,
// with CELFORGE_SCALE as the default when the option is not given. FILE is a
// sprite file to go on editing or a picture to start with; several pictures
// start as the queue.

#include <string>
#include <vector>

constexpr int MIN_SCALE = 1;
constexpr int MAX_SCALE = 4;

struct CommandLine {
    int scale = 1;
    bool help = false;
    std::string file;                       // empty: the first picture is asked for
    std::vector<std::string> morePictures;  // the pictures after the first
    std::string error;                      // set when the run must not start (exit code 2)
};

// `args` excludes the program name; `scaleVariable` is CELFORGE_SCALE or null.
CommandLine ParseCommandLine(const std::vector<std::string>& args, const char* scaleVariable);

extern const char* const USAGE_TEXT;
