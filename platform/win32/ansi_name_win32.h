// File names handed over by Windows in wide form (dropped files, the file
// dialogs), put into the system's multibyte code page that the rest of the
// program works in, and texts of the code page in wide form for the dialogs.
#pragma once

#include <string>

namespace ui {

// Spells a wide file name into `buffer` of `size` bytes as the program holds
// names (platform/win32/wide_names_win32.h: characters the code page lacks
// written out). Returns its length; kNameTooLong when the name and its
// terminator do not fit; kNameNotInCodePage when the name has characters the code page
// lacks and only their written-out form makes it too long (the buffer is
// empty in both cases).
int WideNameToAnsi(const wchar_t* wide, char* buffer, int size);

// The other way, for texts the dialogs show: a text of the code page
// (several terminated texts when `length` counts them all) in wide form.
std::wstring AnsiToWide(const char* text, int length);

}  // namespace ui
