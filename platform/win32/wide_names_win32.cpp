#include "platform/win32/wide_names_win32.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace platform {

namespace {

bool gPretendNoShortNames = false;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The unit written at `text` ('<' and four hexadecimal digits), or -1.
int UnitAt(const char* text) {
    if (text[0] != '<') {
        return -1;
    }
    int unit = 0;
    for (int i = 1; i <= 4; ++i) {
        int digit = HexDigit(text[i]);  // stops at the terminator too
        if (digit < 0) {
            return -1;
        }
        unit = unit * 16 + digit;
    }
    return unit;
}

// The code page's bytes of one unit, when it holds exactly that unit.
bool UnitInCodePage(wchar_t unit, std::string* bytes) {
    char spelled[4];
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &unit, 1, spelled,
                                     sizeof spelled, nullptr, &usedDefault);
    wchar_t back = 0;
    if (length <= 0 || usedDefault ||
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, spelled, length, &back, 1) != 1 ||
        back != unit) {
        return false;
    }
    bytes->append(spelled, static_cast<std::size_t>(length));
    return true;
}

}  // namespace

bool HoldsWideUnits(const char* name) {
    for (const char* at = std::strchr(name, '<'); at != nullptr; at = std::strchr(at + 1, '<')) {
        if (UnitAt(at) >= 0) {
            return true;
        }
    }
    return false;
}

std::wstring WideName(const char* name) {
    std::wstring wide;
    auto appendRun = [&wide](const char* run, std::size_t length) {
        if (length == 0) {
            return;
        }
        int count = MultiByteToWideChar(CP_ACP, 0, run, static_cast<int>(length), nullptr, 0);
        if (count > 0) {
            std::size_t start = wide.size();
            wide.resize(start + static_cast<std::size_t>(count));
            MultiByteToWideChar(CP_ACP, 0, run, static_cast<int>(length), &wide[start], count);
        }
    };
    const char* run = name;
    const char* at = name;
    while (*at != '\0') {
        int unit = UnitAt(at);
        if (unit < 0) {
            ++at;
            continue;
        }
        appendRun(run, static_cast<std::size_t>(at - run));
        wide.push_back(static_cast<wchar_t>(unit));
        at += 5;
        run = at;
    }
    appendRun(run, static_cast<std::size_t>(at - run));
    return wide;
}

int SpellWideName(const wchar_t* wide, char* buffer, int size) {
    if (size <= 0) {
        return -1;
    }
    // A name the code page holds whole is spelled as the system spells it.
    BOOL usedDefault = FALSE;
    int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, buffer, size, nullptr,
                                      &usedDefault);
    if (written > 0 && !usedDefault && std::wcschr(wide, L'<') == nullptr) {
        return written - 1;
    }
    std::string spelled;
    for (const wchar_t* unit = wide; *unit != L'\0'; ++unit) {
        // '<' is kept for the spelling itself.
        if (*unit == L'<' || !UnitInCodePage(*unit, &spelled)) {
            static const char kDigits[] = "0123456789ABCDEF";
            unsigned value = static_cast<unsigned>(*unit) & 0xFFFF;
            spelled += '<';
            for (int shift = 12; shift >= 0; shift -= 4) {
                spelled += kDigits[(value >> shift) & 0xF];
            }
        }
    }
    if (spelled.size() + 1 > static_cast<std::size_t>(size)) {
        buffer[0] = '\0';
        return -1;
    }
    std::memcpy(buffer, spelled.c_str(), spelled.size() + 1);
    return static_cast<int>(spelled.size());
}

void ShowableText(const char* text, char* buffer, std::size_t size) {
    if (size == 0) {
        return;
    }
    int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    std::wstring wide(count > 0 ? static_cast<std::size_t>(count) : 0, L'\0');
    if (count <= 0 ||
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide.data(), count) != count) {
        std::snprintf(buffer, size, "%s", text);  // not UTF-8: shown as it is
        return;
    }
    std::string standIn;
    if (!UnitInCodePage(L'\u3013', &standIn)) {
        standIn = "?";
    }
    // One character at a time, so that nothing but whole characters is kept.
    std::string shown;
    for (std::size_t i = 0; wide[i] != L'\0'; ++i) {
        std::string character;
        if (IS_HIGH_SURROGATE(wide[i]) && IS_LOW_SURROGATE(wide[i + 1])) {
            ++i;  // no code page holds a character beyond the first 65536
            character = standIn;
        } else if (!UnitInCodePage(wide[i], &character)) {
            character = standIn;
        }
        if (shown.size() + character.size() + 1 > size) {
            break;
        }
        shown += character;
    }
    std::memcpy(buffer, shown.c_str(), shown.size() + 1);
}

void PretendNoShortNames(bool pretend) {
    gPretendNoShortNames = pretend;
}

bool GetGpgFileName(const char* path, char* buffer) {
    if (!HoldsWideUnits(path)) {
        std::size_t length = std::strlen(path);
        if (length + 1 > kMaxPath) {
            return false;
        }
        std::memcpy(buffer, path, length + 1);
        return true;
    }
    if (gPretendNoShortNames) {
        return false;
    }
    // Every part of the path in its short form; a part without one stays
    // long, and with characters the code page lacks names nothing for GnuPG.
    wchar_t shortPath[kMaxPath];
    DWORD length = GetShortPathNameW(WideName(path).c_str(), shortPath, kMaxPath);
    if (length == 0 || length >= kMaxPath) {
        return false;
    }
    return SpellWideName(shortPath, buffer, static_cast<int>(kMaxPath)) >= 0 &&
           !HoldsWideUnits(buffer);
}

}  // namespace platform
