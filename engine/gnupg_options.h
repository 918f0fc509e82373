// GnuPG's options file in the key folder (gpg.conf, which GnuPG reads from
// its home folder on every run): it makes GnuPG sign with SHA-256, the key's
// own self-signatures as well as every signature of data, which today's
// OpenPGP programs require. GnuPG 1.4 would otherwise use SHA-1, and with
// the 1024-bit DSA key that earlier versions of the program made, SHA-256
// needs enable-dsa2. It also sets how the secret key is protected whenever
// GnuPG writes it (a new key, a changed passphrase): its passphrase is
// hashed over 4 MB with SHA-256 into an AES-256 key, where GnuPG 1.4 would
// hash 64 KB only, so that a copy of the key folder that goes astray does
// not fall quickly to guessing. That costs about 0.04 s per use of the key natively.
// Last, it makes GnuPG report its progress on long runs.
#pragma once

#include <cstddef>

// The options that the file must set, as GnuPG reads them: one a line.
inline constexpr const char* kGnupgSigningOptions[] = {
    "cert-digest-algo SHA256",
    "personal-digest-preferences SHA256",
    "enable-dsa2",  // lets a 160-bit DSA key use a longer digest, cut to its size
    "s2k-count 4194304",
    "s2k-digest-algo SHA256",
    "s2k-cipher-algo AES256",
};

// The hashed octets of the secret key's protection that the options file
// asks for; a key protected with fewer is protected anew once.
inline constexpr unsigned long kKeyProtectionCount = 4194304;

// The option that makes GnuPG report how far it got with a file, about once a
// second ("[GNUPG:] PROGRESS"), for the progress window of long runs.
inline constexpr const char* kGnupgProgressOptions[] = {"enable-progress-filter"};

// Makes sure that `homeDir`/gpg.conf sets the options above. A missing file
// is written; an existing one keeps every line it has, and each option it
// does not set at all is added at its end (one that the user set to a value
// of their own stays as it is). A file that cannot be read whole or written
// is left alone. True when the file sets every option afterwards; GnuPG
// then still works without them, only with SHA-1.
bool EnsureGnupgOptions(const char* homeDir);

// The text of `current` (size bytes, not terminated) with the lines that
// EnsureGnupgOptions adds, into `out` of `capacity` bytes; returns the new
// length, or 0 when nothing is to be added, or -1 when it does not fit.
long AddMissingGnupgOptions(const char* current, std::size_t size, char* out, std::size_t capacity,
                            const char* lineEnd);
