// Bringing the self-signatures of a key made before up to date: GnuPG 1.4
// made the key's own signatures on its user ID and on its encryption subkey
// with SHA-1, which today's OpenPGP programs refuse, so that they take the
// whole key for invalid. GnuPG's key editor signs both again (with the
// SHA-256 of the options file): "setpref" with the key's own preferences
// for the user ID, "key 1" and "expire" with no expiry for the subkey. The
// key, its fingerprint, passphrase and preferences stay the same. A secret
// key protected with GnuPG 1.4's old default is protected anew the same way.
#pragma once

#include <cstddef>

#include "engine/result_codes.h"

// What the packet listing of a key ring says about its first key's
// self-signatures (signatures by the key itself on its user IDs and subkeys).
struct SelfSignatureSurvey {
    char keyId[17];                   // the first key's long key ID, empty when none was listed
    int selfSignatures;               // how many were listed
    int outdated;                     // how many use MD5, SHA-1 or RIPEMD-160
    char preferences[200];            // the user ID's preferences as "setpref" takes them,
                                      // empty when its self-signature names none
    int secretKeys;                   // how many secret key packets of the first key were listed
    unsigned long weakestProtection;  // their smallest "protect count" (0: none listed)
};

// Reads GnuPG's --list-packets output (`text`, terminated) into the survey.
void ReadPacketListing(const char* text, SelfSignatureSurvey* survey);

// Lists the packets of a key ring with GnuPG and surveys them. 0, or the
// listing's failure (19, 27, 51, 4-10).
ResultCode SurveySelfSignatures(const char* homeDir, const char* keyring,
                                SelfSignatureSurvey* survey);

// Brings the key up to date once: signs its user ID and subkey again when
// any of its self-signatures is outdated, and protects its secret key anew
// (a "passwd" to the same passphrase, with the options file's protection)
// when it is protected more weakly than the options file asks; *renewed
// tells whether it did. Both rings are surveyed only when they changed since
// the last survey that found the key up to date (a memo in the home folder
// remembers it), so that an up-to-date key costs no GnuPG run. The edit runs
// on copies of both key rings (keyring_change.h), which replace the key
// rings only when the copies came out up to date and hold the key with its
// fingerprint and passphrase; on any failure the key rings stay exactly as
// they were. 0 when the key is (now) up to date; 30 when the passphrase was
// refused; 51 when the edit or its check failed or a key ring could not be
// copied or replaced; the listings' failures.
ResultCode RenewSelfSignatures(const char* homeDir, const char* secretKeyring,
                               const char* publicKeyring, const char* passphrase, bool* renewed);
