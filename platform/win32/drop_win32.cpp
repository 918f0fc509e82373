// Files dropped on a window (the HDROP of a WM_DROPFILES message).
#include <windows.h>

#include <shellapi.h>

#include <string>

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
    // ANSI form would have stand-ins for them and name none. A name too long
    // for the buffer is refused whole: the ANSI form would be cut, perhaps
    // inside a character, and could name another file.
    UINT wideLength = DragQueryFileW(hdrop, static_cast<UINT>(index), nullptr, 0);
    std::wstring wide(wideLength + 1, L'\0');
    if (wideLength == 0 || DragQueryFileW(hdrop, static_cast<UINT>(index), wide.data(),
                                          wideLength + 1) != wideLength) {
        return kNameTooLong;  // no name to be had
    }
    return WideNameToAnsi(wide.c_str(), buffer, size);
}

}  // namespace ui
