#include "workflows/sign_workflow.h"

#include "engine/gnupg_options.h"
#include "engine/signature_commands.h"
#include "workflows/file_dialogs.h"
#include "workflows/gpg_names.h"
#include "workflows/run_progress.h"

namespace {

constexpr int kFileToSignTitle = 19;
constexpr int kSignatureFileTitle = 20;
constexpr std::size_t kNameSize = 260;

const FileQuestion kAskInput{ui::FileDialogKind::Open, kFileToSignTitle, kAllFileFilters, 1, false,
                             ui::kFileMustExist,       nullptr};
const FileQuestion kAskSignature{ui::FileDialogKind::Save,
                                 kSignatureFileTitle,
                                 kSignatureFileFilters,
                                 2,
                                 false,
                                 ui::kAskBeforeOverwrite,
                                 nullptr};

}  // namespace

ResultCode SignWorkflow(ui::Window owner, WorkContext* context, const char* droppedFile) {
    KeyPaths& keys = context->keyPaths;
    char input[kNameSize] = "";
    char signature[kNameSize] = "";

    GpgName gpgInput;
    GpgName gpgSignature;
    ResultCode taken = TakeInputFile(owner, kAskInput, droppedFile, true, input);
    if (taken == rc::kOk) {
        taken = NameInputForGpg(input, &gpgInput);
    }
    if (taken != rc::kOk) {
        return taken;
    }
    ProposeWithExtension(input, ".sig", signature);
    ResultCode chosen = AskForOutput(owner, kAskSignature, keys, signature);
    const char* const readNames[] = {input, nullptr};
    if (chosen == rc::kOk) {
        chosen = NameOutputForGpg(signature, readNames, keys.homeDir, &gpgSignature);
    }
    if (chosen != rc::kOk) {
        return chosen;
    }

    std::int32_t flags = 0;
    RunProgress progress(owner, input);
    ui::CursorToken cursor = ui::ShowWaitCursor();
    EnsureGnupgOptions(keys.homeDir);  // SHA-256, even when the file went meanwhile
    ResultCode result = SignFile(keys.homeDir, keys.secretKeyring, keys.publicKeyring,
                                 gpgInput.path, gpgSignature.path, keys.passphrase, &flags);
    ui::RestoreCursor(cursor);
    return SettleOutput(signature, keys.homeDir, gpgSignature, result, result == rc::kOk);
}
