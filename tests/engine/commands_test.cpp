// Every engine command against a scripted GnuPG: its command line byte for
// byte, what it makes of GnuPG's output and what it wrote to GnuPG, and what
// it refuses before GnuPG runs.
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "tests/engine/engine_fixture.h"

namespace {

using test_support::Exists;
using test_support::ReadFile;

std::string Q(const std::string& path) {
    return "\"" + path + "\"";
}

// What the fake GnuPG records of one run of `line`: Windows hands it the
// text itself, blanks and quotes as they are; POSIX the words of it.
std::string Recorded(const EngineTest& t, const std::string& line) {
#ifdef _WIN32
    return Q(t.folder.PathOf("bin/gpg.exe")) + " " + line + "\n";
#else
    static_cast<void>(t);
    std::string words;
    for (const std::string& word : platform::SplitCommandLine(line.c_str())) {
        words += word + "\n";
    }
    return words;
#endif
}

TEST_F(EngineTest, CommandLinesOfAllNineTemplates) {
    const std::string c =
        "--no-random-seed-file --status-fd=1 --cipher-algo aes  --homedir=" + Q(conf) +
        " --secret-keyring=";
    const std::string v =
        "--no-random-seed-file --status-fd=1 --cipher-algo aes  --homedir=" + Q(conf) +
        " --keyring=";
    const std::string encrypt = c + Q(secring) + " --keyring=" + Q(keyFile) +
                                " --batch --yes --always-trust --passphrase-fd=0 ";
    const std::string listSecret = c + Q(secring) +
                                   " --batch --no-default-keyring --list-secret-keys "
                                   "--with-colons --with-fingerprint";
    const std::pair<Cmd, std::vector<std::string>> cases[] = {
        {Cmd::Encrypt, {encrypt + "-s -e -r " + kFpr + " -o " + Q(output) + " " + Q(input)}},
        {Cmd::EncryptNoSign, {encrypt + " -e -r " + kFpr + " -o " + Q(output) + " " + Q(input)}},
        {Cmd::Decrypt,
         {c + Q(secring) + " --keyring=" + Q(keyFile) + " -o " + Q(output) +
          " --batch --yes --always-trust --passphrase-fd=0 -d " + Q(input)}},
        {Cmd::Sign,
         {c + Q(secring) + " --keyring=" + Q(pubring) +
          " --batch --yes --always-trust --passphrase-fd=0 --detach-sign -o " + Q(output) + " " +
          Q(input)}},
        {Cmd::Verify,
         {v + Q(keyFile) +
          " --no-default-keyring --batch --yes --always-trust --status-fd=1 --verify " + Q(output) +
          " " + Q(input)}},
        {Cmd::Export,
         {v + Q(pubring) + " --batch --yes --no-default-keyring -o " + Q(output) + " --export " +
          kFpr}},
        {Cmd::Generate, {c + Q(newSecring) + " --keyring=" + Q(newPubring) + " --batch --gen-key"}},
        {Cmd::List,
         {v + Q(keyFile) +
          " --batch --no-default-keyring --list-keys --with-colons --with-fingerprint"}},
        {Cmd::ListSecret, {listSecret}},
        {Cmd::Change,
         {listSecret, c + Q(secring) + " --keyring=" + Q(pubring) +
                          " --no-default-keyring --command-fd=0 --edit-key " + kFpr + " passwd"}},
    };
    for (const auto& [cmd, lines] : cases) {
        folder.InstallFakeGpg(GoodGpg(cmd, ""));
        Run(cmd);
        std::string expected;
        for (const std::string& line : lines) {
            expected += Recorded(*this, line);
        }
        EXPECT_EQ(folder.FakeArguments(), expected) << static_cast<int>(cmd);
    }
}

struct ResultRow {
    Cmd cmd;
    std::string script;
    std::string outcome;
    std::string input;  // what GnuPG read from the command
};

TEST_F(EngineTest, WhatEachCommandMakesOfGpgsOutputAndWhatItWroteToGpg) {
    const std::string sig = "print [GNUPG:] SIG_CREATED S 17 2 00 1 X\n";
    const std::string encEnd = "print [GNUPG:] END_ENCRYPTION\n";
    const std::string valid = "print [GNUPG:] VALIDSIG " + kFpr + "\n";
    const std::string decEnd = "print [GNUPG:] END_DECRYPTION\n";
    const std::string bad = "print [GNUPG:] BAD_PASSPHRASE 6617CB8C9F217174\n";
    const std::string pass = Line(passphrase), r = "readline\n", all = "readall\n";
    const std::string pub =
        "print pub:-:1024:17:6617CB8C9F217174:2026-11-01:::-:" + kUid + "::scESC:\n";
    const std::string fpr = "print fpr:::::::::" + kFpr + ":\n";
    const std::string sub = "print sub:-:2048:16:9AB2C4F1D0E3A5B7:2026-11-01::::::e:\n";
    const std::string keyParams = Line("Key-Type: DSA") + Line("Key-Length: 1024") +
                                  Line("Subkey-Type: ELG-E") + Line("Subkey-Length: 2048") +
                                  Line("Name-Real: Taro Yamada") +
                                  Line("Name-Email: taro@example.com") + Line("Expire-Date: 0") +
                                  Line("Passphrase: password1") + Line("%secring " + newSecring) +
                                  Line("%pubring " + newPubring) + Line("%commit");
    const std::string editor = "on --list-secret-keys\n" + kSecListing + "on --edit-key\n";
    const std::string askOld =
        "print [GNUPG:] NEED_PASSPHRASE 6617CB8C9F217174 6617CB8C9F217174 17 0\n"
        "print [GNUPG:] GET_HIDDEN passphrase.enter\nreadline\n";
    const std::string askNew =
        "print [GNUPG:] GOOD_PASSPHRASE\nprint [GNUPG:] NEED_PASSPHRASE_SYM 3\n"
        "print [GNUPG:] GET_HIDDEN passphrase.enter\nreadline\n"
        "print [GNUPG:] GET_HIDDEN passphrase.repeat\nreadline\n";
    const std::string prompt = "print [GNUPG:] GET_LINE keyedit.prompt\nreadline\n";
    const std::string saved = "writefile --secret-keyring= the changed ring\n";
    const std::string changed = pass + Line(newPassphrase) + Line(newPassphrase);
    const ResultRow rows[] = {
        {Cmd::Encrypt, r + sig + encEnd, "0", pass},
        // The passphrase goes to GnuPG also when nothing is signed.
        {Cmd::EncryptNoSign, r + encEnd, "33", pass},
        {Cmd::Encrypt, r + sig, "32", pass},
        // Far more after the refusal than a pipe holds: the run only ends
        // if the rest is read; END_ENCRYPTION after it is not taken.
        {Cmd::Encrypt, r + sig + bad + "flood 1000000\n" + encEnd, "30", pass},
        // GnuPG reading to the end of its input gets that end.
        {Cmd::Encrypt, all + sig + encEnd, "0", pass},
        // An overlong line is examined by its start; a last line without
        // a line feed still counts.
        {Cmd::Encrypt,
         r + "write [GNUPG:] SIG_CREATED " + std::string(400, 'f') +
             "\\n\nwrite [GNUPG:] END_ENCRYPTION\n",
         "0", pass},
        // A failed decryption removes only what its own run wrote.
        {Cmd::Decrypt, r + valid + decEnd, "0 +output", pass},
        {Cmd::Decrypt, r + "writefile -o plain\n" + decEnd, "48 +output", pass},
        {Cmd::Decrypt, r + "writefile -o plain\n" + valid, "34", pass},
        {Cmd::Decrypt, r + "print [GNUPG:] DECRYPTION_FAILED\n" + decEnd, "34 +output", pass},
        {Cmd::Decrypt, r + "writefile -o x\n" + bad + decEnd, "34", pass},
        {Cmd::Sign, r + sig, "0", pass},
        {Cmd::Sign, r + "print [GNUPG:] BEGIN_SIGNING H2\n", "33", pass},
        {Cmd::Verify, "print [GNUPG:] GOODSIG 6617 Taro\n" + valid, "0", ""},
        {Cmd::Verify, "print [GNUPG:] BADSIG 6617 Taro\n", "35", ""},
        {Cmd::Verify, bad + valid, "35", ""},
        {Cmd::Export, "print nothing exported\n", "0", ""},  // the old file went first
        // The fingerprint is the rest of the line, without the CR of a CR LF.
        {Cmd::Generate, all + "print [GNUPG:] KEY_CREATED B 0123ABCD\\r\n", "0 0123ABCD",
         keyParams},
        {Cmd::Generate, all + "write [GNUPG:] KEY_CREATED P 0123ABCD", "0 0123ABCD", keyParams},
        {Cmd::Generate, all + "repeat 3 [GNUPG:] PROGRESS primegen + 1 0\nexit 2\n", "43",
         keyParams},
        {Cmd::Generate, all + "print [GNUPG:] KEY_NOT_CREATED\n", "43", keyParams},
        {Cmd::Generate, all + "print [GNUPG:] KEY_CREATED B\nflood 300000\n", "51", keyParams},
        {Cmd::Generate, all + "print [GNUPG:] KEY_CREATED B F\nprint [GNUPG:] KEY_NOT_CREATED\n",
         "51", keyParams},
        {Cmd::List, "print tru::1:1796600000:0:3:1:5\n" + pub + fpr + sub, "0 " + kUid + "|" + kFpr,
         ""},
        {Cmd::List, "print tru::1:1796600000:0:3:1:5\n", "0", ""},
        {Cmd::List, pub + sub, "0 " + kUid + "|", ""},
        // Format errors: the rest of the output, more than a pipe holds, is
        // read before the command returns.
        {Cmd::List, pub + fpr + pub + fpr + "flood 500000\n", "44", ""},
        {Cmd::List, pub + fpr + fpr + "flood 500000\n", "44", ""},
        {Cmd::List, "print pub:-:1024:17:6617CB8C9F217174:2026-11-01:::-\n", "44", ""},
        {Cmd::List, "print pub:-:1024:17:6617CB8C9F217174:2026-11-01:::-:Taro\n", "44", ""},
        // A record longer than the reader keeps loses the colon after field 10.
        {Cmd::List, "print pub:-:1024:17:X:2026-11-01:::-:" + std::string(250, 'T') + ":s:\n", "44",
         ""},
        {Cmd::ListSecret, kSecListing + "print ssb::2048:16:9AB2:2026-11-01:::::::\n",
         "0 " + kUid + "|" + kFpr, ""},
        {Cmd::ListSecret, pub + fpr + fpr, "45", ""},
        // The current passphrase once, the new one as often as asked, then save.
        {Cmd::Change, editor + askOld + askNew + prompt + saved, "0", changed + Line("save")},
        // Saved, but the key ring is as it was: GnuPG could not write it.
        {Cmd::Change, editor + askOld + askNew + prompt, "51", changed + Line("save")},
        // GnuPG failed to save and asks again: no second save, no endless loop.
        {Cmd::Change, editor + askOld + askNew + prompt + prompt, "51",
         changed + Line("save") + Line("quit")},
        // A refused passphrase is given again as asked; "quit" and the end
        // of the input then answer the question whether to save.
        {Cmd::Change,
         editor + askOld + bad + askOld + bad + prompt +
             "print [GNUPG:] GET_BOOL keyedit.save.okay\nreadall\n",
         "30", pass + pass + Line("quit")},
        {Cmd::Change, editor + askOld + "print [GNUPG:] GOOD_PASSPHRASE\n" + bad + prompt, "30",
         pass + Line("quit")},
        // A question the program has no answer for ends GnuPG's input.
        {Cmd::Change,
         editor + askOld + "print [GNUPG:] GET_BOOL change_passwd.empty.okay\nreadline\n" + prompt,
         "51", pass},
        {Cmd::Change,
         editor + askOld + "print [GNUPG:] GET_BOOL x\nrepeat 1000000 [GNUPG:] GET_LINE y\nhang\n",
         "51", pass},
        // Deliberately 51, not 0: an editor that ends without a question
        // changed nothing.
        {Cmd::Change, editor + "print [GNUPG:] USERID_HINT 6617CB8C9F217174 Taro\n", "51", ""},
        {Cmd::Change, "print tru::1\n", "45", ""},
        {Cmd::Change, kSecListing + kSecListing, "45", ""},
    };
    for (const ResultRow& row : rows) {
        SCOPED_TRACE(row.script);
        SetUp();  // every row starts from the same files
        folder.InstallFakeGpg(row.script);
        EXPECT_EQ(Run(row.cmd), row.outcome);
        EXPECT_EQ(folder.FakeInput(), row.input);
    }
}

struct Refusal {
    Cmd cmd;
    std::string EngineTest::*field;
    std::string value;
    ResultCode code;
};

TEST_F(EngineTest, RefusalsComeBeforeGpgRunsAndChangeNothing) {
    using E = EngineTest;
    const std::string none = folder.PathOf("none"), quoted = folder.PathOf("say \"hi\".txt");
    const std::string longName(1700, 'r'), tooLong(257, 'p');
    const Refusal rows[] = {
        // An output that is a file of the same command line, however spelled.
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
    for (const Refusal& row : rows) {
        SCOPED_TRACE(row.value);
        folder.InstallFakeGpg(GoodGpg(row.cmd, ""));
        std::string kept = this->*row.field;
        this->*row.field = row.value;
        std::string outcome = Run(row.cmd);
        EXPECT_EQ(outcome.substr(0, outcome.find(' ')), std::to_string(row.code));
        this->*row.field = kept;
        EXPECT_FALSE(GpgRan());
        for (const std::string& file : files) {
            EXPECT_EQ(ReadFile(file), "bytes of " + file);
        }
    }
    EXPECT_EQ(flags, 0x7777) << "no command got as far as GnuPG";
}

TEST_F(EngineTest, MissingGpgAndTheLongestPassphrase) {
    const std::pair<Cmd, std::string> cases[] = {
        {Cmd::Encrypt, "10"}, {Cmd::Decrypt, "34 +output"}, {Cmd::Sign, "10"},
        {Cmd::Verify, "35"},  {Cmd::Export, "10"},          {Cmd::List, "10"},
        {Cmd::Change, "45"},  {Cmd::Generate, "10"},
    };
    for (const auto& [cmd, outcome] : cases) {
        EXPECT_EQ(Run(cmd), outcome) << static_cast<int>(cmd);
    }
    EXPECT_EQ(flags, 0) << "the flag word starts at 0 whatever the caller left in it";
    folder.InstallFakeGpg("readline\nprint [GNUPG:] SIG_CREATED D\n");
    passphrase = std::string(256, 'x');
    EXPECT_EQ(Run(Cmd::Sign), "0");
}

TEST_F(EngineTest, KeyGenerationCommentProgressAndOverwriteQuestions) {
    comment = "at work";
    folder.InstallFakeGpg(
        "readall\nrepeat 249 [GNUPG:] PROGRESS primegen . 1 0\n"
        "write [GNUPG:] KEY_CREATED B FPR\n");
    static std::vector<int> seen;
    progress = [](std::int32_t* counter) {
        seen.push_back(*counter);
        return 0;
    };
    ASSERT_EQ(Run(Cmd::Generate), "0 FPR");
    EXPECT_NE(folder.FakeInput().find(Line("Name-Email: taro@example.com") +
                                      Line("Name-Comment: at work") + Line("Expire-Date: 0")),
              std::string::npos);
    // One call per line, the last line included, with a counter that wraps at 100.
    ASSERT_EQ(seen.size(), 250u);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i], static_cast<int>((i + 1) % 100)) << i;
    }
    // A callback that sets the counter back always sees 1.
    seen.clear();
    progress = [](std::int32_t* counter) {
        seen.push_back(*counter);
        *counter = 0;
        return 0;
    };
    ASSERT_EQ(Run(Cmd::Generate), "0 FPR");
    EXPECT_EQ(seen, std::vector<int>(250, 1));
    // The rings were proved writable and removed again: nothing was asked.
    EXPECT_FALSE(Exists(newSecring));
    EXPECT_TRUE(fake_ui::messageBoxes.empty());

    // Existing rings: Cancel at the first question ends it there.
    newSecring = secring;
    newPubring = pubring;
    fake_ui::messageBoxAnswers = {ui::kAnswerCancel};
    folder.InstallFakeGpg("readall\nprint [GNUPG:] KEY_CREATED B FPR\n");
    EXPECT_EQ(Run(Cmd::Generate), "1");
    ASSERT_EQ(fake_ui::messageBoxes.size(), 1u);
    EXPECT_EQ(fake_ui::messageBoxes[0].caption, "CONFIRMATION");
    EXPECT_EQ(fake_ui::messageBoxes[0].style, ui::kBoxOkCancel);
    EXPECT_EQ(fake_ui::messageBoxes[0].owner, nullptr);
    EXPECT_EQ(fake_ui::messageBoxes[0].text, test_support::StringText(88));
    // Both questions come before the input is checked.
    fake_ui::Reset();
    passphrase = "short";
    EXPECT_EQ(Run(Cmd::Generate), "17");
    ASSERT_EQ(fake_ui::messageBoxes.size(), 2u);
    EXPECT_EQ(fake_ui::messageBoxes[1].text, test_support::StringText(90));
    EXPECT_FALSE(GpgRan());
    EXPECT_EQ(ReadFile(secring), "bytes of " + secring);
}

