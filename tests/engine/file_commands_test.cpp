// Encryption, decryption, signing, verification and export against a
// scripted GnuPG: command lines byte for byte, the result mapping, and the
// refusals that protect the user's files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/command_frame.h"
#include "engine/encryption_commands.h"
#include "engine/key_export.h"
#include "engine/signature_commands.h"
#include "platform/command_line.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace {

using test_support::ProgramFolder;

class FileCommands : public ::testing::Test {
protected:
    ProgramFolder folder;
    std::string conf = folder.PathOf("conf");
    std::string secring = folder.PathOf("conf/secring.gpg");
    std::string pubring = folder.PathOf("conf/pubring.gpg");
    std::string keyFile = folder.PathOf("pubkey/hanako.gpg");
    std::string input = folder.PathOf("my report.doc");
    std::string output = folder.PathOf("my report.doc.gpg");
    std::int32_t flags = 0x7777;

    void SetUp() override {
        test_support::MakeFolderAt(conf);
        test_support::MakeFolderAt(folder.PathOf("pubkey"));
        for (const std::string& file : {secring, pubring, keyFile, input}) {
            test_support::WriteFile(file, "bytes");
        }
    }

    ResultCode Encrypt(std::int32_t noSign, const char* passphrase = "password1") {
        return EncryptFile(conf.c_str(), secring.c_str(), keyFile.c_str(), input.c_str(),
                           output.c_str(), "A372F7DF0A18D61A6EA7F6EC41E1C4DEFABAD9DC", passphrase,
                           noSign, &flags);
    }
    ResultCode Decrypt(const std::string& out, const std::string& in) {
        return DecryptFile(conf.c_str(), secring.c_str(), keyFile.c_str(), out.c_str(), in.c_str(),
                           "password1", &flags);
    }
    ResultCode Sign(const std::string& signature) {
        return SignFile(conf.c_str(), secring.c_str(), pubring.c_str(), input.c_str(),
                        signature.c_str(), "password1", &flags);
    }
    ResultCode Verify() {
        return VerifyFile(conf.c_str(), keyFile.c_str(), input.c_str(), output.c_str(), &flags);
    }
    bool GpgRan() const { return test_support::Exists(folder.PathOf("bin/fake-gpg.args")); }

    // What GnuPG received, as the words it sees.
    std::vector<std::string> GpgWords() const {
        std::vector<std::string> words;
#ifdef _WIN32
        std::string raw = folder.FakeArguments();
        std::string program = "\"" + folder.PathOf("bin/gpg.exe") + "\" ";
        EXPECT_EQ(raw.substr(0, program.size()), program);
        words = platform::SplitCommandLine(raw.substr(program.size()).c_str());
#else
        std::string args = folder.FakeArguments();
        std::size_t start = 0;
        while (start < args.size()) {
            std::size_t end = args.find('\n', start);
            words.push_back(args.substr(start, end - start));
            start = end + 1;
        }
#endif
        return words;
    }
};

using Words = std::vector<std::string>;

