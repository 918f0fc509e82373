// The passphrase prompt (dialog 101): a caption, a prompt text and one
// masked field, with OK and Cancel.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "platform/ui.h"
#include "platform/win32/dialog_items_win32.h"
#include "resources/resource.h"

namespace ui {

namespace {

// The caller's request as the dialog receives it.
struct PromptRequest {
    char* output;            // receives the typed text
    std::int32_t maxLength;  // size of output, terminator included
    const char* prompt;      // replaces the static text, or nullptr
    const char* caption;     // replaces the title, or nullptr
};

// The request of the prompt that is open; prompts are never nested.
PromptRequest* gOpenPrompt = nullptr;

// "パスフレーズが不正です": shown when the field holds more than fits.
constexpr int kPassphraseInvalidText = 57;
constexpr int kMessageSize = 260;

void InitPrompt(HWND dialog, PromptRequest* request) {
    gOpenPrompt = request;
    if (request->caption != nullptr) {
        SetWindowTextA(dialog, request->caption);
    }
    if (request->prompt != nullptr) {
        SetDlgItemTextA(dialog, IDC_PROMPT_TEXT, request->prompt);
    }
    HWND field = GetDlgItem(dialog, IDC_PASSPHRASE_FIELD);
    SendMessageA(field, EM_LIMITTEXT, static_cast<WPARAM>(request->maxLength - 1), 0);
    SetFocus(field);
}

void EndPrompt(HWND dialog, INT_PTR result) {
    WipeEditText(dialog, IDC_PASSPHRASE_FIELD);
    gOpenPrompt = nullptr;
    EndDialog(dialog, result);
}

// Copies the field into the caller's buffer and ends the dialog with 1. The
// field's limit counts characters, which on some systems lets double-byte
// text grow past the buffer: such a text is refused rather than cut, since a
// cut passphrase would silently become a different one.
void AcceptPrompt(HWND dialog) {
    PromptRequest* request = gOpenPrompt;
    HWND field = GetDlgItem(dialog, IDC_PASSPHRASE_FIELD);
    std::vector<char> typed(static_cast<std::size_t>(GetWindowTextLengthA(field)) + 1, '\0');
    GetWindowTextA(field, typed.data(), static_cast<int>(typed.size()));
    std::size_t length = std::strlen(typed.data());
    bool fits = length < static_cast<std::size_t>(request->maxLength);
    if (fits) {
        std::memcpy(request->output, typed.data(), length + 1);
    }
    SecureZeroMemory(typed.data(), typed.size());
    if (fits) {
        EndPrompt(dialog, 1);
        return;
    }
    char message[kMessageSize];
    platform::LoadText(kPassphraseInvalidText, message, sizeof message);
    MessageBoxA(dialog, message, "Message Box", MB_OK);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

INT_PTR CALLBACK PassphraseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitPrompt(dialog, reinterpret_cast<PromptRequest*>(lParam));
            return FALSE;  // the focus is set already
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    AcceptPrompt(dialog);
                    return TRUE;
                case IDCANCEL:  // also Escape and the close box
                    EndPrompt(dialog, 0);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

int PromptPassphrase(Window owner, char* output, int maxLength, const char* prompt,
                     const char* caption) {
    if (output == nullptr || maxLength <= 0) {
        return 0;
    }
    output[0] = '\0';
    PromptRequest request{output, maxLength, prompt, caption};
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PASSPHRASE),
                                     static_cast<HWND>(owner), PassphraseDialogProc,
                                     reinterpret_cast<LPARAM>(&request));
    gOpenPrompt = nullptr;
    return result != 0 && result != -1 ? 1 : 0;
}

}  // namespace ui
