#include "platform/win32/ansi_name_win32.h"

#include <windows.h>

#include "platform/ui.h"

namespace ui {

int WideNameToAnsi(const wchar_t* wide, char* buffer, int size) {
    if (size <= 0) {
        return -2;
    }
    // Without best-fit mapping a character the code page lacks is never
    // swapped for a look-alike silently: it always counts as a stand-in.
    BOOL usedDefault = FALSE;
    int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, buffer, size, nullptr,
                                      &usedDefault);
    if (written == 0) {
        buffer[0] = '\0';
        return -2;
    }
    return usedDefault ? kNameNotInCodePage : written - 1;
}

std::wstring AnsiToWide(const char* text, int length) {
    int count = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(count > 0 ? count : 0), L'\0');
    if (count > 0) {
        MultiByteToWideChar(CP_ACP, 0, text, length, wide.data(), count);
    }
    return wide;
}

}  // namespace ui
