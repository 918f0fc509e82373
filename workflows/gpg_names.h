// The names under which GnuPG is given the files of a workflow. GnuPG 1.4
// opens files only by names in the system's code page; a file whose name
// (or a folder on its path) has other characters, as "見積〜.txt" or
// "Café.txt" on a Japanese system, is given by its short name instead
// (platform::GetGpgFileName). Names in the code page are given as they are.
// Everything the user sees keeps the real name.
#pragma once

#include "engine/result_codes.h"
#include "platform/platform.h"

// The name of one file for GnuPG's command line, and whether the file was
// created empty for the run (an output that had no short name yet).
struct GpgName {
    char path[platform::kMaxPath];
    bool created;
    platform::FileStamp createdStamp;
};

// An existing file that GnuPG reads: 0, or 53 when GnuPG cannot be given it.
ResultCode NameInputForGpg(const char* name, GpgName* gpg);

// A file that GnuPG writes. One that GnuPG could only be given by a short
// name and that does not exist yet is first created empty under its real
// name, so that it has one. 0; 53 as NameInputForGpg (nothing is left
// behind); 24 when the file cannot be created.
ResultCode NameOutputForGpg(const char* name, GpgName* gpg);

// After the run that wrote `name`: a failed run (`result` not 0) that left
// the file created for it untouched removes it, as GnuPG's own failed
// outputs are removed; anything GnuPG wrote was already judged by the run.
void SettleOutput(const char* name, const GpgName& gpg, ResultCode result);
