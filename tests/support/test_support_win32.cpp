// The Windows half of the test helpers.
#include <windows.h>

#include <cstdint>
#include <stdexcept>

#include "tests/support/test_support.h"

namespace test_support {

std::string HostPath(const std::string& linuxPath) {
    // Wine shows the build machine's root as drive Z:.
    std::string path = "Z:" + linuxPath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

void RemoveTree(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    for (const std::string& name : ListFolder(path)) {
        RemoveTree(path + "\\" + name);
    }
    RemoveDirectoryA(path.c_str());
}

void MakeReadOnly(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
}

void MakeExecutable(const std::string&) {}

std::string CurrentFolder() {
    char buffer[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    return std::string(buffer, n);
}

void ChangeFolder(const std::string& path) {
    if (!SetCurrentDirectoryA(path.c_str())) {
        throw std::runtime_error("cannot change to " + path);
    }
}

void SetTempFolder(const std::string& path) {
    SetEnvironmentVariableA("TMP", path.empty() ? nullptr : path.c_str());
}

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &entry)) {
        std::string name = entry.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
    }
    return names;
}

int CountOpenHandles() {
    // Wine counts no handles, so try every plausible value. Only pipes,
    // files, processes and threads count: Wine opens events of its own.
    int count = 0;
    for (std::uintptr_t value = 4; value < 65536; value += 4) {
        HANDLE handle = reinterpret_cast<HANDLE>(value);
        DWORD flags = 0;
        count += GetHandleInformation(handle, &flags) &&
                 (GetFileType(handle) != FILE_TYPE_UNKNOWN || GetProcessId(handle) != 0 ||
                  GetThreadId(handle) != 0);
    }
    return count;
}

Probe OpenProbe() {
    return Probe{reinterpret_cast<long long>(CreateEventA(nullptr, TRUE, FALSE, nullptr))};
}

bool ProbeIsOpen(const Probe& probe) {
    DWORD flags = 0;
    return GetHandleInformation(reinterpret_cast<HANDLE>(probe.handle), &flags) != FALSE;
}

void CloseProbe(const Probe& probe) {
    CloseHandle(reinterpret_cast<HANDLE>(probe.handle));
}

}  // namespace test_support
