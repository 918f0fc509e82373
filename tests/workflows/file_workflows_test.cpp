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
using Names = std::vector<std::optional<std::string>>;
using Filters = std::vector<std::pair<std::string, std::string>>;

const Filters kKeys = {{"gpg Files(*.gpg)", "*.gpg"}, {"All Files(*.*)", "*.*"}};
// Received key files may also come armored, as people on GnuPG 2 hand them out.
const Filters kReceivedKeys = {
    {"gpg Files(*.gpg)", "*.gpg"}, {"asc Files(*.asc)", "*.asc"}, {"All Files(*.*)", "*.*"}};
const Filters kSigs = {{"sig Files(*.sig)", "*.sig"}, {"All Files(*.*)", "*.*"}};
const Filters kAll = {{"All Files(*.*)", "*.*"}};
constexpr unsigned kExist = ui::kFileMustExist, kOverwrite = ui::kAskBeforeOverwrite;
constexpr unsigned kKeep = ui::kFileMustExist | ui::kKeepCurrentFolder;

using FileWorkflows = WorkflowTest;

// Every operation started from the menu, each on the files the one before
// made: its dialogs in order, each as the user sees it.
TEST_F(FileWorkflows, EachOperationAsksItsDialogsInOrderAndSucceeds) {
    std::string sealed = plain + ".gpg", opened = taro.folder.PathOf("opened.doc");
    std::string sig = plain + ".sig";
    struct Dialog {
        Kind kind;
        int titleId;
        const Filters& filters;
        std::string name;
        bool inPubkey;
        unsigned options;
    };
    const struct {
        Workflow workflow;
        Names answers;
        std::vector<Dialog> dialogs;
    } operations[] = {
        {EncryptWorkflow,
         {plain, taroKey, sealed},
         {{Kind::Open, 6, kAll, "", false, kExist},
          {Kind::Open, 7, kReceivedKeys, "", true, kKeep},
          {Kind::Save, 8, kAll, sealed, false, kOverwrite}}},
        {DecryptWorkflow,
         {sealed, taroKey, opened},
         {{Kind::Open, 3, kKeys, "", false, kExist},
          {Kind::Open, 2, kReceivedKeys, "", true, kKeep},
          {Kind::Save, 1, kAll, plain, false, kOverwrite}}},
        {SignWorkflow,
         {plain, sig},
         {{Kind::Open, 19, kAll, "", false, kExist},
          {Kind::Save, 20, kSigs, sig, false, kOverwrite}}},
        {VerifyWorkflow,
         {plain, sig, taroKey},
         {{Kind::Open, 23, kAll, "", false, kExist},
          {Kind::Open, 24, kSigs, sig, false, kExist},
          {Kind::Open, 27, kReceivedKeys, "", true, kExist}}},
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
            EXPECT_EQ(got.initialName, want.name);
            EXPECT_EQ(got.initialFolder.value_or(""), want.inPubkey ? pubkeyFolder : "");
            EXPECT_EQ(got.options, want.options);
        }
    }
    EXPECT_EQ(ReadFile(opened), ReadFile(plain));
}

// Output names proposed from the input: ".gpg" added or taken off, ".sig"
// added, and none that would not fit a 260-byte name.
TEST_F(FileWorkflows, CancelledDialogsAndProposedNames) {
    std::string a255(255, 'a'), a256(256, 'a');
    gAppState.work.decryptNoVerify = 1;
    const struct {
        Workflow workflow;
        const char* dropped;
        Names answers;
        std::string proposal;
    } cases[] = {
        {EncryptWorkflow, nullptr, {}, ""},
        {EncryptWorkflow, nullptr, {plain}, ""},
        {EncryptWorkflow, nullptr, {plain, hanakoKey}, plain + ".gpg"},
        {EncryptWorkflow, a255.c_str(), {hanakoKey}, a255 + ".gpg"},
        {EncryptWorkflow, a256.c_str(), {hanakoKey}, ""},
        {DecryptWorkflow, "ab.gpg", {}, "ab"},
        {DecryptWorkflow, "data.Gpg", {}, "data"},
        {DecryptWorkflow, "PLAN.GPG", {}, "PLAN"},
        {DecryptWorkflow, "a.gpg", {}, ""},
        {DecryptWorkflow, "archive.zip", {}, "archive.zip"},
        {SignWorkflow, nullptr, {a256}, ""},
        {VerifyWorkflow, nullptr, {a256}, ""},
    };
    for (const auto& c : cases) {
        fake_ui::Reset();
        ui.fileDialogAnswers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(c.workflow(MainWindow(), Context(), c.dropped), 1);
        EXPECT_EQ(ui.fileDialogs.size(), c.answers.size() + 1);
        EXPECT_EQ(ui.fileDialogs.back().initialName, c.proposal);
        EXPECT_FALSE(OperationRan());
    }
}

// Refusals before GnuPG runs: a key file without exactly one key (44), an
// output that is one of the program's own files however spelled (29), a
// dropped file that cannot be read (23, without a dialog).
TEST_F(FileWorkflows, RefusalsBeforeGnuPGRuns) {
    std::string twoKeys = taro.folder.PathOf("pubkey/both.gpg");
    std::string empty = taro.folder.PathOf("pubkey/empty.gpg");
    std::string settings = taro.folder.PathOf("conf/Quillet.ini");
    CopyFile(TwoKeysFile(), twoKeys);
    WriteFile(empty, "");
    WriteFile(settings, "[global]\n");
    std::string secret = ReadFile(taro.secretKeyring), pub = ReadFile(taro.publicKeyring);
    std::string missing = taro.folder.PathOf("gone.doc");
    const struct {
        Workflow workflow;
        std::string dropped;
        Names answers;
        ResultCode code;
    } cases[] = {
        {EncryptWorkflow, plain, {twoKeys, plain + ".gpg"}, 44},
        {EncryptWorkflow, plain, {empty, plain + ".gpg"}, 44},
        {EncryptWorkflow, plain, {hanakoKey, taro.folder.PathOf("conf/../conf/secring.gpg")}, 29},
        {DecryptWorkflow, plain, {taroKey, taro.folder.PathOf("conf/./pubring.gpg")}, 29},
        {SignWorkflow, plain, {settings}, 29},
        {SignWorkflow, plain, {taro.folder.PathOf("bin/gpg.exe")}, 29},
        {SignWorkflow, missing, {}, 23},
        {VerifyWorkflow, missing, {}, 23},
    };
    for (const auto& c : cases) {
        fake_ui::Reset();
        ui.fileDialogAnswers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(c.workflow(MainWindow(), Context(), c.dropped.c_str()), c.code) << c.code;
        EXPECT_EQ(ui.fileDialogs.size(), c.answers.size());
        EXPECT_FALSE(OperationRan());
    }
    EXPECT_TRUE(ReadFile(taro.secretKeyring) == secret && ReadFile(taro.publicKeyring) == pub);
    EXPECT_EQ(ReadFile(settings), "[global]\n");
    RemoveTree(taro.folder.PathOf("bin/gpg.exe"));  // the key listing cannot run
    Choose({hanakoKey, plain + ".gpg"});
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 44);
}

}  // namespace
