// The probe DLL (see probe.h). It runs inside the program under test, on a
// thread that the driver starts there.
#include "tests/e2e/probe.h"

extern "C" __declspec(dllexport) DWORD WINAPI ReadMenuItemState(void* question) {
    const auto* asked = static_cast<const e2e_probe::MenuQuestion*>(question);
    HMENU menu = GetMenu(asked->window);
    if (menu == nullptr) {
        return 0xFFFFFFFF;
    }
    return GetMenuState(menu, asked->commandId, MF_BYCOMMAND);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, void*) {
    return TRUE;
}
