// Export, fingerprints, the passphrase change and the key setup form,
// through the scripted ui with the real GnuPG.
#include <gtest/gtest.h>

#include <string>

#include "engine/key_listing.h"
#include "platform/platform.h"
#include "tests/workflows/workflow_fixture.h"
#include "workflows/encrypt_workflow.h"
#include "workflows/export_workflow.h"
#include "workflows/fingerprint_display.h"
#include "workflows/key_setup_form.h"
#include "workflows/passphrase_change_workflow.h"

namespace {

using namespace test_support;

std::string Grouped(const std::string& f) {
    std::string text;
    for (int group = 0; group < 10; ++group) {
        text += f.substr(group * 4, 4) + (group == 4 ? "  " : " ");
    }
    return text;
}

using KeyWorkflows = WorkflowTest;

TEST_F(KeyWorkflows, ExportProposesTheAddressAndWritesTheKey) {
    std::string out = taro.folder.PathOf("taro@example.com.gpg");
    fake_ui::fileDialogAnswers = {out};
    EXPECT_EQ(ExportWorkflow(MainWindow(), Keys()), 0);
    ASSERT_EQ(fake_ui::fileDialogs.size(), 1u);
    const fake_ui::FileDialogCall& call = fake_ui::fileDialogs[0];
    EXPECT_EQ(call.kind, ui::FileDialogKind::Save);
    EXPECT_EQ(call.title, std::nullopt);
    EXPECT_EQ(call.initialName, "taro@example.com.gpg");
    EXPECT_EQ(call.defaultExtension, "gpg");
    EXPECT_EQ(call.options, ui::kAskBeforeOverwrite);
    EXPECT_EQ(call.filters.at(0).second, "*.gpg");
    EXPECT_EQ(ReadFile(out), ReadFile(PublicKeyFileOf(Taro())));

    fake_ui::fileDialogAnswers = {std::nullopt};
    EXPECT_EQ(ExportWorkflow(MainWindow(), Keys()), 1);
}

TEST_F(KeyWorkflows, ExportOntoTheKeyRingIsRefusedBeforeAnythingIsDeleted) {
    std::string before = ReadFile(taro.publicKeyring);
    fake_ui::fileDialogAnswers = {taro.publicKeyring};
    EXPECT_EQ(ExportWorkflow(MainWindow(), Keys()), 29);
    EXPECT_EQ(ReadFile(taro.publicKeyring), before);
}

TEST_F(KeyWorkflows, ExportProposalFromUserIdsOfEveryShape) {
    const std::pair<const char*, const char*> cases[] = {
        {"Name Only", "pubkey.gpg"},
        {"Half <open", "pubkey.gpg"},
        {"Empty <>", ".gpg"},
        {"Two <a@b> <c@d>", "a@b.gpg"},
    };
    for (const auto& [userId, proposal] : cases) {
        fake_ui::Reset();
        taro.folder.InstallFakeGpg(std::string("print sec::1024:17:A:2026-11-01::::") + userId +
                                   ":::\nprint fpr:::::::::ABCD:\n");
        EXPECT_EQ(ExportWorkflow(MainWindow(), Keys()), 1);
        EXPECT_EQ(fake_ui::fileDialogs.at(0).initialName, proposal) << userId;
    }
    // No single key: 45 before any dialog.
    taro.folder.InstallFakeGpg("print tru::1\n");
    fake_ui::Reset();
    EXPECT_EQ(ExportWorkflow(MainWindow(), Keys()), 45);
    EXPECT_TRUE(fake_ui::fileDialogs.empty());
}

TEST_F(KeyWorkflows, OwnFingerprintIsShownGroupedAndCopiedBare) {
    std::string fingerprint = FingerprintOf(Taro());
    fake_ui::clipboard = "something else";
    fake_ui::messageBoxAnswers = {ui::kAnswerNo};
    EXPECT_EQ(OwnFingerprintWorkflow(MainWindow(), Keys()), 0);
    ASSERT_EQ(fake_ui::messageBoxes.size(), 1u);
    EXPECT_EQ(fake_ui::messageBoxes[0].text,
              StringText(17) + "\n\n" + Grouped(fingerprint) + "\n\n" + StringText(18));
    EXPECT_EQ(fake_ui::messageBoxes[0].caption, "Message Box");
    EXPECT_EQ(fake_ui::messageBoxes[0].style, ui::kBoxYesNo);
    EXPECT_EQ(fake_ui::clipboard, "something else");

    fake_ui::messageBoxAnswers = {ui::kAnswerYes};
    EXPECT_EQ(OwnFingerprintWorkflow(MainWindow(), Keys()), 0);
    EXPECT_EQ(fake_ui::clipboard, fingerprint);

    fake_ui::clipboardResult = 47;
    fake_ui::messageBoxAnswers = {ui::kAnswerYes};
    EXPECT_EQ(OwnFingerprintWorkflow(MainWindow(), Keys()), 47);
}

TEST_F(KeyWorkflows, KeyInformationOfAReceivedKeyFile) {
    fake_ui::fileDialogAnswers = {hanakoKey};
    fake_ui::messageBoxAnswers = {ui::kAnswerYes};
    EXPECT_EQ(KeyInfoWorkflow(MainWindow(), Keys()), 0);
    EXPECT_EQ(fake_ui::fileDialogs.at(0).title, StringText(28));
    EXPECT_EQ(fake_ui::fileDialogs.at(0).initialFolder, pubkeyFolder);
    ASSERT_EQ(fake_ui::messageBoxes.size(), 1u);
    EXPECT_EQ(fake_ui::messageBoxes[0].text,
              StringText(29) + "\n" + UserIdOf(Hanako()) + "\n\n" + StringText(30) + "\n" +
                  Grouped(FingerprintOf(Hanako())) + "\n\n" + StringText(31));
    EXPECT_EQ(fake_ui::clipboard, FingerprintOf(Hanako()));

    // Cancelled: nothing shown. Two keys: 44 and no box.
    fake_ui::Reset();
    EXPECT_EQ(KeyInfoWorkflow(MainWindow(), Keys()), 0);
    fake_ui::fileDialogAnswers = {TwoKeysFile()};
    EXPECT_EQ(KeyInfoWorkflow(MainWindow(), Keys()), 44);
    EXPECT_TRUE(fake_ui::messageBoxes.empty());
}

TEST(FingerprintCopy, ShortFingerprintTakesNothingBeyondItsEnd) {
    fake_ui::Reset();
    fake_ui::messageBoxAnswers = {ui::kAnswerYes};
    EXPECT_EQ(OfferFingerprintCopy(nullptr, "text", "0123456789ABCDEF0123456789ABCDEF"), 0);
    EXPECT_EQ(fake_ui::clipboard, "0123456789ABCDEF0123456789ABCDEF");
}

class PassphraseChangeFlow : public WorkflowTest {
protected:
    void Type(std::initializer_list<std::optional<std::string>> entries) {
        fake_ui::promptAnswers.assign(entries.begin(), entries.end());
    }
    std::string Cached() const { return gAppState.work.keyPaths.passphrase; }
};

TEST_F(PassphraseChangeFlow, CancelOrMismatchChangesNothing) {
    Type({"password1", "new pass 1", std::nullopt});
    EXPECT_EQ(PassphraseChangeWorkflow(), 1);
    ASSERT_EQ(fake_ui::prompts.size(), 3u);
    EXPECT_EQ(fake_ui::prompts[0].caption, StringText(32));
    EXPECT_EQ(fake_ui::prompts[0].prompt, StringText(33));
    EXPECT_EQ(fake_ui::prompts[1].caption, StringText(34));
    EXPECT_EQ(fake_ui::prompts[2].prompt, StringText(37));
    EXPECT_EQ(fake_ui::prompts[2].maxLength, 260);
    EXPECT_EQ(fake_ui::prompts[0].owner, MainWindow());

    Type({"password1", "new pass 1", "New pass 1"});
    EXPECT_EQ(PassphraseChangeWorkflow(), 22);
    Type({"password1", "1234567", "1234567"});
    EXPECT_EQ(PassphraseChangeWorkflow(), 17);
    Type({"wrong pass", "new pass 1", "new pass 1"});
    EXPECT_EQ(PassphraseChangeWorkflow(), 30);
    // Longer than the cached slot holds: refused, never cut.
    std::string tooLong(257, 'p');
    Type({"password1", tooLong, tooLong});
    EXPECT_EQ(PassphraseChangeWorkflow(), 16);
    EXPECT_EQ(Cached(), "password1");
    EXPECT_TRUE(fake_ui::statusBarTexts.empty());
}

TEST_F(PassphraseChangeFlow, SuccessReplacesTheCachedPassphraseAtOnce) {
    Type({"password1", "new pass 1", "new pass 1"});
    EXPECT_EQ(PassphraseChangeWorkflow(), 0);
    EXPECT_EQ(Cached(), "new pass 1");
    EXPECT_EQ(fake_ui::statusBarTexts[&statusBarTag], StringText(100));

    // The next signed encryption uses the new passphrase without asking.
    fake_ui::Reset();
    std::string plain = taro.folder.PathOf("memo.txt");
    WriteFile(plain, "memo");
    fake_ui::fileDialogAnswers = {hanakoKey, plain + ".gpg"};
    EXPECT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 0);
    EXPECT_TRUE(fake_ui::prompts.empty());
}

