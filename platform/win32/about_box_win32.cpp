// The about box (dialog 109).
#include <windows.h>

#include "platform/ui.h"
#include "resources/resource.h"
#include "shell/win32/about_dialog.h"

namespace ui {

void ShowAboutBox(Window owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT),
                    static_cast<HWND>(owner), AboutDialogProc, 0);
}

}  // namespace ui
