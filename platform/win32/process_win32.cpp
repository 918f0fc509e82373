// Pipes and child processes on Windows.
#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace platform {

namespace {

HANDLE ToHandle(OsHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}
OsHandle FromHandle(HANDLE handle) {
    return reinterpret_cast<OsHandle>(handle);
}

DWORD StdHandleId(StdStream which) {
    switch (which) {
        case StdStream::Input:
            return STD_INPUT_HANDLE;
        case StdStream::Output:
            return STD_OUTPUT_HANDLE;
        case StdStream::Error:
            return STD_ERROR_HANDLE;
    }
    return STD_ERROR_HANDLE;
}

}  // namespace

OsHandle GetStandardHandle(StdStream which) {
    return FromHandle(GetStdHandle(StdHandleId(which)));
}

void SetStandardHandle(StdStream which, OsHandle handle) {
    SetStdHandle(StdHandleId(which), ToHandle(handle));
}

bool CreateInheritablePipe(OsHandle* readEnd, OsHandle* writeEnd) {
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.bInheritHandle = TRUE;
    HANDLE readHandle = nullptr;
    HANDLE writeHandle = nullptr;
    if (!CreatePipe(&readHandle, &writeHandle, &attributes, 0)) {
        return false;
    }
    *readEnd = FromHandle(readHandle);
    *writeEnd = FromHandle(writeHandle);
    return true;
}

bool DuplicateUninheritable(OsHandle source, OsHandle* copy) {
    HANDLE self = GetCurrentProcess();
    HANDLE duplicate = nullptr;
    if (!DuplicateHandle(self, ToHandle(source), self, &duplicate, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        return false;
    }
    *copy = FromHandle(duplicate);
    return true;
}

void CloseOsHandle(OsHandle handle) {
    CloseHandle(ToHandle(handle));
}

bool StartChild(const ChildLaunch& launch, OsHandle* process) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;  // 0x101
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = ToHandle(launch.standardInput);
    startup.hStdOutput = ToHandle(launch.standardOutput);
    startup.hStdError = ToHandle(launch.standardError);

    // The child takes the first word of its command line for its own name.
    std::string commandLine = "\"";
    commandLine += launch.program;
    commandLine += "\" ";
    commandLine += launch.commandLine;

    PROCESS_INFORMATION info{};
    if (!CreateProcessA(launch.program, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        launch.workingFolder, &startup, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    *process = FromHandle(info.hProcess);
    return true;
}

void WaitForChild(OsHandle process) {
    WaitForSingleObject(ToHandle(process), INFINITE);
    CloseHandle(ToHandle(process));
}

void EndChild(OsHandle process) {
    TerminateProcess(ToHandle(process), 1);
}

ReadOutcome ReadStream(OsHandle stream, void* buffer, std::size_t capacity, std::size_t* received) {
    DWORD got = 0;
    if (ReadFile(ToHandle(stream), buffer, static_cast<DWORD>(capacity), &got, nullptr)) {
        *received = got;
        return ReadOutcome::Data;
    }
    *received = 0;
    return GetLastError() == ERROR_BROKEN_PIPE ? ReadOutcome::EndOfStream : ReadOutcome::Failed;
}

bool WriteStream(OsHandle stream, const void* data, std::size_t size, std::size_t* written) {
    DWORD count = 0;
    BOOL ok = WriteFile(ToHandle(stream), data, static_cast<DWORD>(size), &count, nullptr);
    *written = ok ? count : 0;
    return ok != FALSE;
}

}  // namespace platform
