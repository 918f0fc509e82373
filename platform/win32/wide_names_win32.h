// File names that the system's multibyte code page cannot spell: "見積〜.txt"
// with its WAVE DASH, "Café.txt" on a Japanese system, Hangul. The program
// holds every path as a text of the code page; a character the code page
// lacks is written there as '<' and the four hexadecimal digits of its
// UTF-16 unit ("見積<301C.txt"). Windows allows no '<' in a file name, and
// no double-byte character of the code page has it as its second byte, so
// that spelling is never a real name and goes back to the wide name without
// loss. Names the code page holds are spelled as they always were. The
// same test of which characters the code page holds serves the texts of
// other programs that are shown (ShowableText, platform/platform.h).
#pragma once

#include <string>

namespace platform {

// True when `name` holds a unit written in the program's spelling.
bool HoldsWideUnits(const char* name);

// The real wide name of a name in the program's spelling.
std::wstring WideName(const char* name);

// The program's spelling of a wide name into `buffer` of `size` bytes.
// Returns its length, or -1 when it does not fit with its terminator (the
// buffer is then empty).
int SpellWideName(const wchar_t* wide, char* buffer, int size);

// Makes GetGpgFileName act as on a volume that keeps no short (8.3) names,
// for the tests; false restores the real behaviour.
void PretendNoShortNames(bool pretend);

}  // namespace platform
