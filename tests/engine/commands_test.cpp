// Every engine command against a scripted GnuPG: its command line byte for
// byte, what it makes of GnuPG's output and what it wrote to GnuPG, and what
// it refuses before GnuPG runs.
#include <chrono>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "tests/engine/engine_fixture.h"

namespace {

using test_support::ReadFile;

std::string Q(const std::string& path) {
    return "\"" + path + "\"";
}

TEST_F(EngineTest, CommandLinesOfAllNineTemplates) {
    const std::string h = "--no-random-seed-file --status-fd=1 --cipher-algo aes  --homedir=" +
                          Q(conf) + " --",
                      s = h + "secret-keyring=", batch = " --batch --yes --always-trust ",
                      encrypt = s + Q(secring) + " --keyring=" + Q(keyFile) + batch +
                                "--passphrase-fd=0 ",
                      list =
                          " --batch --no-default-keyring --list-keys --with-colons "
                          "--with-fingerprint",
                      listSecret = s + Q(secring) +
                                   " --batch --no-default-keyring --list-secret-keys "
                                   "--with-colons --with-fingerprint";
    const std::vector<std::string> lines[] = {
        {encrypt + "-s -e -r " + kFpr + " -o " + Q(output) + " " + Q(input)},
        {encrypt + " -e -r " + kFpr + " -o " + Q(output) + " " + Q(input)},
        {s + Q(secring) + " --keyring=" + Q(keyFile) + " -o " + Q(output) + batch +
         "--passphrase-fd=0 -d " + Q(input)},
        {s + Q(secring) + " --keyring=" + Q(pubring) + batch +
         "--passphrase-fd=0 --detach-sign -o " + Q(output) + " " + Q(input)},
        {h + "keyring=" + Q(keyFile) + " --no-default-keyring" + batch + "--status-fd=1 --verify " +
         Q(output) + " " + Q(input)},
        {h + "keyring=" + Q(pubring) + " --batch --yes --no-default-keyring -o " + Q(output) +
         " --export " + kFpr},
        {s + Q(newSecring) + " --keyring=" + Q(newPubring) + " --batch --gen-key"},
        {h + "keyring=" + Q(keyFile) + list},
        {listSecret},
        {listSecret, s + Q(secring) + " --keyring=" + Q(pubring) +
                         " --no-default-keyring --command-fd=0 --edit-key " + kFpr + " passwd"},
    };
    for (int cmd = 0; cmd < 10; ++cmd) {
        folder.InstallFakeGpg(GoodGpg(Cmd(cmd)));
        Run(Cmd(cmd));
        // What the fake recorded: Windows hands it the text itself, blanks
        // and quotes as they are; POSIX the words of it.
        std::string expected;
        for (const std::string& line : lines[cmd]) {
#ifdef _WIN32
            expected += Q(folder.PathOf("bin/gpg.exe")) + " " + line + "\n";
#else
            for (const std::string& word : platform::SplitCommandLine(line.c_str())) {
                expected += word + "\n";
            }
#endif
        }
        EXPECT_EQ(folder.FakeArguments(), expected) << cmd;
    }
}

TEST_F(EngineTest, WhatEachCommandMakesOfGpgsOutputAndWhatItWroteToGpg) {
    const std::string pass = Line(passphrase), r = "readline\n", all = "readall\n",
                      news = pass + Line(newPassphrase) + Line(newPassphrase) + Line("save"),
                      keyParams = Line("Key-Type: DSA") + Line("Key-Length: 1024") +
                                  Line("Subkey-Type: ELG-E") + Line("Subkey-Length: 2048") +
                                  Line("Name-Real: Taro Yamada") +
                                  Line("Name-Email: taro@example.com") + Line("Expire-Date: 0") +
                                  Line("Passphrase: password1") + Line("%secring " + newSecring) +
                                  Line("%pubring " + newPubring) + Line("%commit"),
                      created = all + "print [GNUPG:] KEY_CREATED B ",
                      tru = "print tru::1:1796600000:0:3:1:5\n",
                      noField10 = "print pub:-:1024:17:X:2026-11-01:::-", full = " " + kUid + "|";
    const struct {
        Cmd cmd;
        std::string script, outcome, input;  // input: what GnuPG read
    } rows[] = {
        {Cmd::Encrypt, r + kSig + kEncEnd, "0", pass},
        {Cmd::NoSign, r + kEncEnd, "33", pass},  // the passphrase goes all the same
        {Cmd::Encrypt, r + kSig, "32", pass},
        // Far more after the refusal than a pipe holds: the run only ends if
        // the rest is read; what comes after it is not taken.
        {Cmd::Encrypt, r + kSig + kBad + "flood 1000000 [GNUPG:] X\\n\n" + kEncEnd, "30", pass},
        {Cmd::Encrypt, all + kSig + kEncEnd, "0", pass},  // GnuPG gets the end of its input
        // An overlong line is examined by its start; a last line without
        // a line feed still counts.
        {Cmd::Encrypt, r + "flood 300 [GNUPG:] SIG_CREATED \nwrite \\n[GNUPG:] END_ENCRYPTION\n",
         "0", pass},
        // A failed decryption removes only what its own run wrote.
        {Cmd::Decrypt, r + kValid + kDecEnd, "0 +output", pass},
        {Cmd::Decrypt, r + "writefile -o plain\n" + kDecEnd, "48 +output", pass},
        {Cmd::Decrypt, r + "writefile -o plain\n" + kValid, "34", pass},
        {Cmd::Decrypt, r + "print [GNUPG:] DECRYPTION_FAILED\n" + kDecEnd, "34 +output", pass},
        {Cmd::Decrypt, r + "writefile -o x\n" + kBad + kDecEnd, "34", pass},
        {Cmd::Sign, r + kSig, "0", pass},
        {Cmd::Sign, r + "print [GNUPG:] BEGIN_SIGNING H2\n", "33", pass},
        {Cmd::Verify, "print [GNUPG:] GOODSIG 6617 Taro\n" + kValid, "0", ""},
        {Cmd::Verify, "print [GNUPG:] BADSIG 6617 Taro\n", "35", ""},
        {Cmd::Verify, kBad + kValid, "35", ""},
        {Cmd::Export, "print nothing exported\n", "0", ""},  // the old file went first
        // The fingerprint is the rest of the line, without the CR of a CR LF.
        {Cmd::Generate, created + "0123ABCD\\r\n", "0 0123ABCD", keyParams},
        {Cmd::Generate, all + "write [GNUPG:] KEY_CREATED P 0123ABCD", "0 0123ABCD", keyParams},
        {Cmd::Generate, all + "print [GNUPG:] PROGRESS primegen + 1 0\nexit 2\n", "43", keyParams},
        {Cmd::Generate, all + "print [GNUPG:] KEY_NOT_CREATED\n", "43", keyParams},
        {Cmd::Generate, all + "print [GNUPG:] KEY_CREATED B\nflood 300000 x\n", "51", keyParams},
        {Cmd::Generate, created + "F\nprint [GNUPG:] KEY_NOT_CREATED\n", "51", keyParams},
        {Cmd::List, tru + kPub + kFprLine + "print sub:-:2048:16:9AB2:2026-11-01::::::e:\n",
         "0" + full + kFpr, ""},
        {Cmd::List, tru, "0", ""},
        {Cmd::List, kPub, "0" + full, ""},
        // Format errors: the rest of the output, more than a pipe holds, is
        // read before the command returns.
        {Cmd::List, kPub + kFprLine + kPub + "flood 500000 x\n", "44", ""},
        {Cmd::List, kPub + kFprLine + kFprLine + "flood 500000 x\n", "44", ""},
        {Cmd::List, noField10 + "\n", "44", ""},
        {Cmd::List, noField10 + ":Taro\n", "44", ""},
        // A record longer than the reader keeps loses the colon after field 10.
        {Cmd::List, noField10 + ":" + std::string(250, 'T') + ":s:\n", "44", ""},
        {Cmd::ListSecret, kSecListing + "print ssb::2048:16:9AB2:2026-11-01:::::::\n",
         "0" + full + kFpr, ""},
        {Cmd::ListSecret, kPub + kFprLine + kFprLine, "45", ""},
        // The current passphrase once, the new one as often as asked, then save.
        {Cmd::Change, kEditor + kAskOld + kAskNew + kPrompt + kSaved, "0", news},
        // Saved, but the key ring is as it was: GnuPG could not write it.
        {Cmd::Change, kEditor + kAskOld + kAskNew + kPrompt, "51", news},
        // GnuPG failed to save and asks again: no second save, no endless loop.
        {Cmd::Change, kEditor + kAskOld + kAskNew + kPrompt + kPrompt, "51", news + Line("quit")},
        // A refused passphrase is given again as asked; "quit" and the end
        // of the input then answer the question whether to save.
        {Cmd::Change,
         kEditor + kAskOld + kBad + kAskOld + kBad + kPrompt +
             "print [GNUPG:] GET_BOOL k\nreadall\n",
         "30", pass + pass + Line("quit")},
        {Cmd::Change, kEditor + kAskOld + "print [GNUPG:] GOOD_PASSPHRASE\n" + kBad + kPrompt, "30",
         pass + Line("quit")},
        // A question the program has no answer for ends GnuPG's input.
        {Cmd::Change, kEditor + kAskOld + "print [GNUPG:] GET_BOOL k\nreadline\n" + kPrompt, "51",
         pass},
        {Cmd::Change, kEditor + kAskOld + "flood 100000 [GNUPG:] GET_BOOL k\\n\nhang\n", "51",
         pass},
        // Deliberately 51, not 0: an editor that ends without a question
        // changed nothing.
        {Cmd::Change, kEditor + "print [GNUPG:] USERID_HINT 6617CB8C9F217174 Taro\n", "51", ""},
        {Cmd::Change, tru, "45", ""},
        {Cmd::Change, kSecListing + kSecListing, "45", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        SetUp();  // every row starts from the same files
        folder.InstallFakeGpg(row.script);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Run(row.cmd), row.outcome);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        EXPECT_EQ(folder.FakeInput(), row.input);
    }
}

TEST_F(EngineTest, RefusalsComeBeforeGpgRunsAndChangeNothing) {
    using E = EngineTest;
    const std::string none = folder.PathOf("none"), quoted = folder.PathOf("say \"hi\".txt"),
                      longName(1700, 'r'), tooLong(257, 'p');
    const struct {
        Cmd cmd;
        std::string E::*field;
        std::string value;
        ResultCode code;
    } rows[] = {
        // An output that is another file of the same run, however spelled.
        {Cmd::Encrypt, &E::output, folder.PathOf("./report.doc"), 29},
        {Cmd::Encrypt, &E::output, folder.PathOf("./hanako.gpg"), 29},
        {Cmd::Encrypt, &E::output, trustdb, 29},
        {Cmd::Encrypt, &E::output, pubring, 29},
        {Cmd::Decrypt, &E::output, folder.PathOf("./report.doc"), 29},
        {Cmd::Decrypt, &E::output, keyFile, 29},
        {Cmd::Decrypt, &E::output, secring, 29},
        {Cmd::Sign, &E::output, input, 29},
        {Cmd::Sign, &E::output, secring, 29},
        {Cmd::Sign, &E::output, pubring, 29},
        {Cmd::Export, &E::output, pubring, 29},
        // Names the command line cannot quote, and lines that do not fit.
        {Cmd::Encrypt, &E::input, quoted, 29},
        {Cmd::Verify, &E::input, quoted, 29},
        {Cmd::Export, &E::output, quoted, 29},
        {Cmd::Encrypt, &E::keyName, longName, 51},
        {Cmd::Export, &E::keyName, longName, 51},
        // A line break would end GnuPG's passphrase line early and let the
        // rest pass for more input; GnuPG reads at most 256 bytes.
        {Cmd::Encrypt, &E::passphrase, "password1\n", 16},
        {Cmd::Sign, &E::passphrase, "pass\rword1", 16},
        {Cmd::Decrypt, &E::passphrase, tooLong, 16},
        {Cmd::Generate, &E::passphrase, "password1\n%pubring elsewhere", 16},
        {Cmd::Generate, &E::passphrase, tooLong, 16},
        {Cmd::Generate, &E::passphrase, "1234567", 17},
        {Cmd::Generate, &E::comment, "note\nKey-Type: RSA", 51},
        {Cmd::Change, &E::passphrase, "1234567", 17},
        {Cmd::Change, &E::newPassphrase, "1234567", 17},
        {Cmd::Change, &E::newPassphrase, "new pass 1\nsave", 16},
        {Cmd::Change, &E::passphrase, tooLong, 16},
        // Folders and key files, in the order of the checks.
        {Cmd::Encrypt, &E::conf, secring, 19},
        {Cmd::Encrypt, &E::secring, none, 26},
        {Cmd::Decrypt, &E::keyFile, none, 27},
        {Cmd::Verify, &E::keyFile, none, 27},
        {Cmd::Sign, &E::pubring, none, 27},
        {Cmd::List, &E::conf, none, 19},
        {Cmd::List, &E::keyFile, none, 27},
        {Cmd::ListSecret, &E::secring, none, 26},
        {Cmd::Change, &E::secring, none, 26},
        {Cmd::Export, &E::pubring, none, 27},
        {Cmd::Generate, &E::conf, none, 19},
        {Cmd::Generate, &E::newSecring, none + "/sec.gpg", 20},
        {Cmd::Generate, &E::newPubring, none + "/pub.gpg", 21},
    };
    std::vector<std::string> files;
    for (const std::string* file : Files()) {
        files.push_back(*file);
    }
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        folder.InstallFakeGpg(GoodGpg(row.cmd));
        std::string kept = this->*row.field;
        this->*row.field = row.value;
        std::string outcome = Run(row.cmd);
        this->*row.field = kept;
        EXPECT_EQ(outcome.substr(0, outcome.find(' ')), std::to_string(row.code));
        EXPECT_FALSE(GpgRan());
        for (const std::string& file : files) {
            EXPECT_EQ(ReadFile(file), "bytes of " + file);
        }
    }
    EXPECT_EQ(flags, 0x7777) << "no command got as far as GnuPG";
}

