// The four file workflows through the scripted ui, with the real GnuPG.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "tests/workflows/workflow_fixture.h"
#include "workflows/decrypt_workflow.h"
#include "workflows/encrypt_workflow.h"
#include "workflows/sign_workflow.h"
#include "workflows/verify_workflow.h"

namespace {

using namespace test_support;
using Kind = ui::FileDialogKind;

using Filters = std::vector<std::pair<std::string, std::string>>;
const Filters kKeyFiles = {{"gpg Files(*.gpg)", "*.gpg"}, {"All Files(*.*)", "*.*"}};
const Filters kSignatureFiles = {{"sig Files(*.sig)", "*.sig"}, {"All Files(*.*)", "*.*"}};
const Filters kAllFiles = {{"All Files(*.*)", "*.*"}};

void ExpectDialog(std::size_t index, Kind kind, int titleId, const Filters& filters,
                  const std::string& initialName, const std::optional<std::string>& folder,
                  unsigned options) {
    ASSERT_LT(index, fake_ui::fileDialogs.size());
    const fake_ui::FileDialogCall& call = fake_ui::fileDialogs[index];
    EXPECT_EQ(call.kind, kind) << index;
    EXPECT_EQ(call.title, StringText(titleId)) << index;
    EXPECT_EQ(call.filters, filters) << index;
    EXPECT_EQ(call.initialName, initialName) << index;
    EXPECT_EQ(call.initialFolder, folder) << index;
    EXPECT_EQ(call.options, options) << index;
}

class FileWorkflows : public WorkflowTest {
protected:
    std::string plain = taro.folder.PathOf("report.doc");
    std::string sealed = taro.folder.PathOf("report.doc.gpg");
    std::string opened = taro.folder.PathOf("opened.doc");

    void SetUp() override {
        WorkflowTest::SetUp();
        WriteFile(plain, "the quarterly report\n");
    }

    void Answer(std::initializer_list<std::optional<std::string>> names) {
        fake_ui::fileDialogAnswers.assign(names.begin(), names.end());
    }
};

TEST_F(FileWorkflows, EncryptAsksForInputKeyFileAndOutputInThatOrder) {
    Answer({plain, hanakoKey, sealed});
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), nullptr), 0);
    ASSERT_EQ(fake_ui::fileDialogs.size(), 3u);
    ExpectDialog(0, Kind::Open, 6, kAllFiles, "", std::nullopt, ui::kFileMustExist);
    ExpectDialog(1, Kind::Open, 7, kKeyFiles, "", pubkeyFolder,
                 ui::kFileMustExist | ui::kKeepCurrentFolder);
    ExpectDialog(2, Kind::Save, 8, kAllFiles, plain + ".gpg", std::nullopt,
                 ui::kAskBeforeOverwrite);
    EXPECT_EQ(fake_ui::fileDialogs[0].owner, MainWindow());
    EXPECT_TRUE(Exists(sealed));
    EXPECT_FALSE(fake_ui::waitCursorShown);
}

// A dropped file skips the first dialog.
TEST_F(FileWorkflows, EncryptProposalsAtTheLengthLimit) {
    std::string name255(255, 'a');
    Answer({hanakoKey, std::nullopt});
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), name255.c_str()), 1);
    ASSERT_EQ(fake_ui::fileDialogs.size(), 2u);
    EXPECT_EQ(fake_ui::fileDialogs[0].title, StringText(7));
    EXPECT_EQ(fake_ui::fileDialogs[1].initialName, name255 + ".gpg");
    fake_ui::Reset();
    std::string name256(256, 'a');
    Answer({hanakoKey, std::nullopt});
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), name256.c_str()), 1);
    EXPECT_EQ(fake_ui::fileDialogs[1].initialName, "");
}

TEST_F(FileWorkflows, CancellingAnyDialogRunsNothing) {
    for (std::size_t cancelAt = 0; cancelAt < 3; ++cancelAt) {
        fake_ui::Reset();
        std::vector<std::optional<std::string>> answers = {plain, hanakoKey, sealed};
        answers[cancelAt] = std::nullopt;
        fake_ui::fileDialogAnswers.assign(answers.begin(), answers.end());
        EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), nullptr), 1);
        EXPECT_EQ(fake_ui::fileDialogs.size(), cancelAt + 1);
        EXPECT_FALSE(OperationRan());
        EXPECT_FALSE(Exists(sealed));
    }
}

