// The operations of Quillet.exe worked end to end under Wine, as people
// would work them: a first start that makes the key, files encrypted,
// decrypted, signed and verified between two users' program folders (through
// the menu and by dropping files), the fingerprints, the export and the
// passphrase change. Each scenario drives the real program, its dialogs and
// the platform's file dialogs, and keeps a screenshot of every step.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "tests/e2e/quillet_app.h"

namespace {

using e2e::QuilletApp;
using namespace e2e::text_id;
using test_support::Exists;
using test_support::ReadFile;

// A key generation under Wine takes some seconds; allow for a slow machine.
constexpr int kKeyGenerationMs = 180000;

// The user who starts Quillet for the first time in the first-start scenario.
const test_support::TestUser& Jiro() {
    static const test_support::TestUser user{"Jiro Sato", "jiro@example.com", "password1", ""};
    return user;
}

// The fingerprint as the boxes show it: ten groups of four, a second blank
// after the fifth group, a blank after every group.
std::string Grouped(const std::string& fingerprint) {
    std::string grouped;
    for (std::size_t group = 0; group < 10; ++group) {
        grouped += fingerprint.substr(group * 4, 4) + (group == 4 ? "  " : " ");
    }
    return grouped;
}

// Copies a file (windows.h takes the name CopyFile for its own).
void Copy(const std::string& from, const std::string& to) {
    EXPECT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE))
        << "cannot copy " << from << " to " << to;
}

// The name of a file without its folder.
std::string NameOf(const std::string& path) {
    return path.substr(path.rfind('\\') + 1);
}

// Bytes that are no text: every byte value, and then some.
std::string BinaryContent(std::size_t size) {
    std::string bytes(size, '\0');
    unsigned value = 12345;
    for (char& byte : bytes) {
        value = value * 1103515245u + 12345u;
        byte = static_cast<char>(value >> 16);
    }
    return bytes;
}

// An OpenPGP public key file starts with a public-key packet (tag 6).
bool StartsWithPublicKeyPacket(const std::string& file) {
    if (file.empty()) {
        return false;
    }
    unsigned char first = static_cast<unsigned char>(file[0]);
    return (first & 0xC0) == 0xC0 ? (first & 0x3F) == 6 : (first & 0xFC) == 0x98;
}

// ---- First start --------------------------------------------------------------------

