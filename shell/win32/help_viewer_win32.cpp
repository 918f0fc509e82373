// The HTML Help control, loaded at the first call and kept for the run.
#include <windows.h>

#include "shell/help_viewer.h"

namespace {

// The control's entry point for byte texts (HtmlHelpA), exported by ordinal.
using HtmlHelpEntry = HWND(WINAPI*)(HWND owner, LPCSTR file, UINT command, DWORD_PTR data);

constexpr WORD kHtmlHelpOrdinal = 14;
constexpr DWORD kPathSize = 260;
constexpr char kControlKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

HMODULE gHelpLibrary = nullptr;
HtmlHelpEntry gHelpEntry = nullptr;
bool gHelpUnavailable = false;

}  // namespace

bool FindHelpControl(char* buffer) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kControlKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    // The value is read as it is; its type is not examined. A value stored
    // without its terminator gets one when there is room; one that fills the
    // whole buffer is no usable path.
    DWORD size = kPathSize;
    LONG read =
        RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS) {
        return false;
    }
    if (size > 0 && buffer[size - 1] == '\0') {
        return true;
    }
    if (size < kPathSize) {
        buffer[size] = '\0';
        return true;
    }
    buffer[0] = '\0';
    return false;
}

std::intptr_t CallHtmlHelp(ui::Window owner, const char* file, unsigned command,
                           std::uintptr_t data) {
    if (gHelpLibrary == nullptr && !gHelpUnavailable) {
        char path[kPathSize];
        if (FindHelpControl(path)) {
            gHelpLibrary = LoadLibraryA(path);
        }
        if (gHelpLibrary == nullptr) {
            gHelpLibrary = LoadLibraryA("hhctrl.ocx");
        }
        if (gHelpLibrary == nullptr) {
            gHelpUnavailable = true;
            return 0;
        }
    }
    if (gHelpEntry == nullptr) {
        if (gHelpLibrary == nullptr) {
            return 0;
        }
        gHelpEntry = reinterpret_cast<HtmlHelpEntry>(reinterpret_cast<void*>(
            GetProcAddress(gHelpLibrary, MAKEINTRESOURCEA(kHtmlHelpOrdinal))));
        if (gHelpEntry == nullptr) {
            gHelpUnavailable = true;
            return 0;
        }
    }
    HWND result = gHelpEntry(static_cast<HWND>(owner), file, command, data);
    return reinterpret_cast<std::intptr_t>(result);
}
