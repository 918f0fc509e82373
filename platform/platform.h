// The small set of operating-system services that the portable code needs:
// processes and pipes, files and folders, the program's own path, the
// multibyte code page and the string table. Each function has one definition
// for Windows (platform/win32) and one for POSIX systems (platform/posix),
// chosen at link time. Nothing here shows anything to the user.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// A process, pipe end or open file. On Windows a HANDLE, on POSIX a file
// descriptor or process id.
using OsHandle = std::intptr_t;
inline constexpr OsHandle kNoHandle = -1;

// The separator of folder names in paths ('\\' on Windows, '/' on POSIX).
extern const char kPathSeparator;
// The line end that GnuPG expects on its standard input: CR LF on Windows,
// whose GnuPG reads its input in text mode, and LF on POSIX, whose GnuPG
// would keep a CR as part of a passphrase.
extern const char* const kLineEnd;

// Longest path the program handles, terminator included.
inline constexpr std::size_t kMaxPath = 260;

// ---- Standard handles of the process -------------------------------------

enum class StdStream { Input, Output, Error };
OsHandle GetStandardHandle(StdStream which);
void SetStandardHandle(StdStream which, OsHandle handle);

// ---- Pipes and child processes -------------------------------------------

// Creates an anonymous pipe whose two ends are both inheritable by children.
bool CreateInheritablePipe(OsHandle* readEnd, OsHandle* writeEnd);
// The same for a child's output: its read end can be waited on while the
// program's windows keep answering (on Windows an overlapped named pipe).
bool CreateWaitablePipe(OsHandle* readEnd, OsHandle* writeEnd);
// While on, reading a child's output and waiting for a child's end keep the
// program's windows answering: Windows dispatches the window messages of
// this thread meanwhile (a modal dialog's loop does the same). POSIX, which
// has no windows here, just waits.
void SetResponsiveWait(bool on);
// Makes a copy of a handle, within this process, that children do not inherit.
bool DuplicateUninheritable(OsHandle source, OsHandle* copy);
void CloseOsHandle(OsHandle handle);

struct ChildLaunch {
    const char* program;      // full path of the executable
    const char* commandLine;  // the arguments as one text (does not name the program)
    OsHandle standardInput;   // inheritable handles the child receives
    OsHandle standardOutput;
    OsHandle standardError;
    const char* workingFolder;  // the child's current folder
};
// Starts the child hidden, with inheritance of inheritable handles on and the
// parent's environment. On success stores the process in *process. The child
// ends with the program, however the program ends (Windows: a job object
// that ends its processes when the program's handle to it closes; Linux: a
// signal when the starting thread ends).
bool StartChild(const ChildLaunch& launch, OsHandle* process);
// The exit status that WaitForChild gives for a child whose status cannot be
// had, or that a signal ended (never a status a program can exit with).
inline constexpr int kNoExitStatus = -1;
// Waits without a time limit for the child to end, then releases the process.
// Returns the child's exit status, or kNoExitStatus.
int WaitForChild(OsHandle process);
// Ends a child that no longer answers; WaitForChild must still follow.
void EndChild(OsHandle process);
// Waits without a time limit for the child to end but keeps the process, so
// that it may still be asked about or ended (harmlessly); WaitForChild must
// still follow to release it.
void AwaitChildEnd(OsHandle process);
// The processor time the child has used so far, all its threads together,
// in the platform's own unit; it grows while the child computes. Only its
// changes mean something. False when it cannot be had.
bool GetChildProcessorTime(OsHandle process, std::uint64_t* time);

enum class ReadOutcome { Data, EndOfStream, Failed };
// Reads up to `capacity` bytes. Data may come with *received == 0 (an empty
// read that the caller repeats). EndOfStream: the writing side was closed.
ReadOutcome ReadStream(OsHandle stream, void* buffer, std::size_t capacity, std::size_t* received);
// Writes in one call; returns false when the write fails (nothing counted).
bool WriteStream(OsHandle stream, const void* data, std::size_t size, std::size_t* written);

// ---- Program path and code page ------------------------------------------

