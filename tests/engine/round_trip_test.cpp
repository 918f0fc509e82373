// The engine against the real GnuPG. TestKeys makes the test users' key
// pairs with the program's own key generation on every run (CTest runs it
// first, as test_keys_setup) and leaves them for every test that needs them;
// RoundTrip takes every command through GnuPG with those keys.
#include "tests/engine/engine_fixture.h"
#include "tests/support/test_keys.h"

namespace {

using namespace test_support;

const std::string kSample = [] {
    std::string text = "Quillet test data\r\n";
    for (int i = 0; i < 2000; ++i) {
        text += "line " + std::to_string(i) + " \x01\x02\xff binary bytes too\n";
    }
    return text;
}();

class RealGpg : public EngineTest {
public:
    void SetUp() override {
        EngineTest::SetUp();
        folder.InstallRealGpg();
        for (const std::string& file : {secring, pubring, trustdb}) {
            RemoveTree(file);
        }
        WriteFile(input, kSample);
    }
    // Makes the program folder `user`'s, with `peer`'s public key file.
    void Be(const TestUser& user, const TestUser& peer) {
        CopyFile(CacheFolder(user) + "secring.gpg", secring);
        CopyFile(CacheFolder(user) + "pubring.gpg", pubring);
        keyFile = PublicKeyFileOf(peer);
        keyName = FingerprintOf(peer);
    }
};
using TestKeys = RealGpg;
using RoundTrip = RealGpg;

TEST_F(TestKeys, MadeByTheProgramsKeyGenerationOnEveryRun) {
    static int progressCalls = 0;
    progress = [](std::int32_t*) { return ++progressCalls; };
    for (const TestUser* user : {&Taro(), &Hanako()}) {
        std::string cache = CacheFolder(*user);
        MakeFolderAt(cache);
        RemoveTree(cache + "fingerprint.txt");  // the cache is incomplete until it is written
        name = user->name;
        email = user->email;
        passphrase = user->passphrase;
        newSecring = folder.PathOf("conf/" + user->cacheName + "-sec.gpg");
        newPubring = folder.PathOf("conf/" + user->cacheName + "-pub.gpg");
        std::string made = Run(Cmd::Generate);
        ASSERT_EQ(made.size(), 42u) << made;
        keyName = made.substr(2);
        std::string listed = "0 " + UserIdOf(*user) + "|" + keyName;
        secring = newSecring;
        pubring = newPubring;
        output = keyFile = cache + "public.gpg";
        ASSERT_EQ(Run(Cmd::Export), "0 +output");
        EXPECT_EQ(Run(Cmd::List), listed);
        EXPECT_EQ(Run(Cmd::ListSecret), listed);
        CopyFile(secring, cache + "secring.gpg");
        CopyFile(pubring, cache + "pubring.gpg");
        WriteFile(cache + "fingerprint.txt", keyName);  // last: it marks the cache complete
    }
    EXPECT_TRUE(fake_ui::messageBoxes.empty()) << "no key ring existed: nothing to ask";
    EXPECT_GT(progressCalls, 0);
    WriteFile(TwoKeysFile(),
              ReadFile(PublicKeyFileOf(Taro())) + ReadFile(PublicKeyFileOf(Hanako())));
}

TEST_F(RoundTrip, EncryptionAndDecryption) {
    Be(Taro(), Hanako());
    passphrase = "wrong pass";
    EXPECT_EQ(Run(Cmd::Encrypt), "30");
    passphrase = "password1";
    ASSERT_EQ(Run(Cmd::Encrypt), "0");
    std::string sealed = ReadFile(output);
    input = output;
    output = folder.PathOf("opened.doc");
    // Taro cannot read what he encrypted for Hanako.
    EXPECT_EQ(Run(Cmd::Decrypt), "34");
    Be(Hanako(), Taro());
    EXPECT_EQ(Run(Cmd::Decrypt), "0 +output");
    EXPECT_EQ(ReadFile(output), kSample);
    keyFile = pubring;  // Hanako's own ring does not hold Taro's key: unverified
    EXPECT_EQ(Run(Cmd::Decrypt), "48 +output");
    EXPECT_EQ(ReadFile(output), kSample);

    // One byte changed; cut short (GnuPG writes the plaintext before it
    // notices); not encrypted at all; a wrong passphrase: no plaintext is
    // left, but a file the run did not touch stays.
    std::string damaged = sealed;
    damaged[damaged.size() / 2] ^= 0x55;
    keyFile = PublicKeyFileOf(Taro());
    for (const std::string& content : {damaged, sealed.substr(0, sealed.size() - 30), kSample}) {
        WriteFile(input, content);
        RemoveTree(output);
        EXPECT_EQ(Run(Cmd::Decrypt), "34");
    }
    WriteFile(input, sealed);
    passphrase = "wrong pass";
    EXPECT_EQ(Run(Cmd::Decrypt), "34");
    WriteFile(output, "precious");
    WriteFile(input, kSample);
    EXPECT_EQ(Run(Cmd::Decrypt), "34 +output");
    EXPECT_EQ(ReadFile(output), "precious");

    Be(Taro(), Hanako());
    passphrase = "password1";
    std::swap(input, output);
    WriteFile(input, kSample);
    EXPECT_EQ(Run(Cmd::NoSign), "33");
    std::swap(input, output);
    Be(Hanako(), Taro());
    EXPECT_EQ(Run(Cmd::Decrypt), "48 +output");
    EXPECT_EQ(ReadFile(output), kSample);
}

TEST_F(RoundTrip, DetachedSignaturesAndThePassphraseChange) {
    Be(Taro(), Taro());
    passphrase = "wrong pass";
    EXPECT_EQ(Run(Cmd::Sign), "30");
    EXPECT_EQ(Run(Cmd::Change), "30");  // a wrong current passphrase changes nothing
    passphrase = "password1";
    EXPECT_EQ(Run(Cmd::Sign), "0");
    EXPECT_EQ(Run(Cmd::Verify), "0");
    keyFile = PublicKeyFileOf(Hanako());
    EXPECT_EQ(Run(Cmd::Verify), "35");  // the wrong person's key file
    keyFile = PublicKeyFileOf(Taro());
    WriteFile(input, kSample + "changed");
    EXPECT_EQ(Run(Cmd::Verify), "35");
    RemoveTree(secring);  // verification needs no secret key ring
    WriteFile(input, kSample);
    EXPECT_EQ(Run(Cmd::Verify), "0");

    // GnuPG cannot write the secret key ring (it makes its new copy beside
    // the old one first, under a name taken here by a folder): nothing
    // changed, and no success is reported.
    Be(Taro(), Taro());
    for (const char* copy : {"conf/secring.gpg.tmp", "conf/secring.tmp"}) {
        MakeFolderAt(folder.PathOf(copy));
    }
    EXPECT_EQ(Run(Cmd::Change), "51");
    EXPECT_EQ(Run(Cmd::Sign), "0");
    for (const char* copy : {"conf/secring.gpg.tmp", "conf/secring.tmp"}) {
        RemoveTree(folder.PathOf(copy));
    }
    EXPECT_EQ(Run(Cmd::Change), "0");
    EXPECT_EQ(Run(Cmd::Sign), "30");
    passphrase = newPassphrase;
    EXPECT_EQ(Run(Cmd::Sign), "0");
    EXPECT_EQ(Run(Cmd::Verify), "0");
}

TEST_F(RoundTrip, ExportAndListings) {
    Be(Taro(), Hanako());
    keyName = FingerprintOf(Taro());
    ASSERT_EQ(Run(Cmd::Export), "0 +output");
    EXPECT_EQ(ReadFile(output), ReadFile(PublicKeyFileOf(Taro())));
    // A read-only file cannot be deleted: nothing is exported over it.
    WriteFile(output, "read-only content");
    MakeReadOnly(output);
    EXPECT_EQ(Run(Cmd::Export), "51 +output");
    EXPECT_EQ(ReadFile(output), "read-only content");
    output = folder.PathOf("none.gpg");
    keyName = std::string(40, '0');  // a key name that matches no key still counts as run
    EXPECT_EQ(Run(Cmd::Export), "0");

    EXPECT_EQ(Run(Cmd::List), "0 " + UserIdOf(Hanako()) + "|" + FingerprintOf(Hanako()));
    EXPECT_EQ(Run(Cmd::ListSecret), "0 " + UserIdOf(Taro()) + "|" + FingerprintOf(Taro()));
    keyFile = TwoKeysFile();
    EXPECT_EQ(Run(Cmd::List), "44");
    keyFile = input;
    WriteFile(input, "");
    EXPECT_EQ(Run(Cmd::List), "0");
    char fingerprint[260];
    EXPECT_EQ(GetOwnFingerprint(conf.c_str(), secring.c_str(), fingerprint), 0);
    EXPECT_EQ(fingerprint, FingerprintOf(Taro()));
}

}  // namespace
