#include "engine/key_listing.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/armored_key_file.h"
#include "engine/command_frame.h"
#include "engine/gpg_runner.h"
#include "engine/key_method.h"
#include "engine/status_reader.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kCommandLineSize = 1040;
constexpr std::size_t kFieldBufferSize = 257;
constexpr std::size_t kMaxFieldLength = 255;

// The two constants that tell the public listing from the secret one.
struct ListingKind {
    const char* keyRecord;
    ResultCode formatError;
};
constexpr ListingKind kPublicListing{"pub:", rc::kPublicKeyFormat};
constexpr ListingKind kSecretListing{"sec:", rc::kSecretKeyFormat};

struct ListingJob {
    const ListingKind* kind;
    KeyList* list;
};

// Copies field 10 (between the ninth and the tenth colon) into `field`;
// false when the line has fewer than ten colons or the field is too long.
bool TakeField10(const char* line, char* field) {
    const char* start = line;
    for (int colons = 0; colons < 9; ++colons) {
        start = std::strchr(start, ':');
        if (start == nullptr) {
            return false;
        }
        ++start;
    }
    const char* end = std::strchr(start, ':');
    if (end == nullptr) {
        return false;
    }
    std::size_t length = static_cast<std::size_t>(end - start);
    if (length > kMaxFieldLength) {
        return false;
    }
    std::memcpy(field, start, length);
    field[length] = '\0';
    return true;
}

// Field `number` (counted from 1) of a colon record, running to the next
// colon or the end of the line; null when the record has fewer fields.
const char* FieldAt(const char* line, int number) {
    const char* field = line;
    for (int colons = 1; colons < number && field != nullptr; ++colons) {
        field = std::strchr(field, ':');
        field = field != nullptr ? field + 1 : nullptr;
    }
    return field;
}

// Whether field `number` of a colon record holds `letter`.
bool FieldHolds(const char* line, int number, char letter) {
    const char* field = FieldAt(line, number);
    if (field == nullptr) {
        return false;
    }
    std::size_t length = std::strcspn(field, ":");
    return std::memchr(field, letter, length) != nullptr;
}

// What the "pub:" and "sub:" records say of a key's validity (field 2: "r"
// revoked, "e" expired) and of what it can still do (field 12: a capital
// "E" when some key of it can encrypt).
struct KeyValidity {
    bool primaryOutdated = false;
    bool canEncrypt = false;
    bool encryptionKeyOutdated = false;
};

bool IsOutdated(const char* record) {
    return FieldHolds(record, 2, 'r') || FieldHolds(record, 2, 'e');
}

void NoteKeyValidity(const char* line, KeyValidity* validity) {
    if (std::strncmp(line, "pub:", 4) == 0) {
        validity->primaryOutdated = IsOutdated(line);
        validity->canEncrypt = FieldHolds(line, 12, 'E');
    } else if (std::strncmp(line, "sub:", 4) == 0 && FieldHolds(line, 12, 'e') &&
               IsOutdated(line)) {
        validity->encryptionKeyOutdated = true;
    }
}

// A key without any key for encryption at all is not outdated: GnuPG says
// what is wrong with it when it is used.
bool KeyOutdated(const KeyValidity& validity) {
    return validity.primaryOutdated || (!validity.canEncrypt && validity.encryptionKeyOutdated);
}

char* CopyText(const char* text) {
    std::size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy != nullptr) {
        std::memcpy(copy, text, size);
    }
    return copy;
}

