#pragma once
// celforge-spr run in process, sprite files made for it, and the check every
// refusal table shares.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <tuple>

#include "cli/commands.h"
#include "formats/sprite_file.h"
#include "tests/support/file_faults.h"
#include "tests/support/pcx_writer.h"

struct Outcome {
    int code;
    std::string out, err;
};

inline Outcome Spr(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = RunCelforgeSpr(args, out, err);
    return {code, out.str(), err.str()};
}

inline std::vector<std::string> Joined(std::vector<std::string> head,
                                       const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

struct SpriteCase {
    SpriteType type;
    int width, height;
    SpriteCounts counts;
};

inline std::vector<uint8_t> SpriteOf(const SpriteCase& c, uint16_t key,
                                     const std::vector<uint16_t>& pixels) {
    const SpriteFileHeader header = MakeSpriteHeader(c.type, c.width, c.height, key, c.counts);
    return EncodeSpriteFile(header, {{pixels.data(), pixels.size()}});
}

inline std::string Written(const std::string& path, const std::vector<uint8_t>& bytes) {
    EXPECT_TRUE(WriteBytesToFile(path, bytes));
    return path;
}

inline std::vector<std::string> SortedEntries(const std::string& folder) {
    std::vector<std::string> names = FolderEntries(folder);
    std::sort(names.begin(), names.end());
    return names;
}

// A PNG's width, height and RGBA bytes.
using Picture = std::tuple<uint32_t, uint32_t, std::vector<uint8_t>>;

inline Picture PngAt(const std::string& path) {
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> rgba = ReadPngRgba(path, &w, &h);
    return {w, h, rgba};
}

// Each file under a folder with the hash of its bytes ("" for a folder).
inline std::map<std::string, size_t> FolderState(const std::string& folder) {
    std::map<std::string, size_t> state;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::vector<uint8_t> bytes =
            entry.is_regular_file() ? ReadWholeFile(entry.path().string()) : std::vector<uint8_t>();
        state[entry.path().string()] = std::hash<std::string>()({bytes.begin(), bytes.end()});
    }
    return state;
}

struct Refusal {
    std::vector<std::string> args;
    int code;
    std::string said;    // found in what is written to standard error
    uint64_t limit = 0;  // on a file's size, if any
};

// Each refusal exits with its code and says why; none writes to standard
// output or changes the folder. Code 0 rows are help, written out.
inline void ExpectRefusals(const std::string& folder, const std::vector<Refusal>& cases) {
    const auto before = FolderState(folder);
    for (const Refusal& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        auto limit = c.limit ? std::make_unique<FileSizeLimit>(c.limit) : nullptr;
        const Outcome run = Spr(c.args);
        limit.reset();
        EXPECT_EQ(run.code, c.code);
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_EQ(run.out.empty(), c.code != 0);
        EXPECT_EQ(FolderState(folder), before);
    }
}
