// The names under which GnuPG is given the files of a workflow. GnuPG 1.4
// opens files only by names in the system's code page; a file whose name
// (or a folder on its path) has other characters, as "見積〜.txt" or
// "Café.txt" on a Japanese system, is given by its short name instead
// (platform::GetGpgFileName). Names in the code page are given as they are.
// Everything the user sees keeps the real name.
//
// GnuPG never writes under the name the user chose: it writes a new file of
// the program's own in the same folder ("~qlt" and four hexadecimal digits,
// ".tmp"), which takes the chosen name in one rename once GnuPG ended
// cleanly and every check passed. Until then the file is listed in the key
// folder ("unfinished.txt"), so that the next start removes it when the
// program was ended during the run: nothing partial, nor plaintext that was
// never checked, ever stands under the chosen name.
#pragma once

#include "engine/result_codes.h"
#include "platform/platform.h"

// The name of one file for GnuPG's command line; for an output also the
// file GnuPG writes instead, as it was made.
struct GpgName {
    char path[platform::kMaxPath];
    char temporary[platform::kMaxPath];
};

// An existing file that GnuPG reads: 0, or 53 when GnuPG cannot be given it.
ResultCode NameInputForGpg(const char* name, GpgName* gpg);

// A file that GnuPG is to write as `name`: makes its temporary file and lists
// it in `homeDir`. 29 when `name` is one of `readNames` (ends with nullptr)
// or a key ring in `homeDir`, however spelled (GnuPG would destroy it); 53
// as NameInputForGpg; 24 when the temporary file cannot be made. Nothing is
// left behind on failure.
ResultCode NameOutputForGpg(const char* name, const char* const* readNames, const char* homeDir,
                            GpgName* gpg);

// After the run that wrote the output: with `keep` (the command judged the
// output good) the temporary file takes the name `name`, replacing a file of
// that name; otherwise, or when that fails (24), it is removed. Returns
// `result`, or 24.
ResultCode SettleOutput(const char* name, const char* homeDir, const GpgName& gpg,
                        ResultCode result, bool keep);

// Removes the temporary files that runs left when the program was ended
// during them. Called at the start.
void RemoveUnfinishedOutputs(const char* homeDir);
