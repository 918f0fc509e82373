// The start-up sequence through the scripted ui, with the real GnuPG.
#include "shell/startup_checks.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/gnupg_options.h"
#include "engine/gpg_runner.h"
#include "engine/key_listing.h"
#include "engine/keyring_change.h"
#include "engine/passphrase_change.h"
#include "engine/self_signature_renewal.h"
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
    // The messages shown, all without an owner; no trial signature stays.
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
};

// A program folder too deep for the key paths (39); at a first start (a
// public ring alone is one) the form opens, or a file named pubkey ends it.
TEST_F(StartUp, FolderStatesThatEndOrDivertTheStart) {
    std::string deep = folder.Folder() + std::string(244 - folder.Folder().size(), 'd');
    platform::OverrideProgramPath((deep + platform::kPathSeparator + "Q.exe").c_str());
    EXPECT_EQ(Run(false), Texts{ResultMessage(39)});
    folder.Activate();
    MakeFolderAt(folder.PathOf("conf"));
    WriteFile(folder.PathOf("conf/pubring.gpg"), "");
    fake_ui::Reset();
    EXPECT_EQ(Run(false), Texts{});  // the form is cancelled: silent
    EXPECT_EQ(ui.events, (Texts{"show window", "key setup"}));
    RemoveTree(folder.PathOf("conf"));
    RemoveTree(folder.PathOf("pubkey"));
    WriteFile(folder.PathOf("pubkey"), "not a folder");
    fake_ui::Reset();
    EXPECT_EQ(Run(false), Texts{ResultMessage(39)});
}

// The passphrase is checked with a trial signature; the settings are read
// last and the menu follows them.
TEST_F(StartUp, ThePromptAndTheSettingsDecideTheStart) {
    const std::string taro = ReadFile(CacheFolder(Taro()) + "secring.gpg");
    const std::string both = taro + ReadFile(CacheFolder(Hanako()) + "secring.gpg");
    const struct {
        const std::string& secring;
        std::optional<std::string> typed;
        std::string settings;
        Texts shown;
    } cases[] = {
        {taro, std::string(255, 'p'), "", {ResultMessage(30)}},  // taken, and wrong
        {taro, std::string(256, 'p'), "", {StringText(57)}},     // the prompt refuses it
        {both, "password1", "", {ResultMessage(51)}},
        {taro, "password1", std::string(4095, '\n'), {ResultMessage(51)}},
        {taro, "password1", "[global]\nencrypt_no_sign=1\n", {}},
    };
    for (const auto& c : cases) {
        fake_ui::Reset();
        MakeFolderAt(folder.PathOf("conf"));  // key rings as after an earlier start
        WriteFile(folder.PathOf("conf/secring.gpg"), c.secring);
        CopyFile(CacheFolder(Taro()) + "pubring.gpg", folder.PathOf("conf/pubring.gpg"));
        WriteFile(folder.PathOf("conf/Quillet.ini"), c.settings);
        ui.promptAnswers = {c.typed};
        EXPECT_EQ(Run(c.shown.empty()), c.shown);
    }
    EXPECT_EQ(ui.windowTitles[&window], "Quillet - " + UserIdOf(Taro()));
    EXPECT_EQ(gAppState.work.encryptNoSign, 1);
    EXPECT_TRUE((ui.menuChecks[{&window, 40014u}]));
    EXPECT_FALSE((ui.menuChecks[{&window, 40013u}]));
}

// A program folder from before: no options file, and a key whose
// self-signatures are SHA-1 and whose protection is GnuPG 1.4's old one. The
// start writes the options file and renews the key unasked; when the renewal cannot succeed (the
// user's options file keeps SHA-1) the start goes on all the same with the key rings as they were,
// and the user's line stays.
TEST_F(StartUp, AKeyFromBeforeIsRenewedWithoutAQuestion) {
    const std::string old = OldStyleKeyFolder(), secret = ReadFile(old + "secring.gpg"),
                      pub = ReadFile(old + "pubring.gpg"), options = folder.PathOf("conf/gpg.conf");
    const struct {
        std::string options;  // "" none
        bool renewed;
    } rows[] = {{"cert-digest-algo SHA1\n", false}, {"", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.options);
        fake_ui::Reset();
        MakeFolderAt(folder.PathOf("conf"));
        WriteFile(folder.PathOf("conf/secring.gpg"), secret);
        WriteFile(folder.PathOf("conf/pubring.gpg"), pub);
        RemoveTree(options);
        if (!row.options.empty()) {
            WriteFile(options, row.options);
        }
        ui.promptAnswers = {std::string("password1")};
        EXPECT_EQ(Run(true), Texts{});
        EXPECT_EQ(ui.windowTitles[&window], "Quillet - Jiro Tanaka <jiro@example.com>");
        // GnuPG itself may rewrite the public ring's trust packets: the
        // digests of its self-signatures tell.
        SelfSignatureSurvey survey{};
        EXPECT_EQ(SurveySelfSignatures(folder.PathOf("conf").c_str(),
                                       folder.PathOf("conf/pubring.gpg").c_str(), &survey),
                  0);
        EXPECT_EQ(survey.outdated, row.renewed ? 0 : 2);
        EXPECT_EQ(SurveySelfSignatures(folder.PathOf("conf").c_str(),
                                       folder.PathOf("conf/secring.gpg").c_str(), &survey),
                  0);
        EXPECT_EQ(survey.weakestProtection, row.renewed ? kKeyProtectionCount : 65536u);
        EXPECT_EQ(ReadFile(folder.PathOf("conf/secring.gpg")) != secret, row.renewed);
        EXPECT_EQ(ReadFile(options).rfind(row.options, 0), 0u);
        EXPECT_NE(ReadFile(options).find("enable-dsa2"), std::string::npos);
    }
}

