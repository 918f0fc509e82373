// Files dropped on a window (the HDROP of a WM_DROPFILES message).
#include <windows.h>

#include <shellapi.h>

#include "platform/ui.h"
#include "platform/win32/ansi_name_win32.h"

namespace ui {

int DroppedFileCount(Drop drop) {
    return static_cast<int>(DragQueryFileA(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0));
}

int DroppedFilePath(Drop drop, int index, char* buffer, int size) {
    if (size <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    auto hdrop = static_cast<HDROP>(drop);
    // The drop keeps the names in wide form: a name with characters the code
    // page lacks (a WAVE DASH, accented letters, Hangul, emoji, rarer kanji)
    // is taken in the program's spelling, which still names the file; the
    // ANSI form would have stand-ins for them and name none.
    wchar_t wide[MAX_PATH * 2];
    UINT wideLength = DragQueryFileW(hdrop, static_cast<UINT>(index), wide, MAX_PATH * 2);
    if (wideLength > 0 && wideLength < MAX_PATH * 2) {
        int length = WideNameToAnsi(wide, buffer, size);
        if (length != -2) {
            return length;
        }
    }
    return static_cast<int>(
        DragQueryFileA(hdrop, static_cast<UINT>(index), buffer, static_cast<UINT>(size)));
}

}  // namespace ui
