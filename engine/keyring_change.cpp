#include "engine/keyring_change.h"

#include <cstring>
#include <string>
#include <utility>

#include "engine/command_frame.h"
#include "engine/gpg_runner.h"
#include "engine/key_listing.h"
#include "engine/status_reader.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kKeyNameSize = 260;
constexpr std::size_t kCommandLineSize = 1820;

KeyringStep gStopAfter = KeyringStep::None;

// The files of a change in the home folder.
struct ChangeFiles {
    explicit ChangeFiles(const char* homeDir)
        : secretCopy(PathInFolder(homeDir, "change-secring.gpg")),
          publicCopy(PathInFolder(homeDir, "change-pubring.gpg")),
          keptSecret(PathInFolder(homeDir, "kept-secring.gpg")),
          keptPublic(PathInFolder(homeDir, "kept-pubring.gpg")),
          replacing(PathInFolder(homeDir, "keyring-replacing")),
          replaced(PathInFolder(homeDir, "keyring-replaced")),
          check(PathInFolder(homeDir, "change-check.sig")) {}
    std::string secretCopy, publicCopy, keptSecret, keptPublic, replacing, replaced, check;
};

bool Exists(const std::string& path) {
    return platform::LookUpPath(path.c_str()) == platform::PathKind::File;
}

// The backup GnuPG keeps of a ring it saved ("~" on POSIX, ".bak" instead of
// the extension on Windows) and the lock file its Windows build leaves.
void RemoveGnupgBackups(const std::string& ring) {
    platform::RemoveFile((ring + "~").c_str());
    platform::RemoveFile((ring + ".lock").c_str());
    platform::RemoveFile((ring.substr(0, ring.size() - 4) + ".bak").c_str());
}

// The copies, the kept rings, their backups and lock files, and the trial
// signature of the check.
void RemoveLeftovers(const ChangeFiles& files) {
    for (const std::string* ring :
         {&files.secretCopy, &files.publicCopy, &files.keptSecret, &files.keptPublic}) {
        platform::RemoveFile(ring->c_str());
        RemoveGnupgBackups(*ring);
    }
    platform::RemoveFile(files.check.c_str());
}

bool StopsHere(KeyringStep step) {
    return gStopAfter == step;
}

// The fingerprint of the one key a listing found, or empty.
std::string OnlyFingerprint(KeyList* list, ResultCode formatError) {
    char fingerprint[kKeyNameSize] = "";
    if (TakeOnlyKey(list, formatError, nullptr, fingerprint) != rc::kOk) {
        return std::string();
    }
    return fingerprint;
}

// True when both rings hold the one key with this fingerprint.
bool HoldKey(const char* homeDir, const std::string& secretRing, const std::string& publicRing,
             const std::string& fingerprint) {
    KeyList secret{nullptr};
    ListSecretKeys(homeDir, secretRing.c_str(), &secret);
    if (OnlyFingerprint(&secret, rc::kSecretKeyFormat) != fingerprint || fingerprint.empty()) {
        return false;
    }
    KeyList pub{nullptr};
    ListPublicKeys(homeDir, publicRing.c_str(), &pub);
    return OnlyFingerprint(&pub, rc::kPublicKeyFormat) == fingerprint;
}

// True when the copies sign with the passphrase, as the next start will
// try. Unlike the trial signature of a start, GnuPG is kept from the key
// rings in the home folder, so that only the copies can answer.
bool TakePassphrase(const char* homeDir, const ChangeFiles& files, const char* passphrase) {
    char commandLine[kCommandLineSize];
    if (!FormatCommandLine(commandLine, sizeof commandLine,
                           "%s --homedir=\"%s\" --secret-keyring=\"%s\" --keyring=\"%s\" "
                           "--no-default-keyring --batch --yes --always-trust --passphrase-fd=0 "
                           "--detach-sign -o \"%s\" \"%s\"",
                           CommonGpgOptions, homeDir, files.secretCopy.c_str(),
                           files.publicCopy.c_str(), files.check.c_str(),
                           files.publicCopy.c_str())) {
        return false;
    }
    static const StatusWatch kCreated[] = {{"SIG_CREATED", 1}};
    struct Check {
        static ResultCode Handler(ChildStreams* streams, void* data) {
            return RunStatusLoop(streams, *static_cast<CommandJob*>(data), {true, kCreated, 1});
        }
    };
    std::int32_t flags = 0;
    CommandJob job{&flags, passphrase};
    int exitStatus = platform::kNoExitStatus;
    ResultCode result = RunGpg(commandLine, Check::Handler, &job, &exitStatus);
    platform::RemoveFile(files.check.c_str());
    return result == rc::kOk && flags == 1 && exitStatus == 0;
}

bool WriteMarker(const std::string& path, const char* fingerprint) {
    return WriteWholeFile(path.c_str(), fingerprint, std::strlen(fingerprint)) &&
           platform::FlushToDisk(path.c_str());
}

std::string ReadMarker(const std::string& path) {
    std::string text;
    ReadSmallFile(path.c_str(), kKeyNameSize - 1, &text);
    return text;
}

