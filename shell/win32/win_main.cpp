// The program's entry.
#include <windows.h>

#include "shell/win32/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showMode) {
    return RunApplication(instance, showMode);
}
