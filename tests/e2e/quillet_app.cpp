#include "tests/e2e/quillet_app.h"

#include <gtest/gtest.h>

namespace e2e {

namespace {

// How long a start-up may take: the passphrase check runs GnuPG once.
constexpr int kStartUpMs = 60000;
// A window without start-up checks is taken as ready when it has stayed
// without a dialog this long (a program with checks shows its first dialog
// right after its window).

}  // namespace

namespace {

void CopyProgram(const std::string& to) {
    if (ProgramUnderTest().empty()) {
        ADD_FAILURE() << "no --program= names Quillet.exe";
        return;
    }
    if (!CopyFileA(ProgramUnderTest().c_str(), to.c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy " << ProgramUnderTest() << " to " << to;
    }
}

}  // namespace

QuilletApp::QuilletApp(const test_support::TestUser* user) {
    if (user != nullptr) {
        user_ = *user;
        userFolder_ = std::make_unique<test_support::UserFolder>(*user);
    } else {
        bareFolder_ = std::make_unique<test_support::ProgramFolder>();
        bareFolder_->InstallRealGpg();
    }
    CopyProgram(Exe());
}

QuilletApp::QuilletApp(const std::string& folder) : fixedFolder_(folder) {
    if (fixedFolder_.back() != '\\') {
        fixedFolder_ += '\\';
    }
    test_support::RemoveTree(folder);
    test_support::MakeFolderAt(folder);
    test_support::MakeFolderAt(PathOf("bin"));
    const std::string gpg = test_support::HostPath(QUILLET_TEST_GPG);
    if (!CopyFileA(gpg.c_str(), PathOf("bin/gpg.exe").c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy " << gpg << " into " << folder;
    }
    CopyProgram(Exe());
}

void QuilletApp::ExpectUser(const test_support::TestUser& user) {
    user_ = user;
}

std::string QuilletApp::PathOf(const std::string& relative) const {
    if (!fixedFolder_.empty()) {
        return fixedFolder_ + test_support::NativePath(relative);
    }
    return userFolder_ ? userFolder_->folder.PathOf(relative) : bareFolder_->PathOf(relative);
}

bool QuilletApp::Start() {
    main_ = nullptr;
    return program_.Start(Exe(), PathOf(""));
}

bool QuilletApp::PassStartUp() {
    if (!user_) {
        ADD_FAILURE() << "a program folder without a user's key has no start-up to pass";
        return false;
    }
    const std::string promptCaption = Text(text_id::kPassphrasePromptCaption);
    const std::string readyTitle = "Quillet - " + test_support::UserIdOf(*user_);
    HWND answered = nullptr;
    std::string failure;
    bool ready = WaitUntil(
        [&] {
            for (HWND dialog : FindTopWindows(WindowsOf(program_.Id(), "#32770"))) {
                if (dialog == answered || WasAnswered(dialog)) {
                    continue;  // a dialog just answered, on its way out
                }
                if (TitleOf(dialog) == promptCaption && answered == nullptr) {
                    HWND field = FindChild(dialog, IDC_PASSPHRASE_FIELD);
                    if (field == nullptr || !SetText(field, user_->passphrase)) {
                        failure = "the passphrase prompt has no field to type into";
                        return true;
                    }
                    Shot("passphrase-typed");
                    PressDialogButton(dialog, IDOK);
                    answered = dialog;
                    return false;
                }
                MessageBoxView box = ReadMessageBox(dialog);
                Screenshot("unexpected-dialog");
                failure = "a dialog came up during start-up: \"" + box.caption + "\": \"" +
                          box.text + "\"";
                return true;
            }
            if (!program_.IsRunning()) {
                failure = "Quillet.exe ended during its start-up";
                return true;
            }
            main_ = FindTopWindow(WindowsOf(program_.Id(), "QUILLET"));
            return main_ != nullptr && IsWindowEnabled(main_) && TitleOf(main_) == readyTitle;
        },
        "Quillet's main window to be ready after start-up", kStartUpMs);
    if (!failure.empty()) {
        ADD_FAILURE() << failure;
        return false;
    }
    return ready;
}

HWND QuilletApp::WaitForStartUpDialog() {
    HWND dialog = nullptr;
    WaitUntil(
        [&] {
            dialog = FindTopWindow(WindowsOf(program_.Id(), "#32770"));
            return dialog != nullptr || !program_.IsRunning();
        },
        "the first dialog of the start-up", kStartUpMs);
    return dialog;
}

HWND QuilletApp::ToolBar() const {
    return FindChildByClass(main_, "ToolbarWindow32");
}

HWND QuilletApp::StatusBar() const {
    return FindChildByClass(main_, "msctls_statusbar32");
}

HWND QuilletApp::ModeButton(int id) const {
    HWND toolBar = ToolBar();
    return toolBar != nullptr ? FindChild(toolBar, id) : nullptr;
}

// ---- Working the running program ----------------------------------------------------

void QuilletApp::Shot(const std::string& step) const {
    if (dialogShots_) {
        Screenshot(step);
    }
}

bool QuilletApp::WasAnswered(HWND dialog) const {
    for (HWND seen : answered_) {
        if (seen == dialog) {
            return true;
        }
    }
    return false;
}

HWND QuilletApp::UnansweredDialog() const {
    for (HWND dialog : FindTopWindows(WindowsOf(program_.Id(), "#32770"))) {
        if (!WasAnswered(dialog)) {
            return dialog;
        }
    }
    return nullptr;
}

HWND QuilletApp::WaitForDialog(const std::string& what, int timeoutMs) {
    HWND dialog = nullptr;
    bool ended = false;
    WaitUntil(
        [&] {
            dialog = UnansweredDialog();
            ended = dialog == nullptr && !program_.IsRunning();
            return dialog != nullptr || ended;
        },
        what, timeoutMs);
    if (ended) {
        ADD_FAILURE() << "Quillet.exe ended while waiting for " << what;
    }
    return dialog;
}

bool QuilletApp::Command(int id) {
    return PostCommand(main_, id);
}

bool QuilletApp::AnswerFileDialog(const std::string& step, int titleId, const std::string& name,
                                  FileDialogView* seen) {
    const std::string title = titleId != 0 ? Text(titleId) : "";
    HWND dialog = WaitForDialog("the file dialog \"" + title + "\" (" + step + ")");
    if (dialog == nullptr) {
        return false;
    }
    if (!IsFileDialog(dialog)) {
        MessageBoxView box = ReadMessageBox(dialog);
        Screenshot(step + "-unexpected");
        ADD_FAILURE() << "instead of the file dialog \"" << title << "\" came \"" << box.caption
                      << "\": \"" << box.text << "\"";
        return false;
    }
    FileDialogView view = ReadFileDialog(dialog);
    if (seen != nullptr) {
        *seen = view;
    }
    if (titleId != 0) {
        EXPECT_EQ(view.title, title) << step;
    }
    Shot(step);  // the dialog as the program opened it
    Answered(dialog);
    return ChooseFileName(dialog, name);
}

bool QuilletApp::AnswerMessageBox(const std::string& step, int button, MessageBoxView* seen,
                                  const std::string& caption) {
    HWND dialog = WaitForDialog("a message box (" + step + ")");
    if (dialog == nullptr) {
        return false;
    }
    MessageBoxView box = ReadMessageBox(dialog);
    if (seen != nullptr) {
        *seen = box;
    }
    Shot(step);
    if (IsFileDialog(dialog) || (!caption.empty() && box.caption != caption)) {
        ADD_FAILURE() << "instead of a message box captioned \"" << caption << "\" came \""
                      << box.caption << "\": \"" << box.text << "\"";
        return false;
    }
    Answered(dialog);
    return PressDialogButton(dialog, button);
}

bool QuilletApp::AnswerPrompt(const std::string& step, int captionId, const std::string& text) {
    const std::string caption = Text(captionId);
    HWND dialog = WaitForDialog("the prompt \"" + caption + "\" (" + step + ")");
    if (dialog == nullptr) {
        return false;
    }
    HWND field = FindChild(dialog, IDC_PASSPHRASE_FIELD);
    if (TitleOf(dialog) != caption || field == nullptr || IsFileDialog(dialog)) {
        MessageBoxView box = ReadMessageBox(dialog);
        Screenshot(step + "-unexpected");
        ADD_FAILURE() << "instead of the prompt \"" << caption << "\" came \"" << box.caption
                      << "\": \"" << box.text << "\"";
        return false;
    }
    if (!SetText(field, text)) {
        return false;
    }
    Shot(step);
    Answered(dialog);
    return PressDialogButton(dialog, IDOK);
}

bool QuilletApp::WaitWithoutDialog(const std::function<bool()>& done, const std::string& what,
                                   int timeoutMs) {
    HWND dialog = nullptr;
    bool ended = WaitUntil(
        [&] {
            dialog = UnansweredDialog();
            return dialog != nullptr || done();
        },
        what, timeoutMs);
    if (ended && dialog != nullptr && !done()) {
        MessageBoxView box = ReadMessageBox(dialog);
        Screenshot("unexpected-dialog");
        ADD_FAILURE() << "while waiting for " << what << " came \"" << box.caption << "\": \""
                      << box.text << "\"";
        return false;
    }
    return ended;
}

bool QuilletApp::WaitForStatus(int textId, int timeoutMs) {
    const std::string wanted = Text(textId);
    return WaitWithoutDialog([&] { return Status() == wanted; },
                             "the status text \"" + wanted + "\"", timeoutMs);
}

bool QuilletApp::WaitForTitle(const std::string& title, int timeoutMs) {
    return WaitWithoutDialog(
        [&] {
            main_ = FindTopWindow(WindowsOf(program_.Id(), "QUILLET"));
            return main_ != nullptr && TitleOf(main_) == title;
        },
        "the title \"" + title + "\"", timeoutMs);
}

bool QuilletApp::WaitUntilIdle() {
    // A message sent to the window is answered only once the window's
    // thread is back in its message loop.
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer) == 0) {
        ADD_FAILURE() << "Quillet.exe's window does not answer within 60 s";
        return false;
    }
    return true;
}

bool QuilletApp::Exit() {
    if (!Command(IDM_EXIT)) {
        return false;
    }
    DWORD code = 1;
    if (!program_.WaitForExit(kWaitMs, &code)) {
        return false;
    }
    EXPECT_EQ(code, 0u) << "exit code";
    answered_.clear();
    return code == 0;
}

}  // namespace e2e
