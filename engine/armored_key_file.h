// Public key files as people hand them out today: ASCII-armored ("-----BEGIN
// PGP PUBLIC KEY BLOCK-----", usually *.asc). GnuPG 1.4 reads no armored key
// ring, so such a file is turned into a binary copy with GnuPG's own
// --dearmor before a command gives it to GnuPG as a key ring.
#pragma once

#include "platform/platform.h"

// True when the file begins as an armored OpenPGP text does: its first byte
// is no OpenPGP packet header (binary key files always begin with one) and
// an armor header line stands in its first block.
bool IsArmoredKeyFile(const char* path);

// The key file that a command hands to GnuPG. For an armored file it is a
// binary copy in a unique temporary file, made by GnuPG's --dearmor and
// removed again when the object goes, whatever the command's outcome. A
// binary file, and an armored one that GnuPG cannot turn into key packets,
// are handed over as they are: the command then behaves as it always did.
class ReadableKeyFile {
public:
    ReadableKeyFile(const char* homeDir, const char* keyFile);
    ~ReadableKeyFile();
    ReadableKeyFile(const ReadableKeyFile&) = delete;
    ReadableKeyFile& operator=(const ReadableKeyFile&) = delete;

    // The path to put into the command line.
    const char* Path() const { return copy_[0] != '\0' ? copy_ : keyFile_; }

private:
    const char* keyFile_;
    char copy_[platform::kMaxPath] = "";
};
