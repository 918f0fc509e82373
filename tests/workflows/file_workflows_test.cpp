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

const Filters kReceivedKeys = {
    {"gpg Files(*.gpg)", "*.gpg"}, {"asc Files(*.asc)", "*.asc"}, {"All Files(*.*)", "*.*"}};
const Filters kSigs = {{"sig Files(*.sig)", "*.sig"}, {"All Files(*.*)", "*.*"}};
constexpr unsigned kExist = ui::kFileMustExist, kOverwrite = ui::kAskBeforeOverwrite;

using FileWorkflows = WorkflowTest;

// Every operation from the menu, each on the files the one before made:
// opens want an existing file, saves ask before overwriting, received key
// files may come armored, signatures are offered as .sig.
TEST_F(FileWorkflows, EveryOperationSucceedsAndItsDialogsAreSafe) {
    std::string sealed = plain + ".gpg", opened = taro.folder.PathOf("opened.doc");
    std::string sig = plain + ".sig";
    const char* p = plain.c_str();
    const std::pair<Workflow, Names> operations[] = {{EncryptWorkflow, {plain, taroKey, sealed}},
                                                     {DecryptWorkflow, {sealed, taroKey, opened}},
                                                     {SignWorkflow, {plain, sig}},
                                                     {VerifyWorkflow, {plain, sig, taroKey}}};
    for (const auto& [workflow, answers] : operations) {
        fake_ui::Reset();
        ui.fileDialogAnswers.assign(answers.begin(), answers.end());
        EXPECT_EQ(workflow(MainWindow(), Context(), nullptr), 0);
        ASSERT_EQ(ui.fileDialogs.size(), answers.size());
        for (std::size_t i = 0; i < answers.size(); ++i) {
            const fake_ui::FileDialogCall& call = ui.fileDialogs[i];
            SCOPED_TRACE(*answers[i]);
            EXPECT_EQ(call.owner, MainWindow());
            unsigned wanted = call.kind == Kind::Save ? kOverwrite : kExist;
            EXPECT_EQ(call.options & wanted, wanted);
            EXPECT_EQ(call.filters == kReceivedKeys, answers[i] == taroKey);
            EXPECT_EQ(call.filters == kSigs, answers[i] == sig);
        }
    }
    EXPECT_EQ(ReadFile(opened), ReadFile(plain));
    // Unsigned, unverified: GnuPG's 33 and 48 are what was asked for.
    gAppState.work.encryptNoSign = gAppState.work.decryptNoVerify = 1;
    ui.fileDialogAnswers = {taroKey, sealed, opened};
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), p), 0);
    EXPECT_EQ(DecryptWorkflow(MainWindow(), Context(), sealed.c_str()), 0);
}

// Cancels and refusals start no GnuPG operation. Proposed outputs: ".gpg"
// added or taken off, none that would not fit 260 bytes. Refused: a key file
// without exactly one key (44), an output that is one of the program's own
// files however spelled (29), an unreadable dropped file (23, no dialog).
TEST_F(FileWorkflows, CancelsAndRefusalsRunNothing) {
    std::string a255(255, 'a'), a256(256, 'a'), missing = taro.folder.PathOf("gone.doc");
    std::string twoKeys = taro.folder.PathOf("pubkey/both.gpg");
    std::string empty = taro.folder.PathOf("pubkey/empty.gpg");
    std::string settings = taro.folder.PathOf("conf/Quillet.ini");
    CopyFile(TwoKeysFile(), twoKeys);
    WriteFile(empty, "");
    WriteFile(settings, "[global]\n");
    std::string secret = ReadFile(taro.secretKeyring), pub = ReadFile(taro.publicKeyring);
    gAppState.work.decryptNoVerify = 1;
    const char* p = plain.c_str();
    const struct {
        Workflow workflow;
        const char* dropped;
        Names answers;  // with 1, the next dialog is cancelled
        ResultCode code;
        std::string proposal = "";  // of the cancelled dialog
    } cases[] = {
        {EncryptWorkflow, nullptr, {}, 1, ""},
        {EncryptWorkflow, nullptr, {plain}, 1, ""},
        {EncryptWorkflow, nullptr, {plain, hanakoKey}, 1, plain + ".gpg"},
        {EncryptWorkflow, a255.c_str(), {hanakoKey}, 1, a255 + ".gpg"},
        {EncryptWorkflow, a256.c_str(), {hanakoKey}, 1, ""},
        {DecryptWorkflow, "data.Gpg", {}, 1, "data"},
        {DecryptWorkflow, "a.gpg", {}, 1, ""},
        {DecryptWorkflow, "archive.zip", {}, 1, "archive.zip"},
        {SignWorkflow, nullptr, {a256}, 1, ""},
        {VerifyWorkflow, nullptr, {a256}, 1, ""},
        {EncryptWorkflow, p, {twoKeys, plain + ".gpg"}, 44},
        {EncryptWorkflow, p, {empty, plain + ".gpg"}, 44},
        {EncryptWorkflow, p, {hanakoKey, taro.folder.PathOf("conf/../conf/secring.gpg")}, 29},
        {DecryptWorkflow, p, {taro.folder.PathOf("conf/./pubring.gpg")}, 29},
        {SignWorkflow, p, {settings}, 29},
        {SignWorkflow, p, {taro.folder.PathOf("bin/gpg.exe")}, 29},
        {SignWorkflow, missing.c_str(), {}, 23},
        {VerifyWorkflow, missing.c_str(), {}, 23},
    };
    for (const auto& c : cases) {
        fake_ui::Reset();
        ui.fileDialogAnswers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(c.workflow(MainWindow(), Context(), c.dropped), c.code) << c.proposal;
        ASSERT_EQ(ui.fileDialogs.size(), c.answers.size() + (c.code == 1));
        EXPECT_TRUE(c.code != 1 || ui.fileDialogs.back().initialName == c.proposal) << c.proposal;
        EXPECT_FALSE(OperationRan());
    }
    EXPECT_TRUE(ReadFile(taro.secretKeyring) == secret && ReadFile(taro.publicKeyring) == pub);
    EXPECT_EQ(ReadFile(settings), "[global]\n");
    RemoveTree(taro.folder.PathOf("bin/gpg.exe"));  // the key listing cannot run
    ui.fileDialogAnswers = {hanakoKey, plain + ".gpg"};
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 44);
}

}  // namespace
