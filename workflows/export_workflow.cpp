#include "workflows/export_workflow.h"

#include <cstdio>
#include <cstring>

#include "engine/key_export.h"
#include "engine/key_listing.h"
#include "workflows/file_dialogs.h"
#include "workflows/gpg_names.h"

namespace {

constexpr std::size_t kTextSize = 260;

const FileQuestion kAskOutput{ui::FileDialogKind::Save, 0,    kKeyFileFilters, 2, false,
                              ui::kAskBeforeOverwrite,  "gpg"};

// "Taro Yamada <taro@example.com>" proposes taro@example.com.gpg; a user ID
// without an address in angle brackets proposes pubkey.gpg.
void ProposeKeyFileName(const char* userId, char* proposal, std::size_t size) {
    const char* open = std::strchr(userId, '<');
    const char* close = open != nullptr ? std::strchr(open + 1, '>') : nullptr;
    if (close == nullptr) {
        std::snprintf(proposal, size, "pubkey.gpg");
        return;
    }
    std::snprintf(proposal, size, "%.*s.gpg", static_cast<int>(close - open - 1), open + 1);
}

}  // namespace

ResultCode ExportWorkflow(ui::Window owner, KeyPaths* keyPaths) {
    KeyList list{nullptr};
    ResultCode listed = ListSecretKeys(keyPaths->homeDir, keyPaths->secretKeyring, &list);
    if (listed != rc::kOk) {
        FreeKeyList(&list);
        return listed;
    }
    char fingerprint[kTextSize];
    char userId[kTextSize];
    ResultCode single = TakeOnlyKey(&list, rc::kSecretKeyFormat, userId, fingerprint);
    if (single != rc::kOk) {
        return single;
    }

    char fileName[kTextSize];
    ProposeKeyFileName(userId, fileName, sizeof fileName);
    // Exporting over the key ring itself would delete it first.
    ResultCode chosen = AskForOutput(owner, kAskOutput, *keyPaths, fileName);
    GpgName gpgOutput;
    if (chosen == rc::kOk) {
        chosen = NameOutputForGpg(fileName, nullptr, keyPaths->homeDir, &gpgOutput);
    }
    if (chosen != rc::kOk) {
        return chosen;
    }
    ResultCode result =
        ExportPublicKey(keyPaths->homeDir, keyPaths->publicKeyring, fingerprint, gpgOutput.path);
    return SettleOutput(fileName, keyPaths->homeDir, gpgOutput, result, result == rc::kOk);
}
