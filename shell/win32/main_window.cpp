#include "shell/win32/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "engine/gpg_runner.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/dispatch_command.h"
#include "shell/file_drop.h"
#include "shell/startup_checks.h"
#include "shell/status_text.h"
#include "workflows/gpg_names.h"

namespace {

constexpr int kTextSize = 260;
constexpr char kHelpFileName[] = "manual.chm";

// A tool strip style bit the window has always been made with.
constexpr DWORD kToolBarExtraStyle = 0x10;

// The ModeButtons' first rectangle, before they are measured.
constexpr int kFirstButtonWidth = 60;
constexpr int kFirstButtonHeight = 25;

// The drop hint keeps at least this distance from the left and top edges.
constexpr int kHintMinimumOffset = 5;

HWND AsHandle(ui::Window window) {
    return static_cast<HWND>(window);
}

HINSTANCE Instance() {
    return static_cast<HINSTANCE>(gAppState.instance);
}

// The program folder followed by manual.chm; left empty when it does not
// fit its 260 bytes.
void ComputeHelpFilePath() {
    static const char* const kParts[] = {kHelpFileName};
    if (!BuildProgramFolderPath(gAppState.helpFilePath, sizeof gAppState.helpFilePath, kParts, 1)) {
        gAppState.helpFilePath[0] = '\0';
    }
}

int DefaultCharacterHeight(HWND window) {
    HDC surface = GetDC(window);
    TEXTMETRICA metrics{};
    GetTextMetricsA(surface, &metrics);
    ReleaseDC(window, surface);
    return metrics.tmHeight;
}

// A value below the minimum offset (scaled to the screen) becomes the minimum.
int AtLeastMinimumOffset(int value) {
    int minimum = ScaleForScreen(kHintMinimumOffset);
    return value < minimum ? minimum : value;
}

// Registers the tool bar, status bar and progress bar classes. The common
// controls library is loaded here by its full path in the system folder
// rather than imported: Windows loads an imported COMCTL32.dll before the program runs,
// and, not being one of its known DLLs, from the program's folder first.
// The library stays loaded for the run (its window classes live in it).
void InitCommonControlsFromSystemFolder() {
    using InitEntry = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX* controls);
    char path[MAX_PATH];
    constexpr char kName[] = "\\comctl32.dll";
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + sizeof kName > MAX_PATH) {
        return;
    }
    std::memcpy(path + length, kName, sizeof kName);
    HMODULE library = LoadLibraryA(path);
    if (library == nullptr) {
        return;
    }
    auto entry = reinterpret_cast<InitEntry>(
        reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")));
    if (entry != nullptr) {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
        entry(&controls);
    }
}

// The width that the widest ModeButton label needs in the GUI font, with a
// margin of one average character for the button's frame. On a screen of
// more than 96 DPI the GUI font grows with the screen while the system's
// bitmap font may not, and four of its widest characters would then cut
// the labels short.
int WidestModeLabel(HWND button) {
    HDC surface = GetDC(button);
    HGDIOBJ previousFont = SelectObject(surface, GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA metrics{};
    GetTextMetricsA(surface, &metrics);
    int widest = 0;
    for (int id : {IDC_ENCRYPT_BUTTON, IDC_DECRYPT_BUTTON, IDC_SIGN_BUTTON, IDC_VERIFY_BUTTON}) {
        char label[kTextSize];
        int length = platform::LoadText(id, label, sizeof label);
        SIZE extent{};
        GetTextExtentPoint32A(surface, label, length, &extent);
        widest = std::max(widest, static_cast<int>(extent.cx));
    }
    SelectObject(surface, previousFont);
    ReleaseDC(button, surface);
    return widest + 2 * metrics.tmAveCharWidth;
}

}  // namespace

int ScaleForScreen(int pixels) {
    HDC screen = GetDC(nullptr);
    int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? MulDiv(pixels, dpi, kScreenBaseDpi) : pixels;
}

bool StartUp(HWND mainWindow) {
    gAppState.mainWindow = mainWindow;

    InitCommonControlsFromSystemFolder();

    platform::LoadText(IDS_DROP_HINT, gAppState.dropHint, sizeof gAppState.dropHint);
    ComputeHelpFilePath();

    int characterHeight = DefaultCharacterHeight(mainWindow);
    HWND toolBar = CreateWindowExA(
        WS_EX_TOOLWINDOW, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | kToolBarExtraStyle, 0,
        0, 0, characterHeight * 12 / 10, mainWindow, nullptr, Instance(), nullptr);
    gAppState.toolBar = toolBar;

    gAppState.encryptButton = CreateModeButton(toolBar, IDC_ENCRYPT_BUTTON, 0);
    gAppState.decryptButton = CreateModeButton(toolBar, IDC_DECRYPT_BUTTON, 1);
    gAppState.signButton = CreateModeButton(toolBar, IDC_SIGN_BUTTON, 2);
    gAppState.verifyButton = CreateModeButton(toolBar, IDC_VERIFY_BUTTON, 3);
    SendMessageA(AsHandle(gAppState.encryptButton), BM_SETCHECK, BST_CHECKED, 0);

    HWND statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, nullptr,
                                     WS_CHILD | WS_VISIBLE | CCS_BOTTOM | SBARS_SIZEGRIP, 0, 0, 0,
                                     0, mainWindow, nullptr, Instance(), nullptr);
    gAppState.statusBar = statusBar;
    SendMessageA(statusBar, SB_SIMPLE, TRUE, 0);
    SetStatusText(IDS_ENCRYPT_IDLE);

    DragAcceptFiles(mainWindow, TRUE);

    return RunStartupChecks(mainWindow);
}