ResultCode ListingHandler(ChildStreams* streams, void* data) {
    auto* job = static_cast<ListingJob*>(data);
    char userId[kFieldBufferSize] = "";
    char fingerprint[kFieldBufferSize] = "";
    char line[kStatusLineBufferSize];
    KeyMethods methods;
    KeyValidity validity;
    for (;;) {
        ResultCode read = ReadStatusLine(streams->stdoutReader, line, kStatusLineCapacity);
        if (read != rc::kOk && read != rc::kEndOfOutput && read != rc::kLineTooLong) {
            FreeKeyList(job->list);
            return read;
        }
        if (job->kind == &kPublicListing) {
            NoteKeyMethod(line, &methods);
            NoteKeyValidity(line, &validity);
        }
        bool formatError = false;
        if (std::strncmp(line, job->kind->keyRecord, 4) == 0) {
            // A second key record means a second key.
            formatError = userId[0] != '\0' || !TakeField10(line, userId);
        } else if (std::strncmp(line, "fpr:", 4) == 0) {
            formatError = fingerprint[0] != '\0' || !TakeField10(line, fingerprint);
        }
        if (formatError) {
            DrainOutput(streams, nullptr);
            FreeKeyList(job->list);
            return job->kind->formatError;
        }
        if (read == rc::kEndOfOutput) {
            if (userId[0] == '\0') {
                return rc::kOk;
            }
            if (job->kind == &kPublicListing && KeyMethodUnusable(methods)) {
                return rc::kKeyMethodUnusable;  // the list stays empty
            }
            ResultCode added = AddKeyEntry(job->list, userId, fingerprint);
            if (added != rc::kOk) {
                FreeKeyList(job->list);
                return added;
            }
            job->list->head->outdated = job->kind == &kPublicListing && KeyOutdated(validity);
            return rc::kOk;
        }
    }
}

// `keyName`: list only that key of a public key file; nullptr: every key.
ResultCode ListKeys(const char* homeDir, const char* keyFile, KeyList* list,
                    const ListingKind& kind, const char* keyName = nullptr) {
    bool secret = &kind == &kSecretListing;
    const char* const names[] = {homeDir, keyFile, nullptr};
    ResultCode result =
        RunCommandChecks({homeDir, secret ? keyFile : nullptr, secret ? nullptr : keyFile, names,
                          nullptr, nullptr, nullptr});
    if (result != rc::kOk) {
        return result;
    }
    if (list->head != nullptr) {
        return rc::kKeyListNotEmpty;
    }
    ReadableKeyFile readable(homeDir, keyFile);
    char commandLine[kCommandLineSize];
    bool fits = secret ? FormatCommandLine(commandLine, sizeof commandLine,
                                           "%s --homedir=\"%s\" --secret-keyring=\"%s\" --batch "
                                           "--no-default-keyring --list-secret-keys --with-colons "
                                           "--with-fingerprint",
                                           CommonGpgOptions, homeDir, keyFile)
                       : FormatCommandLine(commandLine, sizeof commandLine,
                                           "%s --homedir=\"%s\" --keyring=\"%s\" --batch "
                                           "--no-default-keyring --list-keys --with-colons "
                                           "--with-fingerprint%s%s",
                                           CommonGpgOptions, homeDir, readable.Path(),
                                           keyName != nullptr ? " " : "",
                                           keyName != nullptr ? keyName : "");
    if (!fits) {
        return rc::kUnknown;
    }
    ListingJob job{&kind, list};
    return RunGpg(commandLine, ListingHandler, &job);
}

}  // namespace

ResultCode ReadKeyListing(ChildStreams* streams, KeyList* list, bool secret) {
    ListingJob job{secret ? &kSecretListing : &kPublicListing, list};
    return ListingHandler(streams, &job);
}

ResultCode ListPublicKeys(const char* homeDir, const char* keyFile, KeyList* list) {
    return ListKeys(homeDir, keyFile, list, kPublicListing);
}

ResultCode ListSecretKeys(const char* homeDir, const char* secretKeyring, KeyList* list) {
    return ListKeys(homeDir, secretKeyring, list, kSecretListing);
}

void NoteSignerKey(const char* statusLine, char* fingerprint) {
    const char* arguments = StatusArguments(statusLine, "VALIDSIG");
    if (arguments == nullptr || fingerprint[0] != '\0') {
        return;
    }
    const char* primary = arguments;
    for (int blanks = 0; blanks < 9 && primary != nullptr; ++blanks) {
        primary = std::strchr(primary, ' ');
        primary = primary != nullptr ? primary + 1 : nullptr;
    }
    std::size_t length = primary != nullptr ? std::strspn(primary, "0123456789ABCDEF") : 0;
    if ((length == 32 || length == 40) && (primary[length] == '\0' || primary[length] == ' ')) {
        std::memcpy(fingerprint, primary, length);
        fingerprint[length] = '\0';
    }
}

