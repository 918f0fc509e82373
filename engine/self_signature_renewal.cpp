#include "engine/self_signature_renewal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/command_frame.h"
#include "engine/gnupg_options.h"
#include "engine/gpg_runner.h"
#include "engine/key_editor.h"
#include "engine/key_listing.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kCommandLineSize = 1560;
constexpr std::size_t kKeyNameSize = 260;
// The listing of one key is about 2 KB; a key ring whose listing is longer
// than this is not the program's own.
constexpr std::size_t kMaxListing = 65536;

// The preference lists of a user ID's self-signature, as the listing shows
// them ("9 8 7 3 2").
struct PreferenceLists {
    std::string symmetric, hashes, compression;
    bool mdc = false, noModify = false;
};

// The text after `label` up to the next ')', or false.
bool TakeBracketed(const char* line, const char* label, std::string* value) {
    const char* at = std::strstr(line, label);
    if (at == nullptr) {
        return false;
    }
    at += std::strlen(label);
    const char* end = std::strchr(at, ')');
    if (end == nullptr) {
        return false;
    }
    value->assign(at, end);
    return true;
}

// "9 8 7" with the letter "S" becomes "S9 S8 S7".
void AppendList(std::string* out, char letter, const std::string& numbers) {
    std::size_t at = 0;
    while (at < numbers.size()) {
        while (at < numbers.size() && numbers[at] == ' ') {
            ++at;
        }
        std::size_t end = numbers.find(' ', at);
        if (end == std::string::npos) {
            end = numbers.size();
        }
        if (end > at) {
            if (!out->empty()) {
                out->push_back(' ');
            }
            out->push_back(letter);
            out->append(numbers, at, end - at);
        }
        at = end;
    }
}

bool IsSelfSignatureClass(int signatureClass) {
    return (signatureClass >= 0x10 && signatureClass <= 0x13) || signatureClass == 0x18;
}

bool IsOutdatedDigest(int digest) {
    return digest == 1 || digest == 2 || digest == 3;  // MD5, SHA-1, RIPEMD-160
}

ResultCode CollectListing(ChildStreams* streams, void* data) {
    auto* text = static_cast<std::string*>(data);
    char buffer[4096];
    for (;;) {
        std::size_t received = 0;
        platform::ReadOutcome outcome =
            ReadChildOutput(streams->stdoutReader, buffer, sizeof buffer, &received);
        if (outcome == platform::ReadOutcome::EndOfStream) {
            return rc::kOk;
        }
        if (outcome == platform::ReadOutcome::Failed) {
            DrainOutput(streams, nullptr);
            return rc::kUnknown;
        }
        if (text->size() + received > kMaxListing) {
            DrainOutput(streams, nullptr);
            return rc::kUnknown;
        }
        text->append(buffer, received);
    }
}

std::string InHome(const char* homeDir, const char* name) {
    std::string path = homeDir;
    if (!path.empty() && path.back() != platform::kPathSeparator) {
        path.push_back(platform::kPathSeparator);
    }
    return path + name;
}

// The fingerprint of the one key of a public key ring, or empty.
std::string PublicFingerprint(const char* homeDir, const char* keyring) {
    KeyList list{nullptr};
    ListPublicKeys(homeDir, keyring, &list);
    char fingerprint[kKeyNameSize] = "";
    if (TakeOnlyKey(&list, rc::kPublicKeyFormat, nullptr, fingerprint) != rc::kOk) {
        return std::string();
    }
    return fingerprint;
}

