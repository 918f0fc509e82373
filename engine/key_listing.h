// Reading the user ID and fingerprint of the one key of a key file from
// GnuPG's colon-format listing.
#pragma once

#include <cstddef>

#include "engine/result_codes.h"

// One key: owned copies of its user ID and fingerprint (each shorter than
// 256 bytes; the fingerprint is empty when the listing had none), and
// whether a public listing showed it revoked or expired: the key itself, or
// every key of it that could encrypt.
struct KeyEntry {
    char* userId;
    char* fingerprint;
    KeyEntry* next;
    bool outdated;
};

// The list a listing fills; it belongs to the caller, must be empty when
// handed to a listing and is released with FreeKeyList.
struct KeyList {
    KeyEntry* head;
};

// List the keys of a public key file / of the secret key ring. 0 with at most
// one entry in the list; 19, 26 or 27 for missing folders and files; 28 when
// the list was not empty; 44 / 45 for a listing that shows a second key or a
// malformed record; 3 out of memory; 51 for a command line that does not fit
// or a read failure; 4-10 when GnuPG could not be started. On every failure
// the list is empty.
ResultCode ListPublicKeys(const char* homeDir, const char* keyFile, KeyList* list);
ResultCode ListSecretKeys(const char* homeDir, const char* secretKeyring, KeyList* list);

// The fingerprint of the one key of the secret key ring into `buffer` (at
// least 256 bytes): 0, or 45 for anything but exactly one key.
ResultCode GetOwnFingerprint(const char* homeDir, const char* secretKeyring, char* buffer);

// Takes the one key of a listing that has ended: copies its user ID and
// fingerprint (each into a buffer of at least 256 bytes; either may be
// nullptr) and releases the list. `formatError` when the list holds no key
// or more than one (the list is released then too).
ResultCode TakeOnlyKey(KeyList* list, ResultCode formatError, char* userId, char* fingerprint);

// The key of a good signature: notes in `fingerprint` (41 bytes, empty
// until then) the primary key's fingerprint that the first "VALIDSIG"
// status line names (its tenth argument: 32 or 40 hexadecimal digits).
void NoteSignerKey(const char* statusLine, char* fingerprint);

// Whether the public key file holds the key whose primary fingerprint is
// `fingerprint`, as GnuPG lists that key alone: 0, with the key's user ID
// as listed copied into `userId` (at least 256 bytes; nullptr: not wanted);
// 44 when it does not, also for an empty or malformed fingerprint; or the
// listing's own failure (19, 27, 51, 4-10).
ResultCode FindKeyInFile(const char* homeDir, const char* keyFile, const char* fingerprint,
                         char* userId);

// A user ID as the listing gives it, as the user reads it: the listing's
// escapes of ':' ("\x3a") and '\' ("\x5c") decoded (those of control
// characters stay written out, so that a user ID cannot add lines to a
// box), then made readable with platform::ShowableText. `shown` of `size`
// bytes holds at least the listed text with its terminator.
void ShowableUserId(const char* listed, char* shown, std::size_t size);

struct ChildStreams;
// The listings' status handler: reads the colon listing from
// streams->stdoutReader to its end and puts the one key it finds into the
// empty `list`; `secret` picks the secret listing's key record ("sec:") and
// format error (45) over the public one's ("pub:", 44). ListPublicKeys and
// ListSecretKeys run it; it is declared here only for the fuzz tests.
ResultCode ReadKeyListing(ChildStreams* streams, KeyList* list, bool secret);

// Puts a new entry in front of the list: 0, or 3 when memory runs out.
ResultCode AddKeyEntry(KeyList* list, const char* userId, const char* fingerprint);
// Releases every entry and leaves the list empty; returns 0.
ResultCode FreeKeyList(KeyList* list);
