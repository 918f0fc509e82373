// CollectDroppedFiles on any drop of one to sixteen files with any paths (as
// the drop hands them over: at most 259 bytes): the list must be exactly the
// one the mode entries expect, in a block of exactly its size. One file: its
// path and two terminators. Several: the first file's folder (a drive name
// such as "C:" keeps its separator), then every path without that folder
// and its separator, then the closing terminator.
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/gpg_runner.h"
#include "fuzz/fuzz_check.h"
#include "platform/platform.h"
#include "shell/file_drop.h"
#include "tests/support/fake_ui.h"

namespace {

constexpr std::size_t kMaxFiles = 16;
constexpr std::size_t kPathLimit = 259;  // a 260-byte buffer with its terminator

std::string ExpectedList(const fake_ui::FakeDrop& drop) {
    if (drop.paths.size() == 1) {
        return drop.paths[0] + '\0' + '\0';
    }
    const std::string& first = drop.paths[0];
    int separator = FindLastBackslash(first.c_str());
    std::size_t folderLength = separator > 0 ? static_cast<std::size_t>(separator) : 0;
    std::size_t skip = separator >= 0 ? folderLength + 1 : 0;
    std::string folder = first.substr(0, folderLength);
    if (folder.size() == 2) {
        folder += platform::kPathSeparator;
    }
    std::string list = folder + '\0';
    for (const std::string& path : drop.paths) {
        list += (path.size() > skip ? path.substr(skip) : "") + '\0';
    }
    return list + '\0';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The paths are the input's lines; a zero byte, which no path holds,
    // stands for the separator, so that folders meet often.
    fake_ui::FakeDrop drop;
    std::string path;
    for (std::size_t i = 0; i <= size && drop.paths.size() < kMaxFiles; ++i) {
        if (i == size || data[i] == '\n') {
            drop.paths.push_back(path.substr(0, kPathLimit));
            path.clear();
        } else {
            path.push_back(data[i] == 0 ? platform::kPathSeparator : static_cast<char>(data[i]));
        }
    }
    ResultCode code = 0;
    char* list = CollectDroppedFiles(&drop, &code);
    FUZZ_CHECK(list != nullptr);
    std::string expected = ExpectedList(drop);
    FUZZ_CHECK(std::memcmp(list, expected.data(), expected.size()) == 0);
    std::free(list);
    return 0;
}
