// The wait cursor on Windows.
#include <windows.h>

#include "platform/ui.h"

namespace ui {

CursorToken ShowWaitCursor() {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    return reinterpret_cast<CursorToken>(previous);
}

void RestoreCursor(CursorToken previous) {
    SetCursor(reinterpret_cast<HCURSOR>(previous));
}

}  // namespace ui
