#include "fuzz/fuzz_pipe.h"

InputPipe::InputPipe(const std::uint8_t* data, std::size_t size) {
    platform::OsHandle writer = platform::kNoHandle;
    if (!platform::CreateInheritablePipe(&reader_, &writer)) {
        reader_ = platform::kNoHandle;
        return;
    }
    std::size_t done = 0;
    while (done < size) {
        std::size_t written = 0;
        if (!platform::WriteStream(writer, data + done, size - done, &written) || written == 0) {
            break;
        }
        done += written;
    }
    platform::CloseOsHandle(writer);
}

InputPipe::~InputPipe() {
    if (reader_ != platform::kNoHandle) {
        platform::CloseOsHandle(reader_);
    }
}

bool InputPipe::AtEnd() const {
    char byte = 0;
    std::size_t received = 0;
    return platform::ReadStream(reader_, &byte, 1, &received) == platform::ReadOutcome::EndOfStream;
}
