#include "engine/status_reader.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr char kStatusPrefix[] = "[GNUPG:] ";
constexpr std::size_t kStatusPrefixLength = sizeof kStatusPrefix - 1;

// "[GNUPG:] PROGRESS what char done total": the figures stand at the end,
// since `what` (the file's name) may hold blanks.
void NoteProgress(const char* line) {
    const char* arguments = StatusArguments(line, "PROGRESS");
    if (arguments == nullptr) {
        return;
    }
    const char* end = arguments + std::strlen(arguments);
    const char* figures[2] = {nullptr, nullptr};
    for (int i = 1; i >= 0; --i) {
        while (end > arguments && end[-1] == ' ') {
            --end;
        }
        const char* start = end;
        while (start > arguments && start[-1] >= '0' && start[-1] <= '9') {
            --start;
        }
        if (start == end) {
            return;
        }
        figures[i] = start;
        end = start;
    }
    ReportGpgProgress(std::strtoull(figures[0], nullptr, 10),
                      std::strtoull(figures[1], nullptr, 10));
}

}  // namespace

ResultCode ReadStatusLine(platform::OsHandle stream, char* buffer, int capacity) {
    buffer[0] = '\0';
    int count = 0;
    for (;;) {
        unsigned char byte = 0;
        std::size_t received = 0;
        platform::ReadOutcome outcome = ReadChildOutput(stream, &byte, 1, &received);
        if (outcome == platform::ReadOutcome::Data && received == 0) {
            continue;
        }
        if (outcome != platform::ReadOutcome::Data) {
            buffer[count < capacity ? count : capacity] = '\0';
            if (count >= capacity) {
                return rc::kLineTooLong;
            }
            return outcome == platform::ReadOutcome::EndOfStream ? rc::kEndOfOutput : rc::kUnknown;
        }
        if (byte == '\n') {
            int kept = count < capacity ? count : capacity;
            // Only a CR that was kept and stands right before the LF goes.
            if (count <= capacity && kept > 0 && buffer[kept - 1] == '\r') {
                --kept;
            }
            buffer[kept] = '\0';
            return count < capacity ? rc::kOk : rc::kLineTooLong;
        }
        if (count < capacity) {
            buffer[count] = static_cast<char>(byte);
        }
        ++count;
    }
}

bool IsStatusKeyword(const char* line, const char* keyword) {
    if (std::strncmp(line, kStatusPrefix, kStatusPrefixLength) != 0) {
        return false;
    }
    const char* rest = line + kStatusPrefixLength;
    std::size_t keywordLength = std::strlen(keyword);
    if (std::strncmp(rest, keyword, keywordLength) != 0) {
        return false;
    }
    char after = rest[keywordLength];
    return after == ' ' || after == '\r' || after == '\n' || after == '\0';
}

const char* StatusArguments(const char* line, const char* keyword) {
    if (!IsStatusKeyword(line, keyword)) {
        return nullptr;
    }
    const char* rest = line + kStatusPrefixLength + std::strlen(keyword);
    return *rest == ' ' ? rest + 1 : rest;
}

ResultCode RunStatusLoop(ChildStreams* streams, const CommandJob& job, const StatusLoopPlan& plan) {
    if (plan.feedsPassphrase) {
        WriteText(streams->stdinWriter, job.passphrase);
        WriteText(streams->stdinWriter, platform::kLineEnd);
    }
    // GnuPG reads one line; whatever else it might wait for on its input is
    // answered by the end of the input rather than by waiting forever.
    platform::CloseOsHandle(streams->stdinWriter);
    streams->stdinWriter = platform::kNoHandle;
    char line[kStatusLineBufferSize];
    for (;;) {
        ResultCode read = ReadStatusLine(streams->stdoutReader, line, kStatusLineCapacity);
        if (read != rc::kOk && read != rc::kEndOfOutput && read != rc::kLineTooLong) {
            return read;
        }
        if (IsStatusKeyword(line, "BAD_PASSPHRASE")) {
            DrainOutput(streams, nullptr);
            return rc::kBadPassphrase;
        }
        for (std::size_t i = 0; i < plan.watchCount; ++i) {
            if (IsStatusKeyword(line, plan.watches[i].keyword)) {
                *job.flags |= plan.watches[i].bit;
            }
        }
        if (plan.noteLine != nullptr) {
            plan.noteLine(line, plan.context);
        }
        NoteProgress(line);
        if (read == rc::kEndOfOutput) {
            return rc::kOk;
        }
        if (GpgRunCancelled()) {
            DrainOutput(streams, nullptr);  // GnuPG has been ended: this is quick
            return rc::kCancelled;
        }
    }
}
