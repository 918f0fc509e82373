#include "shell/status_text.h"

#include "platform/platform.h"
#include "resources/resource.h"
#include "shell/app_state.h"

namespace {

constexpr int kTextSize = 260;

}  // namespace

void SetStatusText(int textId) {
    char text[kTextSize];
    platform::LoadText(textId, text, sizeof text);
    ui::SetStatusBarText(gAppState.statusBar, text);
}

void ResetStatusText(ui::Window mainWindow) {
    ui::StopTimer(mainWindow, kStatusTimerId);
    // The selected mode's idle text; a state other than 0 counts as selected.
    const struct {
        ui::Window button;
        int idleText;
    } modes[] = {
        {gAppState.encryptButton, IDS_ENCRYPT_IDLE},
        {gAppState.decryptButton, IDS_DECRYPT_IDLE},
        {gAppState.signButton, IDS_SIGN_IDLE},
        {gAppState.verifyButton, IDS_VERIFY_IDLE},
    };
    for (const auto& mode : modes) {
        if (ui::GetButtonCheckState(mode.button) != 0) {
            SetStatusText(mode.idleText);
            return;
        }
    }
    ui::SetStatusBarText(gAppState.statusBar, "");
}
