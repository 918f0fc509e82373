#include "engine/encryption_commands.h"

#include "engine/armored_key_file.h"
#include "engine/command_frame.h"
#include "engine/gpg_runner.h"
#include "engine/status_reader.h"

#include <iterator>
#include "platform/platform.h"

namespace {

constexpr std::int32_t kValidSignature = 1;
constexpr std::int32_t kDecryptionEnded = 2;
constexpr std::int32_t kDecryptionFailed = 4;
constexpr std::int32_t kSignatureCreated = 1;
constexpr std::int32_t kEncryptionEnded = 2;

constexpr StatusWatch kDecryptWatches[] = {{"VALIDSIG", kValidSignature},
                                           {"DECRYPTION_FAILED", kDecryptionFailed},
                                           {"END_DECRYPTION", kDecryptionEnded}};
constexpr StatusWatch kEncryptWatches[] = {{"SIG_CREATED", kSignatureCreated},
                                           {"END_ENCRYPTION", kEncryptionEnded}};

ResultCode DecryptHandler(ChildStreams* streams, void* data) {
    return RunStatusLoop(streams, *static_cast<CommandJob*>(data),
                         {true, kDecryptWatches, std::size(kDecryptWatches)});
}

ResultCode EncryptHandler(ChildStreams* streams, void* data) {
    return RunStatusLoop(streams, *static_cast<CommandJob*>(data),
                         {true, kEncryptWatches, std::size(kEncryptWatches)});
}

constexpr std::size_t kDecryptLineSize = 1560;
constexpr std::size_t kEncryptLineSize = 1820;

bool GpgStarted(ResultCode runResult) {
    return runResult < rc::kStdinPipeCreate || runResult > rc::kChildStart;
}

// Removes what a failed decryption run left in the output file: it may be
// unauthenticated or partial plaintext. A file the run did not touch stays.
void RemoveFailedOutput(const char* output, const platform::FileStamp& before) {
    platform::FileStamp after = platform::StampFile(output);
    if (!after.exists) {
        return;
    }
    bool touched = !before.exists || before.identity.volume != after.identity.volume ||
                   before.identity.index != after.identity.index || before.size != after.size ||
                   before.modified != after.modified;
    if (touched) {
        platform::RemoveFile(output);
    }
}

}  // namespace

ResultCode DecryptFile(const char* homeDir, const char* secretKeyring, const char* keyring,
                       const char* output, const char* input, const char* passphrase,
                       std::int32_t* flags) {
    const char* const names[] = {homeDir, secretKeyring, keyring, output, input, nullptr};
    ResultCode result =
        RunCommandChecks({homeDir, secretKeyring, keyring, names, input, output, passphrase});
    if (result != rc::kOk) {
        return result;
    }
    ReadableKeyFile readable(homeDir, keyring);
    char commandLine[kDecryptLineSize];
    if (!FormatCommandLine(commandLine, sizeof commandLine,
                           "%s --homedir=\"%s\" --secret-keyring=\"%s\" --keyring=\"%s\" -o \"%s\" "
                           "--batch --yes --always-trust --passphrase-fd=0 -d \"%s\"",
                           CommonGpgOptions, homeDir, secretKeyring, readable.Path(), output,
                           input)) {
        return rc::kUnknown;
    }

    platform::FileStamp before = platform::StampFile(output);
    *flags = 0;
    CommandJob job{flags, passphrase};
    ResultCode runResult = RunGpg(commandLine, DecryptHandler, &job);

    if (!(*flags & kDecryptionEnded) || (*flags & kDecryptionFailed)) {
        if (GpgStarted(runResult)) {
            RemoveFailedOutput(output, before);
        }
        return rc::kDecryptFailed;
    }
    if (*flags & kValidSignature) {
        return runResult;
    }
    return rc::kDecryptedUnverified;
}

ResultCode EncryptFile(const char* homeDir, const char* secretKeyring, const char* recipientKeyFile,
                       const char* input, const char* output, const char* recipient,
                       const char* passphrase, std::int32_t noSign, std::int32_t* flags) {
    const char* const names[] = {homeDir, secretKeyring, recipientKeyFile, output, input, nullptr};
    ResultCode result = RunCommandChecks(
        {homeDir, secretKeyring, recipientKeyFile, names, input, output, passphrase});
    if (result != rc::kOk) {
        return result;
    }
    ReadableKeyFile readable(homeDir, recipientKeyFile);
    char commandLine[kEncryptLineSize];
    if (!FormatCommandLine(commandLine, sizeof commandLine,
                           "%s --homedir=\"%s\" --secret-keyring=\"%s\" --keyring=\"%s\" --batch "
                           "--yes --always-trust --passphrase-fd=0 %s -e -r %s -o \"%s\" \"%s\"",
                           CommonGpgOptions, homeDir, secretKeyring, readable.Path(),
                           noSign == 0 ? "-s" : "", recipient, output, input)) {
        return rc::kUnknown;
    }

    *flags = 0;
    CommandJob job{flags, passphrase};
    ResultCode runResult = RunGpg(commandLine, EncryptHandler, &job);
    if (runResult != rc::kOk) {
        return runResult;
    }
    if (!(*flags & kEncryptionEnded)) {
        return rc::kEncryptFailed;
    }
    return (*flags & kSignatureCreated) ? rc::kOk : rc::kSignFailed;
}
