// The engine commands against the real GnuPG, with the test users' keys.
#include <gtest/gtest.h>

#include <string>

#include "engine/encryption_commands.h"
#include "engine/key_export.h"
#include "engine/key_listing.h"
#include "engine/passphrase_change.h"
#include "engine/signature_commands.h"
#include "tests/support/fake_ui.h"
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

// Taro writes to Hanako: both have their own program folder.
class RoundTrip : public ::testing::Test {
protected:
    UserFolder taro{Taro()};
    UserFolder hanako{Hanako()};
    std::string plain = taro.folder.PathOf("report.doc");
    std::string sealed = taro.folder.PathOf("report.doc.gpg");
    std::string opened = hanako.folder.PathOf("report.doc");
    std::int32_t flags = -1;

    void SetUp() override { WriteFile(plain, SampleText()); }

    ResultCode Encrypt(std::int32_t noSign, const std::string& passphrase = "password1") {
        taro.folder.Activate();
        return EncryptFile(taro.homeDir.c_str(), taro.secretKeyring.c_str(),
                           PublicKeyFileOf(Hanako()).c_str(), plain.c_str(), sealed.c_str(),
                           FingerprintOf(Hanako()).c_str(), passphrase.c_str(), noSign, &flags);
    }

    ResultCode Decrypt(const std::string& senderKeyFile, const std::string& input,
                       const std::string& passphrase = "password1") {
        hanako.folder.Activate();
        return DecryptFile(hanako.homeDir.c_str(), hanako.secretKeyring.c_str(),
                           senderKeyFile.c_str(), opened.c_str(), input.c_str(), passphrase.c_str(),
                           &flags);
    }
};

TEST_F(RoundTrip, SignedEncryptionDecryptsWithAValidSignature) {
    ASSERT_EQ(Encrypt(0), 0);
    EXPECT_EQ(Decrypt(PublicKeyFileOf(Taro()), sealed), 0);
    EXPECT_EQ(ReadFile(opened), SampleText());
}

TEST_F(RoundTrip, UnsignedEncryptionGives33AndDecryptsWith48) {
    EXPECT_EQ(Encrypt(1), 33);
    EXPECT_EQ(Decrypt(PublicKeyFileOf(Taro()), sealed), 48);
    EXPECT_EQ(ReadFile(opened), SampleText());
}

TEST_F(RoundTrip, SignatureByAKeyNobodyGaveGives48) {
    ASSERT_EQ(Encrypt(0), 0);
    // Hanako's own key ring does not hold Taro's key: decrypted, unverified.
    EXPECT_EQ(Decrypt(hanako.publicKeyring, sealed), 48);
    EXPECT_EQ(ReadFile(opened), SampleText());
}

TEST_F(RoundTrip, WrongPassphrase) {
    EXPECT_EQ(Encrypt(0, "wrong pass"), 30);
    ASSERT_EQ(Encrypt(0), 0);
    EXPECT_EQ(Decrypt(PublicKeyFileOf(Taro()), sealed, "wrong pass"), 34);
    EXPECT_FALSE(Exists(opened));
}

TEST_F(RoundTrip, FileForSomebodyElseOrDamagedGives34AndLeavesNoOutput) {
    ASSERT_EQ(Encrypt(0), 0);
    // Taro cannot read what he encrypted for Hanako.
    taro.folder.Activate();
    std::string mine = taro.folder.PathOf("mine.doc");
    EXPECT_EQ(DecryptFile(taro.homeDir.c_str(), taro.secretKeyring.c_str(),
                          PublicKeyFileOf(Taro()).c_str(), mine.c_str(), sealed.c_str(),
                          "password1", &flags),
              34);
    EXPECT_FALSE(Exists(mine));

    // One byte changed in the middle of the encrypted data; and a file cut
    // short, of which GnuPG writes the plaintext before it notices.
    std::string bytes = ReadFile(sealed);
    std::string damaged = bytes;
    damaged[damaged.size() / 2] ^= 0x55;
    WriteFile(sealed, damaged);
    EXPECT_EQ(Decrypt(PublicKeyFileOf(Taro()), sealed), 34);
    EXPECT_FALSE(Exists(opened));
    WriteFile(sealed, bytes.substr(0, bytes.size() - 30));
    EXPECT_EQ(Decrypt(PublicKeyFileOf(Taro()), sealed), 34);
    EXPECT_FALSE(Exists(opened));
}

TEST_F(RoundTrip, FailedDecryptionKeepsAFileItDidNotTouch) {
    WriteFile(opened, "precious");
    // Not an encrypted file at all: GnuPG stops before writing anything.
    EXPECT_EQ(Decrypt(PublicKeyFileOf(Taro()), plain), 34);
    EXPECT_EQ(ReadFile(opened), "precious");
}

