#include "engine/self_signature_renewal.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/command_frame.h"
#include "engine/gnupg_options.h"
#include "engine/gpg_runner.h"
#include "engine/key_editor.h"
#include "engine/key_listing.h"
#include "engine/keyring_change.h"
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

// The memo of the last survey that found the key up to date: one line of
// what it found, then the size, time and identity of both key rings. While
// the rings stay as they were, the key stays up to date and is not surveyed
// again, so that a start runs GnuPG only for its trial signature and listing.
constexpr char kSurveyMemo[] = "keyring-survey";
constexpr char kUpToDate[] = "up to date:";

std::string RingsStamp(const char* secretKeyring, const char* publicKeyring) {
    std::string text;
    for (const char* ring : {secretKeyring, publicKeyring}) {
        platform::FileStamp stamp = platform::StampFile(ring);
        char line[160];
        std::snprintf(line, sizeof line, "%d %llu %llu %llu %llu\n", stamp.exists ? 1 : 0,
                      static_cast<unsigned long long>(stamp.identity.volume),
                      static_cast<unsigned long long>(stamp.identity.index),
                      static_cast<unsigned long long>(stamp.size),
                      static_cast<unsigned long long>(stamp.modified));
        text += line;
    }
    return text;
}

bool RemembersUpToDate(const std::string& memo, const std::string& stamp) {
    std::string content;
    if (!ReadSmallFile(memo.c_str(), 512, &content)) {
        return false;
    }
    std::size_t lineEnd = content.find('\n');
    return content.rfind(kUpToDate, 0) == 0 && lineEnd != std::string::npos &&
           content.compare(lineEnd + 1, std::string::npos, stamp) == 0;
}

void RememberUpToDate(const std::string& memo, const SelfSignatureSurvey& pub,
                      const SelfSignatureSurvey& secret, const std::string& stamp) {
    char found[120];
    std::snprintf(found, sizeof found, "%s %d self-signatures, protect count %lu\n", kUpToDate,
                  pub.selfSignatures, secret.weakestProtection);
    std::string text = found + stamp;
    if (!WriteWholeFile(memo.c_str(), text.data(), text.size())) {
        platform::RemoveFile(memo.c_str());  // then the next start surveys again
    }
}

bool SignaturesDue(const SelfSignatureSurvey& pub) {
    return pub.selfSignatures == 0 || pub.outdated > 0;
}

bool ProtectionDue(const SelfSignatureSurvey& secret) {
    return secret.weakestProtection < kKeyProtectionCount;
}

struct RenewalEdit {
    const SelfSignatureSurvey* before;  // the public ring's survey
    bool signatures;                    // the self-signatures are made again
    bool protection;                    // the secret key is protected anew
    const char* fingerprint;
    const char* passphrase;
};

