#include "workflows/key_setup_form.h"

#include <cstring>

#include "engine/key_generation.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "workflows/export_workflow.h"

ui::Window gKeySetupForm = nullptr;

namespace {

constexpr int kExportQuestion = 109;
constexpr int kTextSize = 260;
constexpr int kFullProgress = 100;
constexpr int kCreateButton = 1;  // the default button
constexpr int kCancelButton = 2;
// The fields limit their texts in characters, and a double-byte character
// takes two bytes: the buffers hold twice the limit, so that a text is read
// whole and judged by the key generation's checks, never cut.
constexpr int kUserNameSize = 2 * 63 + 1;
constexpr int kEmailSize = 2 * 255 + 1;
const int kFormControls[] = {IDC_SETUP_USER_NAME,        IDC_SETUP_EMAIL, IDC_SETUP_PASSPHRASE,
                             IDC_SETUP_PASSPHRASE_AGAIN, kCreateButton,   kCancelButton};

void EnableForm(ui::Window form, bool enabled) {
    for (int id : kFormControls) {
        ui::EnableDialogItem(form, id, enabled);
    }
}

// What the form holds, read once; the passphrases are wiped afterwards.
struct FormEntries {
    char userName[kUserNameSize];
    char email[kEmailSize];
    char passphrase[kStartupPromptSize];
    char repeated[kStartupPromptSize];
    ~FormEntries() { platform::WipeMemory(this, sizeof *this); }
};

}  // namespace

void TrimBlanks(char* text) {
    std::size_t start = 0;
    while (text[start] == ' ') {
        ++start;
    }
    std::memmove(text, text + start, std::strlen(text + start) + 1);
    std::size_t length = std::strlen(text);
    while (length > 0 && text[length - 1] == ' ') {
        text[--length] = '\0';
    }
}

int StepProgressBar(std::int32_t* lineCounter) {
    ui::StepProgressBar(gKeySetupForm, IDC_SETUP_PROGRESS);
    *lineCounter = 0;
    ui::RepaintNow(gKeySetupForm);
    return 0;
}

ResultCode CreateKeyFromForm(ui::Window form, KeyPaths* keyPaths) {
    FormEntries entries{};
    // A name or address too long to read stays empty, which the key
    // generation refuses (11, 15).
    ui::GetDialogItemText(form, IDC_SETUP_USER_NAME, entries.userName, kUserNameSize);
    TrimBlanks(entries.userName);
    ui::GetDialogItemText(form, IDC_SETUP_EMAIL, entries.email, kEmailSize);
    TrimBlanks(entries.email);
    // A passphrase longer than the start-up prompt takes would lock the
    // user out at the next start: refused before anything is cached.
    if (!ui::GetDialogItemText(form, IDC_SETUP_PASSPHRASE, entries.passphrase,
                               sizeof entries.passphrase) ||
        !ui::GetDialogItemText(form, IDC_SETUP_PASSPHRASE_AGAIN, entries.repeated,
                               sizeof entries.repeated)) {
        return rc::kPassphraseInvalid;
    }
    if (std::strcmp(entries.passphrase, entries.repeated) != 0) {
        return rc::kPassphraseMismatch;
    }
    // GnuPG would make the key with the blanks at the ends dropped, and the
    // passphrase as typed would never open it.
    if (CheckPassphraseEdges(entries.passphrase) != rc::kOk) {
        return rc::kPassphraseEdgeBlank;
    }
    // From here on this is the passphrase of the run, also if the key
    // generation below fails; nothing stays of one typed before it.
    platform::WipeMemory(keyPaths->passphrase, sizeof keyPaths->passphrase);
    std::memcpy(keyPaths->passphrase, entries.passphrase, std::strlen(entries.passphrase) + 1);

    EnableForm(form, false);
    ui::CursorToken cursor = ui::ShowWaitCursor();
    char fingerprint[kTextSize];
    ResultCode result = GenerateKeyPair(keyPaths->homeDir, keyPaths->secretKeyring,
                                        keyPaths->publicKeyring, entries.userName, entries.email,
                                        "", keyPaths->passphrase, fingerprint, StepProgressBar);
    ui::RestoreCursor(cursor);
    if (result == rc::kOk) {
        ui::SetProgressBarPosition(form, IDC_SETUP_PROGRESS, kFullProgress);
        ui::RepaintNow(form);
        char question[kTextSize];
        platform::LoadText(kExportQuestion, question, sizeof question);
        if (ui::ShowMessageBox(form, question, "Message Box",
                               ui::kBoxYesNo | ui::kBoxIconQuestion) == ui::kAnswerYes) {
            // The key pair is made whatever becomes of its export: a failed
            // export is shown, and the key can be exported later.
            ShowResult(form, ExportWorkflow(form, keyPaths));
            result = rc::kOk;
        }
    }
    EnableForm(form, true);
    return result;
}