TEST_F(RoundTrip, DetachedSignatures) {
    taro.folder.Activate();
    std::string signature = plain + ".sig";
    auto sign = [&](const char* passphrase) {
        return SignFile(taro.homeDir.c_str(), taro.secretKeyring.c_str(),
                        taro.publicKeyring.c_str(), plain.c_str(), signature.c_str(), passphrase,
                        &flags);
    };
    auto verifyWith = [&](const TestUser& signer) {
        return VerifyFile(hanako.homeDir.c_str(), PublicKeyFileOf(signer).c_str(), plain.c_str(),
                          signature.c_str(), &flags);
    };
    EXPECT_EQ(sign("wrong pass"), 30);
    ASSERT_EQ(sign("password1"), 0);

    hanako.folder.Activate();
    EXPECT_EQ(verifyWith(Taro()), 0);
    EXPECT_EQ(verifyWith(Hanako()), 35);  // the wrong person's key file
    // Verification needs no secret key ring.
    RemoveTree(hanako.secretKeyring);
    std::string changed = SampleText();
    changed[100] ^= 1;
    WriteFile(plain, changed);
    EXPECT_EQ(verifyWith(Taro()), 35);
    WriteFile(plain, SampleText());
    EXPECT_EQ(verifyWith(Taro()), 0);
}

TEST_F(RoundTrip, PassphraseChange) {
    taro.folder.Activate();
    const char* home = taro.homeDir.c_str();
    const char* secring = taro.secretKeyring.c_str();
    const char* pubring = taro.publicKeyring.c_str();
    std::string signature = plain + ".sig";
    auto sign = [&](const char* passphrase) {
        return SignFile(home, secring, pubring, plain.c_str(), signature.c_str(), passphrase,
                        &flags);
    };
    // A wrong current passphrase changes nothing.
    EXPECT_EQ(ChangePassphrase(home, secring, pubring, "not my pass", "new pass 1"), 30);
    EXPECT_EQ(sign("password1"), 0);

    EXPECT_EQ(ChangePassphrase(home, secring, pubring, "password1", "new pass 1"), 0);
    EXPECT_EQ(sign("password1"), 30);
    EXPECT_EQ(sign("new pass 1"), 0);
}

TEST_F(RoundTrip, Export) {
    taro.folder.Activate();
    auto exportTo = [&](const std::string& key, const std::string& out) {
        return ExportPublicKey(taro.homeDir.c_str(), taro.publicKeyring.c_str(), key.c_str(),
                               out.c_str());
    };
    std::string out = taro.folder.PathOf("exported key.gpg");
    WriteFile(out, "old content");
    ASSERT_EQ(exportTo(FingerprintOf(Taro()), out), 0);
    EXPECT_EQ(ReadFile(out), ReadFile(PublicKeyFileOf(Taro())));

    // A read-only file cannot be deleted: nothing is exported over it.
    WriteFile(out, "read-only content");
    MakeReadOnly(out);
    EXPECT_EQ(exportTo(FingerprintOf(Taro()), out), 51);
    EXPECT_EQ(ReadFile(out), "read-only content");

    // A key name that matches no key still counts as run.
    EXPECT_EQ(exportTo("0123456789ABCDEF0123456789ABCDEF01234567", taro.folder.PathOf("none.gpg")),
              0);
}

TEST_F(RoundTrip, Listings) {
    taro.folder.Activate();
    KeyList list{nullptr};
    EXPECT_EQ(ListPublicKeys(taro.homeDir.c_str(), TwoKeysFile().c_str(), &list), 44);
    EXPECT_EQ(list.head, nullptr);

    ASSERT_EQ(ListPublicKeys(taro.homeDir.c_str(), PublicKeyFileOf(Hanako()).c_str(), &list), 0);
    ASSERT_NE(list.head, nullptr);
    EXPECT_EQ(std::string(list.head->userId), UserIdOf(Hanako()));
    EXPECT_EQ(std::string(list.head->fingerprint), FingerprintOf(Hanako()));
    FreeKeyList(&list);

    char fingerprint[260];
    EXPECT_EQ(GetOwnFingerprint(taro.homeDir.c_str(), taro.secretKeyring.c_str(), fingerprint), 0);
    EXPECT_EQ(std::string(fingerprint), FingerprintOf(Taro()));

    // A file without keys lists nothing.
    std::string empty = taro.folder.PathOf("empty.gpg");
    WriteFile(empty, "");
    EXPECT_EQ(ListPublicKeys(taro.homeDir.c_str(), empty.c_str(), &list), 0);
    EXPECT_EQ(list.head, nullptr);
}

}  // namespace
