// A walkthrough of Quillet.exe for a machine without a display: `make run`
// runs it under Wine's own virtual screen (scripts/run-app.sh). On a fresh
// program folder it does what a new user does first: start the program and
// make the key pair, then encrypt a file, decrypt it, sign it, verify the
// signature and look at the information of a key file. Each step prints one
// line with its outcome and keeps one screenshot.
//
//   quillet_walkthrough.exe --program=QUILLET_EXE --screenshots=FOLDER
//
// (paths of the build machine). The program folder is FOLDER/program; it is
// made afresh each time and stays afterwards, to be looked into.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "tests/e2e/quillet_app.h"

namespace {

using e2e::QuilletApp;
using namespace e2e::text_id;

constexpr int kStepCount = 6;
// The own public key, exported at the first start into the pubkey folder,
// where the key-file dialogs open: the bare name is enough there.
constexpr const char* kOwnKeyName = "taro@example.com.gpg";

const test_support::TestUser& NewUser() {
    static const test_support::TestUser user{"Taro Yamada", "taro@example.com", "password1", ""};
    return user;
}

// A text of the program (in the ANSI code page) as UTF-8, for the terminal.
std::string Utf8(const std::string& ansi) {
    int wideLength = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring wide(wideLength, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), wideLength);
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, text.data(), length, nullptr, nullptr);
    text.resize(length > 0 ? length - 1 : 0);
    return text;
}

// A Windows path on drive Z: as the build machine's path.
std::string HostName(std::string path) {
    if (path.compare(0, 2, "Z:") == 0) {
        path.erase(0, 2);
    }
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return Utf8(path);
}

std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

// Runs the steps in order; the first that fails ends the walkthrough.
class Steps {
public:
    // Runs `step`, which tells its outcome in `outcome` and may keep the
    // step's screenshot itself (its path in `shot`); otherwise the screen
    // after the step is kept as `shotName`. Prints the line of the step.
    // False when the step failed.
    bool Run(const char* name, const char* shotName,
             const std::function<bool(std::string& outcome, std::string& shot)>& step) {
        ++number_;
        ULONGLONG start = GetTickCount64();
        std::string outcome;
        std::string path;
        bool ok = step(outcome, path) && !::testing::Test::HasFailure();
        if (path.empty()) {
            path = e2e::Screenshot(shotName);
        }
        double seconds = (GetTickCount64() - start) / 1000.0;
        std::printf("walkthrough %d/%d %-12s %s: %s (%.1f s) [%s]\n", number_, kStepCount, name,
                    ok ? "ok" : "FAILED", OneLine(outcome).c_str(), seconds,
                    HostName(path).c_str());
        std::fflush(stdout);
        return ok;
    }

private:
    int number_ = 0;
};

