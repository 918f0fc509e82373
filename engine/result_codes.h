// Result codes of every operation, and their messages.
#pragma once

#include <cstdint>

#include "platform/ui.h"

// 0 is success, 1 a cancellation by the user, every other value a failure.
using ResultCode = std::int32_t;

namespace rc {
inline constexpr ResultCode kOk = 0;
inline constexpr ResultCode kCancelled = 1;
inline constexpr ResultCode kOutOfMemory = 3;
inline constexpr ResultCode kStdinPipeCreate = 4;
inline constexpr ResultCode kStdinPipeDuplicate = 5;
inline constexpr ResultCode kStdoutPipeCreate = 6;
inline constexpr ResultCode kStdoutPipeDuplicate = 7;
inline constexpr ResultCode kChildStart = 10;
inline constexpr ResultCode kNameTooShort = 11;
inline constexpr ResultCode kNameStartsWithDigit = 12;
inline constexpr ResultCode kNameFullWidth = 13;
inline constexpr ResultCode kNameInvalidChar = 14;
inline constexpr ResultCode kEmailInvalid = 15;
inline constexpr ResultCode kPassphraseInvalid = 16;
inline constexpr ResultCode kPassphraseTooShort = 17;
inline constexpr ResultCode kWorkFolderUnusable = 19;
inline constexpr ResultCode kSecretKeyFileCreate = 20;
inline constexpr ResultCode kPublicKeyFileCreate = 21;
inline constexpr ResultCode kPassphraseMismatch = 22;
inline constexpr ResultCode kInputOpen = 23;
inline constexpr ResultCode kOutputWrite = 24;
inline constexpr ResultCode kNoSecretKeyring = 26;
inline constexpr ResultCode kNoPublicKeyring = 27;
inline constexpr ResultCode kKeyListNotEmpty = 28;
inline constexpr ResultCode kBadFileChoice = 29;
inline constexpr ResultCode kBadPassphrase = 30;
inline constexpr ResultCode kEncryptFailed = 32;
inline constexpr ResultCode kSignFailed = 33;
inline constexpr ResultCode kDecryptFailed = 34;
inline constexpr ResultCode kVerifyFailed = 35;
inline constexpr ResultCode kEndOfOutput = 36;
inline constexpr ResultCode kLineTooLong = 37;
inline constexpr ResultCode kInstallationBroken = 39;
inline constexpr ResultCode kSeveralFiles = 41;
inline constexpr ResultCode kFolderGiven = 42;
inline constexpr ResultCode kKeyGenFailed = 43;
inline constexpr ResultCode kPublicKeyFormat = 44;
inline constexpr ResultCode kSecretKeyFormat = 45;
inline constexpr ResultCode kMemoryLock = 46;
inline constexpr ResultCode kClipboardOpen = 47;
inline constexpr ResultCode kDecryptedUnverified = 48;
inline constexpr ResultCode kOptionsWrite = 49;
inline constexpr ResultCode kOptionsRead = 50;
inline constexpr ResultCode kUnknown = 51;
// The key of a key file uses a method GnuPG 1.4 does not know (the
// elliptic curves of today's GnuPG): nothing can be encrypted for it, and
// no signature it made can be checked.
inline constexpr ResultCode kKeyMethodUnusable = 52;
// A file name holds characters that the system's multibyte code page
// lacks, and GnuPG cannot be given the file by another name: its volume
// keeps no short names (or the name, written out, is too long to hold).
inline constexpr ResultCode kNameNotInCodePage = 53;
// The signature matches, but its key was revoked by its owner (stolen or
// lost, as a rule): the file may not come from them. A decryption keeps
// its output all the same.
inline constexpr ResultCode kSignerKeyRevoked = 54;
// The signature matches, but its key (or the signature itself) has expired.
inline constexpr ResultCode kSignerKeyExpired = 55;
// The encrypted file carries no protection against tampering (no
// modification detection code): it was not decrypted.
inline constexpr ResultCode kNoIntegrityProtection = 56;
// The recipient's key, or every key of it that could encrypt, is revoked
// or expired: nothing is encrypted for it.
inline constexpr ResultCode kRecipientKeyOutdated = 57;
// A new passphrase begins or ends with a blank, which GnuPG's key
// generation would drop: the key would not take what the user typed.
inline constexpr ResultCode kPassphraseEdgeBlank = 58;
// A dropped file's path is too long for the program's 260-byte path
// buffers: it is refused rather than cut, since a cut name may name
// another file.
inline constexpr ResultCode kPathTooLong = 59;
// The highest code that has a message of its own.
inline constexpr ResultCode kLastCode = kPathTooLong;
}  // namespace rc

// Loads the message of `code` into `buffer` (cut to size - 1 bytes and
// terminated). A code without a message of its own gets the message of 51.
// Always returns 0.
int LoadResultText(ResultCode code, char* buffer, int size);

// Shows the message of `code` in a message box captioned "Message Box" and
// returns the box's answer. 0, 1 and 2 show nothing and are returned as they are.
int ShowResult(ui::Window owner, ResultCode code);
