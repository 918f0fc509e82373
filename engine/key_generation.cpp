#include "engine/key_generation.h"

#include <cstring>

#include "engine/command_frame.h"
#include "engine/gnupg_options.h"
#include "engine/gpg_runner.h"
#include "engine/status_reader.h"
#include "platform/platform.h"
#include "platform/ui.h"

namespace {

constexpr int kSecretOverwriteText = 88;
constexpr int kPublicOverwriteText = 90;
constexpr std::size_t kCommandLineSize = 1300;
constexpr int kTextBufferSize = 260;

bool HasLineBreak(const char* text) {
    return std::strpbrk(text, "\r\n") != nullptr;
}

// Writes one line of the parameter text: the pieces, then the line end.
void WriteParameter(platform::OsHandle stream, const char* key, const char* value) {
    WriteText(stream, key);
    WriteText(stream, value);
    WriteText(stream, platform::kLineEnd);
}

void WriteParameters(platform::OsHandle stream, const KeyGenRequest& request) {
    WriteParameter(stream, "Key-Type: RSA", "");
    WriteParameter(stream, "Key-Length: 3072", "");
    WriteParameter(stream, "Key-Usage: sign", "");
    WriteParameter(stream, "Subkey-Type: RSA", "");
    WriteParameter(stream, "Subkey-Length: 3072", "");
    WriteParameter(stream, "Subkey-Usage: encrypt", "");
    WriteParameter(stream, "Name-Real: ", request.userName);
    WriteParameter(stream, "Name-Email: ", request.email);
    if (request.comment[0] != '\0') {
        WriteParameter(stream, "Name-Comment: ", request.comment);
    }
    WriteParameter(stream, "Expire-Date: 0", "");
    WriteParameter(stream, "Passphrase: ", request.passphrase);
    WriteParameter(stream, "%secring ", request.secretKeyring);
    WriteParameter(stream, "%pubring ", request.publicKeyring);
    WriteParameter(stream, "%commit", "");
}

// Copies what follows the third blank of a KEY_CREATED line; false when the
// line has fewer than three blanks.
bool TakeCreatedFingerprint(const char* line, char* fingerprint) {
    const char* blank = line;
    for (int i = 0; i < 3; ++i) {
        blank = std::strchr(i == 0 ? blank : blank + 1, ' ');
        if (blank == nullptr) {
            return false;
        }
    }
    std::strcpy(fingerprint, blank + 1);  // at most 255 bytes: the line's capacity
    return true;
}

ResultCode KeyGenerationHandler(ChildStreams* streams, void* data) {
    auto* request = static_cast<KeyGenRequest*>(data);
    WriteParameters(streams->stdinWriter, *request);
    platform::CloseOsHandle(streams->stdinWriter);
    streams->stdinWriter = platform::kNoHandle;

    std::int32_t lineCounter = 0;
    bool created = false;
    char line[kStatusLineBufferSize];
    for (;;) {
        ResultCode read = ReadStatusLine(streams->stdoutReader, line, kStatusLineCapacity);
        if (read != rc::kOk && read != rc::kEndOfOutput && read != rc::kLineTooLong) {
            return created ? read : rc::kKeyGenFailed;
        }
        if (request->progress != nullptr) {
            if (++lineCounter == 100) {
                lineCounter = 0;
            }
            request->progress(&lineCounter);
        }
        // Giving up early still reads GnuPG's remaining output, so that
        // GnuPG is never left blocked on a full pipe while we wait for it.
        if (IsStatusKeyword(line, "KEY_CREATED")) {
            created = true;
            if (!TakeCreatedFingerprint(line, request->fingerprint)) {
                DrainOutput(streams, nullptr);
                return rc::kUnknown;
            }
        } else if (IsStatusKeyword(line, "KEY_NOT_CREATED")) {
            DrainOutput(streams, nullptr);
            return created ? rc::kUnknown : rc::kKeyGenFailed;
        }
        if (read == rc::kEndOfOutput) {
            return created ? rc::kOk : rc::kKeyGenFailed;
        }
    }
}

}  // namespace

