// Pipes and child processes on Windows.
#include <windows.h>

#include <tlhelp32.h>

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

std::uint64_t FileTimeValue(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The kernel and user time of all the threads that the process has now.
bool ThreadTimesOf(DWORD processId, std::uint64_t* time) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::uint64_t total = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId) {
            continue;
        }
        HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
        if (thread == nullptr) {
            continue;
        }
        FILETIME created, exited, kernel, user;
        if (GetThreadTimes(thread, &created, &exited, &kernel, &user)) {
            total += FileTimeValue(kernel) + FileTimeValue(user);
        }
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    *time = total;
    return true;
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

int WaitForChild(OsHandle process) {
    WaitForSingleObject(ToHandle(process), INFINITE);
    DWORD code = 0;
    bool known = GetExitCodeProcess(ToHandle(process), &code) && code != STILL_ACTIVE;
    CloseHandle(ToHandle(process));
    return known && code <= 255 ? static_cast<int>(code) : kNoExitStatus;
}

void EndChild(OsHandle process) {
    TerminateProcess(ToHandle(process), 1);
}

void AwaitChildEnd(OsHandle process) {
    WaitForSingleObject(ToHandle(process), INFINITE);
}

bool GetChildProcessorTime(OsHandle process, std::uint64_t* time) {
    // The sum of the times of its threads, not GetProcessTimes: Wine answers
    // that one for another process with the times of the calling process.
    DWORD processId = GetProcessId(ToHandle(process));
    return processId != 0 && ThreadTimesOf(processId, time);
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
