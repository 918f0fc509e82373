#include "engine/gpg_runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using platform::kNoHandle;
using platform::OsHandle;

// The pipe ends of one run and the process's own standard handles as they
// were when the run began. Closing a slot empties it, so nothing is closed
// twice.
struct PipeSet {
    OsHandle childStdin = kNoHandle;
    OsHandle stdinWriter = kNoHandle;
    OsHandle stdoutReader = kNoHandle;
    OsHandle childStdout = kNoHandle;
    OsHandle ownStdin = kNoHandle;
    OsHandle ownStdout = kNoHandle;
    OsHandle ownStderr = kNoHandle;
};

void CloseSlot(OsHandle* slot) {
    if (*slot != kNoHandle) {
        platform::CloseOsHandle(*slot);
        *slot = kNoHandle;
    }
}

void CleanUp(PipeSet* pipes) {
    platform::SetStandardHandle(platform::StdStream::Input, pipes->ownStdin);
    platform::SetStandardHandle(platform::StdStream::Output, pipes->ownStdout);
    platform::SetStandardHandle(platform::StdStream::Error, pipes->ownStderr);
    CloseSlot(&pipes->childStdin);
    CloseSlot(&pipes->stdinWriter);
    CloseSlot(&pipes->stdoutReader);
    CloseSlot(&pipes->childStdout);
}

constexpr std::size_t kDrainChunk = 260;

constexpr int kIdleLimitMilliseconds = 120000;
std::atomic<int> gIdleLimitMilliseconds{kIdleLimitMilliseconds};
// Bytes of GnuPG's output read so far; only one GnuPG runs at a time.
std::atomic<std::uint64_t> gOutputBytesRead{0};
std::atomic<int> gGpgRuns{0};

// Ends a GnuPG run once its child has shown no sign of life for the idle
// limit. Signs of life are a change of its processor time and output read
// from it, so a GnuPG that computes for minutes without a word (key
// generation) or writes while the handler is busy is left alone; one that
// sleeps while waiting for something that never comes is not. When the
// child's processor time cannot be had at all, it is never ended.
//
// One thread, started with the first run and kept for the life of the
// program, watches every run in progress: starting a thread for each run
// would cost more than the whole engine adds to a short GnuPG command.
using WatchClock = std::chrono::steady_clock;

struct WatchedChild {
    OsHandle process;
    std::chrono::milliseconds limit;
    bool known = false;  // whether `time` holds a sample
    std::uint64_t time = 0;
    std::uint64_t output = 0;
    WatchClock::time_point lastSign = WatchClock::now();
};

struct WatchList {
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<WatchedChild*> children;
    bool started = false;
};

// Never destroyed: the watching thread may still wait on it while the
// program ends.
WatchList& Watched() {
    static WatchList* list = new WatchList;
    return *list;
}

// Takes one sample of `child`; true when it has been idle for its limit.
bool IdleTooLong(WatchedChild* child) {
    std::uint64_t time = 0;
    bool known = platform::GetChildProcessorTime(child->process, &time);
    std::uint64_t output = gOutputBytesRead.load();
    bool idle = child->known && known && time == child->time && output == child->output;
    child->known = known;
    child->time = time;
    child->output = output;
    WatchClock::time_point now = WatchClock::now();
    if (!idle) {
        child->lastSign = now;
    }
    return idle && now - child->lastSign >= child->limit;
}

// The time between two samples: an eighth of the shortest idle limit of
// the runs in `list`, at least 10 ms and at most a second.
std::chrono::milliseconds SamplePeriod(const WatchList& list) {
    std::chrono::milliseconds period(1000);
    for (const WatchedChild* child : list.children) {
        period = std::min(period, std::max(child->limit / 8, std::chrono::milliseconds(10)));
    }
    return period;
}

void WatchChildren() {
    WatchList& list = Watched();
    std::unique_lock<std::mutex> lock(list.mutex);
    for (;;) {
        list.wake.wait(lock, [&] { return !list.children.empty(); });
        // A run that registers meanwhile may bring the next sample forward,
        // never put it off.
        WatchClock::time_point next = WatchClock::now() + SamplePeriod(list);
        while (list.wake.wait_until(lock, next) == std::cv_status::no_timeout &&
               !list.children.empty()) {
            next = std::min(next, WatchClock::now() + SamplePeriod(list));
        }
        for (auto it = list.children.begin(); it != list.children.end();) {
            if (IdleTooLong(*it)) {
                // Its output ends with it; RunGpg still waits for and
                // releases the process.
                platform::EndChild((*it)->process);
                it = list.children.erase(it);
            } else {
                ++it;
            }
        }
    }
}

