// The records that the workflows are handed.
#pragma once

#include <cstdint>

// Where the user's key rings live and the passphrase cached for the run.
struct KeyPaths {
    char homeDir[261];        // the conf folder, GnuPG's home folder
    char secretKeyring[261];  // conf/secring.gpg
    char publicKeyring[261];  // conf/pubring.gpg
    char passphrase[257];     // up to 256 characters and the terminator
};

// The part of the program's state that the file workflows read: the key
// paths followed directly by the two settings (each 0 or 1).
struct WorkContext {
    KeyPaths keyPaths;
    std::int32_t encryptNoSign;    // do not sign when encrypting
    std::int32_t decryptNoVerify;  // do not verify the signature when decrypting
};
