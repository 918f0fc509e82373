#include "engine/command_frame.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

ResultCode CheckHomeFolder(const char* path) {
    return platform::LookUpPath(path) == platform::PathKind::Folder ? rc::kOk
                                                                    : rc::kWorkFolderUnusable;
}

ResultCode CheckSecretKeyring(const char* path) {
    return platform::CanOpenForSharedReading(path) ? rc::kOk : rc::kNoSecretKeyring;
}

ResultCode CheckPublicKeyring(const char* path) {
    return platform::CanOpenForSharedReading(path) ? rc::kOk : rc::kNoPublicKeyring;
}

bool FormatCommandLine(char* buffer, std::size_t size, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(buffer, size, format, arguments);
    va_end(arguments);
    return length >= 0 && static_cast<std::size_t>(length) < size;
}

ResultCode CheckPassphraseText(const char* passphrase) {
    if (std::strlen(passphrase) > kMaxPassphraseLength || std::strpbrk(passphrase, "\r\n")) {
        return rc::kPassphraseInvalid;
    }
    return rc::kOk;
}

ResultCode CheckQuotableNames(const char* const* names) {
    for (; *names != nullptr; ++names) {
        if (std::strchr(*names, '"') != nullptr) {
            return rc::kBadFileChoice;
        }
    }
    return rc::kOk;
}

ResultCode CheckOutputIsNotInput(const char* input, const char* output) {
    platform::FileStamp in = platform::StampFile(input);
    platform::FileStamp out = platform::StampFile(output);
    if (in.exists && out.exists && in.identity.volume == out.identity.volume &&
        in.identity.index == out.identity.index) {
        return rc::kBadFileChoice;
    }
    return rc::kOk;
}

ResultCode RunCommandChecks(const CommandChecks& checks) {
    ResultCode result = rc::kOk;
    if (result == rc::kOk && checks.homeDir != nullptr) {
        result = CheckHomeFolder(checks.homeDir);
    }
    if (result == rc::kOk && checks.secretKeyring != nullptr) {
        result = CheckSecretKeyring(checks.secretKeyring);
    }
    if (result == rc::kOk && checks.publicKeyring != nullptr) {
        result = CheckPublicKeyring(checks.publicKeyring);
    }
    if (result == rc::kOk && checks.quotedNames != nullptr) {
        result = CheckQuotableNames(checks.quotedNames);
    }
    if (result == rc::kOk && checks.input != nullptr && checks.output != nullptr) {
        result = CheckOutputIsNotInput(checks.input, checks.output);
    }
    if (result == rc::kOk && checks.passphrase != nullptr) {
        result = CheckPassphraseText(checks.passphrase);
    }
    return result;
}
