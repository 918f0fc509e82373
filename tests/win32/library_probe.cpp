// A library that the tests plant under names the system folder lacks (beside
// a program, or as "iconv.dll" where GnuPG would look for one). Loaded into
// a process whose environment names a mark file in QUILLET_PROBE_MARK, it
// creates that file, so that a test sees that it was loaded.
#include <windows.h>

extern "C" __declspec(dllexport) int QuilletLibraryProbe() {
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    char mark[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("QUILLET_PROBE_MARK", mark, sizeof mark);
    if (reason == DLL_PROCESS_ATTACH && length > 0 && length < sizeof mark) {
        HANDLE file = CreateFileA(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
    return TRUE;
}
