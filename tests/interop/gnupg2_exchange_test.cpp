// Files and keys exchanged with a person who uses today's GnuPG 2: its
// armored and binary key files, its signed and encrypted letter, detached
// signatures both ways, and its elliptic-curve key, which GnuPG 1.4 cannot
// use. The peer's side is tests/interop/gnupg2_peer.sh, which makes its
// material before this test and checks Quillet's outputs after it.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <tuple>

#include "engine/encryption_commands.h"
#include "engine/key_listing.h"
#include "engine/signature_commands.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_keys.h"
#include "workflows/encrypt_workflow.h"
#include "workflows/fingerprint_display.h"

namespace {

using test_support::Exists;
using test_support::NativePath;

class Gnupg2Exchange : public ::testing::Test {
protected:
    test_support::UserFolder taro{test_support::Taro()};
    std::string peer = NativePath(test_support::HostPath(QUILLET_PEER_FOLDER)) + NativePath("/");
    std::string out = peer + NativePath("out/");
    std::string temp = taro.folder.PathOf("temp");
    std::int32_t flags = 0;

    void SetUp() override {
        ASSERT_TRUE(Exists(peer + "rsa.fpr")) << "gnupg2_peer.sh make has not run";
        test_support::WriteFile(out + "report.txt", "Quillet's report for the peer.\n");
        test_support::MakeFolderAt(temp);
        test_support::SetTempFolder(temp);
    }
    void TearDown() override { test_support::SetTempFolder(""); }

    std::string Peer(const char* name) const { return peer + name; }

    // The fingerprint of the one key of a key file, or the listing's code.
    ResultCode Fingerprint(const std::string& keyFile, std::string* fingerprint) {
        KeyList list{nullptr};
        ResultCode listed = ListPublicKeys(taro.homeDir.c_str(), keyFile.c_str(), &list);
        char buffer[260] = "";
        ResultCode single = TakeOnlyKey(&list, rc::kPublicKeyFormat, nullptr, buffer);
        *fingerprint = buffer;
        return listed != rc::kOk ? listed : single;
    }

    ResultCode EncryptFor(const std::string& keyFile, const std::string& output) {
        std::string recipient;
        ResultCode listed = Fingerprint(keyFile, &recipient);
        if (listed != rc::kOk) {
            return listed;
        }
        EXPECT_EQ(recipient + "\n", test_support::ReadFile(Peer("rsa.fpr")));
        return EncryptFile(taro.homeDir.c_str(), taro.secretKeyring.c_str(), keyFile.c_str(),
                           (out + "report.txt").c_str(), output.c_str(), recipient.c_str(),
                           taro.passphrase.c_str(), 0, &flags);
    }

    ResultCode Decrypt(const char* keyFile, const char* encrypted, const std::string& output) {
        return DecryptFile(taro.homeDir.c_str(), taro.secretKeyring.c_str(), Peer(keyFile).c_str(),
                           output.c_str(), Peer(encrypted).c_str(), taro.passphrase.c_str(),
                           &flags);
    }

    ResultCode Verify(const char* keyFile, const char* signature) {
        return VerifyFile(taro.homeDir.c_str(), Peer(keyFile).c_str(), Peer("letter.txt").c_str(),
                          Peer(signature).c_str(), &flags);
    }

    // The encrypt workflow as the user runs it on a dropped file, picking
    // the key file and the output in the dialogs (none: cancelled).
    ResultCode EncryptWorkflowFor(const std::string& keyFile,
                                  const std::optional<std::string>& output) {
        fake_ui::Reset();
        fake_ui::state.fileDialogAnswers = {keyFile, output};
        return EncryptWorkflow(nullptr, Context(), (out + "report.txt").c_str());
    }

