// The four file workflows through the scripted ui, with the real GnuPG.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/workflows/workflow_fixture.h"
#include "workflows/decrypt_workflow.h"
#include "workflows/encrypt_workflow.h"
#include "workflows/sign_workflow.h"
#include "workflows/verify_workflow.h"

namespace {

using namespace test_support;
using Kind = ui::FileDialogKind;
using Workflow = ResultCode (*)(ui::Window, WorkContext*, const char*);

using Filters = std::vector<std::pair<std::string, std::string>>;
const Filters kKeyFiles = {{"gpg Files(*.gpg)", "*.gpg"}, {"All Files(*.*)", "*.*"}};
const Filters kSignatureFiles = {{"sig Files(*.sig)", "*.sig"}, {"All Files(*.*)", "*.*"}};
const Filters kAllFiles = {{"All Files(*.*)", "*.*"}};
constexpr unsigned kMustExist = ui::kFileMustExist;
constexpr unsigned kKeyFolder = ui::kFileMustExist | ui::kKeepCurrentFolder;
constexpr unsigned kOverwrite = ui::kAskBeforeOverwrite;

struct Dialog {
    Kind kind;
    int titleId;
    const Filters& filters;
    std::string initialName;
    bool inPubkeyFolder;
    unsigned options;
};

using FileWorkflows = WorkflowTest;

// Every operation started from the menu, one after the other on the files
// the previous one made: the dialogs in their order, each as the user sees it.
TEST_F(FileWorkflows, EachOperationAsksItsDialogsInOrderAndSucceeds) {
    std::string sealed = plain + ".gpg", opened = taro.folder.PathOf("opened.doc");
    std::string signature = plain + ".sig";
    const struct {
        Workflow workflow;
        std::vector<std::optional<std::string>> answers;
        std::vector<Dialog> dialogs;
    } operations[] = {
        {EncryptWorkflow,
         {plain, taroKey, sealed},
         {{Kind::Open, 6, kAllFiles, "", false, kMustExist},
          {Kind::Open, 7, kKeyFiles, "", true, kKeyFolder},
          {Kind::Save, 8, kAllFiles, plain + ".gpg", false, kOverwrite}}},
        {DecryptWorkflow,
         {sealed, taroKey, opened},
         {{Kind::Open, 3, kKeyFiles, "", false, kMustExist},
          {Kind::Open, 2, kKeyFiles, "", true, kKeyFolder},
          {Kind::Save, 1, kAllFiles, plain, false, kOverwrite}}},
        {SignWorkflow,
         {plain, signature},
         {{Kind::Open, 19, kAllFiles, "", false, kMustExist},
          {Kind::Save, 20, kSignatureFiles, signature, false, kOverwrite}}},
        {VerifyWorkflow,
         {plain, signature, taroKey},
         {{Kind::Open, 23, kAllFiles, "", false, kMustExist},
          {Kind::Open, 24, kSignatureFiles, signature, false, kMustExist},
          {Kind::Open, 27, kKeyFiles, "", true, kMustExist}}},
    };
    for (const auto& operation : operations) {
        fake_ui::Reset();
        ui.fileDialogAnswers.assign(operation.answers.begin(), operation.answers.end());
        EXPECT_EQ(operation.workflow(MainWindow(), Context(), nullptr), 0);
        ASSERT_EQ(ui.fileDialogs.size(), operation.dialogs.size());
        for (std::size_t i = 0; i < operation.dialogs.size(); ++i) {
            const Dialog& want = operation.dialogs[i];
            const fake_ui::FileDialogCall& got = ui.fileDialogs[i];
            SCOPED_TRACE(want.titleId);
            EXPECT_EQ(got.owner, MainWindow());
            EXPECT_EQ(got.kind, want.kind);
            EXPECT_EQ(got.title, StringText(want.titleId));
            EXPECT_EQ(got.filters, want.filters);
            EXPECT_EQ(got.initialName, want.initialName);
            EXPECT_EQ(got.initialFolder, want.inPubkeyFolder
                                             ? std::optional<std::string>(pubkeyFolder)
                                             : std::nullopt);
            EXPECT_EQ(got.options, want.options);
        }
        EXPECT_FALSE(ui.waitCursorShown);
    }
    EXPECT_EQ(ReadFile(opened), ReadFile(plain));
}

TEST_F(FileWorkflows, CancellingAnyDialogRunsNothing) {
    for (std::size_t cancelAt = 0; cancelAt < 3; ++cancelAt) {
        fake_ui::Reset();
        std::vector<std::optional<std::string>> answers = {plain, hanakoKey, plain + ".gpg"};
        answers[cancelAt] = std::nullopt;
        ui.fileDialogAnswers.assign(answers.begin(), answers.end());
        EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), nullptr), 1);
        EXPECT_EQ(ui.fileDialogs.size(), cancelAt + 1);
        EXPECT_FALSE(OperationRan());
    }
    EXPECT_FALSE(Exists(plain + ".gpg"));
}

