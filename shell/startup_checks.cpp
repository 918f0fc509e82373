#include "shell/startup_checks.h"

#include <cstdio>

#include "engine/gnupg_options.h"
#include "engine/gpg_runner.h"
#include "engine/key_listing.h"
#include "engine/keyring_change.h"
#include "engine/self_signature_renewal.h"
#include "engine/signature_commands.h"
#include "platform/platform.h"
#include "shell/app_state.h"
#include "shell/settings.h"
#include "workflows/gpg_names.h"

namespace {

constexpr int kPromptCaption = 21;
constexpr int kPromptText = 22;
constexpr int kPromptSize = 260;
constexpr std::size_t kTitleSize = 517;

enum KeyFolderState { kNormalStart = 0, kFirstStart = 1, kHomeNameTaken = 2 };

// Makes a folder unless it is there; 39 when a file has its name or it
// cannot be made.
ResultCode EnsureFolder(const char* path) {
    switch (platform::LookUpPath(path)) {
        case platform::PathKind::Folder:
            return rc::kOk;
        case platform::PathKind::File:
            return rc::kInstallationBroken;
        case platform::PathKind::Missing:
            break;
    }
    return platform::MakeFolder(path) ? rc::kOk : rc::kInstallationBroken;
}

// Everything the start-up checks do once the window is shown; a non-zero
// result is the message to show.
ResultCode CheckKeysAndSettings(ui::Window mainWindow, KeyPaths* keyPaths) {
    ResultCode code = rc::kOk;
    // A key ring change that a crash cut off is undone before the key folder
    // is judged: a missing secret key ring must not pass for a first start.
    RecoverKeyrings(keyPaths->homeDir, keyPaths->secretKeyring, keyPaths->publicKeyring);
    switch (ProbeKeyFolder(keyPaths)) {
        case kHomeNameTaken:
            return rc::kWorkFolderUnusable;
        case kFirstStart:
            code = PrepareFirstRun(mainWindow, keyPaths);
            break;
        default:
            code = CheckStartupPassphrase(mainWindow, keyPaths);
            if (code == rc::kOk) {
                SettleKeyrings(keyPaths->homeDir);  // the rings of a change took the passphrase
                // A key made before SHA-256 self-signatures and today's
                // protection gets them now, unasked; a failure leaves the key rings as they were,
                // the start goes on and the next start tries again.
                bool renewed = false;
                RenewSelfSignatures(keyPaths->homeDir, keyPaths->secretKeyring,
                                    keyPaths->publicKeyring, keyPaths->passphrase, &renewed);
            }
            break;
    }
    if (code != rc::kOk) {
        return code;
    }

    KeyList list{nullptr};
    ResultCode listed = ListSecretKeys(keyPaths->homeDir, keyPaths->secretKeyring, &list);
    if (list.head == nullptr) {
        return rc::kUnknown;  // no key, or the listing failed
    }
    if (listed != rc::kOk || list.head->next != nullptr) {
        FreeKeyList(&list);
        return listed != rc::kOk ? listed : rc::kSecretKeyFormat;
    }
    char title[kTitleSize];
    int length = std::snprintf(title, sizeof title, "Quillet - %s", list.head->userId);
    FreeKeyList(&list);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof title) {
        return rc::kUnknown;
    }
    ui::SetWindowTitle(mainWindow, title);

    return ReadSettings();
}

}  // namespace

bool RunStartupChecks(ui::Window mainWindow) {
    KeyPaths* keyPaths = &gAppState.work.keyPaths;
    ResultCode code = ComputeKeyPaths(keyPaths);
    if (code == rc::kOk) {
        RemoveUnfinishedOutputs(keyPaths->homeDir);  // of a run the program did not outlive
        // The dialogs that follow need a visible owner.
        ui::ShowWindowNow(mainWindow);
        code = CheckKeysAndSettings(mainWindow, keyPaths);
    }
    if (code != rc::kOk) {
        ShowResult(nullptr, code);
        return false;
    }
    UpdateSettingsMenu(mainWindow);
    return true;
}