HWND CreateModeButton(HWND toolBar, int id, int index) {
    char label[kTextSize];
    platform::LoadText(id, label, sizeof label);
    DWORD style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | BS_PUSHLIKE;
    if (index == 0) {
        style |= WS_GROUP;
    }
    HWND button =
        CreateWindowExA(0, "BUTTON", label, style, index * kFirstButtonWidth, 0, kFirstButtonWidth,
                        kFirstButtonHeight, toolBar,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
    SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 TRUE);

    if (index == 0) {
        // A fresh surface of the button carries the system's default font,
        // not the GUI font just given to the button.
        HDC surface = GetDC(button);
        TEXTMETRICA metrics{};
        GetTextMetricsA(surface, &metrics);
        ReleaseDC(button, surface);
        gAppState.buttonWidth =
            std::max(static_cast<int>(4 * metrics.tmMaxCharWidth), WidestModeLabel(button));
        RECT strip{};
        GetClientRect(toolBar, &strip);
        gAppState.buttonHeight = strip.bottom - strip.top;
    }
    MoveWindow(button, index * gAppState.buttonWidth, 0, gAppState.buttonWidth,
               gAppState.buttonHeight, TRUE);
    return button;
}

void PaintDropHint(HWND mainWindow) {
    RECT client{};
    GetClientRect(mainWindow, &client);
    PAINTSTRUCT paint{};
    HDC surface = BeginPaint(mainWindow, &paint);

    HGDIOBJ previousFont = SelectObject(surface, GetStockObject(DEFAULT_GUI_FONT));
    const char* hint = gAppState.dropHint;
    int length = static_cast<int>(std::strlen(hint));
    SIZE extent{};
    GetTextExtentPoint32A(surface, hint, length, &extent);

    int top = AtLeastMinimumOffset((client.bottom - extent.cy) / 2);
    int left = AtLeastMinimumOffset((client.right - extent.cx) / 2);

    SetBkColor(surface, RGB(255, 255, 255));
    SetTextColor(surface, RGB(127, 127, 127));
    SetBkMode(surface, OPAQUE);
    TextOutA(surface, left, top, hint, length);

    SelectObject(surface, previousFont);
    EndPaint(mainWindow, &paint);
}

void ResizeBars(HWND, int width, int height) {
    SendMessageA(AsHandle(gAppState.toolBar), WM_SIZE, 0, MAKELPARAM(width, height));
    SendMessageA(AsHandle(gAppState.statusBar), WM_SIZE, 0, 0);
}

void CloseMainWindow(HWND mainWindow) {
    KillTimer(mainWindow, kStatusTimerId);
    DestroyWindow(mainWindow);
}

namespace {

// A close request that came while GnuPG ran: the run was cancelled, and the
// window closes once the operation has returned.
bool gClosePending = false;

void CloseIfPending(HWND mainWindow) {
    if (gClosePending) {
        gClosePending = false;
        CloseMainWindow(mainWindow);
    }
}

}  // namespace

void DestroyMainWindow(HWND mainWindow) {
    DragAcceptFiles(mainWindow, FALSE);
    PostQuitMessage(0);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return StartUp(window) ? 0 : -1;
        case WM_DESTROY:
            DestroyMainWindow(window);
            return 0;
        case WM_SIZE:
            ResizeBars(window, LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_PAINT:
            PaintDropHint(window);
            return 0;
        case WM_CLOSE:
            // During a run the window takes no close at once: the run is
            // cancelled first, and the operation returns before it closes.
            if (GpgRunning()) {
                gClosePending = true;
                CancelGpgRun();
            } else {
                CloseMainWindow(window);
            }
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;  // a run is cancelled, not waited for: see WM_ENDSESSION
        case WM_ENDSESSION:
            // Windows may end the program as soon as this returns: the run is
            // ended and the file it was writing removed now. A run on a large
            // file could outlast the time Windows grants, and its output is
            // never under the user's name before it is whole anyway.
            if (wParam != FALSE && GpgRunning()) {
                CancelGpgRun();
                RemoveUnfinishedOutputs(gAppState.work.keyPaths.homeDir);
            }
            return 0;
        case WM_SETCURSOR:
            if (GpgRunning()) {  // the wait cursor stays while the window answers
                SetCursor(LoadCursorA(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_COMMAND:
            // One operation at a time: none starts while GnuPG runs.
            if (!GpgRunning()) {
                DispatchCommand(window, LOWORD(wParam));
                CloseIfPending(window);
            }
            return 0;
        case WM_TIMER:
            ResetStatusText(window);
            return 0;
        case WM_DROPFILES: {
            HDROP drop = reinterpret_cast<HDROP>(wParam);
            if (!GpgRunning()) {
                HandleDrop(window, drop);
            }
            // The drop's memory is the receiver's to release once the
            // names have been read.
            DragFinish(drop);
            CloseIfPending(window);
            return 0;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