// Output names proposed from the input: ".gpg" added or taken off, ".sig"
// added, and nothing proposed that would not fit a 260-byte name.
TEST_F(FileWorkflows, ProposedOutputNames) {
    gAppState.work.decryptNoVerify = 1;
    std::string long255(255, 'a'), long256(256, 'a');
    const struct {
        Workflow workflow;
        std::string input;
        std::string proposal;
    } cases[] = {
        {EncryptWorkflow, long255, long255 + ".gpg"},
        {EncryptWorkflow, long256, ""},
        {DecryptWorkflow, "ab.gpg", "ab"},
        {DecryptWorkflow, "data.Gpg", "data"},
        {DecryptWorkflow, "PLAN.GPG", "PLAN"},
        {DecryptWorkflow, "a.gpg", ""},
        {DecryptWorkflow, "archive.zip", "archive.zip"},
        {DecryptWorkflow, "abcde", ""},
    };
    for (const auto& c : cases) {
        fake_ui::Reset();
        Choose({hanakoKey, std::nullopt});
        if (c.workflow == DecryptWorkflow) {
            Choose({std::nullopt});
        }
        EXPECT_EQ(c.workflow(MainWindow(), Context(), c.input.c_str()), 1);
        EXPECT_EQ(ui.fileDialogs.back().initialName, c.proposal) << c.input;
    }
    for (Workflow workflow : {SignWorkflow, VerifyWorkflow}) {
        fake_ui::Reset();
        Choose({long256, std::nullopt});
        EXPECT_EQ(workflow(MainWindow(), Context(), nullptr), 1);
        EXPECT_EQ(ui.fileDialogs.at(1).initialName, "");
    }
}

TEST_F(FileWorkflows, KeyFilesThatDoNotHoldExactlyOneKeyGive44) {
    std::string twoKeys = taro.folder.PathOf("pubkey/both.gpg");
    std::string empty = taro.folder.PathOf("pubkey/empty.gpg");
    CopyFile(TwoKeysFile(), twoKeys);
    WriteFile(empty, "");
    for (const std::string& keyFile : {twoKeys, empty}) {
        Choose({keyFile, plain + ".gpg"});
        EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 44) << keyFile;
    }
    RemoveTree(taro.folder.PathOf("bin/gpg.exe"));  // nor when the listing cannot run
    Choose({hanakoKey, plain + ".gpg"});
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 44);
    EXPECT_FALSE(OperationRan());
}

// The setting and the cached passphrase decide what GnuPG does.
TEST_F(FileWorkflows, SettingsAndTheCachedPassphrase) {
    std::string unsignedFile = taro.folder.PathOf("unsigned.gpg");
    std::string opened = taro.folder.PathOf("opened.doc");
    gAppState.work.encryptNoSign = 1;
    Choose({taroKey, unsignedFile});
    ASSERT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 0);
    // Unsigned, checked against a key file: decrypted all the same, reported.
    Choose({taroKey, opened});
    EXPECT_EQ(DecryptWorkflow(MainWindow(), Context(), unsignedFile.c_str()), 48);
    EXPECT_EQ(ReadFile(opened), ReadFile(plain));
    // Without verification no key file is asked for, and unsigned is fine.
    fake_ui::Reset();
    gAppState.work.decryptNoVerify = 1;
    Choose({opened});
    EXPECT_EQ(DecryptWorkflow(MainWindow(), Context(), unsignedFile.c_str()), 0);
    EXPECT_EQ(ui.fileDialogs.size(), 1u);
    // Signing with a wrong cached passphrase fails.
    gAppState.work.encryptNoSign = 0;
    std::strcpy(Keys()->passphrase, "not the passphrase");
    Choose({hanakoKey, plain + ".gpg"});
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 30);
    // The right signature checked against the wrong person's key file.
    std::strcpy(Keys()->passphrase, taro.passphrase.c_str());
    Choose({plain + ".sig"});
    ASSERT_EQ(SignWorkflow(MainWindow(), Context(), plain.c_str()), 0);
    Choose({plain + ".sig", hanakoKey});
    EXPECT_EQ(VerifyWorkflow(MainWindow(), Context(), plain.c_str()), 35);
}

TEST_F(FileWorkflows, OutputsThatAreTheProgramsOwnFilesAreRefused) {
    std::string secretBefore = ReadFile(taro.secretKeyring);
    std::string publicBefore = ReadFile(taro.publicKeyring);
    std::string settings = taro.folder.PathOf("conf/Quillet.ini");
    WriteFile(settings, "[global]\n");
    // The same files reached by another spelling of their paths.
    Choose({hanakoKey, taro.folder.PathOf("conf/../conf/secring.gpg")});
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 29);
    Choose({taroKey, taro.folder.PathOf("conf/./pubring.gpg")});
    EXPECT_EQ(DecryptWorkflow(MainWindow(), Context(), plain.c_str()), 29);
    for (const std::string& own : {settings, taro.folder.PathOf("bin/gpg.exe")}) {
        Choose({own});
        EXPECT_EQ(SignWorkflow(MainWindow(), Context(), plain.c_str()), 29);
    }
    EXPECT_FALSE(OperationRan());
    EXPECT_EQ(ReadFile(taro.secretKeyring), secretBefore);
    EXPECT_EQ(ReadFile(taro.publicKeyring), publicBefore);
    EXPECT_EQ(ReadFile(settings), "[global]\n");
}

TEST_F(FileWorkflows, DroppedFileThatCannotBeReadGives23WithoutADialog) {
    std::string missing = taro.folder.PathOf("gone.doc");
    EXPECT_EQ(SignWorkflow(MainWindow(), Context(), missing.c_str()), 23);
    EXPECT_EQ(VerifyWorkflow(MainWindow(), Context(), missing.c_str()), 23);
#ifdef _WIN32
    // A file that another program holds open without sharing it.
    auto lock = HoldExclusively(plain);
    EXPECT_EQ(SignWorkflow(MainWindow(), Context(), plain.c_str()), 23);
#endif
    EXPECT_TRUE(ui.fileDialogs.empty());
}

}  // namespace