// Watches one run's child from its start until it has ended.
class Watchdog {
public:
    explicit Watchdog(OsHandle process)
        : child_{process, std::chrono::milliseconds(gIdleLimitMilliseconds.load())} {
        WatchList& list = Watched();
        std::lock_guard<std::mutex> lock(list.mutex);
        try {
            if (!list.started) {
                std::thread(WatchChildren).detach();
                list.started = true;
            }
            list.children.push_back(&child_);
        } catch (const std::exception&) {
            return;  // the run goes on unwatched, as it would anyway
        }
        list.wake.notify_one();
    }
    ~Watchdog() {
        WatchList& list = Watched();
        std::lock_guard<std::mutex> lock(list.mutex);
        list.children.erase(std::remove(list.children.begin(), list.children.end(), &child_),
                            list.children.end());
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    WatchedChild child_;
};

// The run in progress, for a cancel that comes while it waits. Only the
// program's one user-interface thread runs GnuPG and cancels it.
OsHandle gRunningChild = kNoHandle;
bool gCancelled = false;
ProgressSink gProgressSink = nullptr;
void* gProgressContext = nullptr;

}  // namespace

int GpgRunCount() {
    return gGpgRuns;
}

void SetGpgProgressSink(ProgressSink sink, void* context) {
    gProgressSink = sink;
    gProgressContext = context;
}

void ReportGpgProgress(std::uint64_t done, std::uint64_t total) {
    if (gProgressSink != nullptr) {
        gProgressSink(done, total, gProgressContext);
    }
}

void CancelGpgRun() {
    if (gRunningChild == kNoHandle || gCancelled) {
        return;
    }
    gCancelled = true;
    // Its output ends with it, so the handler finishes at once; the wait
    // lets files it held open be removed right away.
    platform::EndChild(gRunningChild);
    platform::AwaitChildEnd(gRunningChild);
}

bool GpgRunCancelled() {
    return gCancelled;
}

bool GpgRunning() {
    return gRunningChild != kNoHandle;
}

void SetGpgIdleLimitForTesting(int milliseconds) {
    gIdleLimitMilliseconds = milliseconds > 0 ? milliseconds : kIdleLimitMilliseconds;
}

platform::ReadOutcome ReadChildOutput(platform::OsHandle stream, void* buffer, std::size_t capacity,
                                      std::size_t* received) {
    platform::ReadOutcome outcome = platform::ReadStream(stream, buffer, capacity, received);
    if (outcome == platform::ReadOutcome::Data) {
        gOutputBytesRead.fetch_add(*received, std::memory_order_relaxed);
    }
    return outcome;
}