TEST(Walkthrough, FromAFreshProgramFolder) {
    const std::string folder = e2e::ArtifactRoot() + "\\program";
    QuilletApp app(folder);
    app.KeepDialogScreenshots(false);
    std::printf("walkthrough: Quillet.exe in the fresh program folder %s\n",
                HostName(folder).c_str());
    const std::string ownKey = app.PathOf("pubkey/taro@example.com.gpg");
    const std::string letter = app.PathOf("letter.txt");
    const std::string encrypted = letter + ".gpg";
    const std::string decrypted = app.PathOf("letter-decrypted.txt");
    const std::string signature = letter + ".sig";
    const std::string content =
        e2e::Ansi(u8"こんにちは、Quillet。\r\n") + "A letter to encrypt and to sign.\r\n";
    test_support::WriteFile(letter, content);
    Steps steps;

    bool ok = steps.Run("first start", "first-start", [&](std::string& outcome, std::string&) {
        if (!app.Start()) {
            return false;
        }
        HWND form = app.WaitForStartUpDialog();
        if (form == nullptr) {
            outcome = "no key setup form came up";
            return false;
        }
        e2e::SetText(e2e::FindChild(form, IDC_SETUP_USER_NAME), NewUser().name);
        e2e::SetText(e2e::FindChild(form, IDC_SETUP_EMAIL), NewUser().email);
        e2e::SetText(e2e::FindChild(form, IDC_SETUP_PASSPHRASE), NewUser().passphrase);
        e2e::SetText(e2e::FindChild(form, IDC_SETUP_PASSPHRASE_AGAIN), NewUser().passphrase);
        e2e::PressDialogButton(form, IDOK);
        app.Answered(form);
        if (!app.AnswerMessageBox("export-question", IDYES, nullptr) ||
            !app.AnswerFileDialog("export", 0, ownKey)) {
            return false;
        }
        const std::string title = "Quillet - " + test_support::UserIdOf(NewUser());
        if (!app.WaitForTitle(title)) {
            return false;
        }
        outcome = "key pair made in the setup form, public key exported to pubkey\\" +
                  std::string(kOwnKeyName) + ", title \"" + Utf8(title) + "\"";
        return test_support::Exists(ownKey);
    });

    ok = ok && steps.Run("encrypt", "encrypt", [&](std::string& outcome, std::string&) {
        bool done = app.Command(IDM_ENCRYPT_FILE) &&
                    app.AnswerFileDialog("input", kEncryptInputTitle, letter) &&
                    app.AnswerFileDialog("key", kEncryptKeyTitle, kOwnKeyName) &&
                    app.AnswerFileDialog("output", kEncryptOutputTitle, "") &&
                    app.WaitForStatus(kEncryptDone);
        outcome = "letter.txt encrypted (menu) for the own key into letter.txt.gpg, status \"" +
                  Utf8(app.Status()) + "\"";
        return done && test_support::Exists(encrypted);
    });

    ok = ok && steps.Run("decrypt", "decrypt", [&](std::string& outcome, std::string&) {
        bool done = e2e::Click(app.ModeButton(IDC_DECRYPT_BUTTON)) &&
                    app.WaitForStatus(kDecryptIdle) && e2e::DropFiles(app.Main(), {encrypted}) &&
                    app.AnswerFileDialog("key", kDecryptKeyTitle, kOwnKeyName) &&
                    app.AnswerFileDialog("output", kDecryptOutputTitle, decrypted) &&
                    app.WaitForStatus(kDecryptDone);
        bool same = test_support::ReadFile(decrypted) == content;
        outcome = "letter.txt.gpg dropped in the Decrypt mode, signature checked, " +
                  std::string(same ? "letter-decrypted.txt equals letter.txt"
                                   : "letter-decrypted.txt DIFFERS from letter.txt") +
                  ", status \"" + Utf8(app.Status()) + "\"";
        return done && same;
    });

    ok = ok && steps.Run("sign", "sign", [&](std::string& outcome, std::string&) {
        bool done =
            app.Command(IDM_SIGN_FILE) && app.AnswerFileDialog("input", kSignInputTitle, letter) &&
            app.AnswerFileDialog("output", kSignOutputTitle, "") && app.WaitForStatus(kSignDone);
        outcome =
            "detached signature letter.txt.sig made (menu), status \"" + Utf8(app.Status()) + "\"";
        return done && test_support::Exists(signature);
    });

    ok = ok && steps.Run("verify", "verify", [&](std::string& outcome, std::string& shot) {
        e2e::MessageBoxView verdict;
        bool asked = app.Command(IDM_VERIFY_SIGNATURE) &&
                     app.AnswerFileDialog("input", kVerifyInputTitle, letter) &&
                     app.AnswerFileDialog("signature", kVerifySignatureTitle, "") &&
                     app.AnswerFileDialog("key", kVerifyKeyTitle, kOwnKeyName);
        HWND box = asked ? app.WaitForDialog("the verdict") : nullptr;
        if (box == nullptr) {
            return false;
        }
        verdict = e2e::ReadMessageBox(box);
        shot = e2e::Screenshot("verify");  // the verdict is what this step shows
        bool done = app.AnswerMessageBox("verdict", IDOK) && app.WaitForStatus(kVerifyDone);
        outcome = "letter.txt against letter.txt.sig and the own key: box \"" + Utf8(verdict.text) +
                  "\", then status \"" + Utf8(app.Status()) + "\"";
        return done;
    });

    ok = ok &&
         steps.Run("key info", "key-information", [&](std::string& outcome, std::string& shot) {
             HWND box = nullptr;
             bool asked = app.Command(IDM_KEY_INFO) &&
                          app.AnswerFileDialog("key", kKeyInfoTitle, kOwnKeyName) &&
                          (box = app.WaitForDialog("the key information")) != nullptr;
             if (!asked) {
                 return false;
             }
             e2e::MessageBoxView info = e2e::ReadMessageBox(box);
             shot = e2e::Screenshot("key-information");
             bool done = app.AnswerMessageBox("key-information", IDNO);
             outcome =
                 "pubkey\\taro@example.com.gpg shows \"" + Utf8(info.text) + "\" (answered No)";
             return done;
         });

    if (ok) {
        app.Exit();
    }
    std::printf("walkthrough: %s; screenshots in %s\n", ok ? "all steps done" : "stopped",
                HostName(e2e::ArtifactRoot()).c_str());
}

}  // namespace
