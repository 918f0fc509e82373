// Every change of the key rings (a new passphrase, renewed self-signatures,
// a stronger protection) is made so that no crash or power loss can lose the
// key, nor leave it with a passphrase the user does not know.
//
// GnuPG edits copies of both key rings in the home folder. The copies are
// flushed to the disk and checked: the secret and the public key ring each
// hold the one key with the key's fingerprint, and the copies sign with the
// passphrase the key is to have. Then the key rings as they are are copied
// aside (the kept rings, flushed) and a marker is written, and each copy
// replaces its key ring with one rename. Renaming the marker from
// "replacing" to "replaced" is the commit point:
//
//   files in conf/                          the key is
//   change-*.gpg   the copies being edited  the old one, in secring.gpg and
//   kept-*.gpg     the rings before         pubring.gpg, until the marker
//   keyring-replacing (the fingerprint)     says "replaced"; then the new one
//   keyring-replaced
//
// A start looks first (RecoverKeyrings): "replacing" means the change did
// not finish, so the kept rings, when they hold the key named in the
// marker, are put back (copied beside and renamed over, which may be
// repeated after another crash) before the start decides between a first
// and a normal start; without a marker, copies and kept rings are leftovers
// of a change that never touched the key rings and go. "replaced" means the
// new rings stand; their kept predecessors go once a start's passphrase was
// accepted by them (SettleKeyrings).
#pragma once

#include "engine/result_codes.h"

// Edits the copies `secretCopy` and `publicCopy` (in the home folder) as a
// change needs; 0 when they hold the changed key.
using KeyringEdit = ResultCode (*)(const char* homeDir, const char* secretCopy,
                                   const char* publicCopy, void* data);

// Makes one change as described above. `fingerprint` names the key, which
// the changed rings must still hold; `passphrase` is the one they must take.
// 0 when the new rings are in place; the edit's own failure (30 for a
// refused passphrase, say); 51 when a copy cannot be made, flushed or
// checked, or a ring cannot be replaced, or a change before did not finish.
// On any failure the key rings are as they were.
ResultCode ChangeKeyrings(const char* homeDir, const char* secretKeyring, const char* publicKeyring,
                          const char* fingerprint, const char* passphrase, KeyringEdit edit,
                          void* data);

// Run at every start before the key folder is looked at: puts back the
// kept rings of a change that did not finish, or removes what a change left
// before it touched the key rings.
void RecoverKeyrings(const char* homeDir, const char* secretKeyring, const char* publicKeyring);

// Run once a start's passphrase was accepted: the kept rings of a finished
// change are no longer needed.
void SettleKeyrings(const char* homeDir);

// The steps of a change, in order; a test may have a change stop right
// after one of them, leaving the folder as a crash there would.
enum class KeyringStep {
    None,
    CopiesMade,
    CopiesEdited,
    CopiesChecked,
    RingsKept,
    MarkerWritten,
    SecretReplaced,
    PublicReplaced,
    Committed,
};
void StopKeyringChangeForTesting(KeyringStep step);