TEST_F(EngineTest, MissingGpgAndTheLongestPassphrase) {
    const std::string outcomes[] = {"10", "10", "34 +output", "10", "35",
                                    "10", "10", "10",         "10", "45"};
    for (int cmd = 0; cmd < 10; ++cmd) {
        EXPECT_EQ(Run(Cmd(cmd)), outcomes[cmd]) << cmd;
    }
    EXPECT_EQ(flags, 0) << "the flag word starts at 0 whatever the caller left in it";
    folder.InstallFakeGpg("readline\n" + kSig);
    passphrase = std::string(256, 'x');
    EXPECT_EQ(Run(Cmd::Sign), "0");
    EXPECT_EQ(folder.FakeInput(), Line(passphrase));
}

TEST_F(EngineTest, KeyGenerationCommentProgressAndOverwriteQuestions) {
    comment = "at work";
    std::string script = "readall\n";
    for (int line = 1; line < 250; ++line) {
        script += "print [GNUPG:] PROGRESS primegen . 1 0\n";
    }
    folder.InstallFakeGpg(script + "write [GNUPG:] KEY_CREATED B FPR\n");
    static std::vector<int> seen;
    progress = [](std::int32_t* counter) {
        seen.push_back(*counter);
        return 0;
    };
    ASSERT_EQ(Run(Cmd::Generate), "0 FPR");
    EXPECT_NE(folder.FakeInput().find(Line("Name-Email: taro@example.com") +
                                      Line("Name-Comment: at work") + Line("Expire-Date: 0")),
              std::string::npos);
    // One call per line, the last line included, with a counter that wraps
    // at 100; one that the callback sets back is always 1.
    ASSERT_EQ(seen.size(), 250u);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i], static_cast<int>((i + 1) % 100)) << i;
    }
    seen.clear();
    progress = [](std::int32_t* counter) { return seen.push_back(*counter), *counter = 0; };
    ASSERT_EQ(Run(Cmd::Generate), "0 FPR");
    EXPECT_EQ(seen, std::vector<int>(250, 1));
    // The new rings were proved writable and removed again, without a question.
    EXPECT_FALSE(test_support::Exists(newSecring));
    EXPECT_TRUE(fake_ui::messageBoxes.empty());

    // Existing rings: Cancel at the first question ends it there; both
    // questions come before the input is checked.
    newSecring = secring;
    newPubring = pubring;
    fake_ui::messageBoxAnswers = {ui::kAnswerCancel};
    EXPECT_EQ(Run(Cmd::Generate), "1");
    passphrase = "short";
    EXPECT_EQ(Run(Cmd::Generate), "17");
    ASSERT_EQ(fake_ui::messageBoxes.size(), 3u);
    for (int box = 0; box < 3; ++box) {
        EXPECT_EQ(fake_ui::messageBoxes[box].caption, "CONFIRMATION");
        EXPECT_EQ(fake_ui::messageBoxes[box].style, ui::kBoxOkCancel);
        EXPECT_EQ(fake_ui::messageBoxes[box].owner, nullptr);
        EXPECT_EQ(fake_ui::messageBoxes[box].text, test_support::StringText(box < 2 ? 88 : 90));
    }
    EXPECT_EQ(ReadFile(secring), "bytes of " + secring);
}