// A new key is protected as the options file asks. Once a start found the
// key up to date, a start runs GnuPG twice: the trial signature, the listing.
TEST_F(StartUp, AnUpToDateKeyCostsTwoGnupgRuns) {
    const std::string conf = folder.PathOf("conf"), secring = folder.PathOf("conf/secring.gpg");
    MakeFolderAt(conf);
    CopyFile(CacheFolder(Taro()) + "secring.gpg", secring);
    CopyFile(CacheFolder(Taro()) + "pubring.gpg", folder.PathOf("conf/pubring.gpg"));
    SelfSignatureSurvey secret{};
    EXPECT_EQ(SurveySelfSignatures(conf.c_str(), secring.c_str(), &secret), 0);
    EXPECT_EQ(secret.secretKeys, 2);
    EXPECT_EQ(secret.weakestProtection, kKeyProtectionCount);
    for (int runs : {4, 2, 2}) {  // the first start surveys both rings
        fake_ui::Reset();
        ui.promptAnswers = {std::string("password1")};
        int before = GpgRunCount();
        EXPECT_EQ(Run(true), Texts{});
        EXPECT_EQ(GpgRunCount() - before, runs);
    }
}

// A passphrase change cut off after each of its steps, as by a crash: the
// next start has the same key, with the old passphrase before the commit
// point and the new one after it, exactly as typed (blanks at its ends
// included), and nothing of the change stays. A secret key ring lost on the
// way is put back, not taken for a first start.
TEST_F(StartUp, AKeyRingChangeCutOffAnywhereKeepsTheKey) {
    const std::string conf = folder.PathOf("conf"), secring = folder.PathOf("conf/secring.gpg"),
                      pubring = folder.PathOf("conf/pubring.gpg"), fresh = " new pass 1 ";
    using S = KeyringStep;
    const struct {
        KeyringStep step;
        bool lostSecret;
    } rows[] = {{S::CopiesMade, false},     {S::CopiesEdited, false}, {S::CopiesChecked, false},
                {S::RingsKept, false},      {S::MarkerWritten, true}, {S::SecretReplaced, false},
                {S::PublicReplaced, false}, {S::Committed, false},    {S::None, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.step));
        RemoveTree(conf);
        MakeFolderAt(conf);
        CopyFile(CacheFolder(Taro()) + "secring.gpg", secring);
        CopyFile(CacheFolder(Taro()) + "pubring.gpg", pubring);
        StopKeyringChangeForTesting(row.step);
        EXPECT_EQ(ChangePassphrase(conf.c_str(), secring.c_str(), pubring.c_str(), "password1",
                                   fresh.c_str()),
                  row.step == S::None ? 0 : 51);
        StopKeyringChangeForTesting(S::None);
        if (row.lostSecret) {
            RemoveTree(secring);
        }
        fake_ui::Reset();
        bool committed = row.step == S::Committed || row.step == S::None;
        ui.promptAnswers = {committed ? fresh : std::string("password1")};
        EXPECT_EQ(Run(true), Texts{});
        EXPECT_EQ(ui.windowTitles[&window], "Quillet - " + UserIdOf(Taro()));
        EXPECT_EQ(ChangeFilesIn(conf), Texts{});
        KeyList list{nullptr};
        ListSecretKeys(conf.c_str(), secring.c_str(), &list);
        char fingerprint[260] = "";
        EXPECT_EQ(TakeOnlyKey(&list, 45, nullptr, fingerprint), 0);
        EXPECT_EQ(fingerprint, FingerprintOf(Taro()));
    }
}

}  // namespace