TEST_F(FileWorkflows, KeyFilesThatDoNotHoldExactlyOneKeyGive44) {
    std::string twoKeys = taro.folder.PathOf("pubkey/both.gpg");
    CopyFile(TwoKeysFile(), twoKeys);
    std::string empty = taro.folder.PathOf("pubkey/empty.gpg");
    WriteFile(empty, "");
    for (const std::string& keyFile : {twoKeys, empty}) {
        fake_ui::Reset();
        Answer({keyFile, sealed});
        EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 44);
        EXPECT_FALSE(OperationRan());
    }
    // Also when GnuPG cannot be started at all.
    RemoveTree(taro.folder.PathOf("bin/gpg.exe"));
    Answer({hanakoKey, sealed});
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 44);
}

TEST_F(FileWorkflows, EncryptWithoutSigningCountsAsSuccess) {
    gAppState.work.encryptNoSign = 1;
    Answer({hanakoKey, sealed});
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 0);
    // A wrong cached passphrase still fails: GnuPG is given it all the same.
    gAppState.work.encryptNoSign = 0;
    std::strcpy(Keys()->passphrase, "not the passphrase");
    Answer({hanakoKey, sealed});
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 30);
}

TEST_F(FileWorkflows, OutputsThatAreTheProgramsOwnFilesAreRefused) {
    std::string secretBefore = ReadFile(taro.secretKeyring);
    std::string publicBefore = ReadFile(taro.publicKeyring);
    std::string settings = taro.folder.PathOf("conf/Quillet.ini");
    WriteFile(settings, "[global]\n");
    // The same files reached by another spelling of their paths.
    std::string secret = taro.folder.PathOf("conf/../conf/secring.gpg");
    std::string pub = taro.folder.PathOf("conf/./pubring.gpg");
    Answer({hanakoKey, secret});
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 29);
    Answer({std::string(sealed), pub});
    EXPECT_EQ(DecryptWorkflow(MainWindow(), Context(), sealed.c_str()), 29);
    Answer({settings});
    EXPECT_EQ(SignWorkflow(MainWindow(), Context(), plain.c_str()), 29);
    Answer({taro.folder.PathOf("bin/gpg.exe")});
    EXPECT_EQ(SignWorkflow(MainWindow(), Context(), plain.c_str()), 29);
    EXPECT_FALSE(OperationRan());
    EXPECT_EQ(ReadFile(taro.secretKeyring), secretBefore);
    EXPECT_EQ(ReadFile(taro.publicKeyring), publicBefore);
    EXPECT_EQ(ReadFile(settings), "[global]\n");
}

TEST_F(FileWorkflows, DecryptWithAndWithoutVerification) {
    // Taro encrypts to himself, signed and unsigned.
    std::string signedFile = taro.folder.PathOf("signed.gpg");
    std::string unsignedFile = taro.folder.PathOf("unsigned.gpg");
    Answer({taroKey, signedFile});
    ASSERT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 0);
    gAppState.work.encryptNoSign = 1;
    Answer({taroKey, unsignedFile});
    ASSERT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 0);

    fake_ui::Reset();
    Answer({signedFile, taroKey, opened});
    EXPECT_EQ(DecryptWorkflow(MainWindow(), Context(), nullptr), 0);
    ExpectDialog(0, Kind::Open, 3, kKeyFiles, "", std::nullopt, ui::kFileMustExist);
    ExpectDialog(1, Kind::Open, 2, kKeyFiles, "", pubkeyFolder,
                 ui::kFileMustExist | ui::kKeepCurrentFolder);
    ExpectDialog(2, Kind::Save, 1, kAllFiles, taro.folder.PathOf("signed"), std::nullopt,
                 ui::kAskBeforeOverwrite);
    EXPECT_EQ(ReadFile(opened), "the quarterly report\n");

    // Unsigned with a key file: decrypted all the same, but reported.
    RemoveTree(opened);
    Answer({taroKey, opened});
    EXPECT_EQ(DecryptWorkflow(MainWindow(), Context(), unsignedFile.c_str()), 48);
    EXPECT_TRUE(Exists(opened));

    // Without verification: no key file is asked for, and unsigned is fine.
    fake_ui::Reset();
    gAppState.work.decryptNoVerify = 1;
    RemoveTree(opened);
    Answer({opened});
    EXPECT_EQ(DecryptWorkflow(MainWindow(), Context(), unsignedFile.c_str()), 0);
    EXPECT_EQ(fake_ui::fileDialogs.size(), 1u);
    EXPECT_EQ(ReadFile(opened), "the quarterly report\n");
}

