// Quillet.exe worked end to end under Wine, as a person would work it:
// every scenario starts the real program in a fresh program folder, reads
// what the window shows and keeps a screenshot of each step.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/e2e/quillet_app.h"

namespace {

using e2e::QuilletApp;
using namespace e2e::text_id;

// The trial signature files of the start-up's passphrase check in the
// temporary folder (gpg*.tmp), by name.
std::vector<std::string> TrialSignatureFiles() {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((std::string(folder) + "gpg*.tmp").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            names.push_back(entry.cFileName);
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    return names;
}

// ---- A start-up that fails ----------------------------------------------------------

// Presses OK in a start-up's message box and sees the program end with
// exit code 0, leaving no window.
void ExpectEndAfterOk(QuilletApp& app, HWND box) {
    ASSERT_TRUE(e2e::PressDialogButton(box, IDOK));
    e2e::WindowQuery anyMain = e2e::WindowsOf(app.Process().Id(), "QUILLET");
    anyMain.visibleOnly = false;
    EXPECT_TRUE(e2e::WaitForNoTopWindow(anyMain));
    DWORD code = 1;
    ASSERT_TRUE(app.Process().WaitForExit(e2e::kWaitMs, &code));
    EXPECT_EQ(code, 0u);
    e2e::Screenshot("ended");
}

TEST(QuilletStartUp, ConfFolderTakenByAFileShowsTheMessageAndEnds) {
    QuilletApp app(nullptr);
    test_support::WriteFile(app.PathOf("conf"), "not a folder");
    ASSERT_TRUE(app.Start());
    HWND box = app.WaitForStartUpDialog();
    ASSERT_NE(box, nullptr) << "Quillet.exe ended without a message";

    e2e::MessageBoxView view = e2e::ReadMessageBox(box);
    e2e::Screenshot("work-folder-message");
    EXPECT_EQ(view.caption, "Message Box");
    EXPECT_EQ(view.text, app.Text(kWorkFolderUnusableMessage));
    EXPECT_EQ(view.buttons, std::vector<std::string>{"OK"});
    ExpectEndAfterOk(app, box);
}

TEST(QuilletStartUp, WrongPassphraseShowsOneMessageAndEnds) {
    QuilletApp app(&test_support::Taro());
    ASSERT_TRUE(app.Start());
    HWND prompt = app.WaitForStartUpDialog();
    ASSERT_NE(prompt, nullptr) << "Quillet.exe ended without asking for the passphrase";
    EXPECT_EQ(e2e::TitleOf(prompt), app.Text(kPassphrasePromptCaption));
    ASSERT_TRUE(e2e::SetText(e2e::FindChild(prompt, IDC_PASSPHRASE_FIELD), "not-the-passphrase"));
    e2e::Screenshot("wrong-passphrase-typed");
    ASSERT_TRUE(e2e::PressDialogButton(prompt, IDOK));

    e2e::MessageBoxView box;
    ASSERT_TRUE(e2e::WaitForMessageBox(app.Process().Id(), &box, "Message Box", 60000));
    e2e::Screenshot("wrong-passphrase-message");
    EXPECT_EQ(box.text, app.Text(kWrongPassphraseMessage));
    ExpectEndAfterOk(app, box.window);
}

TEST(QuilletStartUp, CancelledPassphrasePromptEndsQuietlyAndLeavesNoTrialFile) {
    QuilletApp app(&test_support::Taro());
    const std::vector<std::string> before = TrialSignatureFiles();
    ASSERT_TRUE(app.Start());
    HWND prompt = app.WaitForStartUpDialog();
    ASSERT_NE(prompt, nullptr) << "Quillet.exe ended without asking for the passphrase";
    e2e::Screenshot("prompt");
    ASSERT_TRUE(e2e::PressDialogButton(prompt, IDCANCEL));

    // No message: the program just ends.
    HWND message = nullptr;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            message = e2e::FindTopWindow(e2e::WindowsOf(app.Process().Id(), "#32770"));
            return (message != nullptr && message != prompt) || !app.Process().IsRunning();
        },
        "Quillet.exe to end"));
    if (message != nullptr && message != prompt) {
        e2e::MessageBoxView view = e2e::ReadMessageBox(message);
        e2e::Screenshot("unexpected-message");
        FAIL() << "a cancelled prompt showed \"" << view.caption << "\": \"" << view.text << "\"";
    }
    DWORD code = 1;
    ASSERT_TRUE(app.Process().WaitForExit(e2e::kWaitMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(TrialSignatureFiles(), before);
}

TEST(QuilletStartUp, FirstStartMakesTheFoldersAndCancellingTheSetupEndsQuietly) {
    QuilletApp app(nullptr);
    ASSERT_TRUE(app.Start());
    HWND form = app.WaitForStartUpDialog();
    ASSERT_NE(form, nullptr) << "Quillet.exe ended without opening the key setup form";
    EXPECT_EQ(e2e::TitleOf(form), e2e::Ansi(u8"Quillet セットアップ"));
    HWND main = e2e::FindTopWindow(e2e::WindowsOf(app.Process().Id(), "QUILLET"));
    EXPECT_NE(main, nullptr) << "the form opens over the visible main window";
    EXPECT_TRUE(test_support::Exists(app.PathOf("pubkey")));
    EXPECT_TRUE(test_support::Exists(app.PathOf("conf")));
    e2e::Screenshot("key-setup-form");

    ASSERT_TRUE(e2e::PressDialogButton(form, IDCANCEL));
    HWND message = nullptr;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            message = e2e::FindTopWindow(e2e::WindowsOf(app.Process().Id(), "#32770"));
            return (message != nullptr && message != form) || !app.Process().IsRunning();
        },
        "Quillet.exe to end"));
    EXPECT_TRUE(message == nullptr || message == form) << "a message came after the cancel";
    DWORD code = 1;
    ASSERT_TRUE(app.Process().WaitForExit(e2e::kWaitMs, &code));
    EXPECT_EQ(code, 0u);
    // The folders made at the first start stay.
    EXPECT_TRUE(test_support::Exists(app.PathOf("pubkey")));
    EXPECT_TRUE(test_support::Exists(app.PathOf("conf")));
}

