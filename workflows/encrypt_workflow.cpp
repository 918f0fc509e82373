#include "workflows/encrypt_workflow.h"

#include "engine/encryption_commands.h"
#include "engine/gnupg_options.h"
#include "engine/gpg_runner.h"
#include "engine/key_listing.h"
#include "workflows/file_dialogs.h"
#include "workflows/gpg_names.h"
#include "workflows/run_progress.h"

namespace {

constexpr int kFileToEncryptTitle = 6;
constexpr int kKeyFileTitle = 7;
constexpr int kEncryptedFileTitle = 8;
constexpr std::size_t kNameSize = 260;

const FileQuestion kAskInput{ui::FileDialogKind::Open,
                             kFileToEncryptTitle,
                             kAllFileFilters,
                             1,
                             false,
                             ui::kFileMustExist,
                             nullptr};
const FileQuestion kAskKeyFile{ui::FileDialogKind::Open,
                               kKeyFileTitle,
                               kReceivedKeyFileFilters,
                               3,
                               true,
                               ui::kFileMustExist | ui::kKeepCurrentFolder,
                               nullptr};
const FileQuestion kAskOutput{ui::FileDialogKind::Save,
                              kEncryptedFileTitle,
                              kAllFileFilters,
                              1,
                              false,
                              ui::kAskBeforeOverwrite,
                              nullptr};

}  // namespace

ResultCode EncryptWorkflow(ui::Window owner, WorkContext* context, const char* droppedFile) {
    KeyPaths& keys = context->keyPaths;
    char input[kNameSize] = "";
    char keyFile[kNameSize] = "";
    char output[kNameSize] = "";
    char recipient[kNameSize] = "";

    GpgName gpgInput;
    GpgName gpgKeyFile;
    GpgName gpgOutput;
    ResultCode taken = TakeInputFile(owner, kAskInput, droppedFile, false, input);
    if (taken == rc::kOk) {
        taken = NameInputForGpg(input, &gpgInput);
    }
    if (taken != rc::kOk) {
        return taken;
    }
    ResultCode asked = AskFor(owner, kAskKeyFile, keyFile);
    if (asked == rc::kOk) {
        asked = NameInputForGpg(keyFile, &gpgKeyFile);
    }
    if (asked != rc::kOk) {
        return asked;
    }
    ProposeWithExtension(input, ".gpg", output);
    ResultCode chosen = AskForOutput(owner, kAskOutput, keys, output);
    if (chosen != rc::kOk) {
        return chosen;
    }

    // From here on GnuPG runs: the window keeps answering, and Cancel works.
    RunProgress progress(owner, input);
    // The recipient is the one key of the key file, named by its fingerprint.
    // Every failure of the listing leaves the list empty: all are 44, but a
    // key that GnuPG 1.4 cannot encrypt for, which has a message of its own.
    KeyList list{nullptr};
    ResultCode listed = ListPublicKeys(keys.homeDir, gpgKeyFile.path, &list);
    if (GpgRunCancelled()) {
        FreeKeyList(&list);
        return rc::kCancelled;
    }
    if (listed == rc::kKeyMethodUnusable) {
        return rc::kKeyMethodUnusable;
    }
    // GnuPG would refuse a revoked or expired key with nothing to act on:
    // the user is told before it runs.
    if (list.head != nullptr && list.head->next == nullptr && list.head->outdated) {
        FreeKeyList(&list);
        return rc::kRecipientKeyOutdated;
    }
    ResultCode single = TakeOnlyKey(&list, rc::kPublicKeyFormat, nullptr, recipient);
    if (single != rc::kOk) {
        return single;
    }

    const char* const readNames[] = {input, keyFile, nullptr};
    ResultCode named = NameOutputForGpg(output, readNames, keys.homeDir, &gpgOutput);
    if (named != rc::kOk) {
        return named;
    }
    std::int32_t flags = 0;
    ui::CursorToken cursor = ui::ShowWaitCursor();
    if (context->encryptNoSign == 0) {
        EnsureGnupgOptions(keys.homeDir);  // SHA-256, even when the file went meanwhile
    }
    ResultCode result =
        EncryptFile(keys.homeDir, keys.secretKeyring, gpgKeyFile.path, gpgInput.path,
                    gpgOutput.path, recipient, keys.passphrase, context->encryptNoSign, &flags);
    ui::RestoreCursor(cursor);
    // Without signing GnuPG announces no signature, which is what was asked.
    if (result == rc::kSignFailed && context->encryptNoSign != 0) {
        result = rc::kOk;
    }
    // Encrypted without a signature (33), the file is there all the same.
    return SettleOutput(output, keys.homeDir, gpgOutput, result,
                        result == rc::kOk || result == rc::kSignFailed);
}
