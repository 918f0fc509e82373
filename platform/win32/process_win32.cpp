// Pipes and child processes on Windows.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
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

// The job that every child joins: it ends them when its last handle closes,
// which the system does when the program ends, however it ends. Made with
// the program, so that no run holds a handle more after it than before.
HANDLE MakeChildJob() {
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job != nullptr &&
        !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        job = nullptr;
    }
    return job;
}
const HANDLE gChildJob = MakeChildJob();

bool gResponsiveWait = false;

// Dispatches every window message of this thread that waits. A quit request
// is left for the program's own loop, put back once the wait is over.
void DispatchWaitingMessages(bool* quit, WPARAM* quitCode) {
    MSG message;
    while (!*quit && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            *quit = true;
            *quitCode = message.wParam;
            break;
        }
        // Keyboard use of a dialog (Esc, Tab, Enter), as its own loop would.
        HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        char className[8] = "";
        if (root != nullptr && GetClassNameA(root, className, sizeof className) > 0 &&
            lstrcmpA(className, "#32770") == 0 && IsDialogMessageA(root, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Waits for `object`; with the responsive wait on, dispatching window
// messages meanwhile.
void WaitFor(HANDLE object) {
    bool quit = false;
    WPARAM quitCode = 0;
    while (gResponsiveWait && !quit) {
        DWORD woken = MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1) {
            break;  // the object, or a failure: nothing more to wait for here
        }
        DispatchWaitingMessages(&quit, &quitCode);
    }
    WaitForSingleObject(object, INFINITE);
    if (quit) {
        PostQuitMessage(static_cast<int>(quitCode));
    }
}

// The event of every read: one thread reads, one read at a time.
HANDLE ReadEvent() {
    static HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return event;
}

}  // namespace

void SetResponsiveWait(bool on) {
    gResponsiveWait = on;
}

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

bool CreateWaitablePipe(OsHandle* readEnd, OsHandle* writeEnd) {
    static LONG counter = 0;
    char name[80];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\quillet-%lu-%ld", GetCurrentProcessId(),
                  InterlockedIncrement(&counter));
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.bInheritHandle = TRUE;
    HANDLE readHandle = CreateNamedPipeA(
        name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 4096, 4096,
        0, &attributes);
    if (readHandle == INVALID_HANDLE_VALUE) {
        return false;
    }
    HANDLE writeHandle = CreateFileA(name, GENERIC_WRITE, 0, &attributes, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (writeHandle == INVALID_HANDLE_VALUE) {
        CloseHandle(readHandle);
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

    // Started suspended and let go only once it is in the job, so that
    // nothing it starts itself escapes the job.
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(launch.program, commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED, nullptr, launch.workingFolder, &startup, &info)) {
        return false;
    }
    if (gChildJob != nullptr) {
        AssignProcessToJobObject(gChildJob, info.hProcess);
    }
    ResumeThread(info.hThread);
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
    WaitFor(ToHandle(process));
}

bool GetChildProcessorTime(OsHandle process, std::uint64_t* time) {
    // The sum of the times of its threads, not GetProcessTimes: Wine answers
    // that one for another process with the times of the calling process.
    DWORD processId = GetProcessId(ToHandle(process));
    return processId != 0 && ThreadTimesOf(processId, time);
}

ReadOutcome ReadStream(OsHandle stream, void* buffer, std::size_t capacity, std::size_t* received) {
    // Every read names an event: a child's output is an overlapped pipe,
    // whose read may have to be waited for; any other pipe reads at once.
    OVERLAPPED overlapped{};
    overlapped.hEvent = ReadEvent();
    DWORD got = 0;
    BOOL done = ReadFile(ToHandle(stream), buffer, static_cast<DWORD>(capacity), &got, &overlapped);
    if (!done && GetLastError() == ERROR_IO_PENDING) {
        WaitFor(overlapped.hEvent);
        done = GetOverlappedResult(ToHandle(stream), &overlapped, &got, TRUE);
    }
    *received = done ? got : 0;
    if (done) {
        return ReadOutcome::Data;
    }
    return GetLastError() == ERROR_BROKEN_PIPE ? ReadOutcome::EndOfStream : ReadOutcome::Failed;
}

bool WriteStream(OsHandle stream, const void* data, std::size_t size, std::size_t* written) {
    DWORD count = 0;
    BOOL ok = WriteFile(ToHandle(stream), data, static_cast<DWORD>(size), &count, nullptr);
    *written = ok ? count : 0;
    return ok != FALSE;
}

}  // namespace platform
