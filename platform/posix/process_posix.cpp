// Pipes and child processes on POSIX systems.
//
// GnuPG's key editor insists on a terminal even when its commands come from a
// file descriptor, so every child gets a pseudo-terminal of its own as its
// controlling terminal; a thread reads and discards whatever GnuPG writes to
// it, so that GnuPG can never block on a full terminal.
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/command_line.h"
#include "platform/platform.h"

extern char** environ;

namespace platform {

namespace {

int ToFd(OsHandle handle) {
    return static_cast<int>(handle);
}

// The terminal reader of every running child, by process id.
std::mutex gTerminalsMutex;
std::map<pid_t, std::thread> gTerminalReaders;

void DiscardTerminalOutput(int master) {
    char chunk[512];
    for (;;) {
        ssize_t n = read(master, chunk, sizeof chunk);
        if (n > 0) {
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        break;  // EIO: no process holds the terminal any more
    }
    close(master);
}

// A new pseudo-terminal: its master, its slave (kept open here, so that the
// master does not see the end before the child has opened it) and the
// slave's path (`name`, 128 bytes).
bool OpenTerminal(int* master, int* slave, char* name) {
    int m = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m < 0) {
        return false;
    }
    if (grantpt(m) != 0 || unlockpt(m) != 0 || ptsname_r(m, name, 128) != 0) {
        close(m);
        return false;
    }
    int s = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (s < 0) {
        close(m);
        return false;
    }
    *master = m;
    *slave = s;
    return true;
}

// What the child does between its start and the exec of the program.
struct ChildSetup {
    const char* program;
    char* const* argv;
    const char* workingFolder;
    const int* streams;    // its standard input, output and error
    const char* terminal;  // the pseudo-terminal to open, or nullptr
    pid_t parent;
    int report;  // where a failure's errno goes
};

// Runs in the child, which shares the parent's memory until its exec (the
// parent waits meanwhile), so it makes only plain system calls. It asks to
// be killed when the thread that started it (the program's one
// user-interface thread) ends, however the program ends.
[[noreturn]] void RunChild(const ChildSetup& setup) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != setup.parent) {
        _exit(127);  // the program ended before the request was made
    }
    // A session of its own, whose controlling terminal is the
    // pseudo-terminal when GnuPG needs one: opened again without O_NOCTTY
    // in the new session, it becomes that. It stays open for GnuPG's whole
    // life, so the reader here sees its end only when GnuPG has ended.
    setsid();
    for (int fd = 0; fd < 3; ++fd) {
        dup2(setup.streams[fd], fd);
    }
    signal(SIGPIPE, SIG_DFL);  // ignored here, not in GnuPG
    if ((setup.terminal == nullptr || open(setup.terminal, O_RDWR) >= 0) &&
        chdir(setup.workingFolder) == 0) {
        execve(setup.program, setup.argv, environ);
    }
    int error = errno;
    ssize_t told = write(setup.report, &error, sizeof error);
    _exit(told == sizeof error ? 127 : 126);
}

// vfork: a fork would copy the page tables of the whole program first.
pid_t StartChildProcess(const ChildSetup& setup) {
    pid_t pid = vfork();
    if (pid == 0) {
        RunChild(setup);
    }
    return pid;
}

}  // namespace

bool CreateInheritablePipe(OsHandle* readEnd, OsHandle* writeEnd) {
    // A write to a pipe whose reader has gone must fail, not end the program.
    static const bool kIgnoreBrokenPipes = (signal(SIGPIPE, SIG_IGN), true);
    (void)kIgnoreBrokenPipes;
    int fds[2];
    if (pipe(fds) != 0) {
        return false;
    }
    *readEnd = fds[0];
    *writeEnd = fds[1];
    return true;
}

bool CreateWaitablePipe(OsHandle* readEnd, OsHandle* writeEnd) {
    return CreateInheritablePipe(readEnd, writeEnd);
}

void SetResponsiveWait(bool) {}

bool DuplicateUninheritable(OsHandle source, OsHandle* copy) {
    int fd = fcntl(ToFd(source), F_DUPFD_CLOEXEC, 3);
    if (fd < 0) {
        return false;
    }
    *copy = fd;
    return true;
}

void CloseOsHandle(OsHandle handle) {
    close(ToFd(handle));
}

OsHandle GetStandardHandle(StdStream which) {
    switch (which) {
        case StdStream::Input:
            return STDIN_FILENO;
        case StdStream::Output:
            return STDOUT_FILENO;
        case StdStream::Error:
            return STDERR_FILENO;
    }
    return kNoHandle;
}

// The standard streams of a POSIX process are fixed descriptors; the runner
// only ever sets them back to what they were, so there is nothing to do.
void SetStandardHandle(StdStream, OsHandle) {}

