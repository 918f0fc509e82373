// Generating the user's one key pair: an RSA signing key of 3072 bits with an
// RSA encryption subkey of 3072 bits, without expiry. Every OpenPGP program
// of today takes this key; keys made earlier (DSA with ElGamal) keep working.
#pragma once

#include <cstdint>

#include "engine/result_codes.h"

// Called for every line GnuPG writes during the generation, with the
// address of the handler's line counter (which the callback may change).
using ProgressCallback = int (*)(std::int32_t* lineCounter);

// The handler data of one generation; every text belongs to the caller.
struct KeyGenRequest {
    char* fingerprint;  // out: at least 256 bytes
    const char* homeDir;
    const char* secretKeyring;
    const char* publicKeyring;
    const char* userName;
    const char* email;
    const char* comment;  // may be empty
    const char* passphrase;
    ProgressCallback progress;  // may be null
};

// Checks the home folder, prepares both key ring files (asking before an
// existing one is overwritten), validates name, address and passphrase, and
// runs GnuPG's unattended key generation. 0 on success with the new key's
// fingerprint in `fingerprint`; 1 when an overwrite was declined; 11-15, 17
// for input the checks refuse; 16 for a passphrase holding a line break or
// longer than 256 bytes; 19, 20, 21 for folders and files; 43 when GnuPG made
// no key; 51 for a command line that does not fit or a malformed answer.
ResultCode GenerateKeyPair(const char* homeDir, const char* secretKeyring,
                           const char* publicKeyring, const char* userName, const char* email,
                           const char* comment, const char* passphrase, char* fingerprint,
                           ProgressCallback progress);

// 0, or 11 (under 5 bytes), 12 (starts with a digit), 13 (a byte outside
// printable ASCII), 14 ("<" or ">").
ResultCode CheckUserName(const char* name);
// 0, or 15 when the address breaks a rule.
ResultCode CheckEmailAddress(const char* email);
// 0, or 17 when the passphrase is shorter than 8 bytes.
ResultCode CheckPassphraseLength(const char* passphrase);
// 58 when the passphrase begins or ends with a blank (space or tab): GnuPG
// drops those from the key-generation parameters, so the key would have
// another passphrase than the one typed. Else 0.
ResultCode CheckPassphraseEdges(const char* passphrase);

enum class KeyringKind { Secret, Public };
// Makes sure a key ring file can be written: an existing one only after the
// user agreed (message box "CONFIRMATION", OK or Cancel); a missing one by
// creating and deleting it. 0, 1 (cancelled), 20 or 21.
ResultCode PrepareKeyringFile(const char* path, KeyringKind kind);
