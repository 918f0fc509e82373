// Where the passphrase goes: a whole run through the workflows with the real
// GnuPG (start-up check, encryption, decryption, signing, two passphrase
// changes) with passphrases that exist nowhere else, after which no byte of
// them may stand in any file of the program folder, in the temporary folder
// or on any command line GnuPG was given. And the slot that caches the
// passphrase for the run keeps nothing of one it held before.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "resources/resource.h"
#include "shell/startup_checks.h"
#include "tests/workflows/workflow_fixture.h"
#include "workflows/decrypt_workflow.h"
#include "workflows/encrypt_workflow.h"
#include "workflows/key_setup_form.h"
#include "workflows/passphrase_change_workflow.h"
#include "workflows/sign_workflow.h"

namespace {

using namespace test_support;

// A passphrase made for this run only.
std::string FreshPassphrase(const char* label) {
    std::random_device random;
    std::string text = std::string("pp-") + label + "-";
    for (int i = 0; i < 4; ++i) {
        text += std::to_string(random());
    }
    return text;
}

// Every file below `folder`, at any depth.
void CollectFiles(const std::string& folder, std::vector<std::string>* files) {
    for (const std::string& name : ListFolder(folder)) {
        std::string path = folder;
        if (path.back() != platform::kPathSeparator) {
            path.push_back(platform::kPathSeparator);
        }
        path += name;
        if (platform::LookUpPath(path.c_str()) == platform::PathKind::Folder) {
            CollectFiles(path, files);
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

    // The cached slot holds exactly `passphrase`, then nothing but zeros.
    void ExpectSlotHoldsOnly(const std::string& passphrase) {
        std::string slot(Keys()->passphrase, sizeof Keys()->passphrase);
        std::string expected = passphrase;
        expected.resize(slot.size(), '\0');
        EXPECT_EQ(slot, expected);
    }
};

TEST_F(Secrets, NoPassphraseReachesAFileATemporaryFileOrACommandLine) {
    // GnuPG in bin/ becomes a wrapper that records its command lines and
    // runs the real one in its place.
    std::string real = taro.folder.PathOf("bin/real-gpg.exe");
    CopyFile(taro.folder.PathOf("bin/gpg.exe"), real);
    MakeExecutable(real);
    taro.folder.InstallFakeGpg("exec " + real + "\n");
    const std::string first = FreshPassphrase("a-rather-long-passphrase-of-many-words");
    const std::string second = FreshPassphrase("2");
    const std::string original = taro.passphrase;

    Type({original, first, first});
    ASSERT_EQ(PassphraseChangeWorkflow(MainWindow(), Keys()), 0);
    ExpectSlotHoldsOnly(first);
    // A start: the passphrase is typed and tried with a trial signature.
    Type({first});
    ASSERT_EQ(CheckStartupPassphrase(MainWindow(), Keys()), 0);
    // Encrypt to oneself (signed), decrypt, sign.
    std::string sealed = plain + ".gpg";
    std::string opened = taro.folder.PathOf("opened.doc");
    Choose({taroKey, sealed});
    ASSERT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 0);
    Choose({taroKey, opened});
    ASSERT_EQ(DecryptWorkflow(MainWindow(), Context(), sealed.c_str()), 0);
    Choose({plain + ".sig"});
    ASSERT_EQ(SignWorkflow(MainWindow(), Context(), plain.c_str()), 0);
    // A change to a shorter passphrase, which then signs.
    Type({first, second, second});
    ASSERT_EQ(PassphraseChangeWorkflow(MainWindow(), Keys()), 0);
    ExpectSlotHoldsOnly(second);
    Choose({plain + ".2.sig"});
    ASSERT_EQ(SignWorkflow(MainWindow(), Context(), plain.c_str()), 0);

    std::string commandLines = taro.folder.FakeArguments();
    EXPECT_NE(commandLines.find("--edit-key"), std::string::npos);
    EXPECT_NE(commandLines.find("--passphrase-fd=0"), std::string::npos);
    std::vector<std::string> files, leftInTemp;
    CollectFiles(temp.Folder(), &leftInTemp);
    EXPECT_TRUE(leftInTemp.empty()) << leftInTemp.front();
    CollectFiles(taro.folder.Folder(), &files);
    ASSERT_GT(files.size(), 10u);
    for (const std::string& file : files) {
        std::string content = ReadFile(file);
        for (const std::string& secret : {original, first, second}) {
            EXPECT_EQ(content.find(secret), std::string::npos) << secret << " in " << file;
        }
    }
}

// The key setup form caches what was typed before generating the key; a
// second try with a shorter passphrase replaces all of the first.
TEST_F(Secrets, KeySetupFormCachesOnlyTheLatestPassphrase) {
    int form = 0;
    for (const std::string& passphrase :
         {FreshPassphrase("first-try-a-long-one"), std::string("shorter1")}) {
        ui.dialogItemTexts = {{IDC_SETUP_USER_NAME, "Tar"},  // too short: no key is made
                              {IDC_SETUP_EMAIL, "taro@example.com"},
                              {IDC_SETUP_PASSPHRASE, passphrase},
                              {IDC_SETUP_PASSPHRASE_AGAIN, passphrase}};
        EXPECT_EQ(CreateKeyFromForm(&form, Keys()), 11);
        ExpectSlotHoldsOnly(passphrase);
    }
}

}  // namespace
