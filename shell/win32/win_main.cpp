// The program's entry.
#include <windows.h>

#include "shell/win32/main_window.h"

namespace {

// Libraries that Windows loads while the program runs (the help control,
// the common controls, and whatever those and the file dialogs load on the
// program's behalf, such as version.dll) come from the system folder only,
// never from the program's folder or the current one: a stray DLL of the
// same name beside Quillet.exe, say in a Downloads folder, would otherwise
// run inside the program while the passphrase is in memory. The function
// is looked up at run time because Windows 7 has it only with an update;
// kernel32 itself is always the system's copy.
void LoadLibrariesFromSystemFolderOnly() {
    using SetDefaultDllDirectoriesEntry = BOOL(WINAPI*)(DWORD flags);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto entry = reinterpret_cast<SetDefaultDllDirectoriesEntry>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (entry != nullptr) {
        entry(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showMode) {
    LoadLibrariesFromSystemFolderOnly();
    return RunApplication(instance, showMode);
}
