// File names handed over by Windows in wide form (dropped files, the file
// dialogs), put into the system's multibyte code page that the rest of the
// program works in.
#pragma once

#include <string>

namespace ui {

// Converts a wide file name into `buffer` of `size` bytes in the system's
// multibyte code page. Returns its length; kNameNotInCodePage when some
// character has no exact form in the code page (the buffer then holds the
// name with a stand-in character, which names no file); -2 when the name and
// its terminator do not fit (the buffer is then empty).
int WideNameToAnsi(const wchar_t* wide, char* buffer, int size);

// The other way, for texts the dialogs show: a text of the code page
// (several terminated texts when `length` counts them all) in wide form.
std::wstring AnsiToWide(const char* text, int length);

}  // namespace ui
