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
using Texts = std::vector<std::string>;

class StartUp : public ::testing::Test {
protected:
    ProgramFolder temp;  // the system's temporary folder for this test
    ProgramFolder folder;
    fake_ui::State& ui = fake_ui::state;
    int window = 0;

    void SetUp() override {
        folder.InstallRealGpg();
        fake_ui::Reset();
        gAppState = AppState{};
        SetTempFolder(temp.Folder());
    }
    void TearDown() override { SetTempFolder(""); }
    // Key rings in conf/ as after an earlier start: Taro's, or other ones.
    void Install(const std::string& secring = ReadFile(CacheFolder(Taro()) + "secring.gpg")) {
        MakeFolderAt(folder.PathOf("conf"));
        WriteFile(folder.PathOf("conf/secring.gpg"), secring);
        CopyFile(CacheFolder(Taro()) + "pubring.gpg", folder.PathOf("conf/pubring.gpg"));
    }
    // Runs the checks and returns the messages shown, all without an owner.
    // No trial signature file may stay behind, whatever the result.
    Texts Run(bool expected) {
        EXPECT_EQ(RunStartupChecks(&window), expected);
        Texts texts;
        for (const auto& box : ui.messageBoxes) {
            texts.push_back(box.text);
            EXPECT_EQ(box.owner, nullptr);
        }
        EXPECT_EQ(ListFolder(temp.Folder()), Texts{"bin"});
        return texts;
    }
    std::string Title() { return ui.windowTitles[&window]; }
};

TEST_F(StartUp, KeyPathsComeFromTheProgramFolderOrAreRefusedWhenTooDeep) {
    KeyPaths keys{};
    ASSERT_EQ(ComputeKeyPaths(&keys), 0);
    EXPECT_EQ(keys.homeDir, folder.PathOf("conf"));
    EXPECT_EQ(keys.secretKeyring, folder.PathOf("conf/secring.gpg"));
    EXPECT_EQ(keys.publicKeyring, folder.PathOf("conf/pubring.gpg"));
    std::string deep = folder.Folder() + std::string(244 - folder.Folder().size(), 'd');
    platform::OverrideProgramPath((deep + platform::kPathSeparator + "Q.exe").c_str());
    EXPECT_EQ(Run(false), Texts{ResultMessage(39)});
}

TEST_F(StartUp, FirstStartMakesTheFoldersAndOpensTheKeySetup) {
    EXPECT_EQ(Run(false), Texts{});  // the setup form is cancelled: silent
    EXPECT_EQ(platform::LookUpPath(folder.PathOf("conf").c_str()), platform::PathKind::Folder);
    EXPECT_EQ(platform::LookUpPath(folder.PathOf("pubkey").c_str()), platform::PathKind::Folder);
    EXPECT_EQ(ui.events, (Texts{"show window", "key setup"}));
    // The form makes the key pair (here: puts Taro's rings in place).
    fake_ui::Reset();
    ui.keySetupDialog = [&](ui::Window owner, KeyPaths* keys) {
        EXPECT_EQ(owner, &window);
        Install();
        std::strcpy(keys->passphrase, "password1");
        return 0;
    };
    EXPECT_EQ(Run(true), Texts{});
    EXPECT_TRUE(ui.prompts.empty());  // no passphrase prompt after the setup
    EXPECT_EQ(Title(), "Quillet - " + UserIdOf(Taro()));
    EXPECT_STREQ(gAppState.work.keyPaths.passphrase, "password1");
}

TEST_F(StartUp, FolderStatesThatEndOrDivertTheStart) {
    MakeFolderAt(folder.PathOf("conf"));  // a public ring only: a first start
    WriteFile(folder.PathOf("conf/pubring.gpg"), "");
    Run(false);
    EXPECT_EQ(ui.events.back(), "key setup");
    RemoveTree(folder.PathOf("conf"));
    WriteFile(folder.PathOf("conf"), "not a folder");
    fake_ui::Reset();
    EXPECT_EQ(Run(false), Texts{ResultMessage(19)});
    RemoveTree(folder.PathOf("conf"));  // at a first start, a file named pubkey
    RemoveTree(folder.PathOf("pubkey"));
    WriteFile(folder.PathOf("pubkey"), "not a folder");
    fake_ui::Reset();
    EXPECT_EQ(Run(false), Texts{ResultMessage(39)});
}

TEST_F(StartUp, NormalStartChecksThePassphraseWithATrialSignature) {
    Install();
    WriteFile(folder.PathOf("conf/Quillet.ini"), "[global]\nencrypt_no_sign=1\n");
    ui.promptAnswers = {"password1"};
    EXPECT_EQ(Run(true), Texts{});
    ASSERT_EQ(ui.prompts.size(), 1u);
    EXPECT_EQ(ui.prompts[0].maxLength, 256);
    EXPECT_EQ(ui.prompts[0].caption, StringText(21));
    EXPECT_EQ(ui.prompts[0].prompt, StringText(22));
    EXPECT_EQ(Title(), "Quillet - " + UserIdOf(Taro()));
    // The settings are read last and the menu follows them.
    EXPECT_EQ(gAppState.work.encryptNoSign, 1);
    EXPECT_TRUE((ui.menuChecks[{&window, 40014u}]));
    EXPECT_FALSE((ui.menuChecks[{&window, 40013u}]));
}

TEST_F(StartUp, FailuresAfterThePromptEndTheStart) {
    const std::string taro = ReadFile(CacheFolder(Taro()) + "secring.gpg");
    const std::string both = taro + ReadFile(CacheFolder(Hanako()) + "secring.gpg");
    const struct {
        const std::string& secring;
        std::optional<std::string> typed;
        std::string settings;
        Texts shown;
    } cases[] = {
        {taro, "not my passphrase", "", {ResultMessage(30)}},
        {taro, std::nullopt, "", {}},                         // cancelled: silent
        {taro, std::string(256, 'p'), "", {StringText(57)}},  // the prompt refuses it
        {both, "password1", "", {ResultMessage(51)}},
        {taro, "password1", std::string(4095, '\n'), {ResultMessage(51)}},
    };
    for (const auto& c : cases) {
        fake_ui::Reset();
        Install(c.secring);
        WriteFile(folder.PathOf("conf/Quillet.ini"), c.settings);
        ui.promptAnswers = {c.typed};
        EXPECT_EQ(Run(false), c.shown);
    }
}

}  // namespace
