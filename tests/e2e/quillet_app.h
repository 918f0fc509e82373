// Quillet.exe as the end-to-end tests meet it: a fresh program folder in
// Wine's temporary folder, the program started there, its start-up passed
// as a person would pass it, and the parts of its main window found.
#pragma once

#include <memory>
#include <string>

#include "tests/e2e/driver.h"
#include "tests/support/test_keys.h"

namespace e2e {

// Ids of the program's windows, controls and commands, as a person meets
// them in the menu and on the tool strip.
inline constexpr int kEncryptButton = 39;
inline constexpr int kDecryptButton = 40;
inline constexpr int kSignButton = 41;
inline constexpr int kVerifyButton = 42;
inline constexpr int kExitCommand = 40006;
inline constexpr int kAboutCommand = 40012;
inline constexpr int kDecryptNoVerifyCommand = 40013;
inline constexpr int kEncryptNoSignCommand = 40014;
inline constexpr int kPassphraseField = 1001;
inline constexpr int kPassphrasePromptCaption = 21;  // string-table id

class QuilletApp {
public:
    // A program folder holding Quillet.exe and bin/gpg.exe; with `user`,
    // also that user's key rings in conf/, as after a first start.
    explicit QuilletApp(const test_support::TestUser* user);

    std::string PathOf(const std::string& relative) const;
    std::string Exe() const { return PathOf("Quillet.exe"); }
    // Text `id` of Quillet.exe's string table, in the ANSI code page.
    std::string Text(int id) const { return ModuleText(Exe(), id); }

    bool Start();
    // Passes the start-up as the user would: types the passphrase into its
    // prompt when one comes, and waits until the main window serves the
    // user (its title names the user's key; or, for a program that has no
    // start-up checks yet, it stays "Quillet" with no prompt for five
    // seconds). Any other dialog on the way is a failure, with its text.
    bool PassStartUp();
    // Waits for the first dialog of the start-up (a prompt, a form or a
    // message) and returns it. nullptr when there is none: the program
    // ended, or (a program without start-up checks) its main window stays
    // with no dialog for a few seconds, which StartedWithoutChecks() then
    // tells.
    HWND WaitForStartUpDialog();
    // True when the program asked for no passphrase at start.
    bool StartedWithoutChecks() const { return withoutChecks_; }

    Program& Process() { return program_; }
    HWND Main() const { return main_; }
    HWND ToolBar() const;
    HWND StatusBar() const;
    HWND ModeButton(int id) const;
    std::string Status() const { return StatusBarText(StatusBar()); }

private:
    std::unique_ptr<test_support::UserFolder> userFolder_;
    std::unique_ptr<test_support::ProgramFolder> bareFolder_;
    const test_support::TestUser* user_;
    Program program_;
    HWND main_ = nullptr;
    bool withoutChecks_ = false;
};

}  // namespace e2e
