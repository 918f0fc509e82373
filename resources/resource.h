// Ids of the program's resources, of the controls in its windows and
// dialogs, and of its menu commands. Read by the resource compiler and by the
// C++ code alike, so plain #define lines only.
#ifndef QUILLET_RESOURCES_RESOURCE_H
#define QUILLET_RESOURCES_RESOURCE_H

// ---- Resources ---------------------------------------------------------------

#define IDR_MAIN_MENU 101   // the main window's menu
#define IDD_PASSPHRASE 101  // the passphrase prompt
#define IDI_QUILLET 108     // the program icon, large and small
#define IDD_ABOUT 109       // the about box
#define IDD_KEY_SETUP 111   // the key setup form
#define IDD_PROGRESS 112    // the progress window of a long GnuPG run

// ---- Passphrase prompt (dialog 101) -----------------------------------------

#define IDC_PROMPT_TEXT 1000       // static text: the prompt
#define IDC_PASSPHRASE_FIELD 1001  // masked edit field

// ---- Key setup form (dialog 111) --------------------------------------------

#define IDC_SETUP_USER_NAME 1001
#define IDC_SETUP_PROGRESS 1002
#define IDC_SETUP_EMAIL 1011
#define IDC_SETUP_PASSPHRASE 1014
#define IDC_SETUP_PASSPHRASE_AGAIN 1015

// ---- Main window ---------------------------------------------------------------

// The ModeButtons: each control id is also the string id of its label.
#define IDC_ENCRYPT_BUTTON 39
#define IDC_DECRYPT_BUTTON 40
#define IDC_SIGN_BUTTON 41
#define IDC_VERIFY_BUTTON 42

// Menu commands (menu 101).
#define IDM_ENCRYPT_FILE 40001
#define IDM_DECRYPT_FILE 40002
#define IDM_SIGN_FILE 40003
#define IDM_VERIFY_SIGNATURE 40004
#define IDM_KEY_INFO 40005
#define IDM_EXIT 40006
#define IDM_EXPORT_KEY 40007
#define IDM_OWN_FINGERPRINT 40008
#define IDM_CHANGE_PASSPHRASE 40009
#define IDM_ABOUT 40012
#define IDM_DECRYPT_NO_VERIFY 40013
#define IDM_ENCRYPT_NO_SIGN 40014
#define IDM_HELP 40015

// ---- Progress window (dialog 112) -------------------------------------------

#define IDC_PROGRESS_BAR 1100    // progress bar: how far GnuPG got
#define IDC_PROGRESS_FILE 1101   // static text: the file's name
#define IDC_PROGRESS_LABEL 1102  // static text: what happens

// ---- String-table texts that the window code names -------------------------

#define IDS_DROP_HINT 38
#define IDS_ENCRYPT_IDLE 91  // idle and working text of Encrypt
#define IDS_ENCRYPT_DONE 92
#define IDS_DECRYPT_IDLE 93
#define IDS_DECRYPT_DONE 94
#define IDS_SIGN_IDLE 95
#define IDS_SIGN_DONE 96
#define IDS_VERIFY_IDLE 97
#define IDS_VERIFY_DONE 98
#define IDS_FILE_GENUINE 99
#define IDS_SIGNER_LABEL 119  // before the signer's user ID, under IDS_FILE_GENUINE
#define IDS_PASSPHRASE_CHANGED 100
#define IDS_PROGRESS_CAPTION 120
#define IDS_PROGRESS_LABEL 121

#endif  // QUILLET_RESOURCES_RESOURCE_H