// An empty program folder: the folders are made, the setup form makes the
// key pair with the progress bar moving, the new public key is exported
// into the pubkey folder through the save dialog, and the title names the
// new key. The next start asks for the passphrase and accepts it.
TEST(QuilletFirstStart, MakesTheKeyExportsItAndAsksForThePassphraseNextTime) {
    QuilletApp app(nullptr);
    ASSERT_TRUE(app.Start());
    HWND form = app.WaitForStartUpDialog();
    ASSERT_NE(form, nullptr) << "Quillet.exe ended without opening the key setup form";
    ASSERT_EQ(e2e::TitleOf(form), e2e::Ansi(u8"Quillet セットアップ"));
    EXPECT_TRUE(Exists(app.PathOf("pubkey")));
    EXPECT_TRUE(Exists(app.PathOf("conf")));

    ASSERT_TRUE(e2e::SetText(e2e::FindChild(form, IDC_SETUP_USER_NAME), Jiro().name));
    ASSERT_TRUE(e2e::SetText(e2e::FindChild(form, IDC_SETUP_EMAIL), Jiro().email));
    ASSERT_TRUE(e2e::SetText(e2e::FindChild(form, IDC_SETUP_PASSPHRASE), Jiro().passphrase));
    ASSERT_TRUE(e2e::SetText(e2e::FindChild(form, IDC_SETUP_PASSPHRASE_AGAIN), Jiro().passphrase));
    HWND bar = e2e::FindChild(form, IDC_SETUP_PROGRESS);
    HWND nameField = e2e::FindChild(form, IDC_SETUP_USER_NAME);
    ASSERT_NE(bar, nullptr);
    e2e::Screenshot("setup-form-filled");
    EXPECT_EQ(e2e::ProgressBarFill(bar), 0.0) << "the bar starts empty";

    // Watch the bar while GnuPG makes the key: it moves with GnuPG's
    // output, and the fields are locked meanwhile.
    ASSERT_TRUE(e2e::PressDialogButton(form, IDOK));
    app.Answered(form);
    std::set<int> fills;  // in per mille of the bar's width
    bool lockedSeen = false;
    bool runningShot = false;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            if (app.UnansweredDialog() != nullptr || !app.Process().IsRunning()) {
                return true;
            }
            double fill = e2e::ProgressBarFill(bar);
            fills.insert(static_cast<int>(fill * 1000));
            if (!IsWindowEnabled(nameField)) {
                lockedSeen = true;
                if (fill > 0.05 && !runningShot) {
                    e2e::Screenshot("key-generation-running");
                    runningShot = true;
                }
            }
            return false;
        },
        "the key generation to end", kKeyGenerationMs));
    fills.erase(0);
    EXPECT_GE(fills.size(), 2u) << "the progress bar did not move during the key generation";
    EXPECT_TRUE(lockedSeen) << "the fields stayed open during the key generation";
    EXPECT_TRUE(runningShot) << "no screenshot of the running key generation";

    // The bar shows full while the form offers the export (with the
    // question moved off the bar, which it covers).
    HWND box = app.WaitForDialog("the export question");
    ASSERT_NE(box, nullptr);
    RECT formPlace = e2e::RectIn(form, nullptr);
    SetWindowPos(box, nullptr, formPlace.left, formPlace.bottom + 10, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ProgressBarFill(bar) >= 0.95; },
                               "the progress bar to show full after the generation", 5000))
        << "filled: " << e2e::ProgressBarFill(bar);
    e2e::MessageBoxView question;
    ASSERT_TRUE(app.AnswerMessageBox("export-question", IDYES, &question));
    EXPECT_EQ(question.text, app.Text(kExportQuestion));
    EXPECT_EQ(question.buttons.size(), 2u);

    const std::string exported = app.PathOf("pubkey/jiro@example.com.gpg");
    e2e::FileDialogView save;
    ASSERT_TRUE(app.AnswerFileDialog("export-save-dialog", 0, exported, &save));
    EXPECT_EQ(save.name, "jiro@example.com.gpg") << "the proposal is the e-mail address";

    const std::string title = "Quillet - " + test_support::UserIdOf(Jiro());
    ASSERT_TRUE(app.WaitForTitle(title));
    e2e::Screenshot("main-window-after-first-start");
    EXPECT_TRUE(IsWindowEnabled(app.Main()));
    EXPECT_EQ(app.Status(), app.Text(kEncryptIdle));
    EXPECT_TRUE(Exists(app.PathOf("conf/secring.gpg")));
    EXPECT_TRUE(Exists(app.PathOf("conf/pubring.gpg")));
    EXPECT_TRUE(StartsWithPublicKeyPacket(ReadFile(exported))) << exported;

    // The next start is a normal one: the passphrase prompt, then the title.
    ASSERT_TRUE(app.Exit());
    app.ExpectUser(Jiro());
    ASSERT_TRUE(app.Start());
    HWND prompt = app.WaitForStartUpDialog();
    ASSERT_NE(prompt, nullptr) << "the second start asked for no passphrase";
    EXPECT_EQ(e2e::TitleOf(prompt), app.Text(kPassphrasePromptCaption));
    ASSERT_TRUE(app.PassStartUp());
    EXPECT_EQ(e2e::TitleOf(app.Main()), title);
    e2e::Screenshot("second-start-ready");
}

// ---- Two users ----------------------------------------------------------------------

