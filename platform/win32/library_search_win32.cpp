#include "platform/win32/library_search_win32.h"

#include <windows.h>

namespace platform {

// A stray DLL named like a system one beside Quillet.exe, say in a Downloads
// folder, would otherwise run inside the program while the passphrase is in
// memory. The call is looked up at run time because Windows 7 has it only
// with an update; kernel32 itself is always the system's copy.
bool LoadLibrariesFromSystemFolderOnly() {
    using SetDefaultDllDirectoriesEntry = BOOL(WINAPI*)(DWORD flags);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto entry = reinterpret_cast<SetDefaultDllDirectoriesEntry>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    return entry != nullptr && entry(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

}  // namespace platform
