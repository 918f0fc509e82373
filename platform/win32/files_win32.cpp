// Files, folders, the program's path and the string table on Windows.
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/win32/wide_names_win32.h"

namespace platform {

const char kPathSeparator = '\\';
const char* const kLineEnd = "\r\n";

namespace {

std::string gProgramPathOverride;
bool gProgramPathOverridden = false;

bool CopyText(const char* text, char* buffer, std::size_t size) {
    std::size_t length = std::strlen(text);
    if (length + 1 > size) {
        return false;
    }
    std::memcpy(buffer, text, length + 1);
    return true;
}

// A name with characters outside the code page reaches Windows under its
// real wide name; every other name takes the ANSI functions as always.
HANDLE OpenPath(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    if (HoldsWideUnits(path)) {
        return CreateFileW(WideName(path).c_str(), access, share, nullptr, disposition, flags,
                           nullptr);
    }
    return CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
}

DWORD PathAttributes(const char* path) {
    return HoldsWideUnits(path) ? GetFileAttributesW(WideName(path).c_str())
                                : GetFileAttributesA(path);
}

HANDLE OpenExisting(const char* path, DWORD share) {
    return OpenPath(path, GENERIC_READ, share, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
}

}  // namespace

bool GetProgramPath(char* buffer, std::size_t size) {
    if (gProgramPathOverridden) {
        return CopyText(gProgramPathOverride.c_str(), buffer, size);
    }
    DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    // A path that fills the whole buffer was cut.
    return length > 0 && length < size;
}

void OverrideProgramPath(const char* path) {
    gProgramPathOverridden = path != nullptr;
    gProgramPathOverride = path != nullptr ? path : "";
}

bool IsLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

PathKind LookUpPath(const char* path) {
    DWORD attributes = PathAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return PathKind::Missing;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

bool CanOpenForSharedReading(const char* path) {
    HANDLE file = OpenExisting(path, FILE_SHARE_READ);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

bool CanOpenExclusively(const char* path) {
    HANDLE file = OpenExisting(path, 0);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

bool CreateNewFile(const char* path) {
    HANDLE file = OpenPath(path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

bool RemoveFile(const char* path) {
    if (HoldsWideUnits(path)) {
        return DeleteFileW(WideName(path).c_str()) != FALSE;
    }
    return DeleteFileA(path) != FALSE;
}

bool CopyFileOver(const char* from, const char* to) {
    if (HoldsWideUnits(from) || HoldsWideUnits(to)) {
        return CopyFileW(WideName(from).c_str(), WideName(to).c_str(), FALSE) != FALSE;
    }
    return CopyFileA(from, to, FALSE) != FALSE;
}

bool MoveFileOver(const char* from, const char* to) {
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (HoldsWideUnits(from) || HoldsWideUnits(to)) {
        return MoveFileExW(WideName(from).c_str(), WideName(to).c_str(), flags) != FALSE;
    }
    return MoveFileExA(from, to, flags) != FALSE;
}

bool FlushToDisk(const char* path) {
    HANDLE file =
        OpenPath(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool ok = FlushFileBuffers(file) != FALSE;
    CloseHandle(file);
    return ok;
}

bool MakeFolder(const char* path) {
    if (HoldsWideUnits(path)) {
        return CreateDirectoryW(WideName(path).c_str(), nullptr) != FALSE;
    }
    return CreateDirectoryA(path, nullptr) != FALSE;
}

bool GetTempFolder(char* buffer, std::size_t size) {
    DWORD length = GetTempPathA(static_cast<DWORD>(size), buffer);
    return length > 0 && length < size;
}

bool CreateUniqueTempFile(const char* folder, const char* prefix, char* buffer) {
    return GetTempFileNameA(folder, prefix, 0, buffer) != 0;
}

FileStamp StampFile(const char* path) {
    FileStamp stamp{};
    HANDLE file = OpenPath(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (file == INVALID_HANDLE_VALUE) {
        return stamp;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(file, &info)) {
        stamp.exists = true;
        stamp.identity.volume = info.dwVolumeSerialNumber;
        stamp.identity.index =
            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        stamp.modified = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                         info.ftLastWriteTime.dwLowDateTime;
    }
    CloseHandle(file);
    return stamp;
}

void WipeMemory(void* data, std::size_t size) {
    SecureZeroMemory(data, size);
}

int LoadText(int id, char* buffer, int size) {
    if (size <= 0) {
        return 0;
    }
    int length = LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer, size);
    if (length <= 0) {
        buffer[0] = '\0';
        return 0;
    }
    return length;
}

OsHandle OpenFileForSharedReading(const char* path) {
    HANDLE file = OpenExisting(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    return file == INVALID_HANDLE_VALUE ? kNoHandle : reinterpret_cast<OsHandle>(file);
}

bool ReadFileOnce(OsHandle file, void* buffer, std::size_t capacity, std::size_t* received) {
    DWORD got = 0;
    BOOL ok = ReadFile(reinterpret_cast<HANDLE>(file), buffer, static_cast<DWORD>(capacity), &got,
                       nullptr);
    *received = ok ? got : 0;
    return ok != FALSE;
}

OsHandle OpenFileForWriting(const char* path) {
    // Windows refuses to open a read-only file for writing; Wine, run by
    // root, would open it all the same.
    DWORD attributes = PathAttributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return kNoHandle;
    }
    HANDLE file = OpenPath(path, GENERIC_WRITE, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    return file == INVALID_HANDLE_VALUE ? kNoHandle : reinterpret_cast<OsHandle>(file);
}

bool WriteFileAtStart(OsHandle file, const void* data, std::size_t size, std::size_t* written) {
    *written = 0;
    HANDLE handle = reinterpret_cast<HANDLE>(file);
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(handle, start, nullptr, FILE_BEGIN)) {
        return false;
    }
    DWORD count = 0;
    if (!WriteFile(handle, data, static_cast<DWORD>(size), &count, nullptr)) {
        return false;
    }
    *written = count;
    return true;
}

bool CutFile(OsHandle file, std::size_t size) {
    HANDLE handle = reinterpret_cast<HANDLE>(file);
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
}

}  // namespace platform