TEST(TrimBlanks, OnlySpacesAtBothEnds) {
    const std::pair<const char*, const char*> cases[] = {
        {"  Taro Yamada  ", "Taro Yamada"},
        {"Taro  Yamada", "Taro  Yamada"},
        {"    ", ""},
        {"", ""},
        {"\tTaro ", "\tTaro"},
        {"\xe3\x80\x80Taro", "\xe3\x80\x80Taro"},
    };
    for (const auto& [in, out] : cases) {
        char text[64];
        std::strcpy(text, in);
        TrimBlanks(text);
        EXPECT_STREQ(text, out) << in;
    }
}

class KeySetupForm : public WorkflowTest {
protected:
    void SetUp() override {
        WorkflowTest::SetUp();
        // A first start: no key rings yet.
        RemoveTree(taro.secretKeyring);
        RemoveTree(taro.publicKeyring);
        Keys()->passphrase[0] = '\0';
        gKeySetupForm = &formTag;
    }
    void TearDown() override { gKeySetupForm = nullptr; }
    void Fill(const char* name, const char* email, const char* pass, const char* again) {
        fake_ui::dialogItemTexts = {{1001, name}, {1011, email}, {1014, pass}, {1015, again}};
    }
    int formTag = 0;
};

TEST_F(KeySetupForm, RefusalsLeaveTheFormAsItIs) {
    Fill("Taro Yamada", "taro@example.com", "password1", "Password1");
    EXPECT_EQ(CreateKeyFromForm(&formTag, Keys()), 22);
    EXPECT_STREQ(Keys()->passphrase, "");
    EXPECT_TRUE(fake_ui::dialogItemEnabled.empty());

    // Too short: refused by the key generation, yet cached already.
    Fill("Taro Yamada", "taro@example.com", "1234567", "1234567");
    EXPECT_EQ(CreateKeyFromForm(&formTag, Keys()), 17);
    EXPECT_STREQ(Keys()->passphrase, "1234567");
    // A name of blanks only is empty once trimmed.
    Fill("      ", "taro@example.com", "password1", "password1");
    EXPECT_EQ(CreateKeyFromForm(&formTag, Keys()), 11);
    // Every control is enabled again after a run.
    for (int id : {1001, 1011, 1014, 1015, 1, 2}) {
        EXPECT_TRUE(fake_ui::dialogItemEnabled.at(id)) << id;
    }
}