bool StartChild(const ChildLaunch& launch, OsHandle* process) {
    std::vector<std::string> words = SplitCommandLine(launch.commandLine);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(launch.program));
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    // GnuPG talks to its terminal only outside batch mode (its key editor).
    bool needsTerminal = true;
    for (const std::string& word : words) {
        needsTerminal = needsTerminal && word != "--batch";
    }
    int master = -1;
    int slave = -1;
    char slavePath[128] = "";
    if (needsTerminal && !OpenTerminal(&master, &slave, slavePath)) {
        return false;
    }
    // Copies of the three streams out of the way of 0, 1 and 2, so that
    // putting them there cannot overwrite one that is still needed.
    int streams[3] = {fcntl(ToFd(launch.standardInput), F_DUPFD_CLOEXEC, 10),
                      fcntl(ToFd(launch.standardOutput), F_DUPFD_CLOEXEC, 10),
                      fcntl(ToFd(launch.standardError), F_DUPFD_CLOEXEC, 10)};
    bool ready = streams[0] >= 0 && streams[1] >= 0 && streams[2] >= 0;

    // A failed exec is told through a pipe that a successful one closes.
    int report[2] = {-1, -1};
    ready = ready && pipe2(report, O_CLOEXEC) == 0;
    ChildSetup setup{launch.program,
                     argv.data(),
                     launch.workingFolder,
                     streams,
                     needsTerminal ? slavePath : nullptr,
                     getpid(),
                     report[1]};
    pid_t pid = ready ? StartChildProcess(setup) : -1;
    bool started = pid > 0;
    if (ready) {
        close(report[1]);
        int error = 0;
        ssize_t n;
        while ((n = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
        }
        close(report[0]);
        if (started && n > 0) {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
            started = false;
        }
    }
    for (int fd : streams) {
        if (fd >= 0) {
            close(fd);
        }
    }
    if (needsTerminal) {
        close(slave);
        if (!started) {
            close(master);
        }
    }
    if (!started) {
        return false;
    }
    if (needsTerminal) {
        std::lock_guard<std::mutex> lock(gTerminalsMutex);
        gTerminalReaders.emplace(pid, std::thread(DiscardTerminalOutput, master));
    }
    *process = pid;
    return true;
}

int WaitForChild(OsHandle process) {
    pid_t pid = static_cast<pid_t>(process);
    int status = 0;
    pid_t waited = -1;
    while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    std::thread reader;
    {
        std::lock_guard<std::mutex> lock(gTerminalsMutex);
        auto it = gTerminalReaders.find(pid);
        if (it != gTerminalReaders.end()) {
            reader = std::move(it->second);
            gTerminalReaders.erase(it);
        }
    }
    if (reader.joinable()) {
        reader.join();
    }
    return waited == pid && WIFEXITED(status) ? WEXITSTATUS(status) : kNoExitStatus;
}

void EndChild(OsHandle process) {
    kill(static_cast<pid_t>(process), SIGKILL);
}

void AwaitChildEnd(OsHandle process) {
    // The child stays a zombie, so its process id cannot be given to another
    // process before WaitForChild collects it.
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(process), &info, WEXITED | WNOWAIT) < 0 &&
           errno == EINTR) {
    }
}

bool GetChildProcessorTime(OsHandle process, std::uint64_t* time) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(process));
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char text[1024];
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0) {
        return false;
    }
    text[n] = '\0';
    // The program's name (field 2) may hold blanks and parentheses: the
    // fields are counted from its closing parenthesis, the last one. User
    // and system time (fields 14 and 15, in clock ticks) cover all threads.
    const char* afterName = std::strrchr(text, ')');
    unsigned long long user = 0;
    unsigned long long system = 0;
    if (afterName == nullptr ||
        std::sscanf(afterName + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                    &system) != 2) {
        return false;
    }
    *time = user + system;
    return true;
}

ReadOutcome ReadStream(OsHandle stream, void* buffer, std::size_t capacity, std::size_t* received) {
    for (;;) {
        ssize_t n = read(ToFd(stream), buffer, capacity);
        if (n > 0) {
            *received = static_cast<std::size_t>(n);
            return ReadOutcome::Data;
        }
        if (n == 0) {
            *received = 0;
            return ReadOutcome::EndOfStream;
        }
        if (errno != EINTR) {
            *received = 0;
            return ReadOutcome::Failed;
        }
    }
}

bool WriteStream(OsHandle stream, const void* data, std::size_t size, std::size_t* written) {
    *written = 0;
    if (size == 0) {
        return true;
    }
    ssize_t n;
    do {
        n = write(ToFd(stream), data, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return false;
    }
    *written = static_cast<std::size_t>(n);
    return true;
}

}  // namespace platform
