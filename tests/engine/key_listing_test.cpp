#include "engine/key_listing.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

using test_support::ProgramFolder;

const char* const kPub =
    "pub:-:1024:17:6617CB8C9F217174:2026-11-01:::-:Taro Yamada <taro@example.com>::scaESCA:\n";
const char* const kFpr = "fpr:::::::::751D20E03751AA0FA82636AD6617CB8C9F217174:\n";
const char* const kSub = "sub:-:2048:16:9AB2C4F1D0E3A5B7:2026-11-01::::::e:\n";

class Listing : public ::testing::Test {
protected:
    ProgramFolder folder;
    std::string conf = folder.PathOf("conf");
    std::string keyFile = folder.PathOf("key.gpg");
    KeyList list{nullptr};

    void SetUp() override {
        test_support::MakeFolderAt(conf);
        test_support::WriteFile(keyFile, "key bytes");
    }
    void TearDown() override { FreeKeyList(&list); }

    // The fake prints `lines` (each "print"-ed as it stands).
    void Gpg(const std::string& lines) {
        std::string script;
        std::size_t start = 0;
        while (start < lines.size()) {
            std::size_t end = lines.find('\n', start);
            script += "print " + lines.substr(start, end - start) + "\n";
            start = end + 1;
        }
        folder.InstallFakeGpg(script);
    }
    ResultCode ListPublic() { return ListPublicKeys(conf.c_str(), keyFile.c_str(), &list); }
};

TEST_F(Listing, OneKeyGivesOneEntryFromField10) {
    Gpg(std::string("tru::1:1796600000:0:3:1:5\n") + kPub + kFpr + kSub);
    ASSERT_EQ(ListPublic(), 0);
    ASSERT_NE(list.head, nullptr);
    EXPECT_EQ(list.head->next, nullptr);
    EXPECT_STREQ(list.head->userId, "Taro Yamada <taro@example.com>");
    EXPECT_STREQ(list.head->fingerprint, "751D20E03751AA0FA82636AD6617CB8C9F217174");
    EXPECT_EQ(folder.FakeArguments().find("--list-keys") != std::string::npos, true);
}

TEST_F(Listing, NoKeyAndNoFingerprint) {
    Gpg("tru::1:1796600000:0:3:1:5\n");
    EXPECT_EQ(ListPublic(), 0);
    EXPECT_EQ(list.head, nullptr);

    Gpg(std::string(kPub) + kSub);
    ASSERT_EQ(ListPublic(), 0);
    ASSERT_NE(list.head, nullptr);
    EXPECT_STREQ(list.head->fingerprint, "");
}

TEST_F(Listing, FormatErrorsEmptyTheListAndDrainGpg) {
    const std::string secondKey = std::string(kPub) + kFpr + kPub + kFpr;
    const std::string secondFingerprint = std::string(kPub) + kFpr + kFpr;
    const std::string noField10 = "pub:-:1024:17:6617CB8C9F217174:2026-11-01:::-\n";
    const std::string open10 = "pub:-:1024:17:6617CB8C9F217174:2026-11-01:::-:Taro\n";
    // A record longer than the reader keeps loses the colon that closes field 10.
    const std::string cut =
        "pub:-:1024:17:6617CB8C9F217174:2026-11-01:::-:" + std::string(250, 'T') + ":scaESCA:\n";
    for (const std::string& lines : {secondKey, secondFingerprint, noField10, open10, cut}) {
        // After the fault comes more output than a pipe holds: the command
        // only returns if it reads it all.
        Gpg(lines);
        test_support::WriteFile(
            folder.PathOf("bin/fake-gpg.script"),
            test_support::ReadFile(folder.PathOf("bin/fake-gpg.script")) + "flood 500000\n");
        EXPECT_EQ(ListPublic(), 44) << lines;
        EXPECT_EQ(list.head, nullptr);
    }
}

TEST_F(Listing, SecretListingReadsSecRecordsAndGives45) {
    Gpg("sec::1024:17:6617CB8C9F217174:2026-11-01::::Taro Yamada <taro@example.com>:::\n" +
        std::string(kFpr) + "ssb::2048:16:9AB2C4F1D0E3A5B7:2026-11-01:::::::\n");
    ASSERT_EQ(ListSecretKeys(conf.c_str(), keyFile.c_str(), &list), 0);
    ASSERT_NE(list.head, nullptr);
    EXPECT_STREQ(list.head->userId, "Taro Yamada <taro@example.com>");
    FreeKeyList(&list);
    // A "pub:" record means nothing to the secret listing.
    Gpg(std::string(kPub) + kFpr + kFpr);
    EXPECT_EQ(ListSecretKeys(conf.c_str(), keyFile.c_str(), &list), 45);
}

TEST_F(Listing, PreconditionsComeBeforeGpg) {
    folder.InstallFakeGpg("print never\n");
    EXPECT_EQ(ListPublicKeys(folder.PathOf("none").c_str(), keyFile.c_str(), &list), 19);
    EXPECT_EQ(ListPublicKeys(conf.c_str(), folder.PathOf("none.gpg").c_str(), &list), 27);
    EXPECT_EQ(ListSecretKeys(conf.c_str(), folder.PathOf("none.gpg").c_str(), &list), 26);
    ASSERT_EQ(AddKeyEntry(&list, "someone", "ABCD"), 0);
    EXPECT_EQ(ListPublic(), 28);
    EXPECT_STREQ(list.head->userId, "someone");
    EXPECT_FALSE(test_support::Exists(folder.PathOf("bin/fake-gpg.args")));
}

TEST_F(Listing, GetOwnFingerprintGives45ForAnythingButOneKey) {
    char fingerprint[260] = "";
    EXPECT_EQ(GetOwnFingerprint(conf.c_str(), folder.PathOf("none.gpg").c_str(), fingerprint), 45);
    Gpg("sec::1024:17:X:2026-11-01::::Taro:::\nfpr:::::::::ABCDEF:\n");
    EXPECT_EQ(GetOwnFingerprint(conf.c_str(), keyFile.c_str(), fingerprint), 0);
    EXPECT_STREQ(fingerprint, "ABCDEF");
    Gpg("tru::1\n");
    EXPECT_EQ(GetOwnFingerprint(conf.c_str(), keyFile.c_str(), fingerprint), 45);
}

TEST(KeyList, EntriesGoInFrontAndFreeingEmpties) {
    KeyList list{nullptr};
    EXPECT_EQ(FreeKeyList(&list), 0);
    ASSERT_EQ(AddKeyEntry(&list, "first", "1111"), 0);
    ASSERT_EQ(AddKeyEntry(&list, "second", ""), 0);
    EXPECT_STREQ(list.head->userId, "second");
    EXPECT_STREQ(list.head->next->fingerprint, "1111");
    EXPECT_EQ(FreeKeyList(&list), 0);
    EXPECT_EQ(list.head, nullptr);
}

}  // namespace
