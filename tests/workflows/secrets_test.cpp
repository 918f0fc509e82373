// After a run through the workflows with the real GnuPG no passphrase may
// stand in a file of the program folder, in the temporary folder or on a
// command line, and the cached slot keeps nothing of a longer one before.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "shell/startup_checks.h"
#include "tests/workflows/workflow_fixture.h"
#include "workflows/decrypt_workflow.h"
#include "workflows/encrypt_workflow.h"
#include "workflows/passphrase_change_workflow.h"
#include "workflows/sign_workflow.h"

namespace {

using namespace test_support;

// Every file below `folder` (with its trailing separator), at any depth.
void CollectFiles(const std::string& folder, std::vector<std::string>* files) {
    for (const std::string& name : ListFolder(folder)) {
        std::string path = folder + name;
        if (platform::LookUpPath(path.c_str()) == platform::PathKind::Folder) {
            CollectFiles(path + platform::kPathSeparator, files);
        } else {
            files->push_back(path);
        }
    }
}

class Secrets : public WorkflowTest {
protected:
    ProgramFolder temp;  // the temporary folder of the program and GnuPG

    void SetUp() override {
        WorkflowTest::SetUp();
        taro.folder.Activate();
        SetTempFolder(temp.Folder());
    }
    void TearDown() override { SetTempFolder(""); }
    void ExpectSlotHoldsOnly(const std::string& passphrase) {
        std::string expected = passphrase;
        expected.resize(sizeof Keys()->passphrase, '\0');
        EXPECT_EQ(std::string(Keys()->passphrase, sizeof Keys()->passphrase), expected);
    }
};

TEST_F(Secrets, NoPassphraseReachesAFileATemporaryFileOrACommandLine) {
    // A wrapper that records the command lines runs the real GnuPG.
    std::string real = taro.folder.PathOf("bin/real-gpg.exe");
    CopyFile(taro.folder.PathOf("bin/gpg.exe"), real);
    MakeExecutable(real);
    taro.folder.InstallFakeGpg("exec " + real + "\n");
    // Unique passphrases: the longest the start-up prompt takes, a shorter one.
    std::random_device random;
    std::string first = "pp-" + std::to_string(random()) + std::to_string(random());
    first.resize(255, 'w');
    const std::string second = "pp-" + std::to_string(random()) + std::to_string(random());

    ui.promptAnswers = {taro.passphrase, first, first};
    ASSERT_EQ(PassphraseChangeWorkflow(MainWindow(), Keys()), 0);
    ExpectSlotHoldsOnly(first);
    ui.promptAnswers = {first};
    ASSERT_EQ(CheckStartupPassphrase(MainWindow(), Keys()), 0);
    ui.fileDialogAnswers = {taroKey, plain + ".gpg"};
    ASSERT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 0);
    ui.fileDialogAnswers = {taroKey, taro.folder.PathOf("opened.doc")};
    ASSERT_EQ(DecryptWorkflow(MainWindow(), Context(), (plain + ".gpg").c_str()), 0);
    ui.fileDialogAnswers = {plain + ".sig"};
    ASSERT_EQ(SignWorkflow(MainWindow(), Context(), plain.c_str()), 0);
    ui.promptAnswers = {first, second, second};
    ASSERT_EQ(PassphraseChangeWorkflow(MainWindow(), Keys()), 0);
    ExpectSlotHoldsOnly(second);
    ui.fileDialogAnswers = {plain + ".2.sig"};
    ASSERT_EQ(SignWorkflow(MainWindow(), Context(), plain.c_str()), 0);

    std::string commandLines = taro.folder.FakeArguments();
    EXPECT_NE(commandLines.find("--edit-key"), std::string::npos);
    EXPECT_NE(commandLines.find("--passphrase-fd=0"), std::string::npos);
    std::vector<std::string> files, leftInTemp;
    CollectFiles(temp.PathOf(""), &leftInTemp);
    EXPECT_TRUE(leftInTemp.empty()) << leftInTemp.front();
    CollectFiles(taro.folder.Folder(), &files);
    ASSERT_GT(files.size(), 10u);
    for (const std::string& file : files) {
        std::string content = ReadFile(file);
        for (const std::string& secret : {taro.passphrase, first, second}) {
            EXPECT_EQ(content.find(secret), std::string::npos) << secret << " in " << file;
        }
    }
}

}  // namespace
