#include "shell/data_folder.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string g_dataFolder = "data/";

std::string RunningProgram() {
    std::error_code error;
    const fs::path program = fs::canonical("/proc/self/exe", error);
    return error ? std::string() : program.string();
}

}  // namespace

const std::string& DataFolder() {
    return g_dataFolder;
}

std::vector<std::string> DataFolderCandidates(const std::string& executable) {
    std::vector<std::string> folders{"data/"};
    if (!executable.empty()) {
        const fs::path beside = fs::path(executable).parent_path() / "../share/celforge/data";
        folders.push_back(beside.lexically_normal().string() + "/");
    }
    return folders;
}

std::optional<std::string> FirstHoldingSkin(const std::vector<std::string>& candidates) {
    for (const std::string& folder : candidates) {
        std::error_code error;
        if (fs::is_regular_file(fs::path(folder) / SKIN_MARKER_FILE, error)) return folder;
    }
    return std::nullopt;
}

bool LocateDataFolder() {
    const std::vector<std::string> candidates = DataFolderCandidates(RunningProgram());
    if (const std::optional<std::string> found = FirstHoldingSkin(candidates)) {
        g_dataFolder = *found;
        return true;
    }
    std::fprintf(stderr, "celforge: the editor's skin (%s) is in none of these folders:\n",
                 SKIN_MARKER_FILE);
    std::error_code error;
    for (const std::string& folder : candidates)
        std::fprintf(stderr, "  %s\n", fs::absolute(folder, error).lexically_normal().c_str());
    std::fprintf(stderr, "celforge: start it from the source folder or install it\n");
    return false;
}
