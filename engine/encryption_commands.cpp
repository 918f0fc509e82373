#include "engine/encryption_commands.h"

#include <cstdlib>
#include <cstring>
#include <iterator>

#include "engine/armored_key_file.h"
#include "engine/command_frame.h"
#include "engine/gpg_runner.h"
#include "engine/key_listing.h"
#include "engine/status_reader.h"
#include "platform/platform.h"

namespace {

constexpr std::int32_t kValidSignature = 1;
constexpr std::int32_t kDecryptionEnded = 2;
constexpr std::int32_t kDecryptionFailed = 4;
constexpr std::int32_t kIntegrityChecked = 8;
constexpr std::int32_t kSignerRevoked = 16;
constexpr std::int32_t kSignerExpired = 32;
constexpr std::int32_t kSignatureProblem = 64;
constexpr std::int32_t kSignatureCreated = 1;
constexpr std::int32_t kEncryptionEnded = 2;

// "EXPSIG" is a signature that has itself expired; "ERRSIG", "BADSIG" and
// "NO_PUBKEY" are signatures that could not be checked or did not match,
// which GnuPG also reports in its exit status.
constexpr StatusWatch kDecryptWatches[] = {
    {"VALIDSIG", kValidSignature},        {"DECRYPTION_FAILED", kDecryptionFailed},
    {"END_DECRYPTION", kDecryptionEnded}, {"GOODMDC", kIntegrityChecked},
    {"REVKEYSIG", kSignerRevoked},        {"EXPKEYSIG", kSignerExpired},
    {"EXPSIG", kSignerExpired},           {"ERRSIG", kSignatureProblem},
    {"BADSIG", kSignatureProblem},        {"NO_PUBKEY", kSignatureProblem}};
constexpr StatusWatch kEncryptWatches[] = {{"SIG_CREATED", kSignatureCreated},
                                           {"END_ENCRYPTION", kEncryptionEnded}};

// What GnuPG announced of the plaintext: the length of its literal data and
// whether that data is text, which GnuPG writes with the platform's line
// ends (so that its length on disk differs).
struct Plaintext {
    bool lengthKnown = false;
    std::uint64_t length = 0;
    bool text = false;
};

void NotePlaintext(const char* line, Plaintext* plaintext) {
    if (const char* format = StatusArguments(line, "PLAINTEXT")) {
        // The format is the hexadecimal code of the letter: 74 't', 75 'u'.
        plaintext->text = plaintext->text || std::strncmp(format, "74", 2) == 0 ||
                          std::strncmp(format, "75", 2) == 0;
    } else if (const char* length = StatusArguments(line, "PLAINTEXT_LENGTH")) {
        char* end = nullptr;
        unsigned long long value = std::strtoull(length, &end, 10);
        if (end != length) {
            plaintext->length += value;  // a second literal packet adds to the output
            plaintext->lengthKnown = true;
        }
    }
}

struct DecryptJob {
    CommandJob command;
    Plaintext plaintext;
    char signer[41];  // the primary key of a good signature
};

void NoteDecryption(const char* line, void* context) {
    auto* job = static_cast<DecryptJob*>(context);
    NotePlaintext(line, &job->plaintext);
    NoteSignerKey(line, job->signer);
}

ResultCode DecryptHandler(ChildStreams* streams, void* data) {
    auto* job = static_cast<DecryptJob*>(data);
    return RunStatusLoop(streams, job->command,
                         {true, kDecryptWatches, std::size(kDecryptWatches), NoteDecryption, job});
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

// Whether the output holds all the plaintext GnuPG announced: a disk that
// filled up, or anything else that cut the output short, shows here even
// where GnuPG's exit status is not explained otherwise.
bool OutputComplete(const char* output, const Plaintext& plaintext) {
    if (!plaintext.lengthKnown || plaintext.text) {
        return true;
    }
    platform::FileStamp written = platform::StampFile(output);
    return written.exists && written.size == plaintext.length;
}

// The outcome of a decryption that GnuPG carried to its end.
ResultCode DecryptionOutcome(std::int32_t flags, int exitStatus, ResultCode runResult,
                             bool complete) {
    if (!(flags & kIntegrityChecked)) {
        return rc::kNoIntegrityProtection;
    }
    // A signature that could not be checked makes GnuPG's exit status
    // non-zero; anything else that does is a failure of the output.
    bool explained = (flags & kSignatureProblem) != 0;
    if (!complete || (exitStatus != 0 && !explained)) {
        return rc::kOutputWrite;
    }
    if (flags & kSignerRevoked) {
        return rc::kSignerKeyRevoked;
    }
    if (flags & kSignerExpired) {
        return rc::kSignerKeyExpired;
    }
    if ((flags & kValidSignature) && !explained) {
        return runResult;
    }
    return rc::kDecryptedUnverified;
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
    DecryptJob job{{flags, passphrase}, {}, ""};
    int exitStatus = platform::kNoExitStatus;
    ResultCode runResult = RunGpg(commandLine, DecryptHandler, &job, &exitStatus);
    if (GpgRunCancelled()) {
        RemoveOutputOfRun(output, before);
        return rc::kCancelled;
    }

    if (!(*flags & kDecryptionEnded) || (*flags & kDecryptionFailed)) {
        if (GpgStarted(runResult)) {
            RemoveOutputOfRun(output, before);
        }
        return rc::kDecryptFailed;
    }
    // A read failure after the end of the decryption leaves the exit status
    // unknown: the output stays, as GnuPG had already finished with it.
    if (runResult != rc::kOk && (*flags & kValidSignature)) {
        return runResult;
    }
    result =
        DecryptionOutcome(*flags, exitStatus, runResult, OutputComplete(output, job.plaintext));
    // GnuPG also searches the home folder's own key ring, which it needs for
    // the secret key: a signature counts only when its key is one of the
    // chosen key file's. Any other is no signature of the sender's.
    bool counted =
        result == rc::kOk || result == rc::kSignerKeyRevoked || result == rc::kSignerKeyExpired;
    if (counted && FindKeyInFile(homeDir, readable.Path(), job.signer, nullptr) != rc::kOk) {
        result = rc::kDecryptedUnverified;
    }
    if (result == rc::kNoIntegrityProtection || result == rc::kOutputWrite) {
        RemoveOutputOfRun(output, before);
    }
    return result;
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

    platform::FileStamp before = platform::StampFile(output);
    *flags = 0;
    CommandJob job{flags, passphrase};
    int exitStatus = platform::kNoExitStatus;
    ResultCode runResult = RunGpg(commandLine, EncryptHandler, &job, &exitStatus);
    if (GpgRunCancelled()) {
        RemoveOutputOfRun(output, before);
        return rc::kCancelled;
    }
    if (runResult != rc::kOk) {
        return runResult;
    }
    if (!(*flags & kEncryptionEnded)) {
        return rc::kEncryptFailed;
    }
    // GnuPG announces the end of the encryption before it has written the
    // last of it: only a clean exit means the whole file is there.
    if (exitStatus != 0) {
        RemoveOutputOfRun(output, before);
        return rc::kOutputWrite;
    }
    return (*flags & kSignatureCreated) ? rc::kOk : rc::kSignFailed;
}
