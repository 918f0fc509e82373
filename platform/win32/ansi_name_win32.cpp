#include "platform/win32/ansi_name_win32.h"

#include <windows.h>

#include "platform/ui.h"
#include "platform/win32/wide_names_win32.h"

namespace ui {

int WideNameToAnsi(const wchar_t* wide, char* buffer, int size) {
    int length = platform::SpellWideName(wide, buffer, size);
    if (length >= 0) {
        return length;
    }
    BOOL usedDefault = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &usedDefault);
    return usedDefault ? kNameNotInCodePage : kNameTooLong;
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
