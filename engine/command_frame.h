// What every engine command shares: the options put first on every GnuPG
// command line, the checks of folders and key files, the bounded command-line
// buffer, and the refusals that protect GnuPG's input and the user's files.
#pragma once

#include <cstddef>
#include <string>

#include "engine/result_codes.h"
#include "platform/platform.h"

// The first value of every command-line template (with a blank at its end).
inline constexpr char CommonGpgOptions[] = "--no-random-seed-file --status-fd=1 --cipher-algo aes ";

// 0 when a folder of exactly that path exists, else 19.
ResultCode CheckHomeFolder(const char* path);
// 0 when the file can be opened for reading (others may read it too), else 26.
ResultCode CheckSecretKeyring(const char* path);
// The same test, giving 27.
ResultCode CheckPublicKeyring(const char* path);

// Formats a command line into `buffer` of `size` bytes; false when the text
// and its terminator do not fit (the caller then returns 51).
bool FormatCommandLine(char* buffer, std::size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Longest passphrase that the program's passphrase slots hold.
inline constexpr std::size_t kMaxPassphraseLength = 256;

// 16 when a passphrase cannot be given to GnuPG as it is: it holds a CR or
// LF (which would end the line early and let the rest pass for more input)
// or is longer than its slot holds. Else 0.
ResultCode CheckPassphraseText(const char* passphrase);

// 29 when a file name holds a double quote, which the command lines cannot
// quote. `names` ends with nullptr. Else 0.
ResultCode CheckQuotableNames(const char* const* names);

// 29 when `output` names, however its path is spelled, a file that the same
// GnuPG run reads or keeps: one of `names` (ends with nullptr; `output`
// itself is skipped), or the key rings and trust database in `homeDir`
// (GnuPG reads them besides the files it is given). GnuPG, told "--yes",
// would otherwise overwrite that file while reading it, and the user would
// lose a key file, a key ring or the data itself. Else 0.
ResultCode CheckOutputNamesNoOtherFile(const char* output, const char* const* names,
                                       const char* homeDir);

// Removes what a failed run left in `output`, as it stands after the run
// compared with `before` (taken right before GnuPG started): a file the run
// created or changed may be partial, or unauthenticated plaintext. A file
// the run did not touch stays.
void RemoveOutputOfRun(const char* output, const platform::FileStamp& before);

// `folder` followed by a separator (unless it ends with one) and `name`.
std::string PathInFolder(const char* folder, const char* name);

// The small files the program keeps beside the key rings. ReadSmallFile
// reads up to `limit` bytes of an existing file with one read (others may
// read and write it meanwhile); false when it cannot be opened or read.
// WriteWholeFile makes `text` the whole content of the file, creating it
// when it is missing; false when it cannot be opened or written whole.
bool ReadSmallFile(const char* path, std::size_t limit, std::string* text);
bool WriteWholeFile(const char* path, const char* text, std::size_t size);

// What a command checks before it formats its command line; a null field is
// not checked.
struct CommandChecks {
    const char* homeDir;             // 19
    const char* secretKeyring;       // 26
    const char* publicKeyring;       // 27 (a key ring or key file)
    const char* const* quotedNames;  // 29; ends with nullptr
    const char* input;               // 29 when output is the same file,
    const char* output;              // or any of quotedNames or the home folder's rings
    const char* passphrase;          // 16
};
// Runs the checks in this order and returns the first failure, or 0.
ResultCode RunCommandChecks(const CommandChecks& checks);
