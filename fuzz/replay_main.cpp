// Replays fuzz inputs without libFuzzer, for the test runs: every file (or
// file of a folder) named, in a block of exactly its size for the sanitizers.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "fuzz/fuzz_check.h"

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path named(argv[i]);
        auto replay = [&](const std::filesystem::path& file) {
            std::ifstream in(file, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), {});
            std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[bytes.size()]);
            std::copy(bytes.begin(), bytes.end(), block.get());
            LLVMFuzzerTestOneInput(block.get(), bytes.size());
            ++replayed;
        };
        if (std::filesystem::is_directory(named)) {
            for (const auto& entry : std::filesystem::directory_iterator(named)) {
                replay(entry.path());
            }
        } else {
            replay(named);
        }
    }
    std::printf("replayed %d inputs, no failure\n", replayed);
    return replayed > 0 ? 0 : 1;
}
