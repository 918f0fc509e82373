#include "engine/gnupg_options.h"

#include <cstring>
#include <string>
#include <vector>

#include "engine/command_frame.h"
#include "platform/platform.h"

namespace {

// A larger options file is not one the program wrote, nor one it reads.
constexpr std::size_t kMaxOptionsFile = 16384;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The option's name: the text up to its first blank.
std::size_t NameLength(const char* option) {
    std::size_t length = 0;
    while (option[length] != '\0' && option[length] != ' ') {
        ++length;
    }
    return length;
}

// True when a line of `text` that is not a comment starts (after blanks)
// with the option's name as a whole word.
bool SetsOption(const char* text, std::size_t size, const char* option) {
    std::size_t nameLength = NameLength(option);
    std::size_t at = 0;
    while (at < size) {
        while (at < size && IsBlank(text[at])) {
            ++at;
        }
        std::size_t rest = size - at;
        if (rest >= nameLength && std::memcmp(text + at, option, nameLength) == 0 &&
            (rest == nameLength || IsBlank(text[at + nameLength]) ||
             text[at + nameLength] == '\r' || text[at + nameLength] == '\n')) {
            return true;
        }
        while (at < size && text[at] != '\n') {
            ++at;
        }
        ++at;
    }
    return false;
}

// Adds each option of `options` that `current` does not set, after `comment`.
template <std::size_t N>
void AddGroup(const char* current, std::size_t size, const char* const (&options)[N],
              const char* comment, const char* lineEnd, std::string* text, bool* added) {
    bool commented = false;
    for (const char* option : options) {
        if (SetsOption(current, size, option)) {
            continue;
        }
        if (!*added && !text->empty() && text->back() != '\n') {
            *text += lineEnd;  // the last line of the user's file had no end
        }
        if (!commented) {
            *text += comment;
            *text += lineEnd;
        }
        *added = commented = true;
        *text += option;
        *text += lineEnd;
    }
}

}  // namespace

long AddMissingGnupgOptions(const char* current, std::size_t size, char* out, std::size_t capacity,
                            const char* lineEnd) {
    std::string text(current, size);
    bool added = false;
    AddGroup(current, size, kGnupgSigningOptions,
             "# SHA-256 signatures, which today's OpenPGP programs require, and a strong "
             "protection of the secret key",
             lineEnd, &text, &added);
    AddGroup(current, size, kGnupgProgressOptions, "# progress figures for long runs", lineEnd,
             &text, &added);
    if (!added) {
        return 0;
    }
    if (text.size() > capacity) {
        return -1;
    }
    std::memcpy(out, text.data(), text.size());
    return static_cast<long>(text.size());
}

bool EnsureGnupgOptions(const char* homeDir) {
    std::string path = PathInFolder(homeDir, "gpg.conf");

    std::vector<char> current(kMaxOptionsFile + 1);
    std::vector<char> wanted(kMaxOptionsFile);
    std::size_t size = 0;
    switch (platform::LookUpPath(path.c_str())) {
        case platform::PathKind::Folder:
            return false;
        case platform::PathKind::File: {
            platform::OsHandle file = platform::OpenFileForSharedReading(path.c_str());
            if (file == platform::kNoHandle) {
                return false;
            }
            bool read = platform::ReadFileOnce(file, current.data(), current.size(), &size);
            platform::CloseOsHandle(file);
            if (!read || size > kMaxOptionsFile) {
                return false;  // unreadable, or not a file of options
            }
            break;
        }
        case platform::PathKind::Missing:
            break;
    }
    long length = AddMissingGnupgOptions(current.data(), size, wanted.data(), wanted.size(),
                                         platform::kLineEnd);
    if (length == 0) {
        return true;
    }
    if (length < 0) {
        return false;
    }
    return WriteWholeFile(path.c_str(), wanted.data(), static_cast<std::size_t>(length));
}
