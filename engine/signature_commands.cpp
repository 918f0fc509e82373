#include "engine/signature_commands.h"

#include "engine/armored_key_file.h"
#include "engine/command_frame.h"
#include "engine/gpg_runner.h"
#include "engine/key_listing.h"
#include "engine/key_method.h"
#include "engine/status_reader.h"

#include <iterator>

#include "platform/platform.h"

namespace {

constexpr std::int32_t kSignatureCreated = 1;
constexpr std::int32_t kValidSignature = 1;
constexpr std::int32_t kSignatureError = 2;
constexpr std::int32_t kSignerRevoked = 4;
constexpr std::int32_t kSignerExpired = 8;

constexpr StatusWatch kSignWatches[] = {{"SIG_CREATED", kSignatureCreated}};
// GnuPG announces a signature by a revoked or expired key (or an expired
// signature) before it calls the signature valid.
constexpr StatusWatch kVerifyWatches[] = {{"VALIDSIG", kValidSignature},
                                          {"ERRSIG", kSignatureError},
                                          {"REVKEYSIG", kSignerRevoked},
                                          {"EXPKEYSIG", kSignerExpired},
                                          {"EXPSIG", kSignerExpired}};

ResultCode SignHandler(ChildStreams* streams, void* data) {
    return RunStatusLoop(streams, *static_cast<CommandJob*>(data),
                         {true, kSignWatches, std::size(kSignWatches)});
}

struct VerifyJob {
    CommandJob command;
    char signer[41];  // the primary key of a good signature
};

void NoteVerification(const char* line, void* context) {
    NoteSignerKey(line, static_cast<VerifyJob*>(context)->signer);
}

ResultCode VerifyHandler(ChildStreams* streams, void* data) {
    auto* job = static_cast<VerifyJob*>(data);
    return RunStatusLoop(streams, job->command,
                         {false, kVerifyWatches, std::size(kVerifyWatches), NoteVerification, job});
}

constexpr std::size_t kCommandLineSize = 1820;

}  // namespace

ResultCode SignFile(const char* homeDir, const char* secretKeyring, const char* publicKeyring,
                    const char* fileToSign, const char* signatureFile, const char* passphrase,
                    std::int32_t* flags) {
    const char* const names[] = {homeDir,       secretKeyring, publicKeyring,
                                 signatureFile, fileToSign,    nullptr};
    ResultCode result = RunCommandChecks(
        {homeDir, secretKeyring, publicKeyring, names, fileToSign, signatureFile, passphrase});
    if (result != rc::kOk) {
        return result;
    }
    char commandLine[kCommandLineSize];
    if (!FormatCommandLine(commandLine, sizeof commandLine,
                           "%s --homedir=\"%s\" --secret-keyring=\"%s\" --keyring=\"%s\" --batch "
                           "--yes --always-trust --passphrase-fd=0 --detach-sign -o \"%s\" \"%s\"",
                           CommonGpgOptions, homeDir, secretKeyring, publicKeyring, signatureFile,
                           fileToSign)) {
        return rc::kUnknown;
    }
    platform::FileStamp before = platform::StampFile(signatureFile);
    *flags = 0;
    CommandJob job{flags, passphrase};
    int exitStatus = platform::kNoExitStatus;
    ResultCode runResult = RunGpg(commandLine, SignHandler, &job, &exitStatus);
    if (GpgRunCancelled()) {
        RemoveOutputOfRun(signatureFile, before);
        return rc::kCancelled;
    }
    if (runResult != rc::kOk) {
        return runResult;
    }
    if (!(*flags & kSignatureCreated)) {
        return rc::kSignFailed;
    }
    // GnuPG announces the signature before it has written it: only a clean
    // exit means the signature file holds it.
    if (exitStatus != 0) {
        RemoveOutputOfRun(signatureFile, before);
        return rc::kOutputWrite;
    }
    return rc::kOk;
}

ResultCode VerifyFile(const char* homeDir, const char* keyFile, const char* dataFile,
                      const char* signatureFile, std::int32_t* flags, char* signerUserId) {
    const char* const names[] = {homeDir, keyFile, signatureFile, dataFile, nullptr};
    ResultCode result =
        RunCommandChecks({homeDir, nullptr, keyFile, names, nullptr, nullptr, nullptr});
    if (result != rc::kOk) {
        return result;
    }
    ReadableKeyFile readable(homeDir, keyFile);
    char commandLine[kCommandLineSize];
    if (!FormatCommandLine(commandLine, sizeof commandLine,
                           "%s --homedir=\"%s\" --keyring=\"%s\" --no-default-keyring --batch "
                           "--yes --always-trust --status-fd=1 --verify \"%s\" \"%s\"",
                           CommonGpgOptions, homeDir, readable.Path(), signatureFile, dataFile)) {
        return rc::kUnknown;
    }
    *flags = 0;
    VerifyJob job{{flags, ""}, ""};
    int exitStatus = platform::kNoExitStatus;
    ResultCode runResult = RunGpg(commandLine, VerifyHandler, &job, &exitStatus);
    if (GpgRunCancelled()) {
        return rc::kCancelled;
    }
    if (*flags & kValidSignature) {
        if (runResult != rc::kOk) {
            return runResult;
        }
        // A valid signature beside one that did not match (a signature file
        // may hold several) is no proof: GnuPG's exit status tells.
        if (exitStatus != 0 || (*flags & kSignatureError)) {
            return rc::kVerifyFailed;
        }
        if (*flags & kSignerRevoked) {
            return rc::kSignerKeyRevoked;
        }
        if (*flags & kSignerExpired) {
            return rc::kSignerKeyExpired;
        }
        // The key file is GnuPG's only key ring here; asked for the signer,
        // its key is looked up there all the same, as the decryption does.
        if (signerUserId != nullptr &&
            FindKeyInFile(homeDir, readable.Path(), job.signer, signerUserId) != rc::kOk) {
            return rc::kVerifyFailed;
        }
        return rc::kOk;
    }
    // GnuPG could not check the signature: when the key file holds a key
    // that GnuPG 1.4 cannot use, say so instead of the generic failure. The
    // listing reads the copy already made of an armored key file.
    if ((*flags & kSignatureError) && CheckKeyFileMethod(homeDir, readable.Path()) != rc::kOk) {
        return rc::kKeyMethodUnusable;
    }
    return rc::kVerifyFailed;
}