// Taro's and Hanako's Quillet side by side, each program folder with the
// other's exported public key in its pubkey folder (hanako.gpg with Taro,
// taro.gpg with Hanako), as they would have handed them over.
class TaroAndHanako : public ::testing::Test {
protected:
    void SetUp() override {
        taro_ = std::make_unique<QuilletApp>(&test_support::Taro());
        hanako_ = std::make_unique<QuilletApp>(&test_support::Hanako());
        test_support::MakeFolderAt(taro_->PathOf("pubkey"));
        test_support::MakeFolderAt(hanako_->PathOf("pubkey"));
        Copy(test_support::PublicKeyFileOf(test_support::Hanako()),
             taro_->PathOf("pubkey/hanako.gpg"));
        Copy(test_support::PublicKeyFileOf(test_support::Taro()),
             hanako_->PathOf("pubkey/taro.gpg"));
        ASSERT_TRUE(taro_->Start());
        ASSERT_TRUE(hanako_->Start());
        ASSERT_TRUE(taro_->PassStartUp());
        ASSERT_TRUE(hanako_->PassStartUp());
        // Hanako's window to the right, so that the screenshots show both.
        SetWindowPos(hanako_->Main(), nullptr, 560, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
        EXPECT_TRUE(
            e2e::WaitUntil([&] { return e2e::RectIn(hanako_->Main(), nullptr).left == 560; },
                           "Hanako's window to move to the right"));
        e2e::Screenshot("both-ready");
    }

    // Hands a file of Taro's over to Hanako: copies it into her folder.
    std::string HandOver(const std::string& taroPath) {
        std::string hanakoPath = hanako_->PathOf(NameOf(taroPath));
        Copy(taroPath, hanakoPath);
        return hanakoPath;
    }

    std::unique_ptr<QuilletApp> taro_;
    std::unique_ptr<QuilletApp> hanako_;
};

TEST_F(TaroAndHanako, EncryptAndDecryptThroughTheMenu) {
    const std::string letter = taro_->PathOf("letter.txt");
    const std::string content = "Dear Hanako,\r\n" + e2e::Ansi(u8"明日の会議は十時からです。") +
                                "\r\n" + BinaryContent(300);
    test_support::WriteFile(letter, content);

    // Taro encrypts for Hanako: the key dialog opens in the pubkey folder,
    // so the bare name of her key file is enough there.
    ASSERT_TRUE(taro_->Command(IDM_ENCRYPT_FILE));
    ASSERT_TRUE(taro_->AnswerFileDialog("encrypt-input", kEncryptInputTitle, letter));
    e2e::FileDialogView seen;
    ASSERT_TRUE(taro_->AnswerFileDialog("encrypt-key", kEncryptKeyTitle, "hanako.gpg", &seen));
    EXPECT_EQ(seen.folder, "pubkey");
    ASSERT_TRUE(taro_->AnswerFileDialog("encrypt-output", kEncryptOutputTitle, "", &seen));
    EXPECT_EQ(seen.name, "letter.txt.gpg");
    ASSERT_TRUE(taro_->WaitForStatus(kEncryptDone));
    e2e::Screenshot("taro-encrypted");
    const std::string encrypted = letter + ".gpg";
    ASSERT_TRUE(Exists(encrypted));
    EXPECT_EQ(ReadFile(encrypted).find("Dear Hanako"), std::string::npos);

    // Hanako decrypts it and checks Taro's signature with his key file.
    const std::string received = HandOver(encrypted);
    ASSERT_TRUE(hanako_->Command(IDM_DECRYPT_FILE));
    ASSERT_TRUE(hanako_->AnswerFileDialog("decrypt-input", kDecryptInputTitle, received));
    ASSERT_TRUE(hanako_->AnswerFileDialog("decrypt-key", kDecryptKeyTitle, "taro.gpg", &seen));
    EXPECT_EQ(seen.folder, "pubkey");
    ASSERT_TRUE(hanako_->AnswerFileDialog("decrypt-output", kDecryptOutputTitle, "", &seen));
    EXPECT_EQ(seen.name, "letter.txt");
    ASSERT_TRUE(hanako_->WaitForStatus(kDecryptDone));
    e2e::Screenshot("hanako-decrypted");
    EXPECT_EQ(ReadFile(hanako_->PathOf("letter.txt")), content);

    // Five seconds later the idle text of the selected mode, Encrypt, is back.
    EXPECT_TRUE(hanako_->WaitForStatus(kEncryptIdle, 15000));
}

TEST_F(TaroAndHanako, EncryptAndDecryptByDroppingTheFile) {
    const std::string photo = taro_->PathOf(e2e::Ansi(u8"写真.jpg"));
    const std::string content = BinaryContent(70000);
    test_support::WriteFile(photo, content);

    // A file dropped in the Encrypt mode: no question for the input.
    ASSERT_TRUE(e2e::DropFiles(taro_->Main(), {photo}));
    e2e::FileDialogView seen;
    ASSERT_TRUE(taro_->AnswerFileDialog("encrypt-key", kEncryptKeyTitle, "hanako.gpg", &seen));
    ASSERT_TRUE(taro_->AnswerFileDialog("encrypt-output", kEncryptOutputTitle, "", &seen));
    EXPECT_EQ(seen.name, e2e::Ansi(u8"写真.jpg.gpg"));
    ASSERT_TRUE(taro_->WaitForStatus(kEncryptDone));
    EXPECT_TRUE(GetWindowLongA(taro_->Main(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    const std::string received = HandOver(photo + ".gpg");
    HWND decrypt = hanako_->ModeButton(IDC_DECRYPT_BUTTON);
    ASSERT_NE(decrypt, nullptr);
    ASSERT_TRUE(e2e::Click(decrypt));
    ASSERT_TRUE(hanako_->WaitForStatus(kDecryptIdle));
    ASSERT_TRUE(e2e::DropFiles(hanako_->Main(), {received}));
    ASSERT_TRUE(hanako_->AnswerFileDialog("decrypt-key", kDecryptKeyTitle, "taro.gpg"));
    ASSERT_TRUE(hanako_->AnswerFileDialog("decrypt-output", kDecryptOutputTitle, "", &seen));
    EXPECT_EQ(seen.name, e2e::Ansi(u8"写真.jpg"));
    ASSERT_TRUE(hanako_->WaitForStatus(kDecryptDone));
    e2e::Screenshot("hanako-decrypted");
    EXPECT_EQ(ReadFile(hanako_->PathOf(e2e::Ansi(u8"写真.jpg"))), content);
}

TEST_F(TaroAndHanako, SignAndVerifyAndATamperedCopyFails) {
    const std::string contract = taro_->PathOf("contract.pdf");
    test_support::WriteFile(contract, "%PDF-1.4\n" + BinaryContent(5000));

    ASSERT_TRUE(taro_->Command(IDM_SIGN_FILE));
    ASSERT_TRUE(taro_->AnswerFileDialog("sign-input", kSignInputTitle, contract));
    e2e::FileDialogView seen;
    ASSERT_TRUE(taro_->AnswerFileDialog("sign-output", kSignOutputTitle, "", &seen));
    EXPECT_EQ(seen.name, "contract.pdf.sig");
    ASSERT_TRUE(taro_->WaitForStatus(kSignDone));
    EXPECT_EQ(ReadFile(contract).substr(0, 9), "%PDF-1.4\n") << "signing left the file as it was";

    // Hanako verifies through the menu: signed file, signature, Taro's key.
    const std::string received = HandOver(contract);
    HandOver(contract + ".sig");
    ASSERT_TRUE(hanako_->Command(IDM_VERIFY_SIGNATURE));
    ASSERT_TRUE(hanako_->AnswerFileDialog("verify-input", kVerifyInputTitle, received));
    ASSERT_TRUE(hanako_->AnswerFileDialog("verify-signature", kVerifySignatureTitle, "", &seen));
    EXPECT_EQ(seen.name, "contract.pdf.sig");
    ASSERT_TRUE(hanako_->AnswerFileDialog("verify-key", kVerifyKeyTitle, "taro.gpg", &seen));
    EXPECT_EQ(seen.folder, "pubkey");

    // First the box, with the working text still in the status bar; the
    // done text only after the box.
    HWND box = hanako_->WaitForDialog("the verdict of the verification");
    ASSERT_NE(box, nullptr);
    e2e::MessageBoxView verdict = e2e::ReadMessageBox(box);
    EXPECT_EQ(hanako_->Status(), hanako_->Text(kVerifyIdle));
    ASSERT_TRUE(hanako_->AnswerMessageBox("genuine-box", IDOK, &verdict));
    EXPECT_EQ(verdict.text, hanako_->Text(kFileGenuine));
    EXPECT_EQ(verdict.buttons, std::vector<std::string>{"OK"});
    ASSERT_TRUE(hanako_->WaitForStatus(kVerifyDone));
    e2e::Screenshot("verified");

    // One byte changed: dropped in the Verify mode, the check fails.
    std::string changed = ReadFile(received);
    changed[100] = static_cast<char>(changed[100] ^ 1);
    test_support::WriteFile(received, changed);
    HWND verify = hanako_->ModeButton(IDC_VERIFY_BUTTON);
    ASSERT_NE(verify, nullptr);
    ASSERT_TRUE(e2e::Click(verify));
    ASSERT_TRUE(hanako_->WaitForStatus(kVerifyIdle));
    ASSERT_TRUE(e2e::DropFiles(hanako_->Main(), {received}));
    ASSERT_TRUE(hanako_->AnswerFileDialog("tampered-signature", kVerifySignatureTitle, "", &seen));
    EXPECT_EQ(seen.name, "contract.pdf.sig");
    ASSERT_TRUE(hanako_->AnswerFileDialog("tampered-key", kVerifyKeyTitle, "taro.gpg"));
    ASSERT_TRUE(hanako_->AnswerMessageBox("tampered-verdict", IDOK, &verdict));
    EXPECT_EQ(verdict.text, hanako_->Text(kVerifyFailedMessage));
    EXPECT_EQ(hanako_->Status(), hanako_->Text(kVerifyIdle)) << "no success claimed";
}

// ---- One user's keys ----------------------------------------------------------------

// Taro's Quillet with Hanako's key file in the pubkey folder.
class TaroRunning : public ::testing::Test {
protected:
    void SetUp() override {
        app_ = std::make_unique<QuilletApp>(&test_support::Taro());
        test_support::MakeFolderAt(app_->PathOf("pubkey"));
        Copy(test_support::PublicKeyFileOf(test_support::Hanako()),
             app_->PathOf("pubkey/hanako.gpg"));
        ASSERT_TRUE(app_->Start());
        ASSERT_TRUE(app_->PassStartUp());
        e2e::Screenshot("ready");
    }

    std::unique_ptr<QuilletApp> app_;
};

TEST_F(TaroRunning, FingerprintsAreShownAndOnlyYesCopiesTheBareFingerprint) {
    ASSERT_TRUE(e2e::WriteClipboardText("before"));

    // A received key file: its user ID and fingerprint; No copies nothing.
    ASSERT_TRUE(app_->Command(IDM_KEY_INFO));
    e2e::FileDialogView seen;
    ASSERT_TRUE(app_->AnswerFileDialog("key-file", kKeyInfoTitle, "hanako.gpg", &seen));
    EXPECT_EQ(seen.folder, "pubkey");
    e2e::MessageBoxView box;
    ASSERT_TRUE(app_->AnswerMessageBox("key-information", IDNO, &box));
    const std::string hanako = test_support::FingerprintOf(test_support::Hanako());
    EXPECT_EQ(box.text, app_->Text(kUserIdLabel) + "\n" +
                            test_support::UserIdOf(test_support::Hanako()) + "\n\n" +
                            app_->Text(kKeyFingerprintLabel) + "\n" + Grouped(hanako) + "\n\n" +
                            app_->Text(kKeyCopyQuestion));
    EXPECT_EQ(box.buttons.size(), 2u);
    ASSERT_TRUE(app_->WaitUntilIdle());
    ASSERT_TRUE(e2e::WaitForNoTopWindow(e2e::WindowsOf(app_->Process().Id(), "#32770")));
    std::string clipboard;
    EXPECT_TRUE(e2e::ReadClipboardText(&clipboard));
    EXPECT_EQ(clipboard, "before") << "No copied something";

    // The own fingerprint; Yes puts the 40 bare digits on the clipboard.
    ASSERT_TRUE(app_->Command(IDM_OWN_FINGERPRINT));
    ASSERT_TRUE(app_->AnswerMessageBox("own-fingerprint", IDYES, &box));
    const std::string own = test_support::FingerprintOf(test_support::Taro());
    ASSERT_EQ(own.size(), 40u);
    EXPECT_EQ(box.text, app_->Text(kOwnFingerprintLabel) + "\n\n" + Grouped(own) + "\n\n" +
                            app_->Text(kOwnCopyQuestion));
    EXPECT_TRUE(
        e2e::WaitUntil([&] { return e2e::ReadClipboardText(&clipboard) && clipboard == own; },
                       "the fingerprint on the clipboard"))
        << "the clipboard holds \"" << clipboard << "\"";
}

TEST_F(TaroRunning, ExportWritesTheOwnPublicKeyAndAsksBeforeOverwriting) {
    const std::string expected = ReadFile(test_support::PublicKeyFileOf(test_support::Taro()));
    const std::string target = app_->PathOf("pubkey/taro@example.com.gpg");

    // The proposal is the e-mail address; the dialog has the platform's title.
    ASSERT_TRUE(app_->Command(IDM_EXPORT_KEY));
    e2e::FileDialogView seen;
    ASSERT_TRUE(app_->AnswerFileDialog("export", 0, target, &seen));
    EXPECT_EQ(seen.name, "taro@example.com.gpg");
    EXPECT_FALSE(seen.title.empty());
    ASSERT_TRUE(e2e::WaitUntil([&] { return Exists(target); }, "the exported key file"));
    ASSERT_TRUE(app_->WaitUntilIdle());
    EXPECT_EQ(ReadFile(target), expected);

    // A name typed without extension gets ".gpg".
    ASSERT_TRUE(app_->Command(IDM_EXPORT_KEY));
    ASSERT_TRUE(app_->AnswerFileDialog("export-without-extension", 0, app_->PathOf("pubkey/mine")));
    const std::string withExtension = app_->PathOf("pubkey/mine.gpg");
    ASSERT_TRUE(e2e::WaitUntil([&] { return Exists(withExtension); }, "pubkey\\mine.gpg"));
    ASSERT_TRUE(app_->WaitUntilIdle());
    EXPECT_EQ(ReadFile(withExtension), expected);
    EXPECT_FALSE(Exists(app_->PathOf("pubkey/mine")));

    // An existing file: the save dialog asks first, and Yes replaces it.
    test_support::WriteFile(target, "stale");
    ASSERT_TRUE(app_->Command(IDM_EXPORT_KEY));
    ASSERT_TRUE(app_->AnswerFileDialog("export-again", 0, target, &seen));
    HWND box = app_->WaitForDialog("the question whether to overwrite");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), seen.window) << "the question belongs to the save dialog";
    e2e::MessageBoxView question;
    ASSERT_TRUE(app_->AnswerMessageBox("overwrite-question", IDYES, &question, ""));
    EXPECT_EQ(question.buttons.size(), 2u);
    ASSERT_TRUE(e2e::WaitUntil([&] { return ReadFile(target) != "stale"; },
                               "the exported key to replace the old file"));
    ASSERT_TRUE(app_->WaitUntilIdle());
    EXPECT_EQ(ReadFile(target), expected);
    e2e::Screenshot("exported");
}

TEST_F(TaroRunning, ChangedPassphraseSignsAtOnceAndIsAskedAtTheNextStart) {
    const std::string newPassphrase = "a-new-passphrase";
    ASSERT_TRUE(app_->Command(IDM_CHANGE_PASSPHRASE));
    ASSERT_TRUE(app_->AnswerPrompt("current-passphrase", kCurrentPassphraseCaption,
                                   test_support::Taro().passphrase));
    ASSERT_TRUE(app_->AnswerPrompt("new-passphrase", kNewPassphraseCaption, newPassphrase));
    ASSERT_TRUE(app_->AnswerPrompt("repeated-passphrase", kRepeatPassphraseCaption, newPassphrase));
    ASSERT_TRUE(app_->WaitForStatus(kPassphraseChanged));
    e2e::Screenshot("passphrase-changed");

    // A signature right away: made with the new passphrase, nothing asked.
    const std::string note = app_->PathOf("note.txt");
    test_support::WriteFile(note, "signed after the change\r\n");
    ASSERT_TRUE(app_->Command(IDM_SIGN_FILE));
    ASSERT_TRUE(app_->AnswerFileDialog("sign-input", kSignInputTitle, note));
    ASSERT_TRUE(app_->AnswerFileDialog("sign-output", kSignOutputTitle, ""));
    ASSERT_TRUE(app_->WaitForStatus(kSignDone));
    EXPECT_TRUE(Exists(note + ".sig"));

    // The next start asks for the new passphrase and accepts it.
    ASSERT_TRUE(app_->Exit());
    test_support::TestUser changed = test_support::Taro();
    changed.passphrase = newPassphrase;
    app_->ExpectUser(changed);
    ASSERT_TRUE(app_->Start());
    HWND prompt = app_->WaitForStartUpDialog();
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(e2e::TitleOf(prompt), app_->Text(kPassphrasePromptCaption));
    ASSERT_TRUE(app_->PassStartUp());
    e2e::Screenshot("restarted-with-the-new-passphrase");
}

}  // namespace