TEST_F(EngineTest, KeyInputChecksKeyListsAndTheOwnFingerprint) {
    const std::pair<const char*, ResultCode> names[] = {
        {"Taroo", 0},
        {"Taro", 11},
        {"", 11},
        {"1Taro", 12},
        {"T1aro", 0},
        {"Taro  Yamada ~!#$%&'()*+,-./:;=?@[]^_`{|}", 0},
        {"\xe5\xa4\xaa\xe9\x83\x8e", 13},
        {"Taro \xe5\xa4\xaa", 13},
        {"Ta\tro Yamada", 13},
        {"Taro\x7fY", 13},
        {"Taro <x>", 14},
        {"Taro > \xe5\xa4\xaa", 14},
        {"Taro \xe5\xa4\xaa >", 13}};  // the first offence decides
    for (const auto& [name, code] : names) {
        EXPECT_EQ(CheckUserName(name), code) << name;
    }
    for (const char* good : {"a@b", ".a@b", "a.@b", "a@.b", "a+b-c_d.e@f-g.h_i+j", "A9@Z0"}) {
        EXPECT_EQ(CheckEmailAddress(good), 0) << good;
    }
    for (const char* bad : {"", "a@b.", "@ab", "ab@", "a@@b", "a@b@c", "ab", "a b@c", "a..b@c",
                            "a@b..c", "a@b\xe3\x81\x82", "a@b\x80", "a#b@c", "a@b\n"}) {
        EXPECT_EQ(CheckEmailAddress(bad), 15) << bad;
    }
    EXPECT_EQ(CheckPassphraseLength("1234567"), 17);
    EXPECT_EQ(CheckPassphraseLength("   4 678"), 0);

    KeyList list{nullptr};
    ASSERT_EQ(AddKeyEntry(&list, "first", "1111"), 0);
    ASSERT_EQ(AddKeyEntry(&list, "second", ""), 0);
    EXPECT_STREQ(list.head->userId, "second");  // new entries go in front
    EXPECT_STREQ(list.head->next->fingerprint, "1111");
    folder.InstallFakeGpg(kSecListing);
    EXPECT_EQ(ListPublicKeys(conf.c_str(), keyFile.c_str(), &list), 28);
    EXPECT_FALSE(GpgRan());
    EXPECT_EQ(FreeKeyList(&list), 0);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(FreeKeyList(&list), 0);
    char fingerprint[260] = "";
    EXPECT_EQ(GetOwnFingerprint(conf.c_str(), secring.c_str(), fingerprint), 0);
    EXPECT_EQ(fingerprint, kFpr);
    EXPECT_EQ(GetOwnFingerprint(conf.c_str(), folder.PathOf("none").c_str(), fingerprint), 45);
    folder.InstallFakeGpg("print tru::1\n");
    EXPECT_EQ(GetOwnFingerprint(conf.c_str(), secring.c_str(), fingerprint), 45);
}

}  // namespace
