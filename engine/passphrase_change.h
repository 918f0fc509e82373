// Giving the user's secret key a new passphrase through GnuPG's key editor.
#pragma once

#include "engine/result_codes.h"

// Changes the passphrase of the one key of the secret key ring, on copies
// of the key rings that replace them only once they take the new passphrase
// as it was given (see keyring_change.h). 0 changed and saved; 30 the
// current passphrase was refused and nothing was saved; 17 a passphrase
// shorter than 8 bytes; 16 a passphrase holding a line break or longer than
// 256 bytes; 45 the secret key ring holds no single key; 19, 26, 27 missing
// folders and key rings; 51 a command line that does not fit, a read
// failure, a question of GnuPG's that the program does not answer (GnuPG's
// input is then closed, so that GnuPG ends instead of waiting), a GnuPG that
// ended without being told to save, a save that left the copy unchanged
// (GnuPG could not write it), or changed rings that failed their check or
// could not replace the key rings.
ResultCode ChangePassphrase(const char* homeDir, const char* secretKeyring,
                            const char* publicKeyring, const char* oldPassphrase,
                            const char* newPassphrase);
