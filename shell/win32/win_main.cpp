// The program's entry.
#include <windows.h>

#include "platform/win32/library_search_win32.h"
#include "shell/win32/main_window.h"

// Libraries that Windows loads while the program runs (the help control,
// the common controls, and whatever those and the file dialogs load on the
// program's behalf, such as version.dll) come from the system folder only.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showMode) {
    platform::LoadLibrariesFromSystemFolderOnly();
    return RunApplication(instance, showMode);
}
