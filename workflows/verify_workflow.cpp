#include "workflows/verify_workflow.h"

#include "engine/signature_commands.h"
#include "workflows/file_dialogs.h"
#include "workflows/gpg_names.h"
#include "workflows/run_progress.h"

namespace {

constexpr int kFileToVerifyTitle = 23;
constexpr int kSignatureFileTitle = 24;
constexpr int kKeyFileTitle = 27;
constexpr std::size_t kNameSize = 260;

const FileQuestion kAskInput{ui::FileDialogKind::Open,
                             kFileToVerifyTitle,
                             kAllFileFilters,
                             1,
                             false,
                             ui::kFileMustExist,
                             nullptr};
const FileQuestion kAskSignature{ui::FileDialogKind::Open,
                                 kSignatureFileTitle,
                                 kSignatureFileFilters,
                                 2,
                                 false,
                                 ui::kFileMustExist,
                                 nullptr};
const FileQuestion kAskKeyFile{
    ui::FileDialogKind::Open, kKeyFileTitle, kReceivedKeyFileFilters, 3, true,
    ui::kFileMustExist,       nullptr};

}  // namespace

ResultCode VerifyWorkflow(ui::Window owner, WorkContext* context, const char* droppedFile,
                          char* signer) {
    char input[kNameSize] = "";
    char signature[kNameSize] = "";
    char keyFile[kNameSize] = "";

    // A dropped file is always the signed file, never the signature.
    GpgName gpgInput;
    GpgName gpgSignature;
    GpgName gpgKeyFile;
    ResultCode taken = TakeInputFile(owner, kAskInput, droppedFile, true, input);
    if (taken == rc::kOk) {
        taken = NameInputForGpg(input, &gpgInput);
    }
    if (taken != rc::kOk) {
        return taken;
    }
    ProposeWithExtension(input, ".sig", signature);
    ResultCode asked = AskFor(owner, kAskSignature, signature);
    if (asked == rc::kOk) {
        asked = NameInputForGpg(signature, &gpgSignature);
    }
    if (asked == rc::kOk) {
        asked = AskFor(owner, kAskKeyFile, keyFile);
    }
    if (asked == rc::kOk) {
        asked = NameInputForGpg(keyFile, &gpgKeyFile);
    }
    if (asked != rc::kOk) {
        return asked;
    }

    std::int32_t flags = 0;
    RunProgress progress(owner, input);
    ui::CursorToken cursor = ui::ShowWaitCursor();
    ResultCode result = VerifyFile(context->keyPaths.homeDir, gpgKeyFile.path, gpgInput.path,
                                   gpgSignature.path, &flags, signer);
    ui::RestoreCursor(cursor);
    return result;
}

ResultCode VerifyWorkflow(ui::Window owner, WorkContext* context, const char* droppedFile) {
    return VerifyWorkflow(owner, context, droppedFile, nullptr);
}