ResultCode FindKeyInFile(const char* homeDir, const char* keyFile, const char* fingerprint,
                         char* userId) {
    // Only hexadecimal digits go into the command line.
    std::size_t length = std::strlen(fingerprint);
    if ((length != 32 && length != 40) || std::strspn(fingerprint, "0123456789ABCDEF") != length) {
        return rc::kPublicKeyFormat;
    }
    KeyList list{nullptr};
    ResultCode listed = ListKeys(homeDir, keyFile, &list, kPublicListing, fingerprint);
    char listedUserId[kFieldBufferSize];
    char listedFingerprint[kFieldBufferSize];
    ResultCode single = TakeOnlyKey(&list, rc::kPublicKeyFormat, listedUserId, listedFingerprint);
    if (listed != rc::kOk) {
        return listed;
    }
    // GnuPG also finds a key by the fingerprint of one of its subkeys.
    if (single != rc::kOk || std::strcmp(listedFingerprint, fingerprint) != 0) {
        return rc::kPublicKeyFormat;
    }
    if (userId != nullptr) {
        std::strcpy(userId, listedUserId);
    }
    return rc::kOk;
}

void ShowableUserId(const char* listed, char* shown, std::size_t size) {
    std::string decoded;
    for (const char* at = listed; *at != '\0'; ++at) {
        if (std::strncmp(at, "\\x3a", 4) == 0 || std::strncmp(at, "\\x5c", 4) == 0) {
            decoded += at[2] == '3' ? ':' : '\\';
            at += 3;
        } else {
            decoded += *at;
        }
    }
    platform::ShowableText(decoded.c_str(), shown, size);
}

ResultCode GetOwnFingerprint(const char* homeDir, const char* secretKeyring, char* buffer) {
    // A missing key ring, a GnuPG that cannot start and a ring without keys
    // all leave the list empty: each is reported as 45.
    KeyList list{nullptr};
    ListSecretKeys(homeDir, secretKeyring, &list);
    return TakeOnlyKey(&list, rc::kSecretKeyFormat, nullptr, buffer);
}

ResultCode TakeOnlyKey(KeyList* list, ResultCode formatError, char* userId, char* fingerprint) {
    if (list->head == nullptr || list->head->next != nullptr) {
        FreeKeyList(list);
        return formatError;
    }
    if (userId != nullptr) {
        std::strcpy(userId, list->head->userId);  // shorter than 256 bytes
    }
    if (fingerprint != nullptr) {
        std::strcpy(fingerprint, list->head->fingerprint);
    }
    FreeKeyList(list);
    return rc::kOk;
}

ResultCode AddKeyEntry(KeyList* list, const char* userId, const char* fingerprint) {
    auto* entry = static_cast<KeyEntry*>(std::malloc(sizeof(KeyEntry)));
    if (entry == nullptr) {
        return rc::kOutOfMemory;
    }
    entry->userId = CopyText(userId);
    if (entry->userId == nullptr) {
        std::free(entry);
        return rc::kOutOfMemory;
    }
    entry->fingerprint = CopyText(fingerprint);
    if (entry->fingerprint == nullptr) {
        std::free(entry->userId);
        std::free(entry);
        return rc::kOutOfMemory;
    }
    entry->next = list->head;
    entry->outdated = false;
    list->head = entry;
    return rc::kOk;
}

ResultCode FreeKeyList(KeyList* list) {
    KeyEntry* entry = list->head;
    while (entry != nullptr) {
        KeyEntry* next = entry->next;
        std::free(entry->userId);
        std::free(entry->fingerprint);
        std::free(entry);
        entry = next;
    }
    list->head = nullptr;
    return rc::kOk;
}
