// Stand-ins for the operations that are not built yet, so that the program
// links and its window starts. Each stand-in goes when its real unit lands:
// start-up checks, file drop, mode entries, and the key workflows.
#include "shell/file_drop.h"
#include "shell/mode_entries.h"
#include "shell/startup_checks.h"
#include "workflows/export_workflow.h"
#include "workflows/fingerprint_display.h"
#include "workflows/passphrase_change_workflow.h"

// A started window without checks.
bool RunStartupChecks(ui::Window) {
    return true;
}

void HandleDrop(ui::Window, ui::Drop) {}

ResultCode StartEncrypt(const char*) {
    return rc::kOk;
}
ResultCode StartDecrypt(const char*) {
    return rc::kOk;
}
ResultCode StartSign(const char*) {
    return rc::kOk;
}
ResultCode StartVerify(const char*) {
    return rc::kOk;
}

ResultCode KeyInfoWorkflow(ui::Window, KeyPaths*) {
    return rc::kOk;
}
ResultCode OwnFingerprintWorkflow(ui::Window, KeyPaths*) {
    return rc::kOk;
}
ResultCode ExportWorkflow(ui::Window, KeyPaths*) {
    return rc::kOk;
}
ResultCode PassphraseChangeWorkflow() {
    return rc::kOk;
}