TEST_F(KeySetupForm, GeneratesTheKeyWithProgressAndOffersTheExport) {
    Fill("  Jiro Sato ", " jiro@example.com ", "password2", "password2");
    fake_ui::messageBoxAnswers = {ui::kAnswerYes};
    fake_ui::fileDialogAnswers = {std::nullopt};  // the export is cancelled: still success
    EXPECT_EQ(CreateKeyFromForm(&formTag, Keys()), 0);
    EXPECT_GT(fake_ui::progressSteps[1002], 0);
    EXPECT_EQ(fake_ui::progressPositions[1002], 100);
    ASSERT_EQ(fake_ui::messageBoxes.size(), 1u);
    EXPECT_EQ(fake_ui::messageBoxes[0].text, StringText(109));
    EXPECT_EQ(fake_ui::messageBoxes[0].owner, &formTag);
    EXPECT_EQ(fake_ui::messageBoxes[0].style, ui::kBoxYesNo | ui::kBoxIconQuestion);
    EXPECT_EQ(fake_ui::fileDialogs.at(0).initialName, "jiro@example.com.gpg");
    EXPECT_STREQ(Keys()->passphrase, "password2");

    KeyList list{nullptr};
    ASSERT_EQ(ListSecretKeys(Keys()->homeDir, Keys()->secretKeyring, &list), 0);
    ASSERT_NE(list.head, nullptr);
    EXPECT_STREQ(list.head->userId, "Jiro Sato <jiro@example.com>");
    FreeKeyList(&list);
    // The controls were off during the generation and are on again.
    auto disabled = std::find(fake_ui::events.begin(), fake_ui::events.end(), "disable 1001");
    auto enabled = std::find(fake_ui::events.begin(), fake_ui::events.end(), "enable 1001");
    EXPECT_LT(disabled, enabled);
    EXPECT_NE(enabled, fake_ui::events.end());
}

}  // namespace
