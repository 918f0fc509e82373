// Export, fingerprints, the passphrase change and the key setup form,
// through the scripted ui with the real GnuPG.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/workflows/workflow_fixture.h"
#include "workflows/export_workflow.h"
#include "workflows/fingerprint_display.h"
#include "workflows/key_setup_form.h"
#include "workflows/passphrase_change_workflow.h"

namespace {

using namespace test_support;

// Passphrases at what the start-up prompt takes (255 bytes) and past it, in
// single bytes and in double-byte characters of code page 932 ("\x8a\x8a").
const std::string k255(255, 'p'), k256(256, 'p'), kanji128(256, '\x8a'), kanji130(260, '\x8a');

using KeyWorkflows = WorkflowTest;

// Onto the key ring the export is refused before anything is deleted; the
// proposal comes from user IDs of every shape; no single key: 45 at once.
TEST_F(KeyWorkflows, ExportRefusalsAndProposals) {
    std::string before = ReadFile(taro.publicKeyring);
    ui.fileDialogAnswers = {taro.publicKeyring};
    EXPECT_EQ(ExportWorkflow(MainWindow(), Keys()), 29);
    EXPECT_TRUE(ReadFile(taro.publicKeyring) == before);
    // The proposal from each user ID; "": no key at all.
    const std::pair<std::string, std::string> cases[] = {{"Name Only", "pubkey.gpg"},
                                                         {"Half <open", "pubkey.gpg"},
                                                         {"Empty <>", ".gpg"},
                                                         {"Two <a@b> <c@d>", "a@b.gpg"},
                                                         {"", ""}};
    for (const auto& [userId, proposal] : cases) {
        fake_ui::Reset();
        taro.folder.InstallFakeGpg(userId.empty() ? "print tru::1\n"
                                                  : "print sec::1024:17:A:1::::" + userId +
                                                        ":::\nprint fpr:::::::::AB:\n");
        EXPECT_EQ(ExportWorkflow(MainWindow(), Keys()), userId.empty() ? 45 : 1);
        EXPECT_EQ(ui.fileDialogs.empty() ? "" : ui.fileDialogs[0].initialName, proposal);
    }
}

// A busy clipboard is told (47); a key file with two keys gives 44, no box.
TEST_F(KeyWorkflows, FingerprintFailures) {
    ui.clipboardResult = 47;
    EXPECT_EQ(OwnFingerprintWorkflow(MainWindow(), Keys()), 47);
    ui.fileDialogAnswers = {TwoKeysFile()};
    EXPECT_EQ(KeyInfoWorkflow(MainWindow(), Keys()), 44);
    EXPECT_EQ(ui.messageBoxes.size(), 1u);
}

// Whatever goes wrong, the key and the cached passphrase stay. What the
// start-up prompt could not take is refused: it would lock the user out.
TEST_F(KeyWorkflows, PassphraseChangeRefusalsChangeNothing) {
    const std::string key = ReadFile(taro.secretKeyring);
    const struct {
        std::vector<std::optional<std::string>> entries;
        ResultCode code;
    } cases[] = {
        {{"password1", "new pass 1", std::nullopt}, 1},
        {{"password1", "new pass 1", "New pass 1"}, 22},
        {{"password1", "1234567", "1234567"}, 17},
        {{"wrong pass", "new pass 1", "new pass 1"}, 30},
        {{"password1", k256, k256}, 16},
        {{"password1", kanji128, kanji128}, 16},
        {{"password1", kanji130, std::nullopt}, 1},  // refused by the prompt itself
    };
    for (const auto& c : cases) {
        fake_ui::Reset();
        ui.promptAnswers.assign(c.entries.begin(), c.entries.end());
        EXPECT_EQ(PassphraseChangeWorkflow(MainWindow(), Keys()), c.code) << c.entries[1]->size();
        EXPECT_STREQ(Keys()->passphrase, "password1");
        EXPECT_TRUE(ReadFile(taro.secretKeyring) == key) << "the key changed";
        EXPECT_EQ(ChangeFilesIn(taro.homeDir), std::vector<std::string>{});
    }
    EXPECT_EQ(ui.messageBoxes.at(0).text, StringText(57));
}

class KeySetupForm : public WorkflowTest {
protected:
    int form = 0;
    void SetUp() override {
        WorkflowTest::SetUp();
        RemoveTree(taro.secretKeyring);  // a first start: no key rings yet
        RemoveTree(taro.publicKeyring);
        std::memset(Keys()->passphrase, 0, sizeof Keys()->passphrase);
        std::strcpy(Keys()->passphrase, "cached");
        gKeySetupForm = &form;
    }
    void TearDown() override { gKeySetupForm = nullptr; }
};

// Refusals before a key is made. The passphrase is cached once it was typed
// alike twice, unless the next start could not take it; no field is cut.
TEST_F(KeySetupForm, RefusalsLeaveTheFormOpen) {
    const struct {
        std::string name, pass, again;
        ResultCode code;
        std::string cached;
    } cases[] = {
        {"Taro Yamada", "password1", "Password1", 22, "cached"},
        // GnuPG would drop a blank at either end: the key would not take it.
        {"Taro Yamada", " password1", " password1", 58, "cached"},
        {"Taro Yamada", "password1\t", "password1\t", 58, "cached"},
        {"Tar", k256, k256, 16, "cached"},
        {"Tar", kanji130, kanji130, 16, "cached"},
        {"Tar", k255 + "x", k255, 16, "cached"},
        {"Tar", k255, k255, 11, k255},
        {"Taro Yamada", "1234567", "1234567", 17, "1234567"},
        {"      ", "password1", "password1", 11, "password1"},
        {std::string(300, 'T'), "password1", "password1", 11, "password1"},
    };
    for (const auto& c : cases) {
        fake_ui::Reset();
        ui.dialogItemTexts = {{IDC_SETUP_USER_NAME, c.name},
                              {IDC_SETUP_EMAIL, "taro@example.com"},
                              {IDC_SETUP_PASSPHRASE, c.pass},
                              {IDC_SETUP_PASSPHRASE_AGAIN, c.again}};
        EXPECT_EQ(CreateKeyFromForm(&form, Keys()), c.code) << c.pass.size();
        std::string slot(Keys()->passphrase, sizeof Keys()->passphrase);
        EXPECT_EQ(slot, c.cached + std::string(slot.size() - c.cached.size(), '\0'));
        for (const auto& [id, enabled] : ui.dialogItemEnabled) {
            EXPECT_TRUE(enabled) << id << " is left off";
        }
    }
}

}  // namespace
