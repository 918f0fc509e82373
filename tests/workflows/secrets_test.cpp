// Where the passphrase goes: a whole run through the workflows with the real
// GnuPG (start-up check, encryption, decryption, signing, two passphrase
// changes) with passphrases that exist nowhere else, after which no byte of
// them may stand in any file of the program folder, in the temporary folder
// or on any command line GnuPG was given. And the slot that caches the
// passphrase for the run keeps nothing of one it held before.
#include <gtest/gtest.h>

#include <cstring>
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
        if (name == "." || name == "..") {
            continue;
        }
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
    std::string tempFolder;
    std::string plain = taro.folder.PathOf("report.doc");

    void SetUp() override {
        WorkflowTest::SetUp();
        WriteFile(plain, "the quarterly report\n");
        // A temporary folder of this test's own, for the program and GnuPG.
        char temp[platform::kMaxPath];
        ASSERT_TRUE(platform::GetTempFolder(temp, sizeof temp));
        tempFolder =
            std::string(temp) + "quillet-secrets-" + std::to_string(std::random_device()());
        MakeFolderAt(tempFolder);
        SetTempFolder(tempFolder);
    }
    void TearDown() override {
        SetTempFolder("");
        RemoveTree(tempFolder);
    }

    // GnuPG in bin/ becomes a wrapper that records its command line
    // (bin/fake-gpg.args) and then runs the real one in its place.
    void WrapGpg() {
        std::string real = taro.folder.PathOf("bin/real-gpg.exe");
        CopyFile(taro.folder.PathOf("bin/gpg.exe"), real);
        MakeExecutable(real);
        taro.folder.InstallFakeGpg("exec " + real + "\n");
    }

    void Type(std::initializer_list<std::optional<std::string>> entries) {
        fake_ui::promptAnswers.assign(entries.begin(), entries.end());
    }
    void Choose(std::initializer_list<std::optional<std::string>> names) {
        fake_ui::fileDialogAnswers.assign(names.begin(), names.end());
    }

    const char* Slot() const { return gAppState.work.keyPaths.passphrase; }
    // The cached slot holds exactly `passphrase`, then nothing but zeros.
    void ExpectSlotHoldsOnly(const std::string& passphrase) const {
        std::string slot(Slot(), sizeof gAppState.work.keyPaths.passphrase);
        std::string expected = passphrase;
        expected.resize(slot.size(), '\0');
        EXPECT_EQ(slot, expected);
    }
};

TEST_F(Secrets, NoPassphraseReachesAFileATemporaryFileOrACommandLine) {
    WrapGpg();
    const std::string first = FreshPassphrase("first");
    const std::string second = FreshPassphrase("second");
    const std::string original = taro.passphrase;

    // The user's own passphrase becomes one of this run's.
    Type({original, first, first});
    ASSERT_EQ(PassphraseChangeWorkflow(), 0);

    // A start: the passphrase is typed and tried with a trial signature.
    std::memset(gAppState.work.keyPaths.passphrase, 0, sizeof gAppState.work.keyPaths.passphrase);
    Type({first});
    ASSERT_EQ(CheckStartupPassphrase(MainWindow(), Keys()), 0);

    // Encrypt to oneself (signed), decrypt, sign.
    std::string sealed = plain + ".gpg";
    std::string opened = taro.folder.PathOf("opened.doc");
    Choose({taroKey, sealed});
    ASSERT_EQ(EncryptWorkflow(MainWindow(), Context(), plain.c_str()), 0);
    Choose({taroKey, opened});
    ASSERT_EQ(DecryptWorkflow(MainWindow(), Context(), sealed.c_str()), 0);
    EXPECT_EQ(ReadFile(opened), ReadFile(plain));
    Choose({plain + ".sig"});
    ASSERT_EQ(SignWorkflow(MainWindow(), Context(), plain.c_str()), 0);

    // And a change to another passphrase, which then signs.
    Type({first, second, second});
    ASSERT_EQ(PassphraseChangeWorkflow(), 0);
    Choose({plain + ".2.sig"});
    ASSERT_EQ(SignWorkflow(MainWindow(), Context(), plain.c_str()), 0);

    // GnuPG ran through the wrapper, which saw every command line.
    std::string commandLines = taro.folder.FakeArguments();
    EXPECT_NE(commandLines.find("--edit-key"), std::string::npos);
    EXPECT_NE(commandLines.find("--passphrase-fd=0"), std::string::npos);

    std::vector<std::string> files;
    CollectFiles(taro.folder.Folder(), &files);
    CollectFiles(tempFolder, &files);
    ASSERT_GT(files.size(), 10u);
    for (const std::string& file : files) {
        std::string content = ReadFile(file);
        for (const std::string& secret : {original, first, second}) {
            EXPECT_EQ(content.find(secret), std::string::npos)
                << "the passphrase " << secret << " stands in " << file;
        }
    }
    // The trial signature of the start and whatever GnuPG made meanwhile
    // are gone.
    std::vector<std::string> leftInTemp;
    CollectFiles(tempFolder, &leftInTemp);
    EXPECT_TRUE(leftInTemp.empty()) << leftInTemp.front();
}

// The cached passphrase is replaced in a slot that held a longer one.
TEST_F(Secrets, ChangedPassphraseLeavesNothingOfTheOldOneInTheCachedSlot) {
    const std::string longer = FreshPassphrase("a-rather-long-passphrase-of-many-words");
    Type({taro.passphrase, longer, longer});
    ASSERT_EQ(PassphraseChangeWorkflow(), 0);
    ExpectSlotHoldsOnly(longer);

    Type({longer, "shorter1", "shorter1"});
    ASSERT_EQ(PassphraseChangeWorkflow(), 0);
    ExpectSlotHoldsOnly("shorter1");
}

// The key setup form caches what was typed before generating the key; a
// second try with a shorter passphrase replaces all of the first.
TEST_F(Secrets, KeySetupFormCachesOnlyTheLatestPassphrase) {
    int formTag = 0;
    ui::Window form = &formTag;
    const std::string longer = FreshPassphrase("first-try-with-a-long-passphrase");
    auto Fill = [&](const std::string& passphrase) {
        fake_ui::dialogItemTexts[IDC_SETUP_USER_NAME] = "Tar";  // too short: no key is made
        fake_ui::dialogItemTexts[IDC_SETUP_EMAIL] = "taro@example.com";
        fake_ui::dialogItemTexts[IDC_SETUP_PASSPHRASE] = passphrase;
        fake_ui::dialogItemTexts[IDC_SETUP_PASSPHRASE_AGAIN] = passphrase;
    };
    Fill(longer);
    EXPECT_EQ(CreateKeyFromForm(form, Keys()), 11);
    ExpectSlotHoldsOnly(longer);
    Fill("shorter1");
    EXPECT_EQ(CreateKeyFromForm(form, Keys()), 11);
    ExpectSlotHoldsOnly("shorter1");
}

}  // namespace
