// Pipes and child processes on POSIX systems.
//
// GnuPG's key editor insists on a terminal even when its commands come from a
// file descriptor, so every child gets a pseudo-terminal of its own as its
// controlling terminal; a thread reads and discards whatever GnuPG writes to
// it, so that GnuPG can never block on a full terminal.
#include <fcntl.h>
#include <sys/ioctl.h>
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

namespace platform {

namespace {

int ToFd(OsHandle handle) { return static_cast<int>(handle); }

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

bool OpenTerminal(int* master, int* slave) {
    int m = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m < 0) {
        return false;
    }
    if (grantpt(m) != 0 || unlockpt(m) != 0) {
        close(m);
        return false;
    }
    char name[128];
    if (ptsname_r(m, name, sizeof name) != 0) {
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

bool DuplicateUninheritable(OsHandle source, OsHandle* copy) {
    int fd = fcntl(ToFd(source), F_DUPFD_CLOEXEC, 3);
    if (fd < 0) {
        return false;
    }
    *copy = fd;
    return true;
}

void CloseOsHandle(OsHandle handle) { close(ToFd(handle)); }

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

    int master = -1;
    int slave = -1;
    if (!OpenTerminal(&master, &slave)) {
        return false;
    }
    // The child reports a failed exec through this pipe; a successful exec
    // closes it without a word.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        close(master);
        close(slave);
        return false;
    }

    int in = ToFd(launch.standardInput);
    int out = ToFd(launch.standardOutput);
    int err = ToFd(launch.standardError);
    pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec.
        signal(SIGPIPE, SIG_DFL);
        setsid();
        ioctl(slave, TIOCSCTTY, 0);
        // GnuPG keeps the terminal open for its whole life, so the reader in
        // the parent sees its end only when GnuPG has ended.
        int slaveFlags = fcntl(slave, F_GETFD);
        fcntl(slave, F_SETFD, slaveFlags & ~FD_CLOEXEC);
        int saved = -1;
        // Move the three streams out of the way first, so that dup2 onto 0,
        // 1 and 2 cannot overwrite one that is still needed.
        int inCopy = fcntl(in, F_DUPFD, 10);
        int outCopy = fcntl(out, F_DUPFD, 10);
        int errCopy = fcntl(err, F_DUPFD, 10);
        if (inCopy < 0 || outCopy < 0 || errCopy < 0 || dup2(inCopy, 0) < 0 ||
            dup2(outCopy, 1) < 0 || dup2(errCopy, 2) < 0 || chdir(launch.workingFolder) != 0) {
            saved = errno;
        } else {
            close(inCopy);
            close(outCopy);
            close(errCopy);
            execv(launch.program, argv.data());
            saved = errno;
        }
        ssize_t ignored = write(report[1], &saved, sizeof saved);
        (void)ignored;
        _exit(127);
    }
    close(slave);
    close(report[1]);
    if (pid < 0) {
        close(report[0]);
        close(master);
        return false;
    }
    int childError = 0;
    ssize_t n;
    do {
        n = read(report[0], &childError, sizeof childError);
    } while (n < 0 && errno == EINTR);
    close(report[0]);
    if (n > 0) {
        close(master);
        int status = 0;
        waitpid(pid, &status, 0);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(gTerminalsMutex);
        gTerminalReaders.emplace(pid, std::thread(DiscardTerminalOutput, master));
    }
    *process = pid;
    return true;
}

void WaitForChild(OsHandle process) {
    pid_t pid = static_cast<pid_t>(process);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
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
}

void EndChild(OsHandle process) { kill(static_cast<pid_t>(process), SIGKILL); }

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