TEST_F(FileCommands, CommandLinesAsTheTemplatesSay) {
    folder.InstallFakeGpg("exit 0\n");
    std::string h = "--homedir=" + conf;
    std::string s = "--secret-keyring=" + secring;
    std::string k = "--keyring=" + keyFile;
    std::string p = "--keyring=" + pubring;
    Words common = {"--no-random-seed-file", "--status-fd=1", "--cipher-algo", "aes"};
    auto with = [&](Words rest) {
        Words all = common;
        all.insert(all.end(), rest.begin(), rest.end());
        return all;
    };

    Encrypt(0);
    EXPECT_EQ(GpgWords(),
              with({h, s, k, "--batch", "--yes", "--always-trust", "--passphrase-fd=0", "-s", "-e",
                    "-r", "A372F7DF0A18D61A6EA7F6EC41E1C4DEFABAD9DC", "-o", output, input}));
    test_support::RemoveTree(folder.PathOf("bin/fake-gpg.args"));
    Encrypt(1);
    EXPECT_EQ(GpgWords(),
              with({h, s, k, "--batch", "--yes", "--always-trust", "--passphrase-fd=0", "-e", "-r",
                    "A372F7DF0A18D61A6EA7F6EC41E1C4DEFABAD9DC", "-o", output, input}));
#ifdef _WIN32
    // Without a signature the sign option is empty: two blanks in a row.
    EXPECT_NE(folder.FakeArguments().find("--passphrase-fd=0  -e -r "), std::string::npos);
    EXPECT_NE(folder.FakeArguments().find("--cipher-algo aes  --homedir=\""), std::string::npos);
#endif
    test_support::RemoveTree(folder.PathOf("bin/fake-gpg.args"));
    Decrypt(input, output);
    EXPECT_EQ(GpgWords(), with({h, s, k, "-o", input, "--batch", "--yes", "--always-trust",
                                "--passphrase-fd=0", "-d", output}));
    test_support::RemoveTree(folder.PathOf("bin/fake-gpg.args"));
    Sign(output);
    EXPECT_EQ(GpgWords(), with({h, s, p, "--batch", "--yes", "--always-trust", "--passphrase-fd=0",
                                "--detach-sign", "-o", output, input}));
    test_support::RemoveTree(folder.PathOf("bin/fake-gpg.args"));
    Verify();
    EXPECT_EQ(GpgWords(), with({h, k, "--no-default-keyring", "--batch", "--yes", "--always-trust",
                                "--status-fd=1", "--verify", output, input}));
    test_support::RemoveTree(folder.PathOf("bin/fake-gpg.args"));
    ExportPublicKey(conf.c_str(), pubring.c_str(), "751D20E0", output.c_str());
    EXPECT_EQ(GpgWords(), with({h, p, "--batch", "--yes", "--no-default-keyring", "-o", output,
                                "--export", "751D20E0"}));
}

TEST_F(FileCommands, EncryptionResults) {
    struct Case {
        const char* status;
        std::int32_t noSign;
        ResultCode expected;
    } cases[] = {
        {"print [GNUPG:] SIG_CREATED S 17 2 00 1 FPR\nprint [GNUPG:] END_ENCRYPTION\n", 0, 0},
        {"print [GNUPG:] END_ENCRYPTION\n", 1, 33},
        {"print [GNUPG:] SIG_CREATED S 17 2 00 1 FPR\n", 0, 32},
        {"print [GNUPG:] BAD_PASSPHRASE 6617\nprint [GNUPG:] END_ENCRYPTION\n", 0, 30},
    };
    for (const Case& c : cases) {
        folder.InstallFakeGpg(std::string("readline\n") + c.status);
        flags = 0x7777;
        EXPECT_EQ(Encrypt(c.noSign), c.expected) << c.status;
        // The passphrase goes to GnuPG also when nothing is signed.
        EXPECT_EQ(folder.FakeInput(), std::string("password1") + platform::kLineEnd);
        test_support::RemoveTree(folder.PathOf("bin/fake-gpg.stdin"));
    }
}

TEST_F(FileCommands, DecryptionResults) {
    struct Case {
        const char* status;
        ResultCode expected;
    } cases[] = {
        {"print [GNUPG:] VALIDSIG FPR\nprint [GNUPG:] END_DECRYPTION\n", 0},
        {"print [GNUPG:] END_DECRYPTION\n", 48},
        {"print [GNUPG:] VALIDSIG FPR\n", 34},
        {"print [GNUPG:] DECRYPTION_FAILED\nprint [GNUPG:] END_DECRYPTION\n", 34},
        {"print [GNUPG:] BAD_PASSPHRASE 6617\nprint [GNUPG:] END_DECRYPTION\n", 34},
    };
    for (const Case& c : cases) {
        folder.InstallFakeGpg(std::string("readline\n") + c.status);
        EXPECT_EQ(Decrypt(output, input), c.expected) << c.status;
    }
}

