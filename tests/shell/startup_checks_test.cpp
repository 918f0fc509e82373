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
    ProgramFolder temp;  // the system's temporary folder for this test
    ProgramFolder folder;
    fake_ui::State& ui = fake_ui::state;
    int windowTag = 0;

    void SetUp() override {
        folder.InstallRealGpg();
        fake_ui::Reset();
        gAppState = AppState{};
        SetTempFolder(temp.Folder());
    }
    void TearDown() override { SetTempFolder(""); }

    // A user's key rings in conf/, as after an earlier start.
    void Install(const std::string& secring) {
        MakeFolderAt(folder.PathOf("conf"));
        WriteFile(folder.PathOf("conf/secring.gpg"), secring);
        CopyFile(CacheFolder(Taro()) + "pubring.gpg", folder.PathOf("conf/pubring.gpg"));
    }
    static std::string TaroSecring() { return ReadFile(CacheFolder(Taro()) + "secring.gpg"); }
    // Runs the checks; the messages shown, all without an owner.
    std::vector<std::string> Run(bool expected) {
        EXPECT_EQ(RunStartupChecks(&windowTag), expected);
        std::vector<std::string> texts;
        for (const auto& box : ui.messageBoxes) {
            texts.push_back(box.text);
            EXPECT_EQ(box.owner, nullptr);
        }
        // No trial signature file stays, whatever the result.
        EXPECT_TRUE(ListFolder(temp.Folder()) == std::vector<std::string>{"bin"});
        return texts;
    }
    std::string Title() { return ui.windowTitles[&windowTag]; }
};
using Messages = std::vector<std::string>;

TEST_F(StartUp, KeyPathsComeFromTheProgramFolderOrAreRefusedWhenTooDeep) {
    KeyPaths keys{};
    ASSERT_EQ(ComputeKeyPaths(&keys), 0);
    EXPECT_EQ(std::string(keys.homeDir), folder.PathOf("conf"));
    EXPECT_EQ(std::string(keys.secretKeyring), folder.PathOf("conf/secring.gpg"));
    EXPECT_EQ(std::string(keys.publicKeyring), folder.PathOf("conf/pubring.gpg"));
    std::string deep = folder.Folder() + std::string(244 - folder.Folder().size(), 'd');
    platform::OverrideProgramPath((deep + platform::kPathSeparator + "Q.exe").c_str());
    EXPECT_EQ(Run(false), Messages{ResultMessage(39)});
}

TEST_F(StartUp, FirstStartMakesTheFoldersAndOpensTheKeySetup) {
    EXPECT_EQ(Run(false), Messages{});  // the setup form is cancelled: silent
    EXPECT_EQ(platform::LookUpPath(folder.PathOf("conf").c_str()), platform::PathKind::Folder);
    EXPECT_EQ(platform::LookUpPath(folder.PathOf("pubkey").c_str()), platform::PathKind::Folder);
    EXPECT_EQ(ui.events, (std::vector<std::string>{"show window", "key setup"}));
    EXPECT_TRUE(Title().empty());

    // The form makes the key pair (here: puts Taro's rings in place).
    fake_ui::Reset();
    ui.keySetupDialog = [&](ui::Window owner, KeyPaths* keys) {
        EXPECT_EQ(owner, &windowTag);
        Install(TaroSecring());
        std::strcpy(keys->passphrase, "password1");
        return 0;
    };
    EXPECT_EQ(Run(true), Messages{});
    EXPECT_TRUE(ui.prompts.empty());  // no passphrase prompt after the setup
    EXPECT_EQ(Title(), "Quillet - " + UserIdOf(Taro()));
    EXPECT_STREQ(gAppState.work.keyPaths.passphrase, "password1");
}

TEST_F(StartUp, FolderStatesThatEndOrDivertTheStart) {
    // A public key ring without a secret one is a first start.
    MakeFolderAt(folder.PathOf("conf"));
    WriteFile(folder.PathOf("conf/pubring.gpg"), "");
    Run(false);
    EXPECT_EQ(ui.events.back(), "key setup");
    // A file named conf; at a first start a file named pubkey.
    RemoveTree(folder.PathOf("conf"));
    WriteFile(folder.PathOf("conf"), "not a folder");
    fake_ui::Reset();
    EXPECT_EQ(Run(false), Messages{ResultMessage(19)});
    RemoveTree(folder.PathOf("conf"));
    RemoveTree(folder.PathOf("pubkey"));
    WriteFile(folder.PathOf("pubkey"), "not a folder");
    fake_ui::Reset();
    EXPECT_EQ(Run(false), Messages{ResultMessage(39)});
}

TEST_F(StartUp, NormalStartChecksThePassphraseWithATrialSignature) {
    Install(TaroSecring());
    WriteFile(folder.PathOf("conf/Quillet.ini"), "[global]\nencrypt_no_sign=1\n");
    ui.promptAnswers = {"password1"};
    EXPECT_EQ(Run(true), Messages{});
    ASSERT_EQ(ui.prompts.size(), 1u);
    EXPECT_EQ(ui.prompts[0].maxLength, 256);
    EXPECT_EQ(ui.prompts[0].caption, StringText(21));
    EXPECT_EQ(ui.prompts[0].prompt, StringText(22));
    EXPECT_EQ(Title(), "Quillet - " + UserIdOf(Taro()));
    // The settings are read last and the menu follows them.
    EXPECT_EQ(gAppState.work.encryptNoSign, 1);
    EXPECT_TRUE((ui.menuChecks[{&windowTag, 40014u}]));
    EXPECT_FALSE((ui.menuChecks[{&windowTag, 40013u}]));
}

TEST_F(StartUp, FailuresAfterThePromptEndTheStart) {
    const struct {
        std::string secring;
        std::optional<std::string> typed;
        std::string settings;
        Messages shown;
    } cases[] = {
        {TaroSecring(), "not my passphrase", "", {ResultMessage(30)}},
        {TaroSecring(), std::nullopt, "", {}},  // cancelled: silent
        // More than the prompt holds: refused by the prompt, then cancelled.
        {TaroSecring(), std::string(256, 'p'), "", {StringText(57)}},
        {TaroSecring() + ReadFile(CacheFolder(Hanako()) + "secring.gpg"),
         "password1",
         "",
         {ResultMessage(51)}},
        {TaroSecring(), "password1", std::string(4095, '\n'), {ResultMessage(51)}},
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
