#include "engine/status_reader.h"

#include <cstring>

namespace {

constexpr char kStatusPrefix[] = "[GNUPG:] ";
constexpr std::size_t kStatusPrefixLength = sizeof kStatusPrefix - 1;

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
        if (read == rc::kEndOfOutput) {
            return rc::kOk;
        }
    }
}
