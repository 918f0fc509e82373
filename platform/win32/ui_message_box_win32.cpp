// Message boxes on Windows.
#include <windows.h>

#include "platform/ui.h"

namespace ui {

int ShowMessageBox(Window owner, const char* text, const char* caption, unsigned style) {
    return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}

}  // namespace ui
