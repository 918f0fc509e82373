// Detached signatures: making one with the user's secret key, and checking
// one against a public key file received from the signer.
#pragma once

#include <cstdint>

#include "engine/result_codes.h"

// Writes a detached signature of `fileToSign` into `signatureFile`. 0 when
// GnuPG made the signature, 33 when it made none, 24 when GnuPG announced it
// but did not end cleanly (a full disk: the signature file is removed again),
// 30 for a wrong passphrase,
// 4-10 when GnuPG could not be started, 19/26/27 for missing folders and key
// rings, 16/29 for a passphrase or file name that cannot be used, 51 when the
// command line does not fit or reading GnuPG's output failed.
ResultCode SignFile(const char* homeDir, const char* secretKeyring, const char* publicKeyring,
                    const char* fileToSign, const char* signatureFile, const char* passphrase,
                    std::int32_t* flags);

// Checks `signatureFile` over `dataFile` with `keyFile` as the only key ring.
// 0 for a valid signature; 54 / 55 for a valid signature whose key has been
// revoked / has expired (or that has expired itself); 52 for a key that GnuPG
// 1.4 cannot use; 35 otherwise (also when GnuPG cannot be started, or a valid
// signature stands beside one that is not); 19/27 for a missing home folder
// or key file, 29/51 as above. Given `signerUserId` (at least 256 bytes),
// a 0 also puts there the user ID of the signer's key, as the key file's
// listing gives it; a signer that the listing does not find gives 35.
ResultCode VerifyFile(const char* homeDir, const char* keyFile, const char* dataFile,
                      const char* signatureFile, std::int32_t* flags, char* signerUserId = nullptr);
