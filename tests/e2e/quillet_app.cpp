#include "tests/e2e/quillet_app.h"

#include <gtest/gtest.h>

namespace e2e {

namespace {

// How long a start-up may take: the passphrase check runs GnuPG once.
constexpr int kStartUpMs = 60000;
// A window without start-up checks is taken as ready when it has stayed
// without a dialog this long (a program with checks shows its first dialog
// right after its window).
constexpr ULONGLONG kSteadyMs = 5000;

}  // namespace

QuilletApp::QuilletApp(const test_support::TestUser* user) : user_(user) {
    if (user != nullptr) {
        userFolder_ = std::make_unique<test_support::UserFolder>(*user);
    } else {
        bareFolder_ = std::make_unique<test_support::ProgramFolder>();
        bareFolder_->InstallRealGpg();
    }
    if (ProgramUnderTest().empty()) {
        ADD_FAILURE() << "no --program= names Quillet.exe";
        return;
    }
    if (!CopyFileA(ProgramUnderTest().c_str(), Exe().c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy " << ProgramUnderTest() << " to " << Exe();
    }
}

std::string QuilletApp::PathOf(const std::string& relative) const {
    return userFolder_ ? userFolder_->folder.PathOf(relative) : bareFolder_->PathOf(relative);
}

bool QuilletApp::Start() {
    return program_.Start(Exe(), PathOf(""));
}

bool QuilletApp::PassStartUp() {
    const std::string promptCaption = Text(kPassphrasePromptCaption);
    const std::string readyTitle =
        user_ != nullptr ? "Quillet - " + test_support::UserIdOf(*user_) : "";
    HWND answered = nullptr;
    ULONGLONG steadySince = 0;
    std::string failure;
    bool ready = WaitUntil(
        [&] {
            for (HWND dialog : FindTopWindows(WindowsOf(program_.Id(), "#32770"))) {
                if (dialog == answered) {
                    continue;  // the prompt just answered, on its way out
                }
                if (TitleOf(dialog) == promptCaption && answered == nullptr && user_ != nullptr) {
                    HWND field = FindChild(dialog, kPassphraseField);
                    if (field == nullptr || !SetText(field, user_->passphrase)) {
                        failure = "the passphrase prompt has no field to type into";
                        return true;
                    }
                    Screenshot("passphrase-typed");
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
            if (main_ == nullptr || !IsWindowEnabled(main_)) {
                steadySince = 0;
                return false;
            }
            std::string title = TitleOf(main_);
            if (!readyTitle.empty() && title == readyTitle) {
                return true;
            }
            if (answered == nullptr && title == "Quillet") {
                if (steadySince == 0) {
                    steadySince = GetTickCount64();
                } else if (GetTickCount64() - steadySince >= kSteadyMs) {
                    withoutChecks_ = true;
                    return true;
                }
            } else {
                steadySince = 0;
            }
            return false;
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
    ULONGLONG steadySince = 0;
    WaitUntil(
        [&] {
            dialog = FindTopWindow(WindowsOf(program_.Id(), "#32770"));
            if (dialog != nullptr || !program_.IsRunning()) {
                return true;
            }
            HWND main = FindTopWindow(WindowsOf(program_.Id(), "QUILLET"));
            if (main == nullptr || !IsWindowEnabled(main)) {
                steadySince = 0;
                return false;
            }
            if (steadySince == 0) {
                steadySince = GetTickCount64();
            }
            return GetTickCount64() - steadySince >= kSteadyMs;
        },
        "the first dialog of the start-up", kStartUpMs);
    withoutChecks_ = dialog == nullptr && program_.IsRunning();
    if (withoutChecks_) {
        main_ = FindTopWindow(WindowsOf(program_.Id(), "QUILLET"));
    }
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

}  // namespace e2e
