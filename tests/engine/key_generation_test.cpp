#include "engine/key_generation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_support.h"

namespace {

using test_support::ProgramFolder;

TEST(CheckUserName, LengthFirstCharacterAndBytes) {
    EXPECT_EQ(CheckUserName("Taroo"), 0);
    EXPECT_EQ(CheckUserName("Taro"), 11);
    EXPECT_EQ(CheckUserName(""), 11);
    EXPECT_EQ(CheckUserName("1Taro"), 12);
    EXPECT_EQ(CheckUserName("T1aro"), 0);
    EXPECT_EQ(CheckUserName("Taro  Yamada ~!#$%&'()*+,-./:;=?@[]^_`{|}"), 0);
    EXPECT_EQ(CheckUserName("\xe5\xa4\xaa\xe9\x83\x8e"), 13);  // a Japanese name
    EXPECT_EQ(CheckUserName("Taro \xe5\xa4\xaa"), 13);
    EXPECT_EQ(CheckUserName("Ta\tro Yamada"), 13);
    EXPECT_EQ(CheckUserName("Taro\x7fY"), 13);
    EXPECT_EQ(CheckUserName("Taro <x>"), 14);
    // The first offending byte decides.
    EXPECT_EQ(CheckUserName("Taro > \xe5\xa4\xaa"), 14);
    EXPECT_EQ(CheckUserName("Taro \xe5\xa4\xaa >"), 13);
}

TEST(CheckEmailAddress, RulesOnBothSidesOfTheAtSign) {
    for (const char* good : {"a@b", ".a@b", "a.@b", "a@.b", "a+b-c_d.e@f-g.h_i+j", "A9@Z0"}) {
        EXPECT_EQ(CheckEmailAddress(good), 0) << good;
    }
    for (const char* bad : {"", "a@b.", "@ab", "ab@", "a@@b", "a@b@c", "ab", "a b@c", "a..b@c",
                            "a@b..c", "a@b\xe3\x81\x82", "a@b\x80", "a#b@c", "a@b\n"}) {
        EXPECT_EQ(CheckEmailAddress(bad), 15) << bad;
    }
}

TEST(CheckPassphraseLength, EightBytesOrMore) {
    EXPECT_EQ(CheckPassphraseLength("1234567"), 17);
    EXPECT_EQ(CheckPassphraseLength("   4 678"), 0);
    EXPECT_EQ(CheckPassphraseLength(""), 17);
}

class KeyGeneration : public ::testing::Test {
protected:
    ProgramFolder folder;
    std::string conf = folder.PathOf("conf");
    std::string secring = folder.PathOf("conf/secring.gpg");
    std::string pubring = folder.PathOf("conf/pubring.gpg");
    char fingerprint[260] = "untouched";

    void SetUp() override {
        fake_ui::Reset();
        test_support::MakeFolderAt(conf);
    }

    ResultCode Generate(const char* name = "Taro Yamada", const char* comment = "",
                        const char* passphrase = "password1", ProgressCallback progress = nullptr) {
        return GenerateKeyPair(conf.c_str(), secring.c_str(), pubring.c_str(), name,
                               "taro@example.com", comment, passphrase, fingerprint, progress);
    }

