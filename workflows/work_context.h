// The records that the workflows are handed.
#pragma once

#include <cstdint>

// The longest passphrase the program makes or takes, in bytes of the
// system's code page (a kanji takes two): what the start-up prompt's buffer
// of kMaxPassphraseBytes + 1 bytes holds with its terminator. The key setup
// form and the passphrase change refuse a longer one with 16, since the next
// start could not take it and the user would be locked out of the key.
inline constexpr int kMaxPassphraseBytes = 255;
inline constexpr int kStartupPromptSize = kMaxPassphraseBytes + 1;

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
