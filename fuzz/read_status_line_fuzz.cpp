// ReadStatusLine on any output, through a pipe as GnuPG's output comes, with
// any capacity from 1 to the program's 256: every line must come back as the
// reader promises it (0, 36 or 37, the kept bytes and no more, the CR before
// the LF removed when it was kept), and nothing is written past the buffer of
// capacity + 1 bytes.
#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/status_reader.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_pipe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const int capacity = 1 + data[0] % kStatusLineCapacity;
    const std::uint8_t* output = data + 1;
    const std::size_t length = std::min(size - 1, kMaxPipedInput);
    InputPipe pipe(output, length);
    if (!pipe.Ready()) {
        return 0;
    }
    std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(capacity) + 1]);

    // What the reader must give, line by line.
    std::size_t position = 0;
    for (;;) {
        const std::uint8_t* lineFeed = static_cast<const std::uint8_t*>(
            std::memchr(output + position, '\n', length - position));
        std::size_t count =
            (lineFeed != nullptr ? static_cast<std::size_t>(lineFeed - output) : length) - position;
        std::size_t limit = static_cast<std::size_t>(capacity);
        std::size_t kept = std::min(count, limit);
        ResultCode expected = count < limit ? (lineFeed != nullptr ? 0 : 36) : 37;
        if (lineFeed != nullptr && count <= limit && kept > 0 &&
            output[position + kept - 1] == '\r') {
            --kept;
        }

        std::memset(buffer.get(), 0x55, static_cast<std::size_t>(capacity) + 1);
        ResultCode result = ReadStatusLine(pipe.Reader(), buffer.get(), capacity);
        FUZZ_CHECK(result == 0 || result == 36 || result == 37);
        FUZZ_CHECK(result == expected);
        FUZZ_CHECK(std::memcmp(buffer.get(), output + position, kept) == 0);
        FUZZ_CHECK(buffer[kept] == '\0');

        if (result == 36) {
            break;
        }
        // After a cut line that ran into the end of the output, the next
        // call meets the end at once.
        position = lineFeed != nullptr ? static_cast<std::size_t>(lineFeed - output) + 1 : length;
    }
    FUZZ_CHECK(pipe.AtEnd());
    return 0;
}
