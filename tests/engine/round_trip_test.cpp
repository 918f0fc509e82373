// Every engine command against the real GnuPG, with the test users' keys:
// Taro writes to Hanako, each in a program folder of their own.
#include <gtest/gtest.h>

#include <string>

#include "engine/encryption_commands.h"
#include "engine/key_export.h"
#include "engine/key_listing.h"
#include "engine/passphrase_change.h"
#include "engine/signature_commands.h"
#include "tests/support/test_keys.h"

namespace {

using namespace test_support;

std::string SampleText() {
    std::string text = "Quillet test data\r\n";
    for (int i = 0; i < 2000; ++i) {
        text += "line " + std::to_string(i) + " \x01\x02\xff binary bytes too\n";
    }
    return text;
}

class RoundTrip : public ::testing::Test {
protected:
    UserFolder taro{Taro()};
    UserFolder hanako{Hanako()};
    std::string plain = taro.folder.PathOf("report.doc");
    std::string sealed = taro.folder.PathOf("report.doc.gpg");
    std::string opened = hanako.folder.PathOf("report.doc");
    std::string signature = taro.folder.PathOf("report.doc.sig");
    std::int32_t flags = -1;

    void SetUp() override { WriteFile(plain, SampleText()); }

    ResultCode Encrypt(std::int32_t noSign, const char* passphrase = "password1") {
        taro.folder.Activate();
        return EncryptFile(taro.homeDir.c_str(), taro.secretKeyring.c_str(),
                           PublicKeyFileOf(Hanako()).c_str(), plain.c_str(), sealed.c_str(),
                           FingerprintOf(Hanako()).c_str(), passphrase, noSign, &flags);
    }
    ResultCode Decrypt(const std::string& senderKeyFile, const char* passphrase = "password1") {
        hanako.folder.Activate();
        return DecryptFile(hanako.homeDir.c_str(), hanako.secretKeyring.c_str(),
                           senderKeyFile.c_str(), opened.c_str(), sealed.c_str(), passphrase,
                           &flags);
    }
    ResultCode Sign(const char* passphrase) {
        taro.folder.Activate();
        return SignFile(taro.homeDir.c_str(), taro.secretKeyring.c_str(),
                        taro.publicKeyring.c_str(), plain.c_str(), signature.c_str(), passphrase,
                        &flags);
    }
    ResultCode Verify(const TestUser& signer) {
        hanako.folder.Activate();
        return VerifyFile(hanako.homeDir.c_str(), PublicKeyFileOf(signer).c_str(), plain.c_str(),
                          signature.c_str(), &flags);
    }
    ResultCode Change(const char* from, const char* to) {
        taro.folder.Activate();
        return ChangePassphrase(taro.homeDir.c_str(), taro.secretKeyring.c_str(),
                                taro.publicKeyring.c_str(), from, to);
    }
};

TEST_F(RoundTrip, EncryptionAndDecryption) {
    EXPECT_EQ(Encrypt(0, "wrong pass"), 30);
    ASSERT_EQ(Encrypt(0), 0);
    EXPECT_EQ(Decrypt(PublicKeyFileOf(Taro()), "wrong pass"), 34);
    EXPECT_FALSE(Exists(opened));
    EXPECT_EQ(Decrypt(PublicKeyFileOf(Taro())), 0);
    EXPECT_EQ(ReadFile(opened), SampleText());
    // Hanako's own key ring does not hold Taro's key: decrypted, unverified.
    EXPECT_EQ(Decrypt(hanako.publicKeyring), 48);
    EXPECT_EQ(ReadFile(opened), SampleText());
    EXPECT_EQ(Encrypt(1), 33);
    EXPECT_EQ(Decrypt(PublicKeyFileOf(Taro())), 48);
    EXPECT_EQ(ReadFile(opened), SampleText());
}

TEST_F(RoundTrip, FailedDecryptionLeavesNoPlaintextButKeepsAFileItDidNotTouch) {
    ASSERT_EQ(Encrypt(0), 0);
    std::string bytes = ReadFile(sealed);
    std::string damaged = bytes;
    damaged[damaged.size() / 2] ^= 0x55;
    // One byte changed; cut short (GnuPG writes the plaintext before it
    // notices); not encrypted at all.
    for (const std::string& content :
         {damaged, bytes.substr(0, bytes.size() - 30), std::string("plain text")}) {
        RemoveTree(opened);
        WriteFile(sealed, content);
        EXPECT_EQ(Decrypt(PublicKeyFileOf(Taro())), 34);
        EXPECT_FALSE(Exists(opened));
    }
    WriteFile(sealed, bytes);
    taro.folder.Activate();  // Taro cannot read what he encrypted for Hanako
    EXPECT_EQ(DecryptFile(taro.homeDir.c_str(), taro.secretKeyring.c_str(),
                          PublicKeyFileOf(Taro()).c_str(), opened.c_str(), sealed.c_str(),
                          "password1", &flags),
              34);
    EXPECT_FALSE(Exists(opened));
    WriteFile(opened, "precious");
    WriteFile(sealed, "plain text");
    EXPECT_EQ(Decrypt(PublicKeyFileOf(Taro())), 34);
    EXPECT_EQ(ReadFile(opened), "precious");
}

TEST_F(RoundTrip, DetachedSignatures) {
    EXPECT_EQ(Sign("wrong pass"), 30);
    ASSERT_EQ(Sign("password1"), 0);
    EXPECT_EQ(Verify(Taro()), 0);
    EXPECT_EQ(Verify(Hanako()), 35);   // the wrong person's key file
    RemoveTree(hanako.secretKeyring);  // verification needs none
    std::string changed = SampleText();
    changed[100] ^= 1;
    WriteFile(plain, changed);
    EXPECT_EQ(Verify(Taro()), 35);
    WriteFile(plain, SampleText());
    EXPECT_EQ(Verify(Taro()), 0);
}

TEST_F(RoundTrip, PassphraseChange) {
    EXPECT_EQ(Change("not my pass", "new pass 1"), 30);
    EXPECT_EQ(Sign("password1"), 0);
    // GnuPG cannot write the secret key ring (it makes its new copy beside
    // the old one first, under a name taken here by a folder): nothing
    // changed, and no success is reported.
    for (const char* copy : {"conf/secring.gpg.tmp", "conf/secring.tmp"}) {
        MakeFolderAt(taro.folder.PathOf(copy));
    }
    EXPECT_EQ(Change("password1", "new pass 1"), 51);
    EXPECT_EQ(Sign("password1"), 0);
    for (const char* copy : {"conf/secring.gpg.tmp", "conf/secring.tmp"}) {
        RemoveTree(taro.folder.PathOf(copy));
    }
    EXPECT_EQ(Change("password1", "new pass 1"), 0);
    EXPECT_EQ(Sign("password1"), 30);
    EXPECT_EQ(Sign("new pass 1"), 0);
}

TEST_F(RoundTrip, ExportAndListings) {
    std::string out = taro.folder.PathOf("exported key.gpg");
    auto exportTo = [&](const std::string& key, const std::string& to) {
        return ExportPublicKey(taro.homeDir.c_str(), taro.publicKeyring.c_str(), key.c_str(),
                               to.c_str());
    };
    WriteFile(out, "old content");
    ASSERT_EQ(exportTo(FingerprintOf(Taro()), out), 0);
    EXPECT_EQ(ReadFile(out), ReadFile(PublicKeyFileOf(Taro())));
    // A read-only file cannot be deleted: nothing is exported over it.
    WriteFile(out, "read-only content");
    MakeReadOnly(out);
    EXPECT_EQ(exportTo(FingerprintOf(Taro()), out), 51);
    EXPECT_EQ(ReadFile(out), "read-only content");
    // A key name that matches no key still counts as run.
    EXPECT_EQ(exportTo(std::string(40, '0'), taro.folder.PathOf("none.gpg")), 0);

    KeyList list{nullptr};
    EXPECT_EQ(ListPublicKeys(taro.homeDir.c_str(), TwoKeysFile().c_str(), &list), 44);
    EXPECT_EQ(list.head, nullptr);
    ASSERT_EQ(ListPublicKeys(taro.homeDir.c_str(), PublicKeyFileOf(Hanako()).c_str(), &list), 0);
    ASSERT_NE(list.head, nullptr);
    EXPECT_EQ(list.head->userId, UserIdOf(Hanako()));
    EXPECT_EQ(list.head->fingerprint, FingerprintOf(Hanako()));
    FreeKeyList(&list);
    WriteFile(out + ".empty", "");
    EXPECT_EQ(ListPublicKeys(taro.homeDir.c_str(), (out + ".empty").c_str(), &list), 0);
    EXPECT_EQ(list.head, nullptr);
    char fingerprint[260];
    EXPECT_EQ(GetOwnFingerprint(taro.homeDir.c_str(), taro.secretKeyring.c_str(), fingerprint), 0);
    EXPECT_EQ(fingerprint, FingerprintOf(Taro()));
}

}  // namespace
