// Files and keys exchanged with people who use today's OpenPGP programs:
// RNP (Thunderbird) and GopenPGP (Proton) with RSA keys. Quillet's side of
// each exchange is a row here; the peers' side is tests/interop/
// openpgp_peers.sh, which makes their keys and letters before this test and
// checks what Quillet made for them after it (with Sequoia's refusal of the
// key type). An earlier program folder's key is brought up to date by one
// start, and handed to the check as well.
#include <gtest/gtest.h>

#include <functional>
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
    // made with its defaults; its public key ring goes to the check.
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
        return started ? rc::kOk : rc::kUnknown;
    }
};

TEST_F(OpenpgpExchange, EachPeerBothWays) {
    const struct {
        const char* what;
        std::function<ResultCode()> run;
        std::string output, content;  // the output ("": none) and what it holds ("": not compared)
    } rows[] = {
        {"decrypt and verify RNP's letter",
         [&] {
             return DecryptFrom(peer + "rnp.asc", peer + "letter-rnp.gpg", out + "letter-rnp.txt");
         },
         out + "letter-rnp.txt", ReadFile(peer + "letter.txt")},
        {"decrypt and verify GopenPGP's letter",
         [&] {
             return DecryptFrom(peer + "gosop.asc", peer + "letter-gosop.gpg",
                                out + "letter-gosop.txt");
         },
         out + "letter-gosop.txt", ReadFile(peer + "letter.txt")},
        {"verify RNP's detached signature",
         [&] { return VerifyWith(peer + "rnp.asc", peer + "letter-rnp.sig"); }, "", ""},
        {"verify GopenPGP's detached signature",
         [&] { return VerifyWith(peer + "gosop.asc", peer + "letter-gosop.sig"); }, "", ""},
        // The peers decrypt these and check their signatures afterwards.
        {"encrypt and sign for RNP's key",
         [&] { return EncryptFor(peer + "rnp.asc", out + "for-rnp.gpg"); }, out + "for-rnp.gpg",
         ""},
        {"encrypt and sign for GopenPGP's key",
         [&] { return EncryptFor(peer + "gosop.asc", out + "for-gosop.gpg"); },
         out + "for-gosop.gpg", ""},
        {"sign for the peers",
         [&] {
             return SignFile(taro.homeDir.c_str(), taro.secretKeyring.c_str(),
                             taro.publicKeyring.c_str(), (out + "report.txt").c_str(),
                             (out + "report.txt.sig").c_str(), taro.passphrase.c_str(), &flags);
         },
         out + "report.txt.sig", ""},
        // Files of formats that are compressed already, and a text.
        {"encrypt and sign a file of every format for RNP's key",
         [&] {
             test_support::MakeFolderAt(out + "formats");
             std::istringstream names(ReadFile(peer + NativePath("formats/list.txt")));
             ResultCode worst = rc::kOk;
             for (std::string name; std::getline(names, name);) {
                 ResultCode one =
                     EncryptFor(peer + "rnp.asc", out + NativePath("formats/") + name + ".gpg",
                                peer + NativePath("formats/") + name);
                 worst = one != rc::kOk ? one : worst;
             }
             return worst;
         },
         "", ""},
        {"start once with a key of GnuPG 1.4's defaults", [&] { return StartWithOldKey(); },
         out + "old-pubring.gpg", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.run(), rc::kOk);
        if (row.output.empty()) {
            continue;
        }
        ASSERT_TRUE(test_support::Exists(row.output));
        if (!row.content.empty()) {
            EXPECT_EQ(ReadFile(row.output), row.content);
        }
    }
}

}  // namespace
