#pragma once
// The editor's command line: `celforge [--scale N] [--dither | --no-dither]
// [--matte R,G,B] [--alpha-threshold N] [FILE | PICTURE...]`, with
// CELFORGE_SCALE and CELFORGE_DITHER as the defaults when the options are not
// given. FILE is a sprite file to go on editing or a picture to start with;
// several pictures start as the queue.

#include <string>
#include <vector>

#include "formats/colour.h"

constexpr int MIN_SCALE = 1;
constexpr int MAX_SCALE = 4;

struct CommandLine {
    int scale = 1;
    ColourOptions colour;  // how opened pictures' colours become pixels
    bool help = false;
    std::string file;                       // empty: the first picture is asked for
    std::vector<std::string> morePictures;  // the pictures after the first
    std::string error;                      // set when the run must not start (exit code 2)
};

// `args` excludes the program name; `scaleVariable` is CELFORGE_SCALE and
// `ditherVariable` CELFORGE_DITHER ("1" on, "0" off), each null when unset.
CommandLine ParseCommandLine(const std::vector<std::string>& args, const char* scaleVariable,
                             const char* ditherVariable = nullptr);

extern const char* const USAGE_TEXT;