// ---- A running program --------------------------------------------------------------

// Quillet started beside Taro's key rings, its start-up passed.
class RunningQuillet : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = std::make_unique<QuilletApp>(&test_support::Taro());
        ASSERT_TRUE(app_->Start());
        ASSERT_TRUE(app_->PassStartUp());
        main_ = app_->Main();
        e2e::Screenshot("ready");
    }

    std::unique_ptr<QuilletApp> app_;
    HWND main_ = nullptr;
};

TEST_F(RunningQuillet, AboutBoxShowsTheVersionAndClosesWithOk) {
    ASSERT_TRUE(e2e::PostCommand(main_, IDM_ABOUT));
    e2e::MessageBoxView about;
    ASSERT_TRUE(e2e::WaitForMessageBox(app_->Process().Id(), &about,
                                       e2e::Ansi(u8"Quilletのバージョン情報")));
    e2e::Screenshot("about-box");
    EXPECT_EQ(about.text, "Quillet 1.0.11");
    EXPECT_EQ(about.buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(IsWindowEnabled(main_)) << "the about box is modal to the main window";

    ASSERT_TRUE(e2e::PressDialogButton(about.window, IDOK));
    EXPECT_TRUE(e2e::WaitForNoTopWindow(e2e::WindowsOf(app_->Process().Id(), "#32770")));
    EXPECT_TRUE(IsWindowEnabled(main_));
    e2e::Screenshot("about-box-closed");
}

TEST_F(RunningQuillet, SettingsTogglesWriteTheFileAndFlipTheCheckMarks) {
    const std::string ini = app_->PathOf("conf/Quillet.ini");
    EXPECT_FALSE(test_support::Exists(ini));
    EXPECT_FALSE(e2e::MenuItemChecked(main_, IDM_ENCRYPT_NO_SIGN));
    EXPECT_FALSE(e2e::MenuItemChecked(main_, IDM_DECRYPT_NO_VERIFY));

    struct Step {
        int command;
        bool encryptNoSign;
        bool decryptNoVerify;
        const char* file;
        const char* name;
    };
    const Step steps[] = {
        {IDM_ENCRYPT_NO_SIGN, true, false, "[global]\nencrypt_no_sign=1\ndecrypt_no_verify=0\n",
         "no-sign-on"},
        {IDM_DECRYPT_NO_VERIFY, true, true, "[global]\nencrypt_no_sign=1\ndecrypt_no_verify=1\n",
         "no-verify-on"},
        {IDM_ENCRYPT_NO_SIGN, false, true, "[global]\nencrypt_no_sign=0\ndecrypt_no_verify=1\n",
         "no-sign-off"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_TRUE(e2e::PostCommand(main_, step.command));
        ASSERT_TRUE(e2e::WaitUntil(
            [&] {
                return e2e::MenuItemChecked(main_, IDM_ENCRYPT_NO_SIGN) == step.encryptNoSign &&
                       e2e::MenuItemChecked(main_, IDM_DECRYPT_NO_VERIFY) == step.decryptNoVerify;
            },
            std::string("the check marks after ") + step.name));
        std::string content = test_support::ReadFile(ini);
        EXPECT_EQ(content, step.file);
        EXPECT_EQ(content.size(), 47u);
        if (e2e::OpenMenu(main_, 'o')) {
            e2e::Screenshot(std::string("settings-menu-") + step.name);
            EXPECT_TRUE(e2e::CloseMenu(main_));
        }
    }
}

TEST_F(RunningQuillet, ModeButtonsSelectTheirModeAndShowItsIdleText) {
    const int ids[] = {IDC_ENCRYPT_BUTTON, IDC_DECRYPT_BUTTON, IDC_SIGN_BUTTON, IDC_VERIFY_BUTTON};
    HWND buttons[4];
    for (int i = 0; i < 4; ++i) {
        buttons[i] = app_->ModeButton(ids[i]);
        ASSERT_NE(buttons[i], nullptr) << "no ModeButton " << ids[i] << " on the tool strip";
    }

    // At start Encrypt is selected and its idle text shows.
    EXPECT_EQ(app_->Status(), app_->Text(kEncryptIdle));
    EXPECT_EQ(e2e::ButtonState(buttons[0]), BST_CHECKED);

    // Side by side from the strip's left edge, all of one size, no gaps.
    RECT first = e2e::RectIn(buttons[0], app_->ToolBar());
    for (int i = 0; i < 4; ++i) {
        RECT place = e2e::RectIn(buttons[i], app_->ToolBar());
        EXPECT_EQ(place.left, i * (first.right - first.left)) << "button " << ids[i];
        EXPECT_EQ(place.top, 0) << "button " << ids[i];
        EXPECT_EQ(place.right - place.left, first.right - first.left) << "button " << ids[i];
        EXPECT_EQ(place.bottom - place.top, first.bottom - first.top) << "button " << ids[i];
    }

    const struct {
        int index;
        int idleText;
        const char* name;
    } clicks[] = {{1, kDecryptIdle, "decrypt"},
                  {2, kSignIdle, "sign"},
                  {3, kVerifyIdle, "verify"},
                  {0, kEncryptIdle, "encrypt"}};
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.name);
        const std::string idle = app_->Text(click.idleText);
        ASSERT_TRUE(e2e::Click(buttons[click.index]));
        EXPECT_TRUE(e2e::WaitUntil([&] { return app_->Status() == idle; },
                                   std::string("the idle text of ") + click.name));
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(e2e::ButtonState(buttons[i]), i == click.index ? BST_CHECKED : BST_UNCHECKED)
                << "button " << ids[i];
        }
        e2e::Screenshot(std::string("mode-") + click.name);
    }
}

