// Starts GnuPG (bin/gpg.exe beside the program) with its standard input and
// output on pipes, lets a status handler talk to it, and waits for it to end.
// This is the only place where the program starts another program.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/result_codes.h"
#include "platform/platform.h"

// What a status handler gets for one run of GnuPG. A handler that closes
// stdinWriter or stdoutReader itself sets the field to kNoHandle, so that
// the runner does not close it a second time.
struct ChildStreams {
    platform::OsHandle process;
    platform::OsHandle stdinWriter;   // our end of GnuPG's standard input
    platform::OsHandle stdoutReader;  // our end of GnuPG's standard output
};

// Talks to GnuPG for one run; `data` is what the caller gave RunGpg.
using StatusHandler = ResultCode (*)(ChildStreams* streams, void* data);

// Runs GnuPG with `commandLine` as its arguments and `handler` (DrainOutput
// when null). Returns the handler's result once GnuPG has ended, or 4, 5, 6,
// 7 or 10 when the pipes or the child could not be set up. GnuPG's exit
// status goes to *exitStatus when that is given: 0 when GnuPG ran to a clean
// end, platform::kNoExitStatus when it never started or was ended by force.
ResultCode RunGpg(const char* commandLine, StatusHandler handler, void* data,
                  int* exitStatus = nullptr);

// How many times RunGpg has started GnuPG in this process (tests count the
// runs of a start with it).
int GpgRunCount();

// A long run can be followed and stopped. GnuPG reports how far it got with
// a file ("[GNUPG:] PROGRESS"); the status loop hands the bytes done and the
// total to the sink, if one is set (nullptr: none).
using ProgressSink = void (*)(std::uint64_t done, std::uint64_t total, void* context);
void SetGpgProgressSink(ProgressSink sink, void* context);
// Hands figures to the sink; the status loop calls it.
void ReportGpgProgress(std::uint64_t done, std::uint64_t total);
// Ends the GnuPG that runs now and marks the run cancelled: the command then
// removes whatever the run wrote and returns 1. Called while a run waits (a
// Cancel button, the window's close request, the end of the session); does
// nothing when no GnuPG runs.
void CancelGpgRun();
// Whether the current or last run was cancelled; RunGpg clears it at its start.
bool GpgRunCancelled();
// Whether a GnuPG runs now.
bool GpgRunning();

// While the handler runs and while RunGpg waits for GnuPG to end, a
// watchdog ends a GnuPG that shows no sign of life for 120 seconds: one
// that used no processor time and wrote nothing that was read. Its output
// then ends, and the handler finishes with the command's own code for an
// output that ended early. Tests shorten the limit; zero or less restores it.
void SetGpgIdleLimitForTesting(int milliseconds);

// Reads GnuPG's output like platform::ReadStream, and lets the watchdog know
// that output came. Every reader of GnuPG's output reads through it.
platform::ReadOutcome ReadChildOutput(platform::OsHandle stream, void* buffer, std::size_t capacity,
                                      std::size_t* received);

// The default handler: reads GnuPG's output to its end and throws it away.
// 0 at the end of the output, 51 for any other read failure.
ResultCode DrainOutput(ChildStreams* streams, void* data);

// Writes `text` (without its terminator) in one write; true when all of it
// was written. An empty text always succeeds.
bool WriteText(platform::OsHandle stream, const char* text);

// Index of the last folder separator of `text`, or -1. Steps over
// double-byte characters as units, so a second byte with the value of a
// backslash is never taken for a separator.
int FindLastBackslash(const char* text);
// The same walk with the separator and lead-byte rule given.
int FindLastSeparator(const char* text, char separator, bool (*isLeadByte)(unsigned char));

// The program's folder with its trailing separator, followed by `parts`
// joined with separators (an empty last part leaves a trailing separator).
// False when the program's path cannot be had or the result does not fit
// `size` bytes with its terminator.
bool BuildProgramFolderPath(char* buffer, std::size_t size, const char* const* parts,
                            std::size_t partCount);
