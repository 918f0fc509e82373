// A pipe that holds a fuzz input, as GnuPG's output would: the input is
// written and the writing end closed, so that a reader sees the input and
// then the end of the output.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

class InputPipe {
public:
    InputPipe(const std::uint8_t* data, std::size_t size);
    ~InputPipe();
    InputPipe(const InputPipe&) = delete;
    InputPipe& operator=(const InputPipe&) = delete;

    bool Ready() const { return reader_ != platform::kNoHandle; }
    platform::OsHandle Reader() const { return reader_; }
    // True when nothing is left to read: the reader stands at the end.
    bool AtEnd() const;

private:
    platform::OsHandle reader_ = platform::kNoHandle;
};
