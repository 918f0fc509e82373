// The ids by which the end-to-end tools find the parts of Quillet.exe: its
// commands and controls (the program's own resource.h), and the string-table
// texts they compare with (each read from the program itself with
// ModuleText, never written out here).
#pragma once

#include "resources/resource.h"

namespace e2e {

// String-table texts: dialog titles, prompt captions, messages, status texts.
namespace text_id {
inline constexpr int kDecryptOutputTitle = 1;
inline constexpr int kDecryptKeyTitle = 2;
inline constexpr int kDecryptInputTitle = 3;
inline constexpr int kEncryptInputTitle = 6;
inline constexpr int kEncryptKeyTitle = 7;
inline constexpr int kEncryptOutputTitle = 8;
inline constexpr int kOwnFingerprintLabel = 17;
inline constexpr int kOwnCopyQuestion = 18;
inline constexpr int kSignInputTitle = 19;
inline constexpr int kSignOutputTitle = 20;
inline constexpr int kPassphrasePromptCaption = 21;
inline constexpr int kVerifyInputTitle = 23;
inline constexpr int kVerifySignatureTitle = 24;
inline constexpr int kVerifyKeyTitle = 27;
inline constexpr int kKeyInfoTitle = 28;
inline constexpr int kUserIdLabel = 29;
inline constexpr int kKeyFingerprintLabel = 30;
inline constexpr int kKeyCopyQuestion = 31;
inline constexpr int kCurrentPassphraseCaption = 32;
inline constexpr int kNewPassphraseCaption = 34;
inline constexpr int kRepeatPassphraseCaption = 36;
inline constexpr int kWorkFolderUnusableMessage = 60;  // the message of result code 19
inline constexpr int kWrongPassphraseMessage = 72;     // the message of result code 30
inline constexpr int kVerifyFailedMessage = 77;        // the message of result code 35
inline constexpr int kSeveralFilesMessage = 83;        // the message of result code 41
inline constexpr int kFolderMessage = 84;              // the message of result code 42
inline constexpr int kUnknownErrorMessage = 85;        // the message of result code 51
inline constexpr int kEncryptIdle = IDS_ENCRYPT_IDLE;
inline constexpr int kEncryptDone = IDS_ENCRYPT_DONE;
inline constexpr int kDecryptIdle = IDS_DECRYPT_IDLE;
inline constexpr int kDecryptDone = IDS_DECRYPT_DONE;
inline constexpr int kSignIdle = IDS_SIGN_IDLE;
inline constexpr int kSignDone = IDS_SIGN_DONE;
inline constexpr int kVerifyIdle = IDS_VERIFY_IDLE;
inline constexpr int kVerifyDone = IDS_VERIFY_DONE;
inline constexpr int kFileGenuine = IDS_FILE_GENUINE;
inline constexpr int kPassphraseChanged = IDS_PASSPHRASE_CHANGED;
inline constexpr int kExportQuestion = 109;
}  // namespace text_id

}  // namespace e2e
