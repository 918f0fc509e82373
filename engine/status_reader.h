// Reads GnuPG's status lines ("[GNUPG:] KEYWORD arguments") from its output,
// and the status loop that the handlers of the file commands share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/gpg_runner.h"

// Every handler reads into a buffer of this size with this capacity.
inline constexpr int kStatusLineBufferSize = 260;
inline constexpr int kStatusLineCapacity = 256;

// Reads one line, up to and including its LF, one byte per read, so that the
// stream stands right after the line. Returns 0 for a complete line (without
// its LF and a CR right before it), 36 when the output ended (the buffer holds
// the piece after the last LF), 37 when the line had `capacity` bytes or more
// (the first `capacity` are kept, the rest of the line is dropped) and 51 for
// another read failure. The kept text is always terminated; `buffer` must hold
// capacity + 1 bytes.
ResultCode ReadStatusLine(platform::OsHandle stream, char* buffer, int capacity);

// True when `line` is "[GNUPG:] " followed by exactly `keyword` and then a
// blank, a CR, a LF or the end of the text.
bool IsStatusKeyword(const char* line, const char* keyword);

// The arguments of a status line whose keyword is `keyword` (the text after
// the keyword and its blank, empty when there is none); null for any other line.
const char* StatusArguments(const char* line, const char* keyword);

// The handler data of the file commands: the command's flag word, which the
// handler only ever sets bits in, and the passphrase written to GnuPG.
struct CommandJob {
    std::int32_t* flags;
    const char* passphrase;
};

// A status keyword that a handler watches and the bit it sets for it.
struct StatusWatch {
    const char* keyword;
    std::int32_t bit;
};

// How one file command's handler runs the status loop: whether it feeds the
// passphrase first, and which keywords it watches, in order.
struct StatusLoopPlan {
    bool feedsPassphrase;
    const StatusWatch* watches;
    std::size_t watchCount;
    // Given every line read, for what a flag bit cannot hold (a length, say);
    // none when null.
    void (*noteLine)(const char* line, void* context) = nullptr;
    void* context = nullptr;
};

// The status loop: feeds the passphrase and a line end (for the commands
// that need one) and closes GnuPG's input, then reads every line to the end
// of the output, setting the bit of each watched keyword it meets.
// "BAD_PASSPHRASE" drains the rest of the output and gives 30 at once; a
// read failure gives 51; the end gives 0.
ResultCode RunStatusLoop(ChildStreams* streams, const CommandJob& job, const StatusLoopPlan& plan);