// The edit itself, on the copies; 0 when the copies hold the renewed key.
ResultCode EditCopies(const char* homeDir, const char* secretCopy, const char* publicCopy,
                      void* data) {
    const auto& edit = *static_cast<const RenewalEdit*>(data);
    char commandLine[kCommandLineSize];
    if (!FormatCommandLine(commandLine, sizeof commandLine,
                           "%s --homedir=\"%s\" --secret-keyring=\"%s\" --keyring=\"%s\" "
                           "--no-default-keyring --command-fd=0 --edit-key %s",
                           CommonGpgOptions, homeDir, secretCopy, publicCopy, edit.fingerprint)) {
        return rc::kUnknown;
    }
    std::string setpref = std::string("setpref ") + edit.before->preferences;
    const char* commands[5] = {};
    int count = 0;
    if (edit.signatures) {
        commands[count++] = setpref.c_str();
        commands[count++] = "key 1";
        commands[count++] = "expire";
    }
    if (edit.protection) {
        commands[count++] = "passwd";  // to the same passphrase, with the options' protection
    }
    static const KeyEditorAnswer kAnswers[] = {
        {"keyedit.setpref.okay", "y"},  // "Really update the preferences?"
        {"keygen.valid", "0"},          // the subkey keeps no expiry
        {nullptr, nullptr},
    };
    KeyEditorSession session{commandLine,     commands, kAnswers,
                             edit.passphrase, nullptr,  edit.signatures ? publicCopy : secretCopy};
    ResultCode result = RunKeyEditor(session);
    SelfSignatureSurvey after{};
    if (result == rc::kOk && edit.signatures) {
        result = SurveySelfSignatures(homeDir, publicCopy, &after);
        bool renewed = after.outdated == 0 && after.selfSignatures >= edit.before->selfSignatures &&
                       std::strcmp(after.keyId, edit.before->keyId) == 0 &&
                       std::strcmp(after.preferences, edit.before->preferences) == 0;
        result = result == rc::kOk && !renewed ? rc::kUnknown : result;
    }
    if (result == rc::kOk && edit.protection) {
        result = SurveySelfSignatures(homeDir, secretCopy, &after);
        result = result == rc::kOk && ProtectionDue(after) ? rc::kUnknown : result;
    }
    return result;
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
    // The protection of each of the first key's secret packets: 0 until its
    // count is listed (a key without one hashes its passphrase once).
    bool secretPacket = false;
    unsigned long protection = 0;
    auto settleProtection = [&] {
        if (secretPacket) {
            survey->weakestProtection = survey->secretKeys == 0
                                            ? protection
                                            : std::min(survey->weakestProtection, protection);
            ++survey->secretKeys;
        }
        secretPacket = false;
        protection = 0;
    };
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
        unsigned long count = 0;
        char id[17] = "";
        int digest = 0;
        std::string list;
        if (l[0] == ':') {
            settleProtection();  // a new packet begins
        }
        if (std::strncmp(l, ":public key packet:", 19) == 0 ||
            std::strncmp(l, ":secret key packet:", 19) == 0) {
            inFirstKey = !keys;
            keys = true;
            secretPacket = inFirstKey && l[1] == 's';
        } else if (inFirstKey && std::strncmp(l, ":secret sub key packet:", 23) == 0) {
            secretPacket = true;
        } else if (secretPacket && std::sscanf(l, "\tprotect count: %lu", &count) == 1) {
            protection = count;
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
    settleProtection();
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

ResultCode SurveySelfSignatures(const char* homeDir, const char* keyring,
                                SelfSignatureSurvey* survey) {
    *survey = SelfSignatureSurvey{};
    const char* const names[] = {homeDir, keyring, nullptr};
    ResultCode result =
        RunCommandChecks({homeDir, nullptr, keyring, names, nullptr, nullptr, nullptr});
    if (result != rc::kOk) {
        return result;
    }
    char commandLine[kCommandLineSize];
    if (!FormatCommandLine(commandLine, sizeof commandLine,
                           "%s --homedir=\"%s\" --list-packets \"%s\"", CommonGpgOptions, homeDir,
                           keyring)) {
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
    std::string memo = PathInFolder(homeDir, kSurveyMemo);
    if (result != rc::kOk || RemembersUpToDate(memo, RingsStamp(secretKeyring, publicKeyring))) {
        return result;
    }
    SelfSignatureSurvey pub{};
    SelfSignatureSurvey secret{};
    result = SurveySelfSignatures(homeDir, publicKeyring, &pub);
    if (result == rc::kOk) {
        result = SurveySelfSignatures(homeDir, secretKeyring, &secret);
    }
    if (result != rc::kOk) {
        return result;  // the key rings cannot be read
    }
    RenewalEdit edit{&pub, SignaturesDue(pub), ProtectionDue(secret), nullptr, passphrase};
    if (!edit.signatures && !edit.protection) {
        RememberUpToDate(memo, pub, secret, RingsStamp(secretKeyring, publicKeyring));
        return rc::kOk;
    }
    if (pub.selfSignatures == 0 || secret.secretKeys == 0 ||
        (edit.signatures && pub.preferences[0] == '\0')) {
        return rc::kUnknown;  // not a key the program made
    }
    std::string fingerprint = PublicFingerprint(homeDir, publicKeyring);
    // Without the options GnuPG would sign with SHA-1 once more, and
    // protect the key as weakly as before.
    if (fingerprint.empty() || !EnsureGnupgOptions(homeDir)) {
        return rc::kUnknown;
    }
    edit.fingerprint = fingerprint.c_str();
    result = ChangeKeyrings(homeDir, secretKeyring, publicKeyring, edit.fingerprint, passphrase,
                            EditCopies, &edit);
    if (result == rc::kOk) {
        *renewed = true;
        secret.weakestProtection = std::max(secret.weakestProtection, kKeyProtectionCount);
        RememberUpToDate(memo, pub, secret, RingsStamp(secretKeyring, publicKeyring));
    }
    return result;
}
