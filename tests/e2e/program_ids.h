// The ids by which the end-to-end tools find the parts of Quillet.exe: its
// commands and controls, and the string-table texts they compare with (each
// read from the program itself with ModuleText, never written out here).
#pragma once

namespace e2e {

// Menu commands and controls, as a person meets them in the menu, on the
// tool strip and in the dialogs.
inline constexpr int kEncryptButton = 39;
inline constexpr int kDecryptButton = 40;
inline constexpr int kSignButton = 41;
inline constexpr int kVerifyButton = 42;
inline constexpr int kEncryptCommand = 40001;
inline constexpr int kDecryptCommand = 40002;
inline constexpr int kSignCommand = 40003;
inline constexpr int kVerifyCommand = 40004;
inline constexpr int kKeyInfoCommand = 40005;
inline constexpr int kExitCommand = 40006;
inline constexpr int kExportCommand = 40007;
inline constexpr int kOwnFingerprintCommand = 40008;
inline constexpr int kChangePassphraseCommand = 40009;
inline constexpr int kAboutCommand = 40012;
inline constexpr int kDecryptNoVerifyCommand = 40013;
inline constexpr int kEncryptNoSignCommand = 40014;
inline constexpr int kPassphraseField = 1001;
// The key setup form's fields and progress bar.
inline constexpr int kSetupUserName = 1001;
inline constexpr int kSetupProgress = 1002;
inline constexpr int kSetupEmail = 1011;
inline constexpr int kSetupPassphrase = 1014;
inline constexpr int kSetupPassphraseAgain = 1015;

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
inline constexpr int kEncryptIdle = 91;
inline constexpr int kEncryptDone = 92;
inline constexpr int kDecryptIdle = 93;
inline constexpr int kDecryptDone = 94;
inline constexpr int kSignIdle = 95;
inline constexpr int kSignDone = 96;
inline constexpr int kVerifyIdle = 97;
inline constexpr int kVerifyDone = 98;
inline constexpr int kFileGenuine = 99;
inline constexpr int kPassphraseChanged = 100;
inline constexpr int kExportQuestion = 109;
}  // namespace text_id

}  // namespace e2e