// The edit itself, on the copies; 0 when the copies hold the renewed key.
ResultCode EditCopies(const char* homeDir, const char* secretCopy, const char* publicCopy,
                      const char* passphrase, const SelfSignatureSurvey& before,
                      const std::string& fingerprint) {
    char commandLine[kCommandLineSize];
    if (!FormatCommandLine(commandLine, sizeof commandLine,
                           "%s --homedir=\"%s\" --secret-keyring=\"%s\" --keyring=\"%s\" "
                           "--no-default-keyring --command-fd=0 --edit-key %s",
                           CommonGpgOptions, homeDir, secretCopy, publicCopy,
                           fingerprint.c_str())) {
        return rc::kUnknown;
    }
    std::string setpref = std::string("setpref ") + before.preferences;
    const char* const commands[] = {setpref.c_str(), "key 1", "expire", nullptr};
    static const KeyEditorAnswer kAnswers[] = {
        {"keyedit.setpref.okay", "y"},  // "Really update the preferences?"
        {"keygen.valid", "0"},          // the subkey keeps no expiry
        {nullptr, nullptr},
    };
    KeyEditorSession session{commandLine, commands, kAnswers, passphrase, nullptr, publicCopy};
    ResultCode result = RunKeyEditor(session);
    if (result != rc::kOk) {
        return result;
    }
    SelfSignatureSurvey after{};
    result = SurveySelfSignatures(homeDir, publicCopy, &after);
    if (result != rc::kOk) {
        return result;
    }
    bool renewed = after.outdated == 0 && after.selfSignatures >= before.selfSignatures &&
                   std::strcmp(after.keyId, before.keyId) == 0 &&
                   std::strcmp(after.preferences, before.preferences) == 0 &&
                   PublicFingerprint(homeDir, publicCopy) == fingerprint;
    return renewed ? rc::kOk : rc::kUnknown;
}

}  // namespace

void ReadPacketListing(const char* text, SelfSignatureSurvey* survey) {
    *survey = SelfSignatureSurvey{};
    PreferenceLists lists;
    bool inFirstKey = false;  // between the first key's packet and the next key's
    bool keys = false;
    char signer[17] = "";
    int signatureClass = -1;
    bool userIdSignature = false;
    std::string line;
    for (const char* at = text; *at != '\0';) {
        const char* end = std::strchr(at, '\n');
        std::size_t length = end != nullptr ? static_cast<std::size_t>(end - at) : std::strlen(at);
        line.assign(at, length);
        at += length + (end != nullptr ? 1 : 0);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const char* l = line.c_str();
        unsigned long long value = 0;
        char id[17] = "";
        int digest = 0;
        std::string list;
        if (std::strncmp(l, ":public key packet:", 19) == 0 ||
            std::strncmp(l, ":secret key packet:", 19) == 0) {
            inFirstKey = !keys;
            keys = true;
        } else if (inFirstKey && survey->keyId[0] == '\0' &&
                   std::sscanf(l, "\tkeyid: %16[0-9A-Fa-f]", id) == 1) {
            std::snprintf(survey->keyId, sizeof survey->keyId, "%s", id);
        } else if (std::sscanf(l, ":signature packet: algo %*d, keyid %16[0-9A-Fa-f]", id) == 1) {
            std::snprintf(signer, sizeof signer, "%s", id);
            signatureClass = -1;
        } else if (std::strstr(l, "sigclass 0x") != nullptr) {
            value = std::strtoull(std::strstr(l, "sigclass 0x") + 11, nullptr, 16);
            signatureClass = static_cast<int>(value);
            userIdSignature = false;
        } else if (std::sscanf(l, "\tdigest algo %d,", &digest) == 1) {
            bool self = inFirstKey && IsSelfSignatureClass(signatureClass) &&
                        std::strcmp(signer, survey->keyId) == 0;
            if (self) {
                ++survey->selfSignatures;
                survey->outdated += IsOutdatedDigest(digest) ? 1 : 0;
                userIdSignature = signatureClass != 0x18;
            }
        } else if (userIdSignature && TakeBracketed(l, "(pref-sym-algos: ", &list)) {
            lists.symmetric = list;
        } else if (userIdSignature && TakeBracketed(l, "(pref-hash-algos: ", &list)) {
            lists.hashes = list;
        } else if (userIdSignature && TakeBracketed(l, "(pref-zip-algos: ", &list)) {
            lists.compression = list;
        } else if (userIdSignature && TakeBracketed(l, "(features: ", &list)) {
            lists.mdc = (std::strtoul(list.c_str(), nullptr, 16) & 0x01) != 0;
        } else if (userIdSignature && TakeBracketed(l, "(key server preferences: ", &list)) {
            lists.noModify = (std::strtoul(list.c_str(), nullptr, 16) & 0x80) != 0;
        }
    }
    if (lists.symmetric.empty() || lists.hashes.empty() || lists.compression.empty()) {
        return;
    }
    std::string preferences;
    AppendList(&preferences, 'S', lists.symmetric);
    AppendList(&preferences, 'H', lists.hashes);
    AppendList(&preferences, 'Z', lists.compression);
    // GnuPG's "setpref" adds the MDC feature and the no-modify flag unless
    // told otherwise: both are named, so that the key keeps what it had.
    preferences += lists.mdc ? " mdc" : " no-mdc";
    preferences += lists.noModify ? " no-ks-modify" : " ks-modify";
    std::snprintf(survey->preferences, sizeof survey->preferences, "%s", preferences.c_str());
}