// Puts the kept rings back when they hold the key: each is copied beside
// its ring, flushed and renamed over it, so that a crash on the way leaves
// the marker and the kept rings for the next try. Then the marker goes.
bool PutKeptRingsBack(const char* homeDir, const char* secretKeyring, const char* publicKeyring,
                      const ChangeFiles& files) {
    if (!HoldKey(homeDir, files.keptSecret, files.keptPublic, ReadMarker(files.replacing))) {
        return false;
    }
    const std::pair<const std::string*, const std::string*> rings[] = {
        {&files.keptSecret, &files.secretCopy}, {&files.keptPublic, &files.publicCopy}};
    const char* targets[] = {secretKeyring, publicKeyring};
    for (int i = 0; i < 2; ++i) {
        if (!platform::CopyFileOver(rings[i].first->c_str(), rings[i].second->c_str()) ||
            !platform::FlushToDisk(rings[i].second->c_str()) ||
            !platform::MoveFileOver(rings[i].second->c_str(), targets[i])) {
            return false;
        }
    }
    platform::FlushToDisk(homeDir);  // the renames (POSIX; Windows renames write through)
    if (!platform::RemoveFile(files.replacing.c_str())) {
        return false;
    }
    platform::FlushToDisk(homeDir);
    RemoveLeftovers(files);
    return true;
}

// Ends a change that failed before its commit point: the marker goes
// first, while the key rings are still the old ones, then what was made.
ResultCode Abandon(const ChangeFiles& files, ResultCode result) {
    platform::RemoveFile(files.replacing.c_str());
    RemoveLeftovers(files);
    return result;
}

}  // namespace

void StopKeyringChangeForTesting(KeyringStep step) {
    gStopAfter = step;
}

ResultCode ChangeKeyrings(const char* homeDir, const char* secretKeyring, const char* publicKeyring,
                          const char* fingerprint, const char* passphrase, KeyringEdit edit,
                          void* data) {
    ChangeFiles files(homeDir);
    if (Exists(files.replacing)) {
        return rc::kUnknown;  // its kept rings may be the only good ones
    }
    // The kept rings of a change before are of no use once a start took
    // its rings; this change keeps the rings as they are now.
    platform::RemoveFile(files.replaced.c_str());
    RemoveLeftovers(files);

    if (!platform::CopyFileOver(secretKeyring, files.secretCopy.c_str()) ||
        !platform::CopyFileOver(publicKeyring, files.publicCopy.c_str())) {
        return Abandon(files, rc::kUnknown);
    }
    if (StopsHere(KeyringStep::CopiesMade)) {
        return rc::kUnknown;
    }
    ResultCode result = edit(homeDir, files.secretCopy.c_str(), files.publicCopy.c_str(), data);

    if (result != rc::kOk) {
        return Abandon(files, result);
    }
    if (StopsHere(KeyringStep::CopiesEdited)) {
        return rc::kUnknown;
    }
    if (!platform::FlushToDisk(files.secretCopy.c_str()) ||
        !platform::FlushToDisk(files.publicCopy.c_str()) ||
        !HoldKey(homeDir, files.secretCopy, files.publicCopy, fingerprint) ||
        !TakePassphrase(homeDir, files, passphrase)) {
        return Abandon(files, rc::kUnknown);
    }
    if (StopsHere(KeyringStep::CopiesChecked)) {
        return rc::kUnknown;
    }
    if (!platform::CopyFileOver(secretKeyring, files.keptSecret.c_str()) ||
        !platform::CopyFileOver(publicKeyring, files.keptPublic.c_str()) ||
        !platform::FlushToDisk(files.keptSecret.c_str()) ||
        !platform::FlushToDisk(files.keptPublic.c_str())) {
        return Abandon(files, rc::kUnknown);
    }
    if (StopsHere(KeyringStep::RingsKept)) {
        return rc::kUnknown;
    }
    if (!WriteMarker(files.replacing, fingerprint)) {
        return Abandon(files, rc::kUnknown);
    }
    platform::FlushToDisk(homeDir);
    if (StopsHere(KeyringStep::MarkerWritten)) {
        return rc::kUnknown;
    }
    if (!platform::MoveFileOver(files.secretCopy.c_str(), secretKeyring)) {
        return Abandon(files, rc::kUnknown);
    }
    if (StopsHere(KeyringStep::SecretReplaced)) {
        return rc::kUnknown;
    }
    if (!platform::MoveFileOver(files.publicCopy.c_str(), publicKeyring)) {
        PutKeptRingsBack(homeDir, secretKeyring, publicKeyring, files);
        return rc::kUnknown;
    }
    if (StopsHere(KeyringStep::PublicReplaced)) {
        return rc::kUnknown;
    }
    platform::FlushToDisk(homeDir);
    // The commit point: from here on the new rings are the key's.
    if (!platform::MoveFileOver(files.replacing.c_str(), files.replaced.c_str())) {
        PutKeptRingsBack(homeDir, secretKeyring, publicKeyring, files);
        return rc::kUnknown;
    }
    platform::FlushToDisk(homeDir);
    if (StopsHere(KeyringStep::Committed)) {
        return rc::kUnknown;
    }
    // GnuPG's backups of the copies go; the kept rings stay.
    RemoveGnupgBackups(files.secretCopy);
    RemoveGnupgBackups(files.publicCopy);
    return rc::kOk;
}

void RecoverKeyrings(const char* homeDir, const char* secretKeyring, const char* publicKeyring) {
    ChangeFiles files(homeDir);
    if (Exists(files.replacing)) {
        // Kept rings that do not hold the key stay for the user to rescue.
        PutKeptRingsBack(homeDir, secretKeyring, publicKeyring, files);
    } else if (!Exists(files.replaced)) {
        RemoveLeftovers(files);  // the key rings were never touched
    }
}

void SettleKeyrings(const char* homeDir) {
    ChangeFiles files(homeDir);
    if (Exists(files.replaced)) {
        RemoveLeftovers(files);
        platform::RemoveFile(files.replaced.c_str());
    }
}
