// The about box (dialog 109).
#include <windows.h>

#include "resources/resource.h"
#include "shell/about_box.h"

namespace {

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;  // the platform sets the focus
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                EndDialog(dialog, 1);
                return TRUE;
            }
            // Escape and the close box arrive as Cancel: they close the box
            // too rather than do nothing.
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

void ShowAboutBox(ui::Window owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT),
                    static_cast<HWND>(owner), AboutDialogProc, 0);
}
