// Encryption, decryption, signing, verification and export against a
// scripted GnuPG: command lines byte for byte, the result mapping, and the
// refusals that protect the user's files.
#include <gtest/gtest.h>

#include <functional>
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

const char* const kRecipient = "A372F7DF0A18D61A6EA7F6EC41E1C4DEFABAD9DC";

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

    ResultCode EncryptFrom(const std::string& in, const std::string& out,
                           const std::string& recipient = kRecipient,
                           const std::string& passphrase = "password1", std::int32_t noSign = 0) {
        return EncryptFile(conf.c_str(), secring.c_str(), keyFile.c_str(), in.c_str(), out.c_str(),
                           recipient.c_str(), passphrase.c_str(), noSign, &flags);
    }
    ResultCode Encrypt(std::int32_t noSign, const std::string& passphrase = "password1") {
        return EncryptFrom(input, output, kRecipient, passphrase, noSign);
    }
    ResultCode Decrypt(const std::string& out, const std::string& in) {
        return DecryptFile(conf.c_str(), secring.c_str(), keyFile.c_str(), out.c_str(), in.c_str(),
                           "password1", &flags);
    }
    ResultCode SignFrom(const std::string& in, const std::string& signature,
                        const std::string& passphrase = "password1") {
        return SignFile(conf.c_str(), secring.c_str(), pubring.c_str(), in.c_str(),
                        signature.c_str(), passphrase.c_str(), &flags);
    }
    ResultCode Sign(const std::string& signature) { return SignFrom(input, signature); }
    ResultCode VerifyOf(const std::string& in, const std::string& signature) {
        return VerifyFile(conf.c_str(), keyFile.c_str(), in.c_str(), signature.c_str(), &flags);
    }
    ResultCode Verify() { return VerifyOf(input, output); }
    ResultCode Export(const std::string& key, const std::string& out) {
        return ExportPublicKey(conf.c_str(), pubring.c_str(), key.c_str(), out.c_str());
    }
    bool GpgRan() const { return test_support::Exists(folder.PathOf("bin/fake-gpg.args")); }

    // What GnuPG received, as the words it sees; the record goes, ready for
    // the next run.
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
        test_support::RemoveTree(folder.PathOf("bin/fake-gpg.args"));
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
    EXPECT_EQ(GpgWords(), with({h, s, k, "--batch", "--yes", "--always-trust", "--passphrase-fd=0",
                                "-s", "-e", "-r", kRecipient, "-o", output, input}));
    Encrypt(1);
#ifdef _WIN32
    // Without a signature the sign option is empty: two blanks in a row.
    EXPECT_NE(folder.FakeArguments().find("--passphrase-fd=0  -e -r "), std::string::npos);
    EXPECT_NE(folder.FakeArguments().find("--cipher-algo aes  --homedir=\""), std::string::npos);
#endif
    EXPECT_EQ(GpgWords(), with({h, s, k, "--batch", "--yes", "--always-trust", "--passphrase-fd=0",
                                "-e", "-r", kRecipient, "-o", output, input}));
    Decrypt(input, output);
    EXPECT_EQ(GpgWords(), with({h, s, k, "-o", input, "--batch", "--yes", "--always-trust",
                                "--passphrase-fd=0", "-d", output}));
    Sign(output);
    EXPECT_EQ(GpgWords(), with({h, s, p, "--batch", "--yes", "--always-trust", "--passphrase-fd=0",
                                "--detach-sign", "-o", output, input}));
    Verify();
    EXPECT_EQ(GpgWords(), with({h, k, "--no-default-keyring", "--batch", "--yes", "--always-trust",
                                "--status-fd=1", "--verify", output, input}));
    Export("751D20E0", output);
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
    keyFile = "missing";
    EXPECT_EQ(Decrypt(output, input), 27);
    EXPECT_EQ(Verify(), 27);
    keyFile = folder.PathOf("pubkey/hanako.gpg");
    // Verification needs no secret key ring.
    test_support::RemoveTree(secring);
    EXPECT_EQ(Sign(output), 26);
    EXPECT_EQ(Verify(), 35);
    EXPECT_TRUE(GpgRan());
}

// Each of these is refused before GnuPG runs, and no file is touched.
TEST_F(FileCommands, RefusalsComeBeforeGpgRuns) {
    folder.InstallFakeGpg(
        "readline\nprint [GNUPG:] SIG_CREATED D\nprint [GNUPG:] END_ENCRYPTION\n");
    // The same file under another spelling of its path.
    std::string same = folder.PathOf("./my report.doc");
    std::string longName(1700, 'r');
    struct Case {
        const char* what;
        std::function<ResultCode()> run;
        ResultCode expected;
    } cases[] = {
        {"encryption onto its input", [&] { return EncryptFrom(input, same); }, 29},
        {"decryption onto its input", [&] { return Decrypt(same, input); }, 29},
        {"signature onto its input", [&] { return SignFrom(input, same); }, 29},
        {"command line that does not fit", [&] { return EncryptFrom(input, output, longName); },
         51},
        {"export line that does not fit", [&] { return Export(longName, output); }, 51},
        // GnuPG reads the passphrase as one line of at most 256 bytes.
        {"passphrase with LF", [&] { return Encrypt(0, "password1\n"); }, 16},
        {"passphrase with CR", [&] { return SignFrom(input, output, "pass\rword1"); }, 16},
        {"passphrase of 257 bytes", [&] { return Encrypt(0, std::string(257, 'x')); }, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.run(), c.expected);
        EXPECT_FALSE(GpgRan());
        EXPECT_EQ(test_support::ReadFile(input), "bytes");
    }
    EXPECT_EQ(Encrypt(0, std::string(256, 'x')), 0);
}

#ifndef _WIN32
TEST_F(FileCommands, FileNameWithADoubleQuoteIsRefused) {
    // Windows does not allow the character in file names; POSIX does.
    folder.InstallFakeGpg("exit 0\n");
    std::string quoted = folder.PathOf("say \"hi\".txt");
    test_support::WriteFile(quoted, "text");
    EXPECT_EQ(EncryptFrom(quoted, output), 29);
    EXPECT_EQ(Decrypt(quoted, input), 29);
    EXPECT_EQ(SignFrom(quoted, output), 29);
    EXPECT_EQ(VerifyOf(quoted, output), 29);
    EXPECT_EQ(Export("K", quoted), 29);
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
    EXPECT_EQ(Export("K", output), 0);
    EXPECT_FALSE(test_support::Exists(output));

    test_support::RemoveTree(folder.PathOf("bin/fake-gpg.args"));
    test_support::WriteFile(output, "read-only key");
    test_support::MakeReadOnly(output);
    EXPECT_EQ(Export("K", output), 51);
    EXPECT_FALSE(GpgRan());
    EXPECT_EQ(ExportPublicKey(folder.PathOf("x").c_str(), pubring.c_str(), "K", output.c_str()),
              19);
    pubring = keyFile;
    EXPECT_EQ(Export("K", output), 51);
    test_support::RemoveTree(keyFile);
    EXPECT_EQ(Export("K", output), 27);
}

}  // namespace
