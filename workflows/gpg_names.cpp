#include "workflows/gpg_names.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/command_frame.h"
#include "engine/gpg_runner.h"

namespace {

constexpr char kPrefix[] = "~qlt";
constexpr char kSuffix[] = ".tmp";
constexpr std::size_t kMaxList = 65536;

std::string ListPath(const char* homeDir) {
    return PathInFolder(homeDir, "unfinished.txt");
}

std::string ReadList(const char* homeDir) {
    std::string text;
    ReadSmallFile(ListPath(homeDir).c_str(), kMaxList, &text);
    return text;
}

bool WriteList(const char* homeDir, const std::string& text) {
    std::string path = ListPath(homeDir);
    if (text.empty()) {
        return platform::LookUpPath(path.c_str()) == platform::PathKind::Missing ||
               platform::RemoveFile(path.c_str());
    }
    return WriteWholeFile(path.c_str(), text.data(), text.size());
}

// Whether `path` names a temporary file of ours: "~qlt" and four
// hexadecimal digits, ".tmp".
bool IsTemporaryName(const std::string& path) {
    std::size_t start = path.rfind(platform::kPathSeparator);
    std::string name = path.substr(start == std::string::npos ? 0 : start + 1);
    return name.size() == 12 && name.compare(0, 4, kPrefix) == 0 &&
           name.compare(8, 4, kSuffix) == 0 && name.find_first_not_of("0123456789ABCDEF", 4) == 8;
}

// Makes a new empty temporary file in the folder of `name`, into `path`.
bool MakeTemporary(const char* name, char* path) {
    int separator = FindLastBackslash(name);
    if (separator < 0) {
        return false;
    }
    unsigned start =
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count() / 1000);
    for (unsigned attempt = 0; attempt < 64; ++attempt) {
        int length = std::snprintf(path, platform::kMaxPath, "%.*s%s%04X%s", separator + 1, name,
                                   kPrefix, (start + attempt * 7919u) & 0xFFFFu, kSuffix);
        if (length < 0 || length >= static_cast<int>(platform::kMaxPath)) {
            return false;
        }
        if (platform::CreateNewFile(path)) {
            return true;
        }
        if (platform::LookUpPath(path) == platform::PathKind::Missing) {
            return false;  // not taken: the folder cannot be written
        }
    }
    return false;
}

void Unlist(const char* homeDir, const char* temporary) {
    std::string list = ReadList(homeDir);
    std::string line = std::string(temporary) + "\n";
    std::size_t at = list.find(line);
    if (at != std::string::npos) {
        list.erase(at, line.size());
        WriteList(homeDir, list);
    }
}

}  // namespace

ResultCode NameInputForGpg(const char* name, GpgName* gpg) {
    gpg->temporary[0] = '\0';
    return platform::GetGpgFileName(name, gpg->path) ? rc::kOk : rc::kNameNotInCodePage;
}

ResultCode NameOutputForGpg(const char* name, const char* const* readNames, const char* homeDir,
                            GpgName* gpg) {
    gpg->path[0] = gpg->temporary[0] = '\0';
    ResultCode checked = CheckOutputNamesNoOtherFile(name, readNames, homeDir);
    if (checked != rc::kOk) {
        return checked;
    }
    if (!MakeTemporary(name, gpg->temporary)) {
        return rc::kOutputWrite;
    }
    // Listed before GnuPG may write a byte into it.
    if (!WriteList(homeDir, ReadList(homeDir) + gpg->temporary + "\n")) {
        platform::RemoveFile(gpg->temporary);
        return rc::kOutputWrite;
    }
    if (!platform::GetGpgFileName(gpg->temporary, gpg->path)) {
        platform::RemoveFile(gpg->temporary);
        Unlist(homeDir, gpg->temporary);
        return rc::kNameNotInCodePage;
    }
    return rc::kOk;
}

ResultCode SettleOutput(const char* name, const char* homeDir, const GpgName& gpg,
                        ResultCode result, bool keep) {
    if (gpg.temporary[0] == '\0') {
        return result;
    }
    if (keep && !platform::MoveFileOver(gpg.temporary, name)) {
        result = rc::kOutputWrite;
    }
    if (platform::LookUpPath(gpg.temporary) == platform::PathKind::File) {
        platform::RemoveFile(gpg.temporary);
    }
    Unlist(homeDir, gpg.temporary);
    return result;
}

void RemoveUnfinishedOutputs(const char* homeDir) {
    std::string list = ReadList(homeDir);
    for (std::size_t at = 0, end; (end = list.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string path = list.substr(at, end - at);
        if (IsTemporaryName(path) &&
            platform::LookUpPath(path.c_str()) == platform::PathKind::File) {
            platform::RemoveFile(path.c_str());
        }
    }
    WriteList(homeDir, "");
}
