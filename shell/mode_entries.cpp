#include "shell/mode_entries.h"

#include <cstring>
#include <string>

#include "engine/key_listing.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/status_text.h"
#include "workflows/decrypt_workflow.h"
#include "workflows/encrypt_workflow.h"
#include "workflows/sign_workflow.h"
#include "workflows/verify_workflow.h"

namespace {

constexpr int kTextSize = 260;

// One mode: its workflow, its working and done texts, and whether success
// is confirmed in a box before the done text.
struct Mode {
    ResultCode (*workflow)(ui::Window, WorkContext*, const char*);
    int workingText;
    int doneText;
    int confirmationText;  // 0: none
    const char* signer;    // the signer's listed user ID, named in the box; nullptr: none
};

// The signer of the last verification, for its box.
char gSigner[kTextSize];

ResultCode VerifyNamingSigner(ui::Window owner, WorkContext* context, const char* file) {
    gSigner[0] = '\0';
    return VerifyWorkflow(owner, context, file, gSigner);
}

ResultCode StartMode(const char* dropList, const Mode& mode) {
    const char* file = nullptr;
    if (dropList != nullptr) {
        file = dropList;
        if (file[std::strlen(file) + 1] != '\0') {
            return rc::kSeveralFiles;
        }
        switch (platform::LookUpPath(file)) {
            case platform::PathKind::Missing:
                return rc::kUnknown;
            case platform::PathKind::Folder:
                return rc::kFolderGiven;
            case platform::PathKind::File:
                break;
        }
    }
    SetStatusText(mode.workingText);
    ResultCode result = mode.workflow(gAppState.mainWindow, &gAppState.work, file);
    if (result != rc::kOk) {
        return result;  // the working text stays
    }
    if (mode.confirmationText != 0) {
        char text[kTextSize];
        platform::LoadText(mode.confirmationText, text, sizeof text);
        std::string box = text;
        if (mode.signer != nullptr && mode.signer[0] != '\0') {
            char shown[kTextSize];
            ShowableUserId(mode.signer, shown, sizeof shown);
            platform::LoadText(IDS_SIGNER_LABEL, text, sizeof text);
            box = box + "\n" + text + shown;
        }
        ui::ShowMessageBox(gAppState.mainWindow, box.c_str(), "Message Box", ui::kBoxOk);
    }
    SetStatusText(mode.doneText);
    return rc::kOk;
}

}  // namespace

ResultCode StartEncrypt(const char* dropList) {
    return StartMode(dropList, {EncryptWorkflow, IDS_ENCRYPT_IDLE, IDS_ENCRYPT_DONE, 0, nullptr});
}

ResultCode StartDecrypt(const char* dropList) {
    return StartMode(dropList, {DecryptWorkflow, IDS_DECRYPT_IDLE, IDS_DECRYPT_DONE, 0, nullptr});
}

ResultCode StartSign(const char* dropList) {
    return StartMode(dropList, {SignWorkflow, IDS_SIGN_IDLE, IDS_SIGN_DONE, 0, nullptr});
}

ResultCode StartVerify(const char* dropList) {
    return StartMode(dropList, {VerifyNamingSigner, IDS_VERIFY_IDLE, IDS_VERIFY_DONE,
                                IDS_FILE_GENUINE, gSigner});
}
