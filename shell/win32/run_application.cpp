#include <windows.h>

#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/help_viewer.h"
#include "shell/win32/main_window.h"

namespace {

constexpr char kClassName[] = "QUILLET";
constexpr char kTitle[] = "Quillet";
// The main window's outer size on a screen of 96 DPI (100 %); on a finer
// screen it grows in step, as its fonts and menu do.
constexpr int kWindowWidth = 320;
constexpr int kWindowHeight = 240;

void RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUILLET));
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUILLET));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    windowClass.lpszClassName = kClassName;
    RegisterClassExA(&windowClass);
}

}  // namespace

int RunApplication(HINSTANCE instance, int showMode) {
    gAppState.instance = instance;

    DWORD helpCookie = 0;
    CallHtmlHelp(nullptr, nullptr, kHelpInitialize, reinterpret_cast<std::uintptr_t>(&helpCookie));

    RegisterMainWindowClass(instance);
    // The start-up checks run inside this call (the creation message); when
    // they fail the window is not made and the quit request is already posted.
    HWND window =
        CreateWindowExA(WS_EX_ACCEPTFILES, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, ScaleForScreen(kWindowWidth), ScaleForScreen(kWindowHeight),
                        nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        // A refused creation destroys the half-made window, but not every
        // system sends it the destruction message that posts the quit
        // request (Wine does not): post it here, so the loop ends at once
        // instead of waiting forever without a window.
        PostQuitMessage(0);
    }
    ShowWindow(window, showMode);
    UpdateWindow(window);

    MSG message{};
    for (;;) {
        BOOL fetched = GetMessageA(&message, nullptr, 0, 0);
        if (fetched == 0) {
            break;
        }
        if (fetched == -1) {
            MessageBoxA(message.hwnd, "GetMessage Error", "Error", MB_OK);
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    CallHtmlHelp(nullptr, nullptr, kHelpUninitialize, helpCookie);
    // The passphrase cached for the run does not outlive it.
    SecureZeroMemory(gAppState.work.keyPaths.passphrase, sizeof gAppState.work.keyPaths.passphrase);
    return static_cast<int>(message.wParam);
}
