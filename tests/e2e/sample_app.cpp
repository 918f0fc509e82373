// A tiny Win32 program for the driver's own test: one of everything the
// driver works on in the real program.
// - an edit field (id 10) and a button (id 11) that puts the field's text
//   into the status bar and shows it in a message box captioned "Sample Box";
// - a status bar in simple mode (pane 255), starting with "ready";
// - a menu with a check item (command 100) that flips its check mark, and
//   an exit item (command 101);
// - dropped files: their names, one per line, in a box captioned "Dropped".
// The program ends with exit code 3, so that a test can tell the code it
// collects from a default 0.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>

namespace {

constexpr int kEditId = 10;
constexpr int kShowButtonId = 11;
constexpr int kCheckItemId = 100;
constexpr int kExitItemId = 101;
constexpr int kExitCode = 3;

HWND Edit;
HWND StatusBar;

void SetStatus(const char* text) {
    SendMessageA(StatusBar, SB_SETTEXTA, 255, reinterpret_cast<LPARAM>(text));
}

void ShowFieldText(HWND window) {
    char text[260];
    GetWindowTextA(Edit, text, sizeof text);
    SetStatus(text);
    MessageBoxA(window, text, "Sample Box", MB_OK);
}

void ToggleCheckItem(HWND window) {
    HMENU menu = GetMenu(window);
    bool checked = (GetMenuState(menu, kCheckItemId, MF_BYCOMMAND) & MF_CHECKED) != 0;
    CheckMenuItem(menu, kCheckItemId, MF_BYCOMMAND | (checked ? MF_UNCHECKED : MF_CHECKED));
}

void ShowDroppedNames(HWND window, HDROP drop) {
    std::string names;
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        char name[MAX_PATH];
        DragQueryFileA(drop, i, name, sizeof name);
        names += (i == 0 ? "" : "\n") + std::string(name);
    }
    DragFinish(drop);
    MessageBoxA(window, names.c_str(), "Dropped", MB_OK);
}

HMENU MakeMenu() {
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, kCheckItemId, "&Check item");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, kExitItemId, "E&xit");
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    return bar;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            Edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE, 10, 10, 200,
                                   24, window, reinterpret_cast<HMENU>(kEditId), nullptr, nullptr);
            CreateWindowExA(0, "BUTTON", "Show", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 220, 10, 80,
                            24, window, reinterpret_cast<HMENU>(kShowButtonId), nullptr, nullptr);
            StatusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                        window, nullptr, nullptr, nullptr);
            SendMessageA(StatusBar, SB_SIMPLE, TRUE, 0);
            SetStatus("ready");
            DragAcceptFiles(window, TRUE);
            return 0;
        case WM_SIZE:
            SendMessageA(StatusBar, WM_SIZE, 0, 0);
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case kShowButtonId:
                    ShowFieldText(window);
                    break;
                case kCheckItemId:
                    ToggleCheckItem(window);
                    break;
                case kExitItemId:
                    DestroyWindow(window);
                    break;
            }
            return 0;
        case WM_DROPFILES:
            ShowDroppedNames(window, reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(kExitCode);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    InitCommonControls();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "E2E_SAMPLE";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_ACCEPTFILES, "E2E_SAMPLE", "E2E Sample",
                                  WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 360, 200,
                                  nullptr, MakeMenu(), instance, nullptr);
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
