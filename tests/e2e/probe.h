// The probe: a small DLL that the driver loads into the program under test
// to ask what only the program's own process may ask. Under Wine a menu
// belongs to the process that made it, and GetMenuState on another
// process's menu fails; inside the program it works.
#pragma once

#include <windows.h>

namespace e2e_probe {

// What the driver writes into the program's memory for one question.
struct MenuQuestion {
    HWND window;     // the window whose menu bar is asked
    UINT commandId;  // the command of the menu item
};

// The exported thread routine: it gets the address of a MenuQuestion and
// ends with GetMenuState's answer as the thread's exit code (0xFFFFFFFF
// when the window has no menu or the menu no such item).
inline constexpr const char* kReadMenuItemState = "ReadMenuItemState";

}  // namespace e2e_probe
