#include "engine/armored_key_file.h"

#include <cstring>

#include "engine/command_frame.h"
#include "engine/gpg_runner.h"

namespace {

// Where an armor header is looked for: the start of the file, which may
// hold a few lines of text before the armor (as a mail does).
constexpr std::size_t kHeadSize = 4096;
constexpr char kArmorHeader[] = "-----BEGIN PGP ";
constexpr std::size_t kCommandLineSize = 1560;

// Reads up to `capacity` bytes from the start of the file; 0 when it
// cannot be read.
std::size_t ReadHead(const char* path, unsigned char* buffer, std::size_t capacity) {
    platform::OsHandle file = platform::OpenFileForSharedReading(path);
    if (file == platform::kNoHandle) {
        return 0;
    }
    std::size_t received = 0;
    std::size_t total = 0;
    while (total < capacity &&
           platform::ReadFileOnce(file, buffer + total, capacity - total, &received) &&
           received > 0) {
        total += received;
    }
    platform::CloseOsHandle(file);
    return total;
}

bool StartsWithPacket(const char* path) {
    unsigned char first = 0;
    return ReadHead(path, &first, 1) == 1 && (first & 0x80) != 0;
}

}  // namespace

bool IsArmoredKeyFile(const char* path) {
    unsigned char head[kHeadSize];
    std::size_t size = ReadHead(path, head, sizeof head);
    if (size == 0 || (head[0] & 0x80) != 0) {
        return false;
    }
    std::size_t headerLength = sizeof kArmorHeader - 1;
    for (std::size_t at = 0; at + headerLength <= size; ++at) {
        if (std::memcmp(head + at, kArmorHeader, headerLength) == 0) {
            return true;
        }
    }
    return false;
}

ReadableKeyFile::ReadableKeyFile(const char* homeDir, const char* keyFile) : keyFile_(keyFile) {
    if (!IsArmoredKeyFile(keyFile)) {
        return;
    }
    char folder[platform::kMaxPath];
    if (!platform::GetTempFolder(folder, sizeof folder) ||
        !platform::CreateUniqueTempFile(folder, "qkf", copy_)) {
        copy_[0] = '\0';
        return;
    }
    char commandLine[kCommandLineSize];
    bool converted =
        FormatCommandLine(commandLine, sizeof commandLine,
                          "%s --homedir=\"%s\" --batch --yes -o \"%s\" --dearmor \"%s\"",
                          CommonGpgOptions, homeDir, copy_, keyFile) &&
        RunGpg(commandLine, nullptr, nullptr) == rc::kOk && StartsWithPacket(copy_);
    if (!converted) {
        platform::RemoveFile(copy_);
        copy_[0] = '\0';
    }
}

ReadableKeyFile::~ReadableKeyFile() {
    if (copy_[0] != '\0') {
        platform::RemoveFile(copy_);
    }
}
