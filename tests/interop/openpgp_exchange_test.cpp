// Files and keys exchanged with people who use today's OpenPGP programs:
// RNP (Thunderbird), GopenPGP (Proton), Sequoia and OpenPGP.js (Proton's web
// mail, Mailvelope, FlowCrypt), each with an RSA key. Quillet's side of each
// exchange is a row here; the peers' side is tests/interop/openpgp_peers.sh,
// which makes their keys and letters before this test and checks what
// Quillet made for them after it. A key of an earlier program folder is
// brought up to date by one start and signs once, and both go to the check,
// which records which peers take such a key.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/encryption_commands.h"
#include "engine/key_listing.h"
#include "engine/signature_commands.h"
#include "shell/app_state.h"
#include "shell/startup_checks.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_keys.h"

namespace {

using test_support::NativePath;
using test_support::ReadFile;

class OpenpgpExchange : public ::testing::Test {
protected:
    test_support::UserFolder taro{test_support::Taro()};
    std::string peer = NativePath(test_support::HostPath(QUILLET_PEERS_FOLDER)) + NativePath("/");
    std::string out = peer + NativePath("out/");
    std::string temp = taro.folder.PathOf("temp");
    std::int32_t flags = 0;

    void SetUp() override {
        ASSERT_TRUE(test_support::Exists(peer + "rnp.asc")) << "openpgp_peers.sh make has not run";
        test_support::WriteFile(out + "report.txt", "Quillet's report for the peers.\n");
        test_support::MakeFolderAt(temp);
        test_support::SetTempFolder(temp);
    }
    void TearDown() override { test_support::SetTempFolder(""); }

    ResultCode EncryptFor(const std::string& keyFile, const std::string& output,
                          const std::string& input = "") {
        KeyList list{nullptr};
        ResultCode listed = ListPublicKeys(taro.homeDir.c_str(), keyFile.c_str(), &list);
        char recipient[260] = "";
        ResultCode single = TakeOnlyKey(&list, rc::kPublicKeyFormat, nullptr, recipient);
        if (listed != rc::kOk || single != rc::kOk) {
            return listed != rc::kOk ? listed : single;
        }
        return EncryptFile(taro.homeDir.c_str(), taro.secretKeyring.c_str(), keyFile.c_str(),
                           (input.empty() ? out + "report.txt" : input).c_str(), output.c_str(),
                           recipient, taro.passphrase.c_str(), 0, &flags);
    }
    ResultCode DecryptFrom(const std::string& keyFile, const std::string& letter,
                           const std::string& output) {
        return DecryptFile(taro.homeDir.c_str(), taro.secretKeyring.c_str(), keyFile.c_str(),
                           output.c_str(), letter.c_str(), taro.passphrase.c_str(), &flags);
    }
    ResultCode VerifyWith(const std::string& keyFile, const std::string& signature) {
        return VerifyFile(taro.homeDir.c_str(), keyFile.c_str(), (peer + "letter.txt").c_str(),
                          signature.c_str(), &flags);
    }
    // One normal start in a program folder from before, whose key GnuPG 1.4
    // made with its defaults; its public key ring and a signature made with
    // it afterwards go to the check.
    ResultCode StartWithOldKey() {
        const std::string old = test_support::OldStyleKeyFolder();
        test_support::ProgramFolder folder;
        folder.InstallRealGpg();
        test_support::MakeFolderAt(folder.PathOf("conf"));
        test_support::CopyFile(old + "secring.gpg", folder.PathOf("conf/secring.gpg"));
        test_support::CopyFile(old + "pubring.gpg", folder.PathOf("conf/pubring.gpg"));
        fake_ui::Reset();
        fake_ui::state.promptAnswers = {std::string("password1")};
        gAppState = AppState{};
        int window = 0;
        bool started = RunStartupChecks(&window);
        EXPECT_TRUE(fake_ui::state.messageBoxes.empty());  // the user is not asked
        test_support::CopyFile(folder.PathOf("conf/pubring.gpg"), out + "old-pubring.gpg");
        test_support::WriteFile(out + "old-fingerprint.txt",
                                ReadFile(old + "fingerprint.txt").substr(0, 40));
        const KeyPaths& keys = gAppState.work.keyPaths;
        return started ? SignFile(keys.homeDir, keys.secretKeyring, keys.publicKeyring,
                                  (out + "report.txt").c_str(),
                                  (out + "old-report.txt.sig").c_str(), keys.passphrase, &flags)
                       : rc::kUnknown;
    }
};

// The peers decrypt what Quillet encrypted for them, and check its
// signatures, afterwards.
TEST_F(OpenpgpExchange, EachPeerBothWays) {
    EXPECT_EQ(SignFile(taro.homeDir.c_str(), taro.secretKeyring.c_str(), taro.publicKeyring.c_str(),
                       (out + "report.txt").c_str(), (out + "report.txt.sig").c_str(),
                       taro.passphrase.c_str(), &flags),
              rc::kOk);
    for (const std::string name : {"rnp", "gosop", "sequoia", "openpgp-js"}) {
        SCOPED_TRACE(name);
        const std::string key = peer + name + ".asc", letter = peer + "letter-" + name;
        EXPECT_EQ(DecryptFrom(key, letter + ".gpg", out + name + ".txt"), rc::kOk);
        EXPECT_EQ(ReadFile(out + name + ".txt"), ReadFile(peer + "letter.txt"));
        EXPECT_EQ(VerifyWith(key, letter + ".sig"), rc::kOk);
        EXPECT_EQ(EncryptFor(key, out + "for-" + name + ".gpg"), rc::kOk);
    }
    // Files of formats that are compressed already, and a text, for RNP's key.
    test_support::MakeFolderAt(out + "formats");
    std::istringstream names(ReadFile(peer + NativePath("formats/list.txt")));
    for (std::string name; std::getline(names, name);) {
        EXPECT_EQ(EncryptFor(peer + "rnp.asc", out + NativePath("formats/") + name + ".gpg",
                             peer + NativePath("formats/") + name),
                  rc::kOk)
            << name;
    }
    // Last: the start takes over the program folder that GnuPG runs from.
    EXPECT_EQ(StartWithOldKey(), rc::kOk);
}

}  // namespace