    bool GpgRan() const { return test_support::Exists(folder.PathOf("bin/fake-gpg.args")); }
};

TEST_F(KeyGeneration, WritesTheParameterTextAndClosesGpgsInput) {
    folder.InstallFakeGpg("readall\nprint [GNUPG:] KEY_CREATED B 751D20E03751AA0FA82636AD\n");
    ASSERT_EQ(Generate(), 0);
    std::string e = platform::kLineEnd;
    EXPECT_EQ(folder.FakeInput(), "Key-Type: DSA" + e + "Key-Length: 1024" + e +
                                      "Subkey-Type: ELG-E" + e + "Subkey-Length: 2048" + e +
                                      "Name-Real: Taro Yamada" + e +
                                      "Name-Email: taro@example.com" + e + "Expire-Date: 0" + e +
                                      "Passphrase: password1" + e + "%secring " + secring + e +
                                      "%pubring " + pubring + e + "%commit" + e);
    EXPECT_STREQ(fingerprint, "751D20E03751AA0FA82636AD");
    // The key rings did not exist: they were proved writable and removed again.
    EXPECT_FALSE(test_support::Exists(secring));
    EXPECT_TRUE(fake_ui::messageBoxes.empty());
}

TEST_F(KeyGeneration, CommentLineStandsBetweenAddressAndExpiry) {
    folder.InstallFakeGpg("readall\nprint [GNUPG:] KEY_CREATED P FPR\n");
    ASSERT_EQ(Generate("Taro Yamada", "at work"), 0);
    std::string e = platform::kLineEnd;
    EXPECT_NE(folder.FakeInput().find("Name-Email: taro@example.com" + e + "Name-Comment: at work" +
                                      e + "Expire-Date: 0" + e),
              std::string::npos);
}

TEST_F(KeyGeneration, GpgsOutcome) {
    struct Case {
        const char* script;
        ResultCode expected;
    } cases[] = {
        {"readall\nrepeat 3 [GNUPG:] PROGRESS primegen + 1 0\nexit 2\n", 43},
        {"readall\nprint [GNUPG:] KEY_NOT_CREATED \n", 43},
        {"readall\nprint [GNUPG:] KEY_CREATED B\nflood 300000\n", 51},
        {"readall\nprint [GNUPG:] KEY_CREATED B FPR\nprint [GNUPG:] KEY_NOT_CREATED\n", 51},
        // The last line without a line feed still counts.
        {"readall\nwrite [GNUPG:] KEY_CREATED B 0123ABCD\n", 0},
    };
    for (const Case& c : cases) {
        folder.InstallFakeGpg(c.script);
        EXPECT_EQ(Generate(), c.expected) << c.script;
    }
    EXPECT_STREQ(fingerprint, "0123ABCD");
}

std::vector<int> gSeen;

int RecordCounter(std::int32_t* counter) {
    gSeen.push_back(*counter);
    return 0;
}

int ResetCounter(std::int32_t* counter) {
    gSeen.push_back(*counter);
    *counter = 0;
    return 0;
}

TEST_F(KeyGeneration, ProgressIsCalledForEveryLineWithAWrappingCounter) {
    // 250 lines: the last one ends with the output instead of a line feed.
    folder.InstallFakeGpg(
        "readall\nrepeat 249 [GNUPG:] PROGRESS primegen . 1 0\n"
        "write [GNUPG:] KEY_CREATED B FPR\n");
    gSeen.clear();
    ASSERT_EQ(Generate("Taro Yamada", "", "password1", RecordCounter), 0);
    ASSERT_EQ(gSeen.size(), 250u);
    for (std::size_t i = 0; i < gSeen.size(); ++i) {
        EXPECT_EQ(gSeen[i], static_cast<int>((i + 1) % 100)) << i;
    }
    gSeen.clear();
    ASSERT_EQ(Generate("Taro Yamada", "", "password1", ResetCounter), 0);
    EXPECT_EQ(gSeen, std::vector<int>(250, 1));
}

TEST_F(KeyGeneration, OverwriteQuestionsComeFirst) {
    folder.InstallFakeGpg("readall\nprint [GNUPG:] KEY_CREATED B FPR\n");
    test_support::WriteFile(secring, "old secret ring");
    test_support::WriteFile(pubring, "old public ring");

    fake_ui::messageBoxAnswers = {ui::kAnswerCancel};
    EXPECT_EQ(Generate(), 1);
    ASSERT_EQ(fake_ui::messageBoxes.size(), 1u);  // the public ring is not asked about
    EXPECT_EQ(fake_ui::messageBoxes[0].caption, "CONFIRMATION");
    EXPECT_EQ(fake_ui::messageBoxes[0].style, ui::kBoxOkCancel);
    EXPECT_EQ(fake_ui::messageBoxes[0].owner, nullptr);
    EXPECT_FALSE(GpgRan());

    fake_ui::Reset();
    EXPECT_EQ(Generate("Tar"), 11);  // asked about both rings, then the name fails
    EXPECT_EQ(fake_ui::messageBoxes.size(), 2u);
    EXPECT_NE(fake_ui::messageBoxes[0].text, fake_ui::messageBoxes[1].text);
    EXPECT_FALSE(GpgRan());
    EXPECT_EQ(test_support::ReadFile(secring), "old secret ring");
}

TEST_F(KeyGeneration, RefusesBeforeGpgRuns) {
    folder.InstallFakeGpg("readall\nprint [GNUPG:] KEY_CREATED B FPR\n");
    EXPECT_EQ(Generate("Taro Yamada", "", "1234567"), 17);
    // A line break would end the passphrase line early and let the rest be
    // read as parameters of its own.
    EXPECT_EQ(Generate("Taro Yamada", "", "password1\n%pubring elsewhere"), 16);
    EXPECT_EQ(Generate("Taro Yamada", "", "password1\r"), 16);
    EXPECT_EQ(Generate("Taro Yamada", "", std::string(257, 'p').c_str()), 16);
    EXPECT_EQ(Generate("Taro Yamada", "note\nKey-Type: RSA"), 51);
    EXPECT_FALSE(GpgRan());
    EXPECT_EQ(Generate("Taro Yamada", "", std::string(256, 'p').c_str()), 0);
}

TEST_F(KeyGeneration, FoldersAndKeyRingFiles) {
    folder.InstallFakeGpg("readall\nprint [GNUPG:] KEY_CREATED B FPR\n");
    std::string missing = folder.PathOf("nothing");
    EXPECT_EQ(GenerateKeyPair(missing.c_str(), secring.c_str(), pubring.c_str(), "Taro Yamada",
                              "taro@example.com", "", "password1", fingerprint, nullptr),
              19);
    std::string noFolder = folder.PathOf("nothing/secring.gpg");
    EXPECT_EQ(GenerateKeyPair(conf.c_str(), noFolder.c_str(), pubring.c_str(), "Taro Yamada",
                              "taro@example.com", "", "password1", fingerprint, nullptr),
              20);
    EXPECT_EQ(GenerateKeyPair(conf.c_str(), secring.c_str(), noFolder.c_str(), "Taro Yamada",
                              "taro@example.com", "", "password1", fingerprint, nullptr),
              21);
    EXPECT_FALSE(GpgRan());
}

}  // namespace