ResultCode SurveySelfSignatures(const char* homeDir, const char* publicKeyring,
                                SelfSignatureSurvey* survey) {
    *survey = SelfSignatureSurvey{};
    const char* const names[] = {homeDir, publicKeyring, nullptr};
    ResultCode result =
        RunCommandChecks({homeDir, nullptr, publicKeyring, names, nullptr, nullptr, nullptr});
    if (result != rc::kOk) {
        return result;
    }
    char commandLine[kCommandLineSize];
    if (!FormatCommandLine(commandLine, sizeof commandLine,
                           "%s --homedir=\"%s\" --list-packets \"%s\"", CommonGpgOptions, homeDir,
                           publicKeyring)) {
        return rc::kUnknown;
    }
    std::string listing;
    result = RunGpg(commandLine, CollectListing, &listing);
    if (result == rc::kOk) {
        ReadPacketListing(listing.c_str(), survey);
    }
    return result;
}

ResultCode RenewSelfSignatures(const char* homeDir, const char* secretKeyring,
                               const char* publicKeyring, const char* passphrase, bool* renewed) {
    *renewed = false;
    const char* const names[] = {homeDir, secretKeyring, publicKeyring, nullptr};
    ResultCode result = RunCommandChecks(
        {homeDir, secretKeyring, publicKeyring, names, nullptr, nullptr, passphrase});
    SelfSignatureSurvey before{};
    if (result == rc::kOk) {
        result = SurveySelfSignatures(homeDir, publicKeyring, &before);
    }
    if (result != rc::kOk || (before.selfSignatures > 0 && before.outdated == 0)) {
        return result;  // up to date, or the key ring cannot be read
    }
    if (before.selfSignatures == 0 || before.preferences[0] == '\0') {
        return rc::kUnknown;  // not a key the program made
    }
    std::string fingerprint = PublicFingerprint(homeDir, publicKeyring);
    // Without the options GnuPG would sign with SHA-1 once more.
    if (fingerprint.empty() || !EnsureGnupgOptions(homeDir)) {
        return rc::kUnknown;
    }

    std::string secretCopy = InHome(homeDir, "renew-secring.gpg");
    std::string publicCopy = InHome(homeDir, "renew-pubring.gpg");
    if (!platform::CopyFileOver(secretKeyring, secretCopy.c_str()) ||
        !platform::CopyFileOver(publicKeyring, publicCopy.c_str())) {
        result = rc::kUnknown;
    } else {
        result = EditCopies(homeDir, secretCopy.c_str(), publicCopy.c_str(), passphrase, before,
                            fingerprint);
    }
    // The secret key ring goes first: the public one, which tells whether
    // the key is up to date, is replaced last, so that a failure between the
    // two leaves a key that the next start renews again.
    if (result == rc::kOk) {
        if (!platform::MoveFileOver(secretCopy.c_str(), secretKeyring) ||
            !platform::MoveFileOver(publicCopy.c_str(), publicKeyring)) {
            result = rc::kUnknown;
        } else {
            *renewed = true;
        }
    }
    // The copies, the backups GnuPG keeps of the rings it saved ("~" on
    // POSIX, ".bak" instead of the extension on Windows) and the lock files
    // that its Windows build leaves.
    for (const std::string& copy : {secretCopy, publicCopy}) {
        platform::RemoveFile(copy.c_str());
        platform::RemoveFile((copy + "~").c_str());
        platform::RemoveFile((copy + ".lock").c_str());
        platform::RemoveFile((copy.substr(0, copy.size() - 4) + ".bak").c_str());
    }
    return result;
}
