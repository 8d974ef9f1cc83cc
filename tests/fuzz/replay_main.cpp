// Feeds every file in the folders named on the command line to the fuzz entry
// point once, so ordinary builds replay a committed corpus without libFuzzer.
// A finding aborts; no input at all fails too, so a lost corpus shows.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
            replayed += in && entry.is_regular_file() &&
                        !LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
