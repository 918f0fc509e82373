// The key setup form (dialog 111) on Windows: its window procedure. What the
// create button does lives in workflows/key_setup_form.cpp.
#include <windows.h>

#include <commctrl.h>

#include "engine/result_codes.h"
#include "platform/ui.h"
#include "platform/win32/dialog_items_win32.h"
#include "resources/resource.h"
#include "workflows/key_setup_form.h"

namespace {

void InitForm(HWND form, KeyPaths* keyPaths) {
    gKeySetupForm = form;
    SetWindowLongPtrA(form, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(keyPaths));
    SendDlgItemMessageA(form, IDC_SETUP_USER_NAME, EM_LIMITTEXT, 63, 0);
    SendDlgItemMessageA(form, IDC_SETUP_EMAIL, EM_LIMITTEXT, 255, 0);
    SendDlgItemMessageA(form, IDC_SETUP_PASSPHRASE, EM_LIMITTEXT, kMaxPassphraseBytes, 0);
    SendDlgItemMessageA(form, IDC_SETUP_PASSPHRASE_AGAIN, EM_LIMITTEXT, kMaxPassphraseBytes, 0);
    SendDlgItemMessageA(form, IDC_SETUP_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageA(form, IDC_SETUP_PROGRESS, PBM_SETSTEP, 1, 0);
}

void EndForm(HWND form, INT_PTR result) {
    ui::WipeEditText(form, IDC_SETUP_PASSPHRASE);
    ui::WipeEditText(form, IDC_SETUP_PASSPHRASE_AGAIN);
    gKeySetupForm = nullptr;
    EndDialog(form, result);
}

INT_PTR CALLBACK KeySetupDialogProc(HWND form, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitForm(form, reinterpret_cast<KeyPaths*>(lParam));
            return TRUE;  // the platform puts the focus on the first field
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK: {
                    auto* keyPaths =
                        reinterpret_cast<KeyPaths*>(GetWindowLongPtrA(form, GWLP_USERDATA));
                    ResultCode result = CreateKeyFromForm(form, keyPaths);
                    if (result == rc::kOk) {
                        EndForm(form, 0);
                    } else {
                        ShowResult(form, result);  // the form stays open as it is
                    }
                    return TRUE;
                }
                case IDCANCEL:
                    EndForm(form, 1);
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_CLOSE:
            // Closing the form is the same as Cancel.
            PostMessageA(form, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

namespace ui {

int RunKeySetupDialog(Window owner, KeyPaths* keyPaths) {
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_KEY_SETUP),
                                     static_cast<HWND>(owner), KeySetupDialogProc,
                                     reinterpret_cast<LPARAM>(keyPaths));
    gKeySetupForm = nullptr;
    return result == 0 ? 0 : 1;
}

}  // namespace ui