TEST_F(FileCommands, SignatureResults) {
    folder.InstallFakeGpg("readline\nprint [GNUPG:] SIG_CREATED D 17 2 00 1 FPR\n");
    EXPECT_EQ(Sign(output), 0);
    folder.InstallFakeGpg("readline\nprint [GNUPG:] BEGIN_SIGNING\n");
    EXPECT_EQ(Sign(output), 33);
    folder.InstallFakeGpg("print [GNUPG:] GOODSIG 6617 Taro\nprint [GNUPG:] VALIDSIG FPR\n");
    EXPECT_EQ(Verify(), 0);
    EXPECT_EQ(folder.FakeInput(), "");  // verification writes nothing to GnuPG
    folder.InstallFakeGpg("print [GNUPG:] BADSIG 6617 Taro\n");
    EXPECT_EQ(Verify(), 35);
    folder.InstallFakeGpg("print [GNUPG:] BAD_PASSPHRASE x\nprint [GNUPG:] VALIDSIG FPR\n");
    EXPECT_EQ(Verify(), 35);
}

TEST_F(FileCommands, MissingGpg) {
    EXPECT_EQ(Encrypt(0), 10);
    EXPECT_EQ(Decrypt(output, input), 34);
    EXPECT_EQ(Sign(output), 10);
    EXPECT_EQ(Verify(), 35);
    EXPECT_EQ(flags, 0) << "the flag word starts at 0 whatever the caller left in it";
}

TEST_F(FileCommands, PreconditionsInOrder) {
    folder.InstallFakeGpg("exit 0\n");
    // A home folder that is a file fails before any key file is looked at.
    std::string file = folder.PathOf("conf/secring.gpg");
    EXPECT_EQ(EncryptFile(file.c_str(), "missing", "missing", input.c_str(), output.c_str(), "R",
                          "password1", 0, &flags),
              19);
    EXPECT_EQ(EncryptFile(conf.c_str(), "missing", "missing", input.c_str(), output.c_str(), "R",
                          "password1", 0, &flags),
              26);
    EXPECT_EQ(DecryptFile(conf.c_str(), secring.c_str(), "missing", output.c_str(), input.c_str(),
                          "password1", &flags),
              27);
    EXPECT_EQ(VerifyFile(conf.c_str(), "missing", input.c_str(), output.c_str(), &flags), 27);
    // Verification needs no secret key ring.
    test_support::RemoveTree(secring);
    EXPECT_EQ(Sign(output), 26);
    EXPECT_EQ(Verify(), 35);
    EXPECT_TRUE(GpgRan());
}

TEST_F(FileCommands, CommandLineThatDoesNotFitGives51) {
    folder.InstallFakeGpg("exit 0\n");
    std::string longName(1700, 'r');
    EXPECT_EQ(EncryptFile(conf.c_str(), secring.c_str(), keyFile.c_str(), input.c_str(),
                          output.c_str(), longName.c_str(), "password1", 0, &flags),
              51);
    EXPECT_EQ(ExportPublicKey(conf.c_str(), pubring.c_str(), longName.c_str(), output.c_str()), 51);
    EXPECT_FALSE(GpgRan());
}

TEST_F(FileCommands, OutputThatIsTheInputIsRefused) {
    folder.InstallFakeGpg("readline\nprint [GNUPG:] END_ENCRYPTION\n");
    // The same file under another spelling of its path.
    std::string same = folder.PathOf("./my report.doc");
    flags = 0;
    EXPECT_EQ(EncryptFile(conf.c_str(), secring.c_str(), keyFile.c_str(), input.c_str(),
                          same.c_str(), "R", "password1", 0, &flags),
              29);
    EXPECT_EQ(Decrypt(same, input), 29);
    EXPECT_EQ(SignFile(conf.c_str(), secring.c_str(), pubring.c_str(), input.c_str(), same.c_str(),
                       "password1", &flags),
              29);
    EXPECT_FALSE(GpgRan());
    EXPECT_EQ(test_support::ReadFile(input), "bytes");
}

TEST_F(FileCommands, PassphrasesThatCannotBeGivenToGpgAreRefused) {
    folder.InstallFakeGpg(
        "readline\nprint [GNUPG:] SIG_CREATED D\nprint [GNUPG:] END_ENCRYPTION\n");
    EXPECT_EQ(Encrypt(0, "password1\n"), 16);
    EXPECT_EQ(SignFile(conf.c_str(), secring.c_str(), pubring.c_str(), input.c_str(),
                       output.c_str(), "pass\rword1", &flags),
              16);
    EXPECT_EQ(Encrypt(0, std::string(257, 'x').c_str()), 16);
    EXPECT_FALSE(GpgRan());
    EXPECT_EQ(Encrypt(0, std::string(256, 'x').c_str()), 0);
}

