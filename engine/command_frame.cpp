#include "engine/command_frame.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

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

std::string PathInFolder(const char* folder, const char* name) {
    std::string path = folder;
    if (!path.empty() && path.back() != platform::kPathSeparator) {
        path.push_back(platform::kPathSeparator);
    }
    return path + name;
}

bool ReadSmallFile(const char* path, std::size_t limit, std::string* text) {
    text->assign(limit, '\0');
    std::size_t size = 0;
    platform::OsHandle file = platform::OpenFileForSharedReading(path);
    bool read =
        file != platform::kNoHandle && platform::ReadFileOnce(file, text->data(), limit, &size);
    if (file != platform::kNoHandle) {
        platform::CloseOsHandle(file);
    }
    text->resize(read ? size : 0);
    return read;
}

bool WriteWholeFile(const char* path, const char* text, std::size_t size) {
    platform::OsHandle file = platform::OpenFileForWriting(path);
    if (file == platform::kNoHandle) {
        return false;
    }
    std::size_t written = 0;
    bool ok = platform::WriteFileAtStart(file, text, size, &written) && written == size &&
              platform::CutFile(file, size);
    platform::CloseOsHandle(file);
    return ok;
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

namespace {

bool IsSameFile(const platform::FileStamp& a, const char* path) {
    platform::FileStamp b = platform::StampFile(path);
    return b.exists && a.identity.volume == b.identity.volume &&
           a.identity.index == b.identity.index;
}

}  // namespace

ResultCode CheckOutputNamesNoOtherFile(const char* output, const char* const* names,
                                       const char* homeDir) {
    platform::FileStamp out = platform::StampFile(output);
    if (!out.exists) {
        return rc::kOk;  // a new file can be nothing else
    }
    for (; names != nullptr && *names != nullptr; ++names) {
        if (*names != output && IsSameFile(out, *names)) {
            return rc::kBadFileChoice;
        }
    }
    if (homeDir == nullptr) {
        return rc::kOk;
    }
    for (const char* file : {"pubring.gpg", "secring.gpg", "trustdb.gpg"}) {
        if (IsSameFile(out, PathInFolder(homeDir, file).c_str())) {
            return rc::kBadFileChoice;
        }
    }
    return rc::kOk;
}

void RemoveOutputOfRun(const char* output, const platform::FileStamp& before) {
    platform::FileStamp after = platform::StampFile(output);
    if (!after.exists) {
        return;
    }
    if (!platform::SameStamp(before, after)) {  // created or changed by the run
        platform::RemoveFile(output);
    }
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
    if (result == rc::kOk && checks.output != nullptr) {
        const char* const input[] = {checks.input, nullptr};
        result = CheckOutputNamesNoOtherFile(checks.output, input, nullptr);
        if (result == rc::kOk) {
            result = CheckOutputNamesNoOtherFile(checks.output, checks.quotedNames, checks.homeDir);
        }
    }
    if (result == rc::kOk && checks.passphrase != nullptr) {
        result = CheckPassphraseText(checks.passphrase);
    }
    return result;
}
