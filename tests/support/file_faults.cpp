#include "tests/support/file_faults.h"

#include <gtest/gtest.h>
#include <spng.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::vector<uint8_t> ReadPngRgba(const std::string& path, uint32_t* width, uint32_t* height) {
    const std::vector<uint8_t> file = ReadWholeFile(path);
    spng_ctx* context = spng_ctx_new(0);
    spng_set_png_buffer(context, file.data(), file.size());
    spng_ihdr ihdr{};
    spng_get_ihdr(context, &ihdr);
    *width = ihdr.width, *height = ihdr.height;
    std::vector<uint8_t> pixels(size_t{ihdr.width} * ihdr.height * 4);
    EXPECT_EQ(spng_decode_image(context, pixels.data(), pixels.size(), SPNG_FMT_RGBA8, 0), 0);
    spng_ctx_free(context);
    return pixels;
}

uint32_t Le32At(const std::vector<uint8_t>& bytes, size_t offset) {
    if (offset + 4 > bytes.size()) return 0xDEADBEEF;
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    return names;
}

std::string MakeTestFolder(const std::string& name) {
    const std::string folder = ::testing::TempDir() + name + "-" + std::to_string(getpid());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

std::vector<FaultyTarget> FaultyTargets(const std::string& folder) {
    std::vector<FaultyTarget> targets{
        {"missing folder", folder + "/missing/x.Spr"},
        {"path through a file", folder + "/plain/x.Spr"},
        {"/proc", "/proc/celforge-save-test.Spr"},
        {"full device", "/dev/full"},
    };
    std::ofstream(folder + "/plain") << "a file, not a folder";
    if (geteuid() != 0) {
        mkdir((folder + "/locked").c_str(), 0555);
        targets.push_back({"read-only folder", folder + "/locked/x.Spr"});
    }
    return targets;
}

FileSizeLimit::FileSizeLimit(uint64_t bytes) {
    getrlimit(RLIMIT_FSIZE, &m_old);
    rlimit limit = m_old;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldHandler);
}
