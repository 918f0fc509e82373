// The main window's pieces that the portable shell works through: title,
// visibility, status bar, timers, ModeButton states, menu check marks.
#include <windows.h>

#include <commctrl.h>

#include "platform/ui.h"

namespace ui {

namespace {

// The single pane of a status bar in simple mode.
constexpr WPARAM kSimplePane = 255;

HWND AsHandle(Window window) {
    return static_cast<HWND>(window);
}

}  // namespace

void SetWindowTitle(Window window, const char* title) {
    SetWindowTextA(AsHandle(window), title);
}

void ShowWindowNow(Window window) {
    ShowWindow(AsHandle(window), SW_SHOW);
    UpdateWindow(AsHandle(window));
}

void RaiseToTopMost(Window window) {
    SetWindowPos(AsHandle(window), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

void SetStatusBarText(Window statusBar, const char* text) {
    SendMessageA(AsHandle(statusBar), SB_SETTEXTA, kSimplePane, reinterpret_cast<LPARAM>(text));
}

void StartTimer(Window window, unsigned id, unsigned milliseconds) {
    SetTimer(AsHandle(window), id, milliseconds, nullptr);
}

void StopTimer(Window window, unsigned id) {
    KillTimer(AsHandle(window), id);
}

int GetButtonCheckState(Window button) {
    return static_cast<int>(SendMessageA(AsHandle(button), BM_GETCHECK, 0, 0));
}

void SetMenuItemChecked(Window window, unsigned commandId, bool checked) {
    // Only the state is set: checked, or plain (unchecked and enabled).
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    item.fState = checked ? MFS_CHECKED : 0;
    SetMenuItemInfoA(GetMenu(AsHandle(window)), commandId, FALSE, &item);
}

void SendCloseRequest(Window window) {
    SendMessageA(AsHandle(window), WM_CLOSE, 0, 0);
}

}  // namespace ui