// The full path of the running program. False when it cannot be had or does
// not fit `size` bytes with its terminator.
bool GetProgramPath(char* buffer, std::size_t size);
// Makes GetProgramPath answer `path` instead (tests place the program in a
// folder of their choosing); nullptr restores the real path.
void OverrideProgramPath(const char* path);
// True when the byte starts a double-byte character of the system's
// multibyte code page (never on POSIX, whose UTF-8 has no such bytes).
bool IsLeadByte(unsigned char byte);
// A text from another program that may be UTF-8, as OpenPGP user IDs are,
// into `buffer` as the program shows texts. Valid UTF-8 becomes the
// characters it holds in the system's multibyte code page, and a character
// that the code page lacks becomes the stand-in "〓" (or "?" where the code
// page has no such mark), never a look-alike; anything else (bytes of a code
// page, as older programs wrote) is kept as it is. The shown text is never
// longer than `text`: a buffer of its length and terminator holds it.
void ShowableText(const char* text, char* buffer, std::size_t size);

// ---- Files and folders ---------------------------------------------------

enum class PathKind { Missing, File, Folder };
PathKind LookUpPath(const char* path);
// Opens an existing file for reading, letting others read it meanwhile, and
// closes it again at once.
bool CanOpenForSharedReading(const char* path);
// Opens an existing file for reading without sharing it and closes it again.
bool CanOpenExclusively(const char* path);
// Creates a new empty file; fails when something of that name exists.
bool CreateNewFile(const char* path);
bool RemoveFile(const char* path);
bool MakeFolder(const char* path);
// Copies a file to `to`, replacing a file of that name. False when it fails
// (a part-written copy may then be left at `to`).
bool CopyFileOver(const char* from, const char* to);
// Gives a file the name `to` in the same folder in one step, replacing the
// file of that name: a reader sees either the old file or the new one.
bool MoveFileOver(const char* from, const char* to);
// Makes sure that what was written to the file has reached the disk
// (FlushFileBuffers on Windows, fsync on POSIX, where a folder takes it too
// and so keeps the renames in it). False when it cannot be opened or flushed.
bool FlushToDisk(const char* path);
// The system's folder for temporary files, with its trailing separator.
bool GetTempFolder(char* buffer, std::size_t size);
// Creates a new, empty file with a unique name beginning with `prefix` in
// `folder` and stores its path in `buffer` (kMaxPath bytes).
bool CreateUniqueTempFile(const char* folder, const char* prefix, char* buffer);

// A name of the file `path` that GnuPG can be given, into `buffer` (kMaxPath
// bytes). GnuPG 1.4 opens files only by names in the system's code page: such
// a name is given as it is, byte for byte (on POSIX every name is); a name
// with characters outside it (on Windows) is given as the short (8.3) name of
// the existing file. False when there is none: the file is missing, or its
// volume keeps no short names.
bool GetGpgFileName(const char* path, char* buffer);

// An identity of an existing file that does not depend on how its path is
// spelled (volume and file index on Windows, device and inode on POSIX).
struct FileIdentity {
    std::uint64_t volume;
    std::uint64_t index;
};

// What a file looked like at one moment, to tell afterwards whether
// something created or changed it.
struct FileStamp {
    bool exists;
    FileIdentity identity;
    std::uint64_t size;
    std::uint64_t modified;  // in the platform's finest unit
};
FileStamp StampFile(const char* path);

// True when two stamps show the same state: both missing, or the same file
// with the same size and time.
inline bool SameStamp(const FileStamp& a, const FileStamp& b) {
    return a.exists == b.exists && a.identity.volume == b.identity.volume &&
           a.identity.index == b.identity.index && a.size == b.size && a.modified == b.modified;
}

// Overwrites memory that held a secret, in a way the compiler may not drop.
void WipeMemory(void* data, std::size_t size);

// ---- String table --------------------------------------------------------

// Loads the string-table text `id` into `buffer`, cut to size - 1 bytes and
// terminated. Returns the number of bytes stored (0 when there is no text).
int LoadText(int id, char* buffer, int size);

// ---- Small files read or written in one go ---------------------------------

// Opens an existing file for reading, letting others read and write it
// meanwhile. A folder does not open. kNoHandle when it cannot be opened.
OsHandle OpenFileForSharedReading(const char* path);
// Reads up to `capacity` bytes with one read. False when the read fails.
bool ReadFileOnce(OsHandle file, void* buffer, std::size_t capacity, std::size_t* received);
// Opens a file for writing without sharing it, creating it when it is
// missing. A read-only file does not open. kNoHandle when it cannot be opened.
OsHandle OpenFileForWriting(const char* path);
// Writes `size` bytes at the start of the file with one write. False when
// the write fails (*written is then 0).
bool WriteFileAtStart(OsHandle file, const void* data, std::size_t size, std::size_t* written);
// Makes the file end after its first `size` bytes.
bool CutFile(OsHandle file, std::size_t size);

}  // namespace platform
