// Whether GnuPG 1.4 can work with a key at all, told from the algorithm
// field (field 4) of its colon listing. Today's GnuPG makes elliptic-curve
// keys by default (ECDH 18, ECDSA 19, EdDSA 22); GnuPG 1.4 lists them but can
// neither encrypt for them nor check their signatures.
#pragma once

#include "engine/result_codes.h"

// What the "pub:" and "sub:" records of one key say about its methods.
struct KeyMethods {
    bool primaryUnknown = false;  // the primary key is elliptic-curve
    bool subkeyUnknown = false;   // some subkey is elliptic-curve
    bool canEncrypt = false;      // some key is RSA or Elgamal
};

// Takes note of one line of a public key listing; other lines are ignored.
void NoteKeyMethod(const char* line, KeyMethods* methods);

// True when GnuPG 1.4 cannot use the key: its primary key is elliptic-curve
// (GnuPG 1.4 cannot even check the key's own signatures), or its only keys
// for encryption are.
bool KeyMethodUnusable(const KeyMethods& methods);

// 52 when the one key of the key file is one that GnuPG 1.4 cannot use;
// else 0, also when the file cannot be listed (the caller keeps its own
// code then).
ResultCode CheckKeyFileMethod(const char* homeDir, const char* keyFile);
