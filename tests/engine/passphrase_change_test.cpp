// The key editor dialogue of the passphrase change, against a scripted GnuPG
// that asks what real GnuPG asks (and what it should not).
#include "engine/passphrase_change.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace {

using test_support::ProgramFolder;

// The listing that finds the key to edit.
const char* const kListing =
    "on --list-secret-keys\n"
    "print sec::1024:17:6617CB8C9F217174:2026-11-01::::Taro Yamada <taro@example.com>:::\n"
    "print fpr:::::::::751D20E03751AA0FA82636AD6617CB8C9F217174:\n"
    "on --edit-key\n";

const char* const kAskCurrent =
    "print [GNUPG:] USERID_HINT 6617CB8C9F217174 Taro Yamada <taro@example.com>\n"
    "print [GNUPG:] NEED_PASSPHRASE 6617CB8C9F217174 6617CB8C9F217174 17 0\n"
    "print [GNUPG:] GET_HIDDEN passphrase.enter\nreadline\nprint [GNUPG:] GOT_IT\n";

class PassphraseChange : public ::testing::Test {
protected:
    ProgramFolder folder;
    std::string conf = folder.PathOf("conf");
    std::string secring = folder.PathOf("conf/secring.gpg");
    std::string pubring = folder.PathOf("conf/pubring.gpg");

    void SetUp() override {
        test_support::MakeFolderAt(conf);
        test_support::WriteFile(secring, "secret ring");
        test_support::WriteFile(pubring, "public ring");
    }
    void Editor(const std::string& dialogue) { folder.InstallFakeGpg(kListing + dialogue); }
    ResultCode Change(const char* oldPass = "old pass 1", const char* newPass = "new pass 1") {
        return ChangePassphrase(conf.c_str(), secring.c_str(), pubring.c_str(), oldPass, newPass);
    }
    std::string Lines(std::initializer_list<const char*> answers) const {
        std::string text;
        for (const char* answer : answers) {
            text += std::string(answer) + platform::kLineEnd;
        }
        return text;
    }
};

TEST_F(PassphraseChange, AnswersCurrentOnceNewAsOftenAsAskedThenSaves) {
    Editor(std::string(kAskCurrent) +
           "print [GNUPG:] GOOD_PASSPHRASE\n"
           "print [GNUPG:] NEED_PASSPHRASE_SYM 7 3 2\n"
           "print [GNUPG:] GET_HIDDEN passphrase.enter\nreadline\n"
           "print [GNUPG:] GET_HIDDEN passphrase.repeat\nreadline\n"
           "print [GNUPG:] GET_LINE keyedit.prompt\nreadline\nprint [GNUPG:] GOT_IT\n");
    EXPECT_EQ(Change(), 0);
    EXPECT_EQ(folder.FakeInput(), Lines({"old pass 1", "new pass 1", "new pass 1", "save"}));
    std::string args = folder.FakeArguments();
    EXPECT_NE(args.find("--edit-key"), std::string::npos);
    EXPECT_NE(args.find("751D20E03751AA0FA82636AD6617CB8C9F217174"), std::string::npos);
}

TEST_F(PassphraseChange, WrongCurrentPassphraseQuitsClosesInputAndGives30) {
    // After "quit" GnuPG asks whether to save and waits for the answer: only
    // the closed input lets it go on.
    Editor(std::string(kAskCurrent) + "print [GNUPG:] BAD_PASSPHRASE 6617CB8C9F217174\n" +
           kAskCurrent + "print [GNUPG:] BAD_PASSPHRASE 6617CB8C9F217174\n" +
           "print [GNUPG:] GET_LINE keyedit.prompt\nreadline\n"
           "print [GNUPG:] GET_BOOL keyedit.save.okay\nreadall\nprint [GNUPG:] GOT_IT\n");
    EXPECT_EQ(Change("not mine 1"), 30);
    EXPECT_EQ(folder.FakeInput(), Lines({"not mine 1", "not mine 1", "quit"}));
}

TEST_F(PassphraseChange, BadAfterGoodIsRefusedAgain) {
    Editor(std::string(kAskCurrent) + "print [GNUPG:] GOOD_PASSPHRASE\n" +
           "print [GNUPG:] BAD_PASSPHRASE 6617CB8C9F217174\n" +
           "print [GNUPG:] GET_LINE keyedit.prompt\nreadline\n");
    EXPECT_EQ(Change(), 30);
}

TEST_F(PassphraseChange, AnUnansweredQuestionClosesGpgsInputInsteadOfHanging) {
    // GnuPG asks yes or no and waits: the program has no answer for it.
    Editor(std::string(kAskCurrent) +
           "print [GNUPG:] GOOD_PASSPHRASE\nprint [GNUPG:] NEED_PASSPHRASE_SYM 7 3 2\n"
           "print [GNUPG:] GET_HIDDEN passphrase.enter\nreadline\n"
           "print [GNUPG:] GET_BOOL change_passwd.empty.okay\nreadline\n"
           "print [GNUPG:] GET_LINE keyedit.prompt\nreadline\n"
           "print [GNUPG:] GET_BOOL keyedit.save.okay\nreadline\n");
    EXPECT_EQ(Change(), 51);
    EXPECT_EQ(folder.FakeInput(), Lines({"old pass 1", "new pass 1"}));
}

TEST_F(PassphraseChange, GpgThatAsksForeverAfterItsInputEndedIsStopped) {
    Editor(std::string(kAskCurrent) + "print [GNUPG:] GET_BOOL something.odd\n" +
           "repeat 1000000 [GNUPG:] GET_LINE keyedit.prompt\nhang\n");
    EXPECT_EQ(Change(), 51);
}

TEST_F(PassphraseChange, GpgEndingBeforeItWasToldToSaveChangedNothing) {
    // For example a GnuPG whose key editor cannot open its console: it ends
    // without a question, and the old passphrase stays.
    Editor("print [GNUPG:] USERID_HINT 6617CB8C9F217174 Taro\n");
    EXPECT_EQ(Change(), 51);
    Editor(std::string(kAskCurrent) + "print [GNUPG:] GOOD_PASSPHRASE\n");
    EXPECT_EQ(Change(), 51);
}

TEST_F(PassphraseChange, RefusalsBeforeGpgRuns) {
    Editor("print never\n");
    EXPECT_EQ(Change("1234567", "new pass 1"), 17);
    EXPECT_EQ(Change("old pass 1", "1234567"), 17);
    EXPECT_EQ(Change("old pass 1", "new pass 1\nsave"), 16);
    EXPECT_EQ(Change("old pass 1\r", "new pass 1"), 16);
    EXPECT_EQ(Change("old pass 1", std::string(257, 'n').c_str()), 16);
    EXPECT_FALSE(test_support::Exists(folder.PathOf("bin/fake-gpg.args")));

    // A secret key ring with two keys, or none.
    folder.InstallFakeGpg(
        "print sec::1024:17:A:2026-11-01::::One:::\nprint fpr:::::::::AAAA:\n"
        "print sec::1024:17:B:2026-11-01::::Two:::\nprint fpr:::::::::BBBB:\n");
    EXPECT_EQ(Change(), 45);
    folder.InstallFakeGpg("print tru::1\n");
    EXPECT_EQ(Change(), 45);
    EXPECT_EQ(folder.FakeArguments().find("--edit-key"), std::string::npos);
}

}  // namespace
