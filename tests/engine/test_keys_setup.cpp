// Makes the test users' key pairs with the program's own key generation and
// the real GnuPG, on every run, lists and exports them, and leaves them for
// the tests that need them.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/key_export.h"
#include "engine/key_generation.h"
#include "engine/key_listing.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_keys.h"

namespace {

using namespace test_support;

int gProgressCalls = 0;

void Generate(const TestUser& user) {
    std::string cache = CacheFolder(user);
    MakeFolderAt(cache);
    RemoveTree(cache + "fingerprint.txt");  // the cache is incomplete until it is written again
    UserFolder made(user, false);
    fake_ui::Reset();
    gProgressCalls = 0;
    char fingerprint[260] = "";
    ASSERT_EQ(GenerateKeyPair(made.homeDir.c_str(), made.secretKeyring.c_str(),
                              made.publicKeyring.c_str(), user.name.c_str(), user.email.c_str(), "",
                              user.passphrase.c_str(), fingerprint,
                              [](std::int32_t*) { return ++gProgressCalls; }),
              0);
    EXPECT_TRUE(fake_ui::messageBoxes.empty()) << "no key ring existed: nothing to ask";
    EXPECT_EQ(std::strlen(fingerprint), 40u);
    EXPECT_GT(gProgressCalls, 0);

    std::string exported = made.folder.PathOf("public.gpg");
    ASSERT_EQ(ExportPublicKey(made.homeDir.c_str(), made.publicKeyring.c_str(), fingerprint,
                              exported.c_str()),
              0);
    for (bool secret : {true, false}) {
        KeyList list{nullptr};
        ASSERT_EQ(secret ? ListSecretKeys(made.homeDir.c_str(), made.secretKeyring.c_str(), &list)
                         : ListPublicKeys(made.homeDir.c_str(), exported.c_str(), &list),
                  0);
        ASSERT_NE(list.head, nullptr);
        EXPECT_EQ(list.head->next, nullptr);
        EXPECT_EQ(list.head->userId, UserIdOf(user));
        EXPECT_STREQ(list.head->fingerprint, fingerprint);
        FreeKeyList(&list);
    }
    CopyFile(made.secretKeyring, cache + "secring.gpg");
    CopyFile(made.publicKeyring, cache + "pubring.gpg");
    CopyFile(exported, cache + "public.gpg");
    WriteFile(cache + "fingerprint.txt", fingerprint);  // last: it marks the cache complete
}

TEST(TestKeys, MadeByTheProgramsKeyGenerationOnEveryRun) {
    MakeFolderAt(KeyCache());
    for (const TestUser* user : {&Taro(), &Hanako()}) {
        Generate(*user);
        ASSERT_TRUE(InCache(*user));
    }
    WriteFile(TwoKeysFile(),
              ReadFile(PublicKeyFileOf(Taro())) + ReadFile(PublicKeyFileOf(Hanako())));
}

}  // namespace
