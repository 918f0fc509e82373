#include "shell/settings.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "engine/gpg_runner.h"
#include "platform/platform.h"
#include "shell/app_state.h"

namespace {

constexpr std::size_t kTextBuffer = 4096;
// A file this long or longer is refused, so that the text read is always
// followed by at least two zero bytes.
constexpr std::size_t kTooLong = 4095;

constexpr unsigned kMenuEncryptNoSign = 40014;
constexpr unsigned kMenuDecryptNoVerify = 40013;

// Closes the file when the function that opened it returns.
class OpenFile {
public:
    explicit OpenFile(platform::OsHandle handle) : handle_(handle) {}
    ~OpenFile() {
        if (handle_ != platform::kNoHandle) {
            platform::CloseOsHandle(handle_);
        }
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    bool IsOpen() const { return handle_ != platform::kNoHandle; }
    platform::OsHandle Handle() const { return handle_; }

private:
    platform::OsHandle handle_;
};

// conf/Quillet.ini in the program's folder, built anew from the program's
// own path each time.
bool BuildSettingsPath(char* path) {
    static const char* const kParts[] = {"conf", "Quillet.ini"};
    return BuildProgramFolderPath(path, platform::kMaxPath, kParts, 2);
}

// Space, tab, line feed, vertical tab, form feed and carriage return. The
// end of the text is not a blank.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

const char* SkipBlanks(const char* p) {
    while (IsBlank(*p)) {
        ++p;
    }
    return p;
}

// Blanks other than a line feed.
const char* SkipBlanksWithinLine(const char* p) {
    while (*p != '\n' && IsBlank(*p)) {
        ++p;
    }
    return p;
}

// The start of the line after the next line feed at or after `p`, or
// nullptr when there is no line feed or nothing follows it.
const char* NextLine(const char* p) {
    const char* lineFeed = std::strchr(p, '\n');
    if (lineFeed == nullptr || lineFeed[1] == '\0') {
        return nullptr;
    }
    return lineFeed + 1;
}

// True when the `length` bytes at `p` are exactly `wanted`.
bool SameToken(const char* p, std::size_t length, const char* wanted) {
    return std::strlen(wanted) == length && std::memcmp(p, wanted, length) == 0;
}

// The first line of the wanted section's body, or nullptr.
const char* FindSection(const char* text, const char* section) {
    const char* line = text;
    while (line != nullptr) {
        const char* p = SkipBlanks(line);
        if (*p == '[') {
            const char* name = p + 1;
            const char* close = std::strchr(name, ']');
            if (close == nullptr) {
                return nullptr;
            }
            if (SameToken(name, static_cast<std::size_t>(close - name), section)) {
                return NextLine(p);
            }
        }
        line = NextLine(p);
    }
    return nullptr;
}

// The value after a matching key token, or `defaultValue`.
int ReadValue(const char* p, int defaultValue) {
    p = SkipBlanksWithinLine(p);
    // The separator is passed over whatever it is, but never the end of the
    // text: the text may be any zero-terminated string.
    if (*p == '\n' || *p == '\0') {
        return defaultValue;
    }
    p = SkipBlanksWithinLine(p + 1);
    if (!IsDigit(*p)) {
        return defaultValue;
    }
    // A value too large for an int counts as the largest int: it is still
    // a value other than 0, and nothing overflows.
    int value = 0;
    for (; IsDigit(*p); ++p) {
        int digit = *p - '0';
        value = value > (INT_MAX - digit) / 10 ? INT_MAX : value * 10 + digit;
    }
    return IsBlank(*p) ? value : defaultValue;
}

}  // namespace

int ReadIniInteger(const char* text, const char* section, const char* key, int defaultValue) {
    if (*text == '\0') {
        return defaultValue;
    }
    const char* line = FindSection(text, section);
    // Later section headers are not noticed: the first line anywhere below
    // the section header whose token is the key decides.
    while (line != nullptr) {
        const char* token = SkipBlanks(line);
        const char* end = token;
        while (*end != '\0' && *end != '=' && !IsBlank(*end)) {
            ++end;
        }
        if (SameToken(token, static_cast<std::size_t>(end - token), key)) {
            return ReadValue(end, defaultValue);
        }
        line = NextLine(token);
    }
    return defaultValue;
}

ResultCode ReadSettings() {
    WorkContext& work = gAppState.work;
    work.encryptNoSign = 0;
    work.decryptNoVerify = 0;

    char path[platform::kMaxPath];
    if (!BuildSettingsPath(path)) {
        return rc::kOptionsRead;
    }
    OpenFile file(platform::OpenFileForSharedReading(path));
    if (!file.IsOpen()) {
        return rc::kOk;
    }
    char text[kTextBuffer] = {};
    std::size_t received = 0;
    if (!platform::ReadFileOnce(file.Handle(), text, sizeof text, &received)) {
        return rc::kOptionsRead;
    }
    if (received >= kTooLong) {
        return rc::kUnknown;
    }
    work.encryptNoSign = ReadIniInteger(text, "global", "encrypt_no_sign", 0) != 0 ? 1 : 0;
    work.decryptNoVerify = ReadIniInteger(text, "global", "decrypt_no_verify", 0) != 0 ? 1 : 0;
    return rc::kOk;
}

ResultCode WriteSettings() {
    const WorkContext& work = gAppState.work;
    char text[kTextBuffer];
    int length =
        std::snprintf(text, sizeof text, "[global]\nencrypt_no_sign=%d\ndecrypt_no_verify=%d\n",
                      work.encryptNoSign != 0 ? 1 : 0, work.decryptNoVerify != 0 ? 1 : 0);
    char path[platform::kMaxPath];
    if (length < 0 || !BuildSettingsPath(path)) {
        return rc::kOptionsWrite;
    }
    OpenFile file(platform::OpenFileForWriting(path));
    if (!file.IsOpen()) {
        return rc::kOptionsWrite;
    }
    std::size_t size = static_cast<std::size_t>(length);
    std::size_t written = 0;
    if (!platform::WriteFileAtStart(file.Handle(), text, size, &written) || written != size) {
        return rc::kOptionsWrite;
    }
    // A longer file edited by hand would otherwise keep its old tail after
    // the three lines, and that tail would be read at the next start.
    if (!platform::CutFile(file.Handle(), size)) {
        return rc::kOptionsWrite;
    }
    return rc::kOk;
}

void UpdateSettingsMenu(ui::Window mainWindow) {
    const WorkContext& work = gAppState.work;
    ui::SetMenuItemChecked(mainWindow, kMenuEncryptNoSign, work.encryptNoSign != 0);
    ui::SetMenuItemChecked(mainWindow, kMenuDecryptNoVerify, work.decryptNoVerify != 0);
}
