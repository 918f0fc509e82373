// The list of dropped files from one to sixteen paths of any bytes (259 at
// most each): the one path, or the folder and then every name, each the end
// of its path, so that no byte is lost or read from outside a path.
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "platform/platform.h"
#include "shell/file_drop.h"
#include "tests/support/fake_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The paths are the input's lines; a zero byte stands for the separator,
    // so that folders meet often.
    fake_ui::FakeDrop drop;
    std::string path;
    for (std::size_t i = 0; i <= size && drop.paths.size() < 16; ++i) {
        if (i == size || data[i] == '\n') {
            drop.paths.push_back(path.substr(0, 259));
            path.clear();
        } else {
            path.push_back(data[i] == 0 ? platform::kPathSeparator : static_cast<char>(data[i]));
        }
    }
    ResultCode code = 0;
    char* list = CollectDroppedFiles(&drop, &code);
    FUZZ_CHECK(list != nullptr);
    const char* entry = list;
    if (drop.paths.size() == 1) {
        FUZZ_CHECK(drop.paths[0] == entry);
    } else {
        entry += std::strlen(entry) + 1;  // the folder
        for (const std::string& dropped : drop.paths) {
            std::size_t length = std::strlen(entry);
            FUZZ_CHECK(length <= dropped.size());
            FUZZ_CHECK(dropped.compare(dropped.size() - length, length, entry) == 0);
            entry += length + 1;
        }
    }
    std::free(list);
    return 0;
}
