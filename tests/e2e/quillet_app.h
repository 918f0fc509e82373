// Quillet.exe as the end-to-end tests meet it: a fresh program folder in
// Wine's temporary folder, the program started there, its start-up passed
// as a person would pass it, and the parts of its main window found.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/driver.h"
#include "tests/e2e/program_ids.h"
#include "tests/support/test_keys.h"

namespace e2e {

class QuilletApp {
public:
    // A program folder holding Quillet.exe and bin/gpg.exe; with `user`,
    // also that user's key rings in conf/, as after a first start.
    explicit QuilletApp(const test_support::TestUser* user);
    // A program folder at `folder` (emptied first) holding Quillet.exe and
    // bin/gpg.exe, which stays after the run so that one can look into it.
    explicit QuilletApp(const std::string& folder);

    // From now on the start-up expects `user`'s key: its passphrase is
    // typed into the prompt and its user ID awaited in the title (after a
    // first start, or after the passphrase was changed).
    void ExpectUser(const test_support::TestUser& user);

    std::string PathOf(const std::string& relative) const;
    std::string Exe() const { return PathOf("Quillet.exe"); }
    // Text `id` of Quillet.exe's string table, in the ANSI code page.
    std::string Text(int id) const { return ModuleText(Exe(), id); }

    // Starts the program; also again after an earlier run has ended.
    bool Start();
    // Passes the start-up as the user would: types the passphrase into its
    // prompt when one comes, and waits until the main window serves the
    // user (its title names the user's key). Any other dialog on the way is
    // a failure, with its text.
    bool PassStartUp();
    // Waits for the first dialog of the start-up (a prompt, a form or a
    // message) and returns it. nullptr when there is none: the program
    // ended, or no dialog came in time.
    HWND WaitForStartUpDialog();

    Program& Process() { return program_; }
    HWND Main() const { return main_; }
    HWND ToolBar() const;
    HWND StatusBar() const;
    HWND ModeButton(int id) const;
    std::string Status() const { return StatusBarText(StatusBar()); }

    // ---- Working the running program ----
    // Each Answer... call waits for the next dialog of the program (one
    // that no earlier call answered: an answered dialog takes a moment to
    // go), keeps a screenshot named `step`, checks the dialog's kind and
    // title and answers it. A dialog of another kind is a failure that
    // quotes its text.

    // Whether the Answer... calls and the start-up keep a screenshot of
    // every dialog they answer (they do unless told otherwise); screenshots
    // of unexpected dialogs are always kept.
    void KeepDialogScreenshots(bool keep) { dialogShots_ = keep; }

    // Chooses the menu command `id` of the main window.
    bool Command(int id);
    // Waits for the file dialog titled with string `titleId` (0: the
    // platform's own title), shows what it proposed in `seen`, and answers
    // it with `name` (a full path, or a name in the folder it shows; empty:
    // its proposal).
    bool AnswerFileDialog(const std::string& step, int titleId, const std::string& name,
                          FileDialogView* seen = nullptr);
    // Waits for a message box (caption "Message Box" unless `caption` is
    // given; an empty `caption` takes any) and presses its button `button`
    // (IDOK, IDYES, IDNO).
    bool AnswerMessageBox(const std::string& step, int button, MessageBoxView* seen = nullptr,
                          const std::string& caption = "Message Box");
    // Waits for the passphrase prompt captioned with string `captionId`,
    // types `text` into it and presses OK.
    bool AnswerPrompt(const std::string& step, int captionId, const std::string& text);
    // Waits until the status bar shows string `textId`. A dialog that comes
    // up meanwhile is a failure (with its text).
    bool WaitForStatus(int textId, int timeoutMs = 60000);
    // Waits until the main window's title is `title`, likewise.
    bool WaitForTitle(const std::string& title, int timeoutMs = 60000);
    // Waits until the program has finished what it is doing and serves its
    // window again (a GnuPG run blocks the window until GnuPG has ended).
    bool WaitUntilIdle();
    // Ends the program with its exit command and sees it end with code 0.
    bool Exit();

    // The next dialog of the program that was not answered yet, or nullptr
    // (and a failure naming `what`) when none comes or the program ends.
    HWND WaitForDialog(const std::string& what, int timeoutMs = kWaitMs);
    // A visible dialog of the program that was not answered yet, or nullptr.
    HWND UnansweredDialog() const;
    // Takes `dialog` as answered: later waits pass over it.
    void Answered(HWND dialog) { answered_.push_back(dialog); }

private:
    bool WasAnswered(HWND dialog) const;
    void Shot(const std::string& step) const;
    // Waits until `done`; a dialog that comes up first is a failure.
    bool WaitWithoutDialog(const std::function<bool()>& done, const std::string& what,
                           int timeoutMs);

    std::unique_ptr<test_support::UserFolder> userFolder_;
    std::unique_ptr<test_support::ProgramFolder> bareFolder_;
    std::string fixedFolder_;
    std::optional<test_support::TestUser> user_;
    Program program_;
    HWND main_ = nullptr;
    std::vector<HWND> answered_;
    bool dialogShots_ = true;
};

}  // namespace e2e
