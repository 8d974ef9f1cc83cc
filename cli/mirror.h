#pragma once
// Filling a direction with another's frames flipped left to right, so an
// artist draws the left-facing walk once and gets the right-facing one.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct MirrorRule {
    int dest;    // file position 0-8
    int source;  // file position 0-8
};

// Parses "DEST=SOURCE" (direction names as --dir takes them) into `rules`,
// refusing a DEST given twice, a DEST that is its own or another rule's
// SOURCE (a chain) and a DEST in `givenDirections`.
bool AddMirrorRule(const std::string& text, const std::vector<int>& givenDirections,
                   std::vector<MirrorRule>& rules, std::string* error);

// The sprite file with every DEST holding its SOURCE's frames flipped, in the
// same order, at DEST's place in the file. Null, with `error` set, when the
// file is a single sprite, a SOURCE has no frames or a DEST already has some.
std::optional<std::vector<uint8_t>> MirrorDirections(const std::vector<uint8_t>& file,
                                                     const std::vector<MirrorRule>& rules,
                                                     std::string* error);

// The direction a --dir or --mirror name stands for, case aside; -1 for none.
int DirectionIndex(std::string name);
extern const char* const DIRECTION_OPTION_NAMES[];
