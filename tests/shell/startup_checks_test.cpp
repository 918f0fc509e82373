// The start-up sequence through the scripted ui, with the real GnuPG.
#include "shell/startup_checks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "shell/app_state.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_keys.h"

namespace {

using namespace test_support;

class StartUp : public ::testing::Test {
protected:
    ProgramFolder folder;
    ProgramFolder temp;  // the system's temporary folder for this test
    int windowTag = 0;

    void SetUp() override {
        folder.Activate();
        folder.InstallRealGpg();
        fake_ui::Reset();
        gAppState = AppState{};
        gAppState.mainWindow = &windowTag;
        SetTempFolder(temp.Folder());
    }
    void TearDown() override { SetTempFolder(""); }

    // Taro's key rings in conf/, as after an earlier start.
    void InstallTaro() {
        MakeFolderAt(folder.PathOf("conf"));
        CopyFile(CacheFolder(Taro()) + "secring.gpg", folder.PathOf("conf/secring.gpg"));
        CopyFile(CacheFolder(Taro()) + "pubring.gpg", folder.PathOf("conf/pubring.gpg"));
    }
    bool Run() { return RunStartupChecks(&windowTag); }
    // Trial signature files left in the temporary folder.
    std::vector<std::string> TrialFiles() const {
        std::vector<std::string> found;
        for (const std::string& name : ListFolder(temp.Folder())) {
            if (name.rfind("gpg", 0) == 0) {
                found.push_back(name);
            }
        }
        return found;
    }
    std::string Title() { return fake_ui::windowTitles[&windowTag]; }
    std::vector<std::string> MessagesShown() const {
        std::vector<std::string> texts;
        for (const auto& box : fake_ui::messageBoxes) {
            texts.push_back(box.text);
            EXPECT_EQ(box.owner, nullptr);
        }
        return texts;
    }
};

TEST_F(StartUp, KeyPathsComeFromTheProgramFolder) {
    KeyPaths keys{};
    ASSERT_EQ(ComputeKeyPaths(&keys), 0);
    EXPECT_EQ(std::string(keys.homeDir), folder.PathOf("conf"));
    EXPECT_EQ(std::string(keys.secretKeyring), folder.PathOf("conf/secring.gpg"));
    EXPECT_EQ(std::string(keys.publicKeyring), folder.PathOf("conf/pubring.gpg"));
}

TEST_F(StartUp, ProgramFolderTooDeepForTheKeyPathsIsReportedNotCut) {
    std::string deep = folder.Folder() + std::string(244 - folder.Folder().size(), 'd');
    deep.push_back(platform::kPathSeparator);
    platform::OverrideProgramPath((deep + "Q.exe").c_str());
    EXPECT_FALSE(Run());
    EXPECT_EQ(MessagesShown(), std::vector<std::string>{ResultMessage(39)});
}

TEST_F(StartUp, FirstStartMakesTheFoldersAndOpensTheKeySetup) {
    EXPECT_FALSE(Run());  // the setup form is cancelled: no message
    EXPECT_TRUE(fake_ui::messageBoxes.empty());
    EXPECT_EQ(platform::LookUpPath(folder.PathOf("conf").c_str()), platform::PathKind::Folder);
    EXPECT_EQ(platform::LookUpPath(folder.PathOf("pubkey").c_str()), platform::PathKind::Folder);
    EXPECT_EQ(fake_ui::events, (std::vector<std::string>{"show window", "key setup"}));
    EXPECT_TRUE(Title().empty());

    // The form makes the key pair (here: puts Taro's rings in place).
    fake_ui::Reset();
    fake_ui::keySetupDialog = [&](ui::Window owner, KeyPaths* keys) {
        EXPECT_EQ(owner, &windowTag);
        InstallTaro();
        std::strcpy(keys->passphrase, "password1");
        return 0;
    };
    EXPECT_TRUE(Run());
    EXPECT_TRUE(fake_ui::prompts.empty());  // no passphrase prompt after the setup
    EXPECT_EQ(Title(), "Quillet - " + UserIdOf(Taro()));
    EXPECT_STREQ(gAppState.work.keyPaths.passphrase, "password1");
}

TEST_F(StartUp, PublicRingWithoutSecretRingIsAFirstStart) {
    MakeFolderAt(folder.PathOf("conf"));
    WriteFile(folder.PathOf("conf/pubring.gpg"), "");
    EXPECT_FALSE(Run());
    EXPECT_EQ(fake_ui::events.back(), "key setup");
}

TEST_F(StartUp, ConfTakenByAFile) {
    WriteFile(folder.PathOf("conf"), "not a folder");
    EXPECT_FALSE(Run());
    EXPECT_EQ(MessagesShown(), std::vector<std::string>{ResultMessage(19)});
    // At a first start a file named pubkey breaks the installation.
    RemoveTree(folder.PathOf("conf"));
    WriteFile(folder.PathOf("pubkey"), "not a folder");
    fake_ui::Reset();
    EXPECT_FALSE(Run());
    EXPECT_EQ(MessagesShown(), std::vector<std::string>{ResultMessage(39)});
}

TEST_F(StartUp, NormalStartChecksThePassphraseWithATrialSignature) {
    InstallTaro();
    fake_ui::promptAnswers = {"password1"};
    EXPECT_TRUE(Run());
    ASSERT_EQ(fake_ui::prompts.size(), 1u);
    EXPECT_EQ(fake_ui::prompts[0].maxLength, 256);
    EXPECT_EQ(fake_ui::prompts[0].caption, StringText(21));
    EXPECT_EQ(fake_ui::prompts[0].prompt, StringText(22));
    EXPECT_EQ(Title(), "Quillet - " + UserIdOf(Taro()));
    EXPECT_TRUE(TrialFiles().empty()) << "the trial signature file is gone";
    EXPECT_FALSE((fake_ui::menuChecks[{&windowTag, 40014u}]));
}

TEST_F(StartUp, WrongOrCancelledPassphraseEndsTheStart) {
    InstallTaro();
    fake_ui::promptAnswers = {"not my passphrase"};
    EXPECT_FALSE(Run());
    EXPECT_EQ(MessagesShown(), std::vector<std::string>{ResultMessage(30)});
    EXPECT_TRUE(TrialFiles().empty());

    fake_ui::Reset();
    EXPECT_FALSE(Run());  // cancelled: silent
    EXPECT_TRUE(fake_ui::messageBoxes.empty());
    EXPECT_TRUE(TrialFiles().empty());
    EXPECT_TRUE(Title().empty());
}

TEST_F(StartUp, SecretRingWithoutOrWithTwoKeysEndsWith51) {
    MakeFolderAt(folder.PathOf("conf"));
    WriteFile(folder.PathOf("conf/secring.gpg"),
              ReadFile(CacheFolder(Taro()) + "secring.gpg") +
                  ReadFile(CacheFolder(Hanako()) + "secring.gpg"));
    CopyFile(CacheFolder(Taro()) + "pubring.gpg", folder.PathOf("conf/pubring.gpg"));
    fake_ui::promptAnswers = {"password1"};
    EXPECT_FALSE(Run());
    EXPECT_EQ(MessagesShown(), std::vector<std::string>{ResultMessage(51)});
}

TEST_F(StartUp, SettingsAreReadLast) {
    InstallTaro();
    WriteFile(folder.PathOf("conf/Quillet.ini"),
              "[global]\nencrypt_no_sign=1\ndecrypt_no_verify=0\n");
    fake_ui::promptAnswers = {"password1"};
    EXPECT_TRUE(Run());
    EXPECT_EQ(gAppState.work.encryptNoSign, 1);
    EXPECT_TRUE((fake_ui::menuChecks[{&windowTag, 40014u}]));

    WriteFile(folder.PathOf("conf/Quillet.ini"), std::string(4095, '\n'));
    fake_ui::Reset();
    fake_ui::promptAnswers = {"password1"};
    EXPECT_FALSE(Run());
    EXPECT_EQ(MessagesShown(), std::vector<std::string>{ResultMessage(51)});
}

}  // namespace
