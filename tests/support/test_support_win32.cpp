// The Windows half of the test helpers.
#include <windows.h>

#include <winternl.h>
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

std::string Environment(const std::string& name) {
    char value[32768];
    DWORD n = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    return n < sizeof value ? std::string(value, n) : std::string();
}

void SetEnvironment(const std::string& name, const std::string& value) {
    SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
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

namespace {

// One entry of the system's handle table (NtQuerySystemInformation, class 16).
struct HandleEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectTypeIndex;
    UCHAR attributes;
    USHORT handle;
    PVOID object;
    ULONG grantedAccess;
};
struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
using QueryObject = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

FARPROC NtFunction(const char* name) {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), name);
}

// The handles that process `processId` holds now, from the system's table:
// natively and under Wine (where GetProcessHandleCount answers 0).
std::vector<HANDLE> HandlesOf(DWORD processId) {
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void (*)()>(NtFunction("NtQuerySystemInformation")));
    std::vector<char> buffer(1 << 20);
    ULONG needed = 0;
    LONG status = 0;
    while ((status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
           static_cast<LONG>(0xC0000004L)) {  // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(buffer.size() * 2);
    }
    if (status < 0) {
        throw std::runtime_error("the system's handle table cannot be read");
    }
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    std::vector<HANDLE> handles;
    for (ULONG i = 0; i < table->count; ++i) {
        if (table->entries[i].processId == static_cast<USHORT>(processId)) {
            handles.push_back(
                reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(table->entries[i].handle)));
        }
    }
    return handles;
}

// What `process`'s handle `handle` refers to: the name of its object (class
// 1) or of its kind (class 2); "" when that cannot be told.
std::wstring DescribeHandle(HANDLE process, HANDLE handle, ULONG infoClass) {
    auto query =
        reinterpret_cast<QueryObject>(reinterpret_cast<void (*)()>(NtFunction("NtQueryObject")));
    HANDLE copy = nullptr;
    if (!DuplicateHandle(process, handle, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        return L"";
    }
    std::vector<char> buffer(4096);
    ULONG needed = 0;
    std::wstring text;
    if (query(copy, infoClass, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) >= 0) {
        const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
        if (name->Buffer != nullptr) {
            text.assign(name->Buffer, name->Length / sizeof(wchar_t));
        }
    }
    CloseHandle(copy);
    return text;
}

// Counts the handles of `processId` for which `counts` holds, given the
// process (opened to copy handles from) and the handle.
template <typename Predicate>
int CountHandles(DWORD processId, Predicate counts) {
    HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, processId);
    if (process == nullptr) {
        throw std::runtime_error("the process's handles cannot be read");
    }
    int count = 0;
    for (HANDLE handle : HandlesOf(processId)) {
        count += counts(process, handle);
    }
    CloseHandle(process);
    return count;
}

}  // namespace

int CountHandlesOf(unsigned long processId) {
    // Wine and the threads library make events and semaphores of their own
    // at the first contention of a lock, which no test can foresee; the
    // program itself makes none.
    return CountHandles(processId, [](HANDLE process, HANDLE handle) {
        const std::wstring kind = DescribeHandle(process, handle, 2);
        return kind != L"Event" && kind != L"Semaphore" && kind != L"KeyedEvent" &&
               kind != L"Mutant";
    });
}

int CountFileDialogKeysOf(unsigned long processId) {
    return CountHandles(processId, [](HANDLE process, HANDLE handle) {
        return DescribeHandle(process, handle, 1).find(L"\\ComDlg32") != std::wstring::npos;
    });
}

int CountOpenHandles() {
    return CountHandlesOf(GetCurrentProcessId());
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
