// CTest runs the suite's tests as parallel processes; each process gets a
// temp folder of its own so tests that write fixed file names never collide.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::filesystem::path TempBase() {
    const char* base = std::getenv("TMPDIR");
    return base && *base ? base : "/tmp";
}

struct PrivateTempDir {
    std::filesystem::path path = TempBase() / ("celforge-tests-" + std::to_string(getpid()));
    std::error_code error;
    PrivateTempDir() {
        std::filesystem::create_directories(path, error);
        if (!error) setenv("TEST_TMPDIR", path.c_str(), 1);
    }
    ~PrivateTempDir() { std::filesystem::remove_all(path, error); }
};

const PrivateTempDir g_privateTempDir;

}  // namespace