ResultCode ComputeKeyPaths(KeyPaths* keyPaths) {
    // A program folder so deep that a key path does not fit its slot cannot
    // be used: that is reported as a broken installation, never cut.
    static const char* const kHome[] = {"conf"};
    static const char* const kSecret[] = {"conf", "secring.gpg"};
    static const char* const kPublic[] = {"conf", "pubring.gpg"};
    bool fits =
        BuildProgramFolderPath(keyPaths->homeDir, sizeof keyPaths->homeDir, kHome, 1) &&
        BuildProgramFolderPath(keyPaths->secretKeyring, sizeof keyPaths->secretKeyring, kSecret,
                               2) &&
        BuildProgramFolderPath(keyPaths->publicKeyring, sizeof keyPaths->publicKeyring, kPublic, 2);
    return fits ? rc::kOk : rc::kInstallationBroken;
}

int ProbeKeyFolder(const KeyPaths* keyPaths) {
    switch (platform::LookUpPath(keyPaths->homeDir)) {
        case platform::PathKind::Missing:
            return kFirstStart;
        case platform::PathKind::File:
            return kHomeNameTaken;
        case platform::PathKind::Folder:
            break;
    }
    return platform::LookUpPath(keyPaths->secretKeyring) == platform::PathKind::Missing
               ? kFirstStart
               : kNormalStart;
}

ResultCode PrepareFirstRun(ui::Window owner, KeyPaths* keyPaths) {
    static const char* const kPubkey[] = {"pubkey"};
    char pubkeyFolder[platform::kMaxPath];
    if (!BuildProgramFolderPath(pubkeyFolder, sizeof pubkeyFolder, kPubkey, 1)) {
        return rc::kInstallationBroken;
    }
    ResultCode code = EnsureFolder(pubkeyFolder);
    if (code == rc::kOk) {
        code = EnsureFolder(keyPaths->homeDir);
    }
    return code != rc::kOk ? code : OpenKeySetupDialog(owner, keyPaths);
}

ResultCode OpenKeySetupDialog(ui::Window owner, KeyPaths* keyPaths) {
    return ui::RunKeySetupDialog(owner, keyPaths);
}

ResultCode CheckStartupPassphrase(ui::Window owner, KeyPaths* keyPaths) {
    char tempFolder[platform::kMaxPath];
    char trialSignature[platform::kMaxPath];
    if (!platform::GetTempFolder(tempFolder, sizeof tempFolder) ||
        !platform::CreateUniqueTempFile(tempFolder, "gpg", trialSignature)) {
        return rc::kUnknown;
    }
    char caption[kPromptSize];
    char prompt[kPromptSize];
    platform::LoadText(kPromptCaption, caption, sizeof caption);
    platform::LoadText(kPromptText, prompt, sizeof prompt);
    if (ui::PromptPassphrase(owner, keyPaths->passphrase, kStartupPromptSize, prompt, caption) ==
        0) {
        platform::RemoveFile(trialSignature);
        return rc::kCancelled;
    }
    // The passphrase is right when it can sign: the public key ring is
    // signed into the trial file, which goes again whatever the result. The
    // options file makes that signature, like every other, use SHA-256; a
    // program folder from before has none yet.
    EnsureGnupgOptions(keyPaths->homeDir);
    std::int32_t flags = 0;
    ResultCode result =
        SignFile(keyPaths->homeDir, keyPaths->secretKeyring, keyPaths->publicKeyring,
                 keyPaths->publicKeyring, trialSignature, keyPaths->passphrase, &flags);
    platform::RemoveFile(trialSignature);
    // GnuPG signed, so the passphrase is right, but could not write the
    // trial file (a full temporary folder): that does not keep the user out.
    return result == rc::kOutputWrite ? rc::kOk : result;
}
