#include "engine/passphrase_change.h"

#include <cstring>

#include "engine/command_frame.h"
#include "engine/gnupg_options.h"
#include "engine/key_editor.h"
#include "engine/key_generation.h"
#include "engine/key_listing.h"
#include "engine/keyring_change.h"

namespace {

constexpr std::size_t kCommandLineSize = 1560;
constexpr std::size_t kKeyNameSize = 260;

struct PassphraseEdit {
    const char* keyName;
    const char* oldPassphrase;
    const char* newPassphrase;
};

// "passwd" on the copies of the key rings.
ResultCode EditPassphrase(const char* homeDir, const char* secretCopy, const char* publicCopy,
                          void* data) {
    const auto* edit = static_cast<const PassphraseEdit*>(data);
    char commandLine[kCommandLineSize];
    if (!FormatCommandLine(commandLine, sizeof commandLine,
                           "%s --homedir=\"%s\" --secret-keyring=\"%s\" --keyring=\"%s\" "
                           "--no-default-keyring --command-fd=0 --edit-key %s passwd",
                           CommonGpgOptions, homeDir, secretCopy, publicCopy, edit->keyName)) {
        return rc::kUnknown;
    }
    // "passwd" on the command line asks for both passphrases before the
    // editor's first prompt; "save" follows there.
    KeyEditorSession session{commandLine,         nullptr,   nullptr, edit->oldPassphrase,
                             edit->newPassphrase, secretCopy};
    return RunKeyEditor(session);
}

}  // namespace

ResultCode ChangePassphrase(const char* homeDir, const char* secretKeyring,
                            const char* publicKeyring, const char* oldPassphrase,
                            const char* newPassphrase) {
    const char* const names[] = {homeDir, secretKeyring, publicKeyring, nullptr};
    ResultCode result =
        RunCommandChecks({homeDir, secretKeyring, publicKeyring, names, nullptr, nullptr, nullptr});
    if (result == rc::kOk)
        result = CheckPassphraseLength(oldPassphrase);
    if (result == rc::kOk)
        result = CheckPassphraseLength(newPassphrase);
    if (result == rc::kOk)
        result = CheckPassphraseText(oldPassphrase);
    if (result == rc::kOk)
        result = CheckPassphraseText(newPassphrase);
    if (result != rc::kOk) {
        return result;
    }

    // The key to edit is the one key of the secret key ring, by fingerprint.
    KeyList list{nullptr};
    ListSecretKeys(homeDir, secretKeyring, &list);
    char keyName[kKeyNameSize];
    result = TakeOnlyKey(&list, rc::kSecretKeyFormat, nullptr, keyName);
    if (result != rc::kOk) {
        return result;
    }
    // The options file sets the protection that the key gets with its new
    // passphrase.
    EnsureGnupgOptions(homeDir);
    PassphraseEdit edit{keyName, oldPassphrase, newPassphrase};
    return ChangeKeyrings(homeDir, secretKeyring, publicKeyring, keyName, newPassphrase,
                          EditPassphrase, &edit);
}
