// Bringing the self-signatures of a key made before up to date: GnuPG 1.4
// made the key's own signatures on its user ID and on its encryption subkey
// with SHA-1, which today's OpenPGP programs refuse, so that they take the
// whole key for invalid. GnuPG's key editor signs both again (with the
// SHA-256 of the options file): "setpref" with the key's own preferences
// for the user ID, "key 1" and "expire" with no expiry for the subkey. The
// key, its fingerprint, passphrase and preferences stay the same.
#pragma once

#include <cstddef>

#include "engine/result_codes.h"

// What the packet listing of a key ring says about its first key's
// self-signatures (signatures by the key itself on its user IDs and subkeys).
struct SelfSignatureSurvey {
    char keyId[17];         // the first key's long key ID, empty when none was listed
    int selfSignatures;     // how many were listed
    int outdated;           // how many use MD5, SHA-1 or RIPEMD-160
    char preferences[200];  // the user ID's preferences as "setpref" takes them,
                            // empty when its self-signature names none
};

// Reads GnuPG's --list-packets output (`text`, terminated) into the survey.
void ReadPacketListing(const char* text, SelfSignatureSurvey* survey);

// Lists the packets of a public key ring with GnuPG and surveys them. 0, or
// the listing's failure (19, 27, 51, 4-10).
ResultCode SurveySelfSignatures(const char* homeDir, const char* publicKeyring,
                                SelfSignatureSurvey* survey);

// Signs the key's user ID and subkey again when any of its self-signatures
// is outdated; *renewed tells whether it did. The edit runs on copies of both
// key rings in the home folder, which replace the key rings only when the
// copy's self-signatures all came out up to date and its fingerprint is the
// key's; on any failure the key rings stay exactly as they were, and the
// copies go. 0 when the key is (now) up to date; 30 when the passphrase was
// refused; 51 when the edit or its check failed or a key ring could not be
// copied or replaced; the listings' failures.
ResultCode RenewSelfSignatures(const char* homeDir, const char* secretKeyring,
                               const char* publicKeyring, const char* passphrase, bool* renewed);
