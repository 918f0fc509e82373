// Controls of an open dialog on Windows, by id.
#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/dialog_items_win32.h"

namespace ui {

bool GetDialogItemText(Window dialog, int id, char* buffer, int size) {
    if (size <= 0) {
        return false;
    }
    buffer[0] = '\0';
    // The length the control reports is at least the text's length in bytes;
    // the text is read whole, then taken only if it fits. The copy may hold
    // a passphrase: it is wiped.
    HWND item = GetDlgItem(static_cast<HWND>(dialog), id);
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(item)) + 1, '\0');
    GetWindowTextA(item, text.data(), static_cast<int>(text.size()));
    std::size_t length = std::strlen(text.data());
    bool fits = length < static_cast<std::size_t>(size);
    if (fits) {
        std::memcpy(buffer, text.data(), length + 1);
    }
    SecureZeroMemory(text.data(), text.size());
    return fits;
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