TEST_F(FileWorkflows, DecryptProposals) {
    gAppState.work.decryptNoVerify = 1;
    const std::pair<const char*, const char*> cases[] = {
        {"a.gpg", ""},
        {"ab.gpg", "ab"},
        {"data.Gpg", "data"},
        {"PLAN.GPG", "PLAN"},
        {"archive.zip", "archive.zip"},
        {"abcde", ""},
    };
    for (const auto& [input, proposal] : cases) {
        fake_ui::Reset();
        Answer({std::nullopt});
        EXPECT_EQ(DecryptWorkflow(MainWindow(), Context(), input), 1);
        EXPECT_EQ(fake_ui::fileDialogs.at(0).initialName, proposal) << input;
    }
}

TEST_F(FileWorkflows, SignAndVerify) {
    std::string signature = plain + ".sig";
    Answer({signature});
    EXPECT_EQ(SignWorkflow(MainWindow(), Context(), plain.c_str()), 0);
    ASSERT_EQ(fake_ui::fileDialogs.size(), 1u);
    ExpectDialog(0, Kind::Save, 20, kSignatureFiles, signature, std::nullopt,
                 ui::kAskBeforeOverwrite);

    fake_ui::Reset();
    Answer({plain, signature, taroKey});
    EXPECT_EQ(VerifyWorkflow(MainWindow(), Context(), nullptr), 0);
    ExpectDialog(0, Kind::Open, 23, kAllFiles, "", std::nullopt, ui::kFileMustExist);
    ExpectDialog(1, Kind::Open, 24, kSignatureFiles, signature, std::nullopt, ui::kFileMustExist);
    ExpectDialog(2, Kind::Open, 27, kKeyFiles, "", pubkeyFolder, ui::kFileMustExist);

    // The right signature against the wrong person's key file.
    Answer({signature, hanakoKey});
    EXPECT_EQ(VerifyWorkflow(MainWindow(), Context(), plain.c_str()), 35);
}

TEST_F(FileWorkflows, DroppedFileThatCannotBeReadGives23WithoutADialog) {
    std::string missing = taro.folder.PathOf("gone.doc");
    EXPECT_EQ(SignWorkflow(MainWindow(), Context(), missing.c_str()), 23);
    EXPECT_EQ(VerifyWorkflow(MainWindow(), Context(), missing.c_str()), 23);
#ifdef _WIN32
    // A file that another program holds open without sharing it.
    auto lock = HoldExclusively(plain);
    EXPECT_EQ(SignWorkflow(MainWindow(), Context(), plain.c_str()), 23);
    EXPECT_EQ(VerifyWorkflow(MainWindow(), Context(), plain.c_str()), 23);
#endif
    EXPECT_TRUE(fake_ui::fileDialogs.empty());
}

TEST_F(FileWorkflows, SignatureProposalsAtTheLengthLimit) {
    std::string name256(256, 'b');
    Answer({name256, std::nullopt});
    EXPECT_EQ(SignWorkflow(MainWindow(), Context(), nullptr), 1);
    EXPECT_EQ(fake_ui::fileDialogs.at(1).initialName, "");
    fake_ui::Reset();
    Answer({name256, std::nullopt});
    EXPECT_EQ(VerifyWorkflow(MainWindow(), Context(), nullptr), 1);
    EXPECT_EQ(fake_ui::fileDialogs.at(1).initialName, "");
}

}  // namespace
