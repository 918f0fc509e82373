// Controls of an open dialog on Windows, by id.
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "platform/ui.h"
#include "platform/win32/dialog_items_win32.h"

namespace ui {

void GetDialogItemText(Window dialog, int id, char* buffer, int size) {
    if (size <= 0) {
        return;
    }
    buffer[0] = '\0';
    GetDlgItemTextA(static_cast<HWND>(dialog), id, buffer, size);
}

void EnableDialogItem(Window dialog, int id, bool enabled) {
    EnableWindow(GetDlgItem(static_cast<HWND>(dialog), id), enabled ? TRUE : FALSE);
}

void StepProgressBar(Window dialog, int id) {
    // The bar itself starts again from its beginning past the end of its range.
    SendDlgItemMessageA(static_cast<HWND>(dialog), id, PBM_STEPIT, 0, 0);
}

void SetProgressBarPosition(Window dialog, int id, int position) {
    SendDlgItemMessageA(static_cast<HWND>(dialog), id, PBM_SETPOS, static_cast<WPARAM>(position),
                        0);
}

void RepaintNow(Window window) {
    // Paints whatever waits to be painted, the child controls included.
    RedrawWindow(static_cast<HWND>(window), nullptr, nullptr,
                 RDW_UPDATENOW | RDW_ERASENOW | RDW_ALLCHILDREN);
}

void WipeEditText(HWND dialog, int id) {
    HWND field = GetDlgItem(dialog, id);
    int length = GetWindowTextLengthA(field);
    if (length > 0) {
        std::vector<char> filler(static_cast<std::size_t>(length) + 1, 'x');
        filler[static_cast<std::size_t>(length)] = '\0';
        SetWindowTextA(field, filler.data());
    }
    SetWindowTextA(field, "");
}

}  // namespace ui
