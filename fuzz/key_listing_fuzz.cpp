// The listings' status handler on any colon listing, through a pipe as
// GnuPG's output comes. The result and the key found must be what a plain
// reading of the listing gives (one key record and at most one fingerprint,
// each field 10 closed by a colon and shorter than 256 bytes), the list must
// be empty on every failure, and the output must be read to its end.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/gpg_runner.h"
#include "engine/key_listing.h"
#include "engine/status_reader.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_pipe.h"

namespace {

struct Expected {
    ResultCode result = 0;
    std::string userId;
    std::string fingerprint;
};

// The lines as the reader keeps them: at most 256 bytes, without the LF and
// a kept CR before it, and as C texts (up to a zero byte).
std::vector<std::string> KeptLines(const std::string& output) {
    std::vector<std::string> lines;
    std::size_t position = 0;
    for (;;) {
        std::size_t lineFeed = output.find('\n', position);
        std::size_t end = lineFeed == std::string::npos ? output.size() : lineFeed;
        std::size_t count = end - position;
        std::size_t kept = std::min<std::size_t>(count, kStatusLineCapacity);
        if (lineFeed != std::string::npos && count <= kStatusLineCapacity && kept > 0 &&
            output[position + kept - 1] == '\r') {
            --kept;
        }
        std::string line = output.substr(position, kept);
        lines.push_back(line.substr(0, line.find('\0')));
        if (lineFeed == std::string::npos) {
            return lines;
        }
        position = lineFeed + 1;
    }
}

// Field 10 of a record, or false when it is missing, open or too long.
bool Field10(const std::string& line, std::string* field) {
    std::size_t start = 0;
    for (int colons = 0; colons < 9; ++colons) {
        start = line.find(':', start);
        if (start == std::string::npos) {
            return false;
        }
        ++start;
    }
    std::size_t end = line.find(':', start);
    if (end == std::string::npos || end - start > 255) {
        return false;
    }
    *field = line.substr(start, end - start);
    return true;
}

Expected Read(const std::string& output, bool secret) {
    Expected expected;
    const ResultCode formatError = secret ? 45 : 44;
    const std::string keyRecord = secret ? "sec:" : "pub:";
    for (const std::string& line : KeptLines(output)) {
        std::string* taken = nullptr;
        if (line.compare(0, 4, keyRecord) == 0) {
            taken = &expected.userId;
        } else if (line.compare(0, 4, "fpr:") == 0) {
            taken = &expected.fingerprint;
        } else {
            continue;
        }
        if (!taken->empty() || !Field10(line, taken)) {
            return Expected{formatError, "", ""};
        }
    }
    return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool secret = (data[0] & 1) != 0;
    std::string output(reinterpret_cast<const char*>(data + 1), std::min(size - 1, kMaxPipedInput));
    InputPipe pipe(reinterpret_cast<const std::uint8_t*>(output.data()), output.size());
    if (!pipe.Ready()) {
        return 0;
    }
    ChildStreams streams{platform::kNoHandle, platform::kNoHandle, pipe.Reader()};
    KeyList list{nullptr};
    ResultCode result = ReadKeyListing(&streams, &list, secret);

    Expected expected = Read(output, secret);
    FUZZ_CHECK(result == expected.result);
    if (result != 0 || expected.userId.empty()) {
        FUZZ_CHECK(list.head == nullptr);
    } else {
        FUZZ_CHECK(list.head != nullptr && list.head->next == nullptr);
        FUZZ_CHECK(expected.userId == list.head->userId);
        FUZZ_CHECK(expected.fingerprint == list.head->fingerprint);
    }
    FUZZ_CHECK(pipe.AtEnd());
    FreeKeyList(&list);
    return 0;
}
