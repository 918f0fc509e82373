#include "engine/key_export.h"

#include "engine/command_frame.h"
#include "engine/gpg_runner.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kCommandLineSize = 1040;

// False when the file cannot be written (a read-only file, say).
bool EmptyFile(const char* path) {
    platform::OsHandle file = platform::OpenFileForWriting(path);
    if (file == platform::kNoHandle) {
        return false;
    }
    bool emptied = platform::CutFile(file, 0);
    platform::CloseOsHandle(file);
    return emptied;
}

}  // namespace

ResultCode ExportPublicKey(const char* homeDir, const char* publicKeyring, const char* keyName,
                           const char* output) {
    const char* const names[] = {homeDir, publicKeyring, output, nullptr};
    ResultCode result =
        RunCommandChecks({homeDir, nullptr, publicKeyring, names, nullptr, output, nullptr});
    if (result != rc::kOk) {
        return result;
    }
    char commandLine[kCommandLineSize];
    if (!FormatCommandLine(commandLine, sizeof commandLine,
                           "%s --homedir=\"%s\" --keyring=\"%s\" --batch --yes "
                           "--no-default-keyring -o \"%s\" --export %s",
                           CommonGpgOptions, homeDir, publicKeyring, output, keyName)) {
        return rc::kUnknown;
    }
    // An old file is emptied first, so that a failing export leaves nothing
    // of its old content behind; only once the command line is known to fit,
    // so that an export that cannot run loses nothing either. Emptied, not
    // deleted, so that every name of it still names it (GnuPG may have been
    // given its short name); from then on it counts as a file of the run's
    // own, which a failure removes.
    platform::FileStamp before = platform::StampFile(output);
    if (platform::CanOpenExclusively(output)) {
        if (!EmptyFile(output)) {
            return rc::kUnknown;
        }
        before = platform::FileStamp{};
    }
    int exitStatus = platform::kNoExitStatus;
    result = RunGpg(commandLine, nullptr, nullptr, &exitStatus);
    if (GpgRunCancelled()) {
        RemoveOutputOfRun(output, before);
        return rc::kCancelled;
    }
    if (result != rc::kOk) {
        RemoveOutputOfRun(output, before);  // an emptied old file too
        return result;
    }
    // GnuPG that could not write the key (a full disk), or found none to
    // write, leaves an empty file or none: that is no exported key.
    platform::FileStamp written = platform::StampFile(output);
    if (exitStatus != 0 || !written.exists || written.size == 0) {
        RemoveOutputOfRun(output, before);
        return rc::kOutputWrite;
    }
    return rc::kOk;
}