TEST_F(RunningQuillet, DropsThatStartNoOperationShowTheirMessage) {
    HWND decrypt = app_->ModeButton(IDC_DECRYPT_BUTTON);
    ASSERT_NE(decrypt, nullptr);
    ASSERT_TRUE(e2e::Click(decrypt));
    const std::string decryptIdle = app_->Text(kDecryptIdle);
    ASSERT_TRUE(e2e::WaitUntil([&] { return app_->Status() == decryptIdle; },
                               "the Decrypt mode's idle text"));

    const std::string plain = app_->PathOf("letter.txt");
    const std::string japanese = app_->PathOf(e2e::Ansi(u8"見積書.txt"));
    const std::string folder = app_->PathOf(e2e::Ansi(u8"資料"));
    test_support::WriteFile(plain, "a");
    test_support::WriteFile(japanese, "b");
    test_support::MakeFolderAt(folder);
    const struct {
        std::vector<std::string> paths;
        int message;
        const char* name;
    } drops[] = {
        {{plain, japanese}, kSeveralFilesMessage, "two-files"},
        {{folder}, kFolderMessage, "folder"},
        {{app_->PathOf("missing.txt")}, kUnknownErrorMessage, "missing-file"},
    };
    for (const auto& drop : drops) {
        SCOPED_TRACE(drop.name);
        ASSERT_TRUE(e2e::DropFiles(main_, drop.paths));
        HWND found = nullptr;
        ASSERT_TRUE(e2e::WaitUntil(
            [&] {
                found = e2e::FindTopWindow(e2e::WindowsOf(app_->Process().Id(), "#32770"));
                return found != nullptr;
            },
            "a message after the drop"));
        bool topMost = (GetWindowLongA(main_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        e2e::MessageBoxView box = e2e::ReadMessageBox(found);
        e2e::Screenshot(std::string("drop-") + drop.name);
        EXPECT_EQ(box.caption, "Message Box");
        EXPECT_EQ(box.text, app_->Text(drop.message));
        EXPECT_EQ(GetWindow(found, GW_OWNER), main_) << "the drop's message is owned by the window";
        EXPECT_TRUE(topMost) << "a drop raises the window to the top-most layer";
        ASSERT_TRUE(e2e::PressDialogButton(found, IDOK));
        ASSERT_TRUE(e2e::WaitForNoTopWindow(e2e::WindowsOf(app_->Process().Id(), "#32770")));
        EXPECT_EQ(app_->Status(), decryptIdle) << "no operation started";
    }
}

TEST_F(RunningQuillet, ExitCommandClosesWithoutAQuestion) {
    ASSERT_TRUE(e2e::PostCommand(main_, IDM_EXIT));
    HWND question = nullptr;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            question = e2e::FindTopWindow(e2e::WindowsOf(app_->Process().Id(), "#32770"));
            return question != nullptr || !app_->Process().IsRunning();
        },
        "Quillet.exe to end"));
    if (question != nullptr) {
        e2e::MessageBoxView view = e2e::ReadMessageBox(question);
        e2e::Screenshot("unexpected-question");
        FAIL() << "the exit command asked \"" << view.caption << "\": \"" << view.text << "\"";
    }
    DWORD code = 1;
    ASSERT_TRUE(app_->Process().WaitForExit(e2e::kWaitMs, &code));
    EXPECT_EQ(code, 0u);
    e2e::Screenshot("ended");
}

}  // namespace