ResultCode RunGpg(const char* commandLine, StatusHandler handler, void* data, int* exitStatus) {
    int unused = 0;
    int& status = exitStatus != nullptr ? *exitStatus : unused;
    status = platform::kNoExitStatus;
    gCancelled = false;
    PipeSet pipes;
    pipes.ownStdin = platform::GetStandardHandle(platform::StdStream::Input);
    pipes.ownStdout = platform::GetStandardHandle(platform::StdStream::Output);
    pipes.ownStderr = platform::GetStandardHandle(platform::StdStream::Error);

    OsHandle inheritableEnd = kNoHandle;
    if (!platform::CreateInheritablePipe(&pipes.childStdin, &inheritableEnd)) {
        CleanUp(&pipes);
        return rc::kStdinPipeCreate;
    }
    bool duplicated = platform::DuplicateUninheritable(inheritableEnd, &pipes.stdinWriter);
    platform::CloseOsHandle(inheritableEnd);
    if (!duplicated) {
        CleanUp(&pipes);
        return rc::kStdinPipeDuplicate;
    }

    inheritableEnd = kNoHandle;
    if (!platform::CreateWaitablePipe(&inheritableEnd, &pipes.childStdout)) {
        CleanUp(&pipes);
        return rc::kStdoutPipeCreate;
    }
    duplicated = platform::DuplicateUninheritable(inheritableEnd, &pipes.stdoutReader);
    platform::CloseOsHandle(inheritableEnd);
    if (!duplicated) {
        CleanUp(&pipes);
        return rc::kStdoutPipeDuplicate;
    }

    // A program folder too deep for bin/gpg.exe to fit the path buffer
    // cannot start GnuPG: that is reported like a missing gpg.exe.
    static const char* const kGpgParts[] = {"bin", "gpg.exe"};
    static const char* const kFolderParts[] = {""};
    char program[platform::kMaxPath];
    char workingFolder[platform::kMaxPath];
    if (!BuildProgramFolderPath(program, sizeof program, kGpgParts, 2) ||
        !BuildProgramFolderPath(workingFolder, sizeof workingFolder, kFolderParts, 1)) {
        CleanUp(&pipes);
        return rc::kChildStart;
    }

    platform::ChildLaunch launch{program,           commandLine,     pipes.childStdin,
                                 pipes.childStdout, pipes.ownStderr, workingFolder};
    ChildStreams streams{kNoHandle, pipes.stdinWriter, pipes.stdoutReader};
    if (!platform::StartChild(launch, &streams.process)) {
        CleanUp(&pipes);
        return rc::kChildStart;
    }
    ++gGpgRuns;

    // From here on the child holds the only writing end of its output pipe,
    // so its exit ends the output.
    CloseSlot(&pipes.childStdin);
    CloseSlot(&pipes.childStdout);

    ResultCode result = rc::kOk;
    gRunningChild = streams.process;
    {
        Watchdog watchdog(streams.process);
        result = (handler != nullptr ? handler : DrainOutput)(&streams, data);
        platform::AwaitChildEnd(streams.process);
    }
    gRunningChild = kNoHandle;
    status = platform::WaitForChild(streams.process);
    if (streams.stdinWriter == kNoHandle) {
        pipes.stdinWriter = kNoHandle;
    }
    if (streams.stdoutReader == kNoHandle) {
        pipes.stdoutReader = kNoHandle;
    }
    CleanUp(&pipes);
    return result;
}

ResultCode DrainOutput(ChildStreams* streams, void* /*data*/) {
    char chunk[kDrainChunk];
    for (;;) {
        std::size_t received = 0;
        switch (ReadChildOutput(streams->stdoutReader, chunk, sizeof chunk, &received)) {
            case platform::ReadOutcome::Data:
                break;
            case platform::ReadOutcome::EndOfStream:
                return rc::kOk;
            case platform::ReadOutcome::Failed:
                return rc::kUnknown;
        }
    }
}

bool WriteText(platform::OsHandle stream, const char* text) {
    std::size_t length = std::strlen(text);
    std::size_t written = 0;
    if (!platform::WriteStream(stream, text, length, &written)) {
        written = 0;
    }
    return written == length;
}

int FindLastSeparator(const char* text, char separator, bool (*isLeadByte)(unsigned char)) {
    int found = -1;
    int position = 0;
    while (text[position] != '\0') {
        if (text[position] == separator) {
            found = position;
        }
        // A lead byte and the byte after it form one character; the end of
        // the text is never stepped over.
        if (isLeadByte(static_cast<unsigned char>(text[position])) && text[position + 1] != '\0') {
            position += 2;
        } else {
            position += 1;
        }
    }
    return found;
}

int FindLastBackslash(const char* text) {
    return FindLastSeparator(text, platform::kPathSeparator, platform::IsLeadByte);
}

bool BuildProgramFolderPath(char* buffer, std::size_t size, const char* const* parts,
                            std::size_t partCount) {
    char programPath[platform::kMaxPath];
    if (!platform::GetProgramPath(programPath, sizeof programPath)) {
        return false;
    }
    int separator = FindLastBackslash(programPath);
    if (separator < 0) {
        return false;
    }
    std::size_t length = static_cast<std::size_t>(separator) + 1;
    if (length >= size) {
        return false;
    }
    std::memcpy(buffer, programPath, length);
    for (std::size_t i = 0; i < partCount; ++i) {
        std::size_t partLength = std::strlen(parts[i]);
        std::size_t needed = partLength + (i > 0 ? 1 : 0);
        if (length + needed >= size) {
            return false;
        }
        if (i > 0) {
            buffer[length++] = platform::kPathSeparator;
        }
        std::memcpy(buffer + length, parts[i], partLength);
        length += partLength;
    }
    buffer[length] = '\0';
    return true;
}
