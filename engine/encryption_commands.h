// Encrypting a file for one recipient (signed unless told not to) and
// decrypting a file with the signature inside it checked.
#pragma once

#include <cstdint>

#include "engine/result_codes.h"

// Decrypts `input` into `output` with the secret key ring; the signature
// inside is checked against `keyring` (added to the home folder's key ring,
// but a signature counts only when its key is one of `keyring`'s).
// 0 decrypted with a valid signature, 48 decrypted without one, 54 / 55
// decrypted with a valid signature by a key that has been revoked / has
// expired. The output that this run wrote is removed again on 34 (failed),
// 56 (the file carries no protection against tampering: GnuPG reported no
// "GOODMDC") and 24 (GnuPG did not end cleanly, but for a signature it could
// not check, or the output is shorter than GnuPG announced). 19/26/27 for missing folders
// and key files, 16 for a passphrase GnuPG cannot be given, 29 for a file
// name that cannot be used, 51 when the command line does not fit.
ResultCode DecryptFile(const char* homeDir, const char* secretKeyring, const char* keyring,
                       const char* output, const char* input, const char* passphrase,
                       std::int32_t* flags);

// Encrypts `input` into `output` for `recipient` (a fingerprint from
// `recipientKeyFile`), signed with the secret key unless `noSign` is set.
// 0 encrypted and signed, 33 encrypted without a signature, 32 failed, 24
// GnuPG ended the encryption but not cleanly (the output is removed), 30
// wrong passphrase, 4-10 GnuPG could not be started; checks as DecryptFile.
ResultCode EncryptFile(const char* homeDir, const char* secretKeyring, const char* recipientKeyFile,
                       const char* input, const char* output, const char* recipient,
                       const char* passphrase, std::int32_t noSign, std::int32_t* flags);
