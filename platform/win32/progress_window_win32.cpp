// The progress window of a long GnuPG run (dialog 112): modeless, owned by
// the main window, which is disabled meanwhile as under a modal dialog. It
// shows itself once the run has lasted a second; its bar follows GnuPG's
// figures, and its Cancel button (Esc, the close box) ends the run.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "platform/platform.h"
#include "platform/ui.h"
#include "platform/win32/wide_names_win32.h"
#include "resources/resource.h"

namespace ui {

namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT kShowAfterMs = 1000;
constexpr int kBarRange = 1000;
constexpr int kTextSize = 260;

struct Progress {
    HWND owner;
    HWND dialog;
    bool ownerWasEnabled;
    void (*cancel)();
    const char* fileName;
};

// The file's name without its folder, in its real spelling.
std::wstring ShownName(const char* path) {
    std::wstring wide = platform::WideName(path);
    std::size_t separator = wide.find_last_of(L'\\');
    return separator == std::wstring::npos ? wide : wide.substr(separator + 1);
}

void Cancel(HWND dialog, Progress* progress) {
    EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);  // once is enough
    progress->cancel();
}

INT_PTR CALLBACK ProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* progress = reinterpret_cast<Progress*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            progress = reinterpret_cast<Progress*>(lParam);
            char text[kTextSize];
            platform::LoadText(IDS_PROGRESS_CAPTION, text, sizeof text);
            SetWindowTextA(dialog, text);
            platform::LoadText(IDS_PROGRESS_LABEL, text, sizeof text);
            SetDlgItemTextA(dialog, IDC_PROGRESS_LABEL, text);
            SetDlgItemTextW(dialog, IDC_PROGRESS_FILE, ShownName(progress->fileName).c_str());
            SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, kBarRange);
            SetTimer(dialog, kShowTimer, kShowAfterMs, nullptr);
            return FALSE;  // the focus stays where the owner had it until it shows
        }
        case WM_TIMER:
            KillTimer(dialog, kShowTimer);
            ShowWindow(dialog, SW_SHOW);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL && progress != nullptr) {
                Cancel(dialog, progress);
            }
            return TRUE;
        case WM_CLOSE:
            if (progress != nullptr) {
                Cancel(dialog, progress);
            }
            return TRUE;
    }
    return FALSE;
}

}  // namespace

ProgressWindow OpenProgressWindow(Window owner, const char* fileName, void (*cancel)()) {
    auto* progress = new Progress{static_cast<HWND>(owner), nullptr, false, cancel, fileName};
    if (progress->owner != nullptr) {
        progress->ownerWasEnabled = !EnableWindow(progress->owner, FALSE);
    }
    progress->dialog =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS),
                           progress->owner, ProgressProc, reinterpret_cast<LPARAM>(progress));
    platform::SetResponsiveWait(true);
    return progress;
}

void ShowProgress(ProgressWindow window, std::uint64_t done, std::uint64_t total) {
    auto* progress = static_cast<Progress*>(window);
    if (total == 0 || progress->dialog == nullptr) {
        return;
    }
    std::uint64_t position = (done < total ? done : total) * kBarRange / total;
    SendDlgItemMessageA(progress->dialog, IDC_PROGRESS_BAR, PBM_SETPOS,
                        static_cast<WPARAM>(position), 0);
}

void CloseProgressWindow(ProgressWindow window) {
    auto* progress = static_cast<Progress*>(window);
    platform::SetResponsiveWait(false);
    // The owner is enabled first, so that it gets the activation back, as
    // after a modal dialog.
    if (progress->ownerWasEnabled) {
        EnableWindow(progress->owner, TRUE);
    }
    if (progress->dialog != nullptr) {
        DestroyWindow(progress->dialog);
    }
    delete progress;
}

}  // namespace ui