ResultCode PrepareKeyringFile(const char* path, KeyringKind kind) {
    bool secret = kind == KeyringKind::Secret;
    if (platform::CanOpenForSharedReading(path)) {
        char question[kTextBufferSize];
        platform::LoadText(secret ? kSecretOverwriteText : kPublicOverwriteText, question,
                           sizeof question);
        int answer = ui::ShowMessageBox(nullptr, question, "CONFIRMATION", ui::kBoxOkCancel);
        return answer == ui::kAnswerOk ? rc::kOk : rc::kCancelled;
    }
    if (!platform::CreateNewFile(path)) {
        return secret ? rc::kSecretKeyFileCreate : rc::kPublicKeyFileCreate;
    }
    platform::RemoveFile(path);
    return rc::kOk;
}

ResultCode CheckUserName(const char* name) {
    if (std::strlen(name) < 5) {
        return rc::kNameTooShort;
    }
    if (name[0] >= '0' && name[0] <= '9') {
        return rc::kNameStartsWithDigit;
    }
    for (const char* p = name; *p != '\0'; ++p) {
        unsigned char byte = static_cast<unsigned char>(*p);
        if (byte < 0x20 || byte > 0x7E) {
            return rc::kNameFullWidth;
        }
        if (byte == '<' || byte == '>') {
            return rc::kNameInvalidChar;
        }
    }
    return rc::kOk;
}

ResultCode CheckEmailAddress(const char* email) {
    std::size_t length = std::strlen(email);
    if (length == 0 || email[0] == '@' || email[length - 1] == '@' || email[length - 1] == '.' ||
        std::strstr(email, "..") != nullptr) {
        return rc::kEmailInvalid;
    }
    int atSigns = 0;
    for (const char* p = email; *p != '\0'; ++p) {
        char c = *p;
        bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '@' || c == '+' || c == '-' || c == '_' || c == '.';
        if (!allowed) {
            return rc::kEmailInvalid;  // also every byte of 0x80 or above
        }
        atSigns += c == '@';
    }
    return atSigns == 1 ? rc::kOk : rc::kEmailInvalid;
}

ResultCode CheckPassphraseLength(const char* passphrase) {
    return std::strlen(passphrase) < 8 ? rc::kPassphraseTooShort : rc::kOk;
}

ResultCode CheckPassphraseEdges(const char* passphrase) {
    std::size_t length = std::strlen(passphrase);
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return length > 0 && (blank(passphrase[0]) || blank(passphrase[length - 1]))
               ? rc::kPassphraseEdgeBlank
               : rc::kOk;
}

ResultCode GenerateKeyPair(const char* homeDir, const char* secretKeyring,
                           const char* publicKeyring, const char* userName, const char* email,
                           const char* comment, const char* passphrase, char* fingerprint,
                           ProgressCallback progress) {
    ResultCode result = CheckHomeFolder(homeDir);
    if (result == rc::kOk)
        result = PrepareKeyringFile(secretKeyring, KeyringKind::Secret);
    if (result == rc::kOk)
        result = PrepareKeyringFile(publicKeyring, KeyringKind::Public);
    if (result == rc::kOk)
        result = CheckUserName(userName);
    if (result == rc::kOk)
        result = CheckEmailAddress(email);
    if (result == rc::kOk)
        result = CheckPassphraseLength(passphrase);
    // Every value goes into a line of GnuPG's parameter text: a line break
    // inside one would end it early and smuggle in parameters of its own.
    if (result == rc::kOk)
        result = CheckPassphraseText(passphrase);
    if (result == rc::kOk)
        result = CheckPassphraseEdges(passphrase);
    const char* const names[] = {homeDir, secretKeyring, publicKeyring, nullptr};
    if (result == rc::kOk)
        result = CheckQuotableNames(names);
    if (result == rc::kOk &&
        (HasLineBreak(comment) || HasLineBreak(secretKeyring) || HasLineBreak(publicKeyring))) {
        result = rc::kUnknown;
    }
    if (result != rc::kOk) {
        return result;
    }
    char commandLine[kCommandLineSize];
    if (!FormatCommandLine(commandLine, sizeof commandLine,
                           "%s --homedir=\"%s\" --secret-keyring=\"%s\" --keyring=\"%s\" --batch "
                           "--gen-key",
                           CommonGpgOptions, homeDir, secretKeyring, publicKeyring)) {
        return rc::kUnknown;
    }
    // The options file, read by this run and every later one, makes the new
    // key's self-signatures and all its signatures SHA-256 ones.
    EnsureGnupgOptions(homeDir);
    KeyGenRequest request{fingerprint, homeDir, secretKeyring, publicKeyring, userName,
                          email,       comment, passphrase,    progress};
    return RunGpg(commandLine, KeyGenerationHandler, &request);
}