#ifndef _WIN32
TEST_F(FileCommands, FileNameWithADoubleQuoteIsRefused) {
    // Windows does not allow the character in file names; POSIX does.
    folder.InstallFakeGpg("exit 0\n");
    std::string quoted = folder.PathOf("say \"hi\".txt");
    test_support::WriteFile(quoted, "text");
    EXPECT_EQ(EncryptFile(conf.c_str(), secring.c_str(), keyFile.c_str(), quoted.c_str(),
                          output.c_str(), "R", "password1", 0, &flags),
              29);
    EXPECT_EQ(Decrypt(quoted, input), 29);
    EXPECT_EQ(SignFile(conf.c_str(), secring.c_str(), pubring.c_str(), quoted.c_str(),
                       output.c_str(), "password1", &flags),
              29);
    EXPECT_EQ(VerifyFile(conf.c_str(), keyFile.c_str(), quoted.c_str(), output.c_str(), &flags),
              29);
    EXPECT_EQ(ExportPublicKey(conf.c_str(), pubring.c_str(), "K", quoted.c_str()), 29);
    EXPECT_EQ(test_support::ReadFile(quoted), "text");
    EXPECT_FALSE(GpgRan());
}
#endif

TEST_F(FileCommands, FailedDecryptionRemovesOnlyWhatItsRunWrote) {
    std::string out = folder.PathOf("report.doc");
    // GnuPG wrote (partial, unauthenticated) plaintext and then failed.
    folder.InstallFakeGpg(
        "readline\nwriteoutput partial plaintext\n"
        "print [GNUPG:] DECRYPTION_FAILED\n");
    EXPECT_EQ(Decrypt(out, input), 34);
    EXPECT_FALSE(test_support::Exists(out));

    // The same over a file that was there before: it was overwritten, so it goes.
    test_support::WriteFile(out, "older file");
    EXPECT_EQ(Decrypt(out, input), 34);
    EXPECT_FALSE(test_support::Exists(out));

    // A failed run that did not touch an existing file leaves it alone.
    test_support::WriteFile(out, "older file");
    folder.InstallFakeGpg("readline\nprint [GNUPG:] DECRYPTION_FAILED\n");
    EXPECT_EQ(Decrypt(out, input), 34);
    EXPECT_EQ(test_support::ReadFile(out), "older file");

    // A decryption without a valid signature keeps what it wrote.
    folder.InstallFakeGpg("readline\nwriteoutput plaintext\nprint [GNUPG:] END_DECRYPTION\n");
    EXPECT_EQ(Decrypt(out, input), 48);
    EXPECT_EQ(test_support::ReadFile(out), "plaintext");
}

TEST_F(FileCommands, ExportDeletesTheOldFileFirst) {
    folder.InstallFakeGpg("print nothing exported\n");
    test_support::WriteFile(output, "old key");
    EXPECT_EQ(ExportPublicKey(conf.c_str(), pubring.c_str(), "K", output.c_str()), 0);
    EXPECT_FALSE(test_support::Exists(output));

    test_support::RemoveTree(folder.PathOf("bin/fake-gpg.args"));
    test_support::WriteFile(output, "read-only key");
    test_support::MakeReadOnly(output);
    EXPECT_EQ(ExportPublicKey(conf.c_str(), pubring.c_str(), "K", output.c_str()), 51);
    EXPECT_FALSE(GpgRan());
    EXPECT_EQ(ExportPublicKey(folder.PathOf("x").c_str(), pubring.c_str(), "K", output.c_str()),
              19);
    EXPECT_EQ(ExportPublicKey(conf.c_str(), keyFile.c_str(), "K", output.c_str()), 51);
    test_support::RemoveTree(keyFile);
    EXPECT_EQ(ExportPublicKey(conf.c_str(), keyFile.c_str(), "K", output.c_str()), 27);
}

}  // namespace
