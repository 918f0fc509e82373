#include "workflows/decrypt_workflow.h"

#include <cstdio>
#include <cstring>

#include "engine/encryption_commands.h"
#include "workflows/file_dialogs.h"
#include "workflows/gpg_names.h"
#include "workflows/run_progress.h"

namespace {

constexpr int kOutputTitle = 1;
constexpr int kKeyFileTitle = 2;
constexpr int kEncryptedFileTitle = 3;
constexpr std::size_t kNameSize = 260;

const FileQuestion kAskInput{ui::FileDialogKind::Open,
                             kEncryptedFileTitle,
                             kKeyFileFilters,
                             2,
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
const FileQuestion kAskOutput{ui::FileDialogKind::Save, kOutputTitle, kAllFileFilters, 1, false,
                              ui::kAskBeforeOverwrite,  nullptr};

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// report.doc.gpg proposes report.doc (".gpg" in any letter case); a name
// without it proposes itself; a name of five characters or fewer, nothing.
void ProposeDecryptedName(const char* input, char* proposal, std::size_t size) {
    std::size_t length = std::strlen(input);
    proposal[0] = '\0';
    if (length < 6) {
        return;
    }
    std::snprintf(proposal, size, "%s", input);
    const char* tail = input + length - 4;
    if (AsciiUpper(tail[0]) == '.' && AsciiUpper(tail[1]) == 'G' && AsciiUpper(tail[2]) == 'P' &&
        AsciiUpper(tail[3]) == 'G') {
        proposal[length - 4] = '\0';
    }
}

}  // namespace

ResultCode DecryptWorkflow(ui::Window owner, WorkContext* context, const char* droppedFile) {
    KeyPaths& keys = context->keyPaths;
    char input[kNameSize] = "";
    char keyFile[kNameSize] = "";
    char output[kNameSize] = "";

    GpgName gpgInput;
    GpgName gpgKeyring;
    GpgName gpgOutput;
    ResultCode taken = TakeInputFile(owner, kAskInput, droppedFile, false, input);
    if (taken == rc::kOk) {
        taken = NameInputForGpg(input, &gpgInput);
    }
    if (taken != rc::kOk) {
        return taken;
    }
    if (context->decryptNoVerify == 0) {
        ResultCode asked = AskFor(owner, kAskKeyFile, keyFile);
        if (asked != rc::kOk) {
            return asked;
        }
    }
    ProposeDecryptedName(input, output, sizeof output);
    ResultCode chosen = AskForOutput(owner, kAskOutput, keys, output);
    if (chosen != rc::kOk) {
        return chosen;
    }
    // Without a sender's key file the signature is checked against the
    // user's own public key ring.
    const char* keyring = keyFile[0] != '\0' ? keyFile : keys.publicKeyring;
    ResultCode named = NameInputForGpg(keyring, &gpgKeyring);
    const char* const readNames[] = {input, keyring, nullptr};
    if (named == rc::kOk) {
        named = NameOutputForGpg(output, readNames, keys.homeDir, &gpgOutput);
    }
    if (named != rc::kOk) {
        return named;
    }

    std::int32_t flags = 0;
    RunProgress progress(owner, input);
    ui::CursorToken cursor = ui::ShowWaitCursor();
    ResultCode result = DecryptFile(keys.homeDir, keys.secretKeyring, gpgKeyring.path,
                                    gpgOutput.path, gpgInput.path, keys.passphrase, &flags);
    ui::RestoreCursor(cursor);
    if (result == rc::kDecryptedUnverified && keyFile[0] == '\0') {
        result = rc::kOk;  // no signature check was asked for
    }
    // Decrypted and checked; or decrypted with a signature that is told of.
    bool decrypted = result == rc::kOk || result == rc::kDecryptedUnverified ||
                     result == rc::kSignerKeyRevoked || result == rc::kSignerKeyExpired;
    return SettleOutput(output, keys.homeDir, gpgOutput, result, decrypted);
}
