#pragma once
// Where the skin and the closing theme live. A checkout keeps them in data/
// under the working folder (./run.sh starts there); an installed editor finds
// them in ../share/celforge/data beside its own program file.

#include <optional>
#include <string>
#include <vector>

// A file every skin holds: a folder without it is no data folder.
constexpr const char* SKIN_MARKER_FILE = "WTOOLBAR.pcx";

// The folder files are read from, ending in '/'; "data/" until located.
const std::string& DataFolder();

// The folders to look in, in order, for a program file at `executable`.
std::vector<std::string> DataFolderCandidates(const std::string& executable);

// The first of `candidates` that holds the skin marker.
std::optional<std::string> FirstHoldingSkin(const std::vector<std::string>& candidates);

// Settles DataFolder for this run. False, after telling stderr which folders
// were searched, when none holds the skin.
bool LocateDataFolder();