    // The key information of a key file as the user sees it.
    std::string KeyInfoBox(const std::string& keyFile) {
        fake_ui::Reset();
        fake_ui::state.fileDialogAnswers = {keyFile};
        EXPECT_EQ(KeyInfoWorkflow(nullptr, &Context()->keyPaths), rc::kOk);
        return fake_ui::state.messageBoxes.size() == 1 ? fake_ui::state.messageBoxes[0].text : "";
    }

private:
    WorkContext context_{};
    WorkContext* Context() {
        std::snprintf(context_.keyPaths.homeDir, 261, "%s", taro.homeDir.c_str());
        std::snprintf(context_.keyPaths.secretKeyring, 261, "%s", taro.secretKeyring.c_str());
        std::snprintf(context_.keyPaths.publicKeyring, 261, "%s", taro.publicKeyring.c_str());
        std::snprintf(context_.keyPaths.passphrase, 257, "%s", taro.passphrase.c_str());
        return &context_;
    }
};

TEST_F(Gnupg2Exchange, EveryExchangeGivesItsCodeAndLeavesNoTemporaryKeyFile) {
    std::string notAKey = taro.folder.PathOf("not-a-key.asc");
    test_support::WriteFile(notAKey,
                            "-----BEGIN PGP PUBLIC KEY BLOCK-----\n\nbm90IGEga2V5\n=AAAA\n"
                            "-----END PGP PUBLIC KEY BLOCK-----\n");
    std::string noFingerprint;
    const struct {
        const char* what;
        std::function<ResultCode()> run;
        ResultCode expected;
        std::string output;  // "" when there is none to look at
        bool outputMade;
    } cases[] = {
        // The peer decrypts these three afterwards (gnupg2_peer.sh check).
        {"encrypt for the armored key",
         [&] { return EncryptFor(Peer("rsa.asc"), out + "report-asc.gpg"); }, rc::kOk,
         out + "report-asc.gpg", true},
        {"encrypt for the binary key",
         [&] { return EncryptFor(Peer("rsa.gpg"), out + "report-bin.gpg"); }, rc::kOk,
         out + "report-bin.gpg", true},
        {"sign for the peer",
         [&] {
             return SignFile(taro.homeDir.c_str(), taro.secretKeyring.c_str(),
                             taro.publicKeyring.c_str(), (out + "report.txt").c_str(),
                             (out + "report.txt.sig").c_str(), taro.passphrase.c_str(), &flags);
         },
         rc::kOk, out + "report.txt.sig", true},
        {"decrypt and verify the peer's letter with its armored key",
         [&] { return Decrypt("rsa.asc", "letter.txt.gpg", out + "letter.txt"); }, rc::kOk,
         out + "letter.txt", true},
        // Never "genuine" for a key revoked or expired since; decrypted
        // letters stay, an unprotected one is not decrypted at all.
        {"a signature by a key revoked since", [&] { return Verify("revoked.gpg", "revoked.sig"); },
         rc::kSignerKeyRevoked, "", false},
        {"a letter signed by a key revoked since",
         [&] { return Decrypt("revoked.gpg", "revoked.txt.gpg", out + "revoked.txt"); },
         rc::kSignerKeyRevoked, out + "revoked.txt", true},
        {"a signature by a key expired since", [&] { return Verify("expired.gpg", "expired.sig"); },
         rc::kSignerKeyExpired, "", false},
        {"a letter signed by a key expired since",
         [&] { return Decrypt("expired.gpg", "expired.txt.gpg", out + "expired.txt"); },
         rc::kSignerKeyExpired, out + "expired.txt", true},
        {"a letter without protection against tampering",
         [&] { return Decrypt("rsa.gpg", "unprotected.txt.gpg", out + "unprotected.txt"); },
         rc::kNoIntegrityProtection, out + "unprotected.txt", false},
        {"the revoked key cannot be encrypted for",
         [&] { return EncryptWorkflowFor(Peer("revoked.gpg"), out + "report-revoked.gpg"); },
         rc::kRecipientKeyOutdated, out + "report-revoked.gpg", false},
        {"the expired key cannot be encrypted for",
         [&] { return EncryptWorkflowFor(Peer("expired.gpg"), out + "report-expired.gpg"); },
         rc::kRecipientKeyOutdated, out + "report-expired.gpg", false},
        {"verify the peer's signature with its armored key",
         [&] { return Verify("rsa.asc", "letter.txt.sig"); }, rc::kOk, "", false},
        {"verify the peer's signature with its binary key",
         [&] { return Verify("rsa.gpg", "letter.txt.sig"); }, rc::kOk, "", false},
        {"a signature by another key stays the generic failure",
         [&] { return Verify("rsa.asc", "letter-curve.sig"); }, rc::kVerifyFailed, "", false},
        {"the curve key's signature cannot be checked",
         [&] { return Verify("curve.asc", "letter-curve.sig"); }, rc::kKeyMethodUnusable, "",
         false},
        {"the curve key cannot be encrypted for",
         [&] { return EncryptWorkflowFor(Peer("curve.asc"), out + "report-curve.gpg"); },
         rc::kKeyMethodUnusable, out + "report-curve.gpg", false},
        {"cancelling the output dialog",
         [&] { return EncryptWorkflowFor(Peer("rsa.asc"), std::nullopt); }, rc::kCancelled, "",
         false},
        {"armor that holds no key is no key, as before",
         [&] { return Fingerprint(notAKey, &noFingerprint); }, rc::kPublicKeyFormat, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.run(), c.expected);
        if (!c.output.empty()) {
            EXPECT_EQ(Exists(c.output), c.outputMade);
        }
        EXPECT_TRUE(test_support::ListFolder(temp).empty());
    }
    for (const char* letter : {"letter.txt", "revoked.txt", "expired.txt"}) {
        EXPECT_EQ(test_support::ReadFile(out + letter), test_support::ReadFile(Peer("letter.txt")));
    }
    // Key information: UTF-8 in code page 932 under Wine (a stand-in for what it
    // lacks), ':' and '\' decoded, code-page bytes as they are; outdated keys.
#ifdef _WIN32
    const std::string yamada = "\x8e\x52\x93\x63 \x91\xbe\x98\x59", cafe = "Caf\x81\xac";
#else
    const std::string yamada = "山田 太郎", cafe = "Café";
#endif
    const std::tuple<const char*, std::string, bool> keys[] = {
        {"revoked.gpg", "Peer Revoked <revoked@peer.example>", true},
        {"expired.gpg", "Peer Expired <expired@peer.example>", true},
        {"rsa.gpg", "Peer Rsa <rsa@peer.example>", false},
        {"yamada.gpg", yamada + " <yamada@peer.example>", false},
        {"cafe.gpg", cafe + ": Sales\\Team <cafe@peer.example>", false},
        {"sjis.gpg", "\x94\x5c\x94\xfc \x91\xbe\x98\x59 <nomi@example.jp>", false}};
    for (const auto& [keyFile, shown, outdated] : keys) {
        const std::string box = KeyInfoBox(Peer(keyFile)),
                          top = test_support::StringText(29) + "\n" + shown + "\n\n";
        EXPECT_EQ(box.substr(0, top.size()), top);
        EXPECT_EQ(box.find(test_support::StringText(116)) != std::string::npos, outdated)
            << keyFile;
    }
}

}  // namespace
