// Generates the test users' key pairs once per build with the program's own
// key generation, lists and exports them, and keeps them for the other tests.
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

int CountProgress(std::int32_t*) {
    ++gProgressCalls;
    return 0;
}

void Generate(const TestUser& user) {
    ProgramFolder folder;
    folder.InstallRealGpg();
    std::string conf = folder.PathOf("conf");
    MakeFolderAt(conf);
    std::string secring = folder.PathOf("conf/secring.gpg");
    std::string pubring = folder.PathOf("conf/pubring.gpg");
    fake_ui::Reset();
    gProgressCalls = 0;
    char fingerprint[260] = "";
    ASSERT_EQ(GenerateKeyPair(conf.c_str(), secring.c_str(), pubring.c_str(), user.name.c_str(),
                              user.email.c_str(), "", user.passphrase.c_str(), fingerprint,
                              CountProgress),
              0);
    EXPECT_TRUE(fake_ui::messageBoxes.empty()) << "no key ring existed: nothing to ask";
    EXPECT_EQ(std::strlen(fingerprint), 40u);
    EXPECT_GT(gProgressCalls, 0);

    KeyList list{nullptr};
    ASSERT_EQ(ListSecretKeys(conf.c_str(), secring.c_str(), &list), 0);
    ASSERT_NE(list.head, nullptr);
    EXPECT_EQ(list.head->next, nullptr);
    EXPECT_EQ(std::string(list.head->userId), UserIdOf(user));
    EXPECT_STREQ(list.head->fingerprint, fingerprint);
    FreeKeyList(&list);

    std::string exported = folder.PathOf("public.gpg");
    ASSERT_EQ(ExportPublicKey(conf.c_str(), pubring.c_str(), fingerprint, exported.c_str()), 0);
    ASSERT_EQ(ListPublicKeys(conf.c_str(), exported.c_str(), &list), 0);
    ASSERT_NE(list.head, nullptr);
    EXPECT_STREQ(list.head->fingerprint, fingerprint);
    EXPECT_EQ(std::string(list.head->userId), UserIdOf(user));
    FreeKeyList(&list);

    std::string cache = CacheFolder(user);
    MakeFolderAt(cache);
    CopyFile(secring, cache + "secring.gpg");
    CopyFile(pubring, cache + "pubring.gpg");
    CopyFile(exported, cache + "public.gpg");
    WriteFile(cache + "fingerprint.txt", fingerprint);  // last: it marks the cache complete
}

TEST(TestKeys, GeneratedOncePerBuildWithTheProgramsKeyGeneration) {
    MakeFolderAt(KeyCache());
    for (const TestUser* user : {&Taro(), &Hanako()}) {
        if (!InCache(*user)) {
            Generate(*user);
        }
        ASSERT_TRUE(InCache(*user));
    }
    WriteFile(TwoKeysFile(),
              ReadFile(PublicKeyFileOf(Taro())) + ReadFile(PublicKeyFileOf(Hanako())));
}

}  // namespace
