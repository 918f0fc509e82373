// Writing one public key from the user's public key ring into a file.
#pragma once

#include "engine/result_codes.h"

// Empties an existing `output` first, then lets GnuPG export the key named
// `keyName`. 0 when GnuPG ended cleanly and the file holds something; 24 when
// it did not or the file is empty or missing (what it left is removed); 19,
// 27 for a missing home folder or key ring, 29 for an unusable file name, 51
// when the old file cannot be emptied, the command line does not fit, or
// reading GnuPG's output failed; 4-10 when GnuPG could not be started.
ResultCode ExportPublicKey(const char* homeDir, const char* publicKeyring, const char* keyName,
                           const char* output);
