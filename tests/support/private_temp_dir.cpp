// CTest runs the suite's tests as parallel processes; each process gets a
// temp folder of its own so tests that write fixed file names never collide.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
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
        setenv("TZ", "UTC", 1);  // times shown read the same on every machine
        tzset();
    }
    ~PrivateTempDir() { std::filesystem::remove_all(path, error); }
};

const PrivateTempDir g_privateTempDir;

// Every test starts with a sessions folder of its own: a session another test
// left would ask to be restored.
class FreshStateHome : public ::testing::EmptyTestEventListener {
    int count_ = 0;
    void OnTestStart(const ::testing::TestInfo&) override {
        const std::filesystem::path state =
            g_privateTempDir.path / ("state-" + std::to_string(++count_));
        setenv("XDG_STATE_HOME", state.c_str(), 1);
    }
};

const bool g_freshStateHome = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshStateHome);
    return true;
}();

}  // namespace
