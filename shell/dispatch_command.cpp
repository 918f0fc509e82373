#include "shell/dispatch_command.h"

#include <cstdint>

#include "engine/result_codes.h"
#include "resources/resource.h"
#include "shell/about_box.h"
#include "shell/app_state.h"
#include "shell/help_viewer.h"
#include "shell/mode_entries.h"
#include "shell/settings.h"
#include "shell/status_text.h"
#include "workflows/export_workflow.h"
#include "workflows/fingerprint_display.h"
#include "workflows/passphrase_change_workflow.h"

const CommandEntries kProgramCommands = {
    StartEncrypt,
    StartDecrypt,
    StartSign,
    StartVerify,
    KeyInfoWorkflow,
    ExportWorkflow,
    OwnFingerprintWorkflow,
    PassphraseChangeWorkflow,
};

namespace {

constexpr int kPassphraseChangedText = 100;

// A file operation started from the menu: its message is owned by the main
// window, and the status timer brings back the idle text afterwards.
void RunFileCommand(ui::Window mainWindow, ResultCode (*start)(const char*)) {
    ResultCode result = start(nullptr);
    if (result != rc::kOk) {
        ShowResult(gAppState.mainWindow, result);
    }
    ui::StartTimer(mainWindow, kStatusTimerId, kStatusTimerMilliseconds);
}

// A key operation: its message has no owner, and no timer runs.
void ShowKeyCommandResult(ResultCode result) {
    if (result != rc::kOk) {
        ShowResult(nullptr, result);
    }
}

// Flips a setting and saves it; the check marks follow the setting in
// memory also when the file cannot be written.
void ToggleSetting(ui::Window mainWindow, std::int32_t* setting) {
    *setting = *setting == 0 ? 1 : 0;
    ResultCode result = WriteSettings();
    if (result != rc::kOk) {
        ShowResult(nullptr, result);
    }
    UpdateSettingsMenu(mainWindow);
}

}  // namespace

void DispatchCommand(ui::Window mainWindow, unsigned commandId, const CommandEntries& entries) {
    KeyPaths* keyPaths = &gAppState.work.keyPaths;
    switch (commandId) {
        case IDC_ENCRYPT_BUTTON:
            SetStatusText(IDS_ENCRYPT_IDLE);
            break;
        case IDC_DECRYPT_BUTTON:
            SetStatusText(IDS_DECRYPT_IDLE);
            break;
        case IDC_SIGN_BUTTON:
            SetStatusText(IDS_SIGN_IDLE);
            break;
        case IDC_VERIFY_BUTTON:
            SetStatusText(IDS_VERIFY_IDLE);
            break;
        case IDM_ENCRYPT_FILE:
            RunFileCommand(mainWindow, entries.startEncrypt);
            break;
        case IDM_DECRYPT_FILE:
            RunFileCommand(mainWindow, entries.startDecrypt);
            break;
        case IDM_SIGN_FILE:
            RunFileCommand(mainWindow, entries.startSign);
            break;
        case IDM_VERIFY_SIGNATURE:
            RunFileCommand(mainWindow, entries.startVerify);
            break;
        case IDM_KEY_INFO:
            ShowKeyCommandResult(entries.keyInfo(mainWindow, keyPaths));
            break;
        case IDM_EXIT:
            ui::SendCloseRequest(mainWindow);
            break;
        case IDM_EXPORT_KEY:
            ShowKeyCommandResult(entries.exportKey(mainWindow, keyPaths));
            break;
        case IDM_OWN_FINGERPRINT:
            ShowKeyCommandResult(entries.ownFingerprint(mainWindow, keyPaths));
            break;
        case IDM_CHANGE_PASSPHRASE: {
            // The new passphrase holds from now on: the status bar says so
            // until the next status change.
            ResultCode result = entries.changePassphrase(mainWindow, keyPaths);
            if (result == rc::kOk) {
                SetStatusText(kPassphraseChangedText);
            }
            ShowKeyCommandResult(result);
            break;
        }
        case IDM_ABOUT:
            ShowAboutBox(mainWindow);
            break;
        case IDM_DECRYPT_NO_VERIFY:
            ToggleSetting(mainWindow, &gAppState.work.decryptNoVerify);
            break;
        case IDM_ENCRYPT_NO_SIGN:
            ToggleSetting(mainWindow, &gAppState.work.encryptNoSign);
            break;
        case IDM_HELP:
            CallHtmlHelp(mainWindow, gAppState.helpFilePath, kHelpDisplayTopic, 0);
            break;
        default:
            break;
    }
}