TEST(KeyInputChecks, NamesAddressesAndPassphrases) {
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
        {"Taro \xe5\xa4\xaa >", 13},  // the first offence decides
    };
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
}

TEST_F(EngineTest, KeyListsAndTheOwnFingerprint) {
    KeyList list{nullptr};
    EXPECT_EQ(FreeKeyList(&list), 0);
    ASSERT_EQ(AddKeyEntry(&list, "first", "1111"), 0);
    ASSERT_EQ(AddKeyEntry(&list, "second", ""), 0);
    EXPECT_STREQ(list.head->userId, "second");  // new entries go in front
    EXPECT_STREQ(list.head->next->fingerprint, "1111");
    folder.InstallFakeGpg(kSecListing);
    EXPECT_EQ(ListPublicKeys(conf.c_str(), keyFile.c_str(), &list), 28);
    EXPECT_FALSE(GpgRan());
    EXPECT_EQ(FreeKeyList(&list), 0);
    EXPECT_EQ(list.head, nullptr);

    char fingerprint[260] = "";
    EXPECT_EQ(GetOwnFingerprint(conf.c_str(), secring.c_str(), fingerprint), 0);
    EXPECT_EQ(fingerprint, kFpr);
    EXPECT_EQ(GetOwnFingerprint(conf.c_str(), folder.PathOf("none").c_str(), fingerprint), 45);
    folder.InstallFakeGpg("print tru::1\n");
    EXPECT_EQ(GetOwnFingerprint(conf.c_str(), secring.c_str(), fingerprint), 45);
}

}  // namespace
