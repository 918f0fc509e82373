// Every engine command against a GnuPG that misbehaves: one that crashes in
// the middle of its output, one that floods it, one that writes an endless
// line, and one that stops answering. The program must neither crash nor
// hang, and must give the command's own code for what it saw: a complete
// output gives the command's normal result, an output that ended early the
// command's code for that.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/encryption_commands.h"
#include "engine/gpg_runner.h"
#include "engine/key_export.h"
#include "engine/key_generation.h"
#include "engine/key_listing.h"
#include "engine/passphrase_change.h"
#include "engine/signature_commands.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_support.h"

namespace {

using test_support::ProgramFolder;
using Clock = std::chrono::steady_clock;

#ifdef _WIN32
// The status reader reads GnuPG's output a byte at a time, and under Wine
// each such read costs 16 microseconds or far more on a busy machine (a real
// Windows and Linux take about one): these still fill the pipe many times.
constexpr long kFloodBytes = 32L * 1024;
constexpr long kLongLineBytes = 32L * 1024;
#else
constexpr long kFloodBytes = 50L * 1000 * 1000;
constexpr long kLongLineBytes = 1000L * 1000;
#endif

// Where a fault goes into a command's script.
const std::string kFault = "%FAULT%\n";

const char* const kFingerprint = "751D20E03751AA0FA82636AD6617CB8C9F217174";

class GpgFaults;

// One engine command: the script of a GnuPG that serves it well, with the
// place of the fault marked, and what the command gives for the whole
// output and for an output that ends at the fault.
struct Command {
    const char* name;
    std::string script;
    std::string complete;
    std::string endedEarly;
    std::function<std::string(GpgFaults&)> run;
};

int CountLines(std::int32_t* counter) {
    static_cast<void>(counter);
    return 0;
}

class GpgFaults : public ::testing::Test {
public:
    ProgramFolder folder;
    std::string conf = folder.PathOf("conf");
    std::string secring = folder.PathOf("conf/secring.gpg");
    std::string pubring = folder.PathOf("conf/pubring.gpg");
    std::string keyFile = folder.PathOf("pubkey/hanako.gpg");
    std::string input = folder.PathOf("report.doc");
    std::string output = folder.PathOf("report.doc.out");
    std::int32_t flags = 0;

protected:
    void SetUp() override {
        fake_ui::Reset();
        test_support::MakeFolderAt(conf);
        test_support::MakeFolderAt(folder.PathOf("pubkey"));
        for (const std::string& file : {secring, pubring, keyFile, input}) {
            test_support::WriteFile(file, "bytes");
        }
    }
    void TearDown() override { SetGpgIdleLimitForTesting(0); }

    // Runs `command` against its script with `fault` at the marked place,
    // checking that no handle stays open.
    std::string RunWith(const Command& command, const std::string& fault) {
        std::string script = command.script;
        script.replace(script.find(kFault), kFault.size(), fault);
        folder.InstallFakeGpg(script);
        platform::RemoveFile(output.c_str());
        int before = test_support::CountOpenHandles();
        std::string outcome = command.run(*this);
        EXPECT_EQ(test_support::CountOpenHandles(), before) << command.name;
        return outcome;
    }

    // Every command, each with its own GnuPG.
    static std::vector<Command> Commands();
};

std::string Code(ResultCode code) {
    return std::to_string(code);
}

std::string Listed(ResultCode code, KeyList* list) {
    int entries = 0;
    for (KeyEntry* entry = list->head; entry != nullptr; entry = entry->next) {
        ++entries;
    }
    FreeKeyList(list);
    return Code(code) + " keys=" + std::to_string(entries);
}

std::vector<Command> GpgFaults::Commands() {
    const std::string secretListing =
        "print sec::1024:17:6617CB8C9F217174:2026-11-01::::Taro Yamada <taro@example.com>:::\n"
        "print fpr:::::::::" +
        std::string(kFingerprint) + ":\n";
    const std::string editor =
        "print [GNUPG:] NEED_PASSPHRASE 6617CB8C9F217174 6617CB8C9F217174 17 0\n"
        "print [GNUPG:] GET_HIDDEN passphrase.enter\nreadline\n"
        "print [GNUPG:] GOOD_PASSPHRASE\n"
        "print [GNUPG:] NEED_PASSPHRASE_SYM 7 3 2\n"
        "print [GNUPG:] GET_HIDDEN passphrase.enter\nreadline\n"
        "print [GNUPG:] GET_HIDDEN passphrase.repeat\nreadline\n";
    const std::string editorEnd = "print [GNUPG:] GET_LINE keyedit.prompt\nreadline\n";
    return {
        {"EncryptFile",
         "print [GNUPG:] BEGIN_ENCRYPTION 2 9\n" + kFault +
             "print [GNUPG:] SIG_CREATED S 17 2 00 1 X\nprint [GNUPG:] END_ENCRYPTION\n",
         "0", "32",
         [](GpgFaults& t) {
             return Code(EncryptFile(t.conf.c_str(), t.secring.c_str(), t.keyFile.c_str(),
                                     t.input.c_str(), t.output.c_str(), kFingerprint, "password1",
                                     0, &t.flags));
         }},
        // A decryption that does not end well leaves no output behind.
        {"DecryptFile",
         "print [GNUPG:] BEGIN_DECRYPTION\nwriteoutput partial plaintext\n" + kFault +
             "print [GNUPG:] VALIDSIG " + kFingerprint +
             " 2026-01-01\n"
             "print [GNUPG:] END_DECRYPTION\n",
         "0 output kept", "34 output gone",
         [](GpgFaults& t) {
             ResultCode code =
                 DecryptFile(t.conf.c_str(), t.secring.c_str(), t.keyFile.c_str(), t.output.c_str(),
                             t.input.c_str(), "password1", &t.flags);
             return Code(code) + (test_support::Exists(t.output) ? " output kept" : " output gone");
         }},
        {"SignFile",
         "print [GNUPG:] BEGIN_SIGNING H2\n" + kFault +
             "print [GNUPG:] SIG_CREATED D 17 2 00 1 X\n",
         "0", "33",
         [](GpgFaults& t) {
             return Code(SignFile(t.conf.c_str(), t.secring.c_str(), t.pubring.c_str(),
                                  t.input.c_str(), t.output.c_str(), "password1", &t.flags));
         }},
        {"VerifyFile",
         "print [GNUPG:] SIG_ID x 2026-01-01\n" + kFault + "print [GNUPG:] VALIDSIG " +
             kFingerprint + " 2026-01-01\n",
         "0", "35",
         [](GpgFaults& t) {
             return Code(VerifyFile(t.conf.c_str(), t.keyFile.c_str(), t.input.c_str(),
                                    t.output.c_str(), &t.flags));
         }},
        {"GenerateKeyPair",
         "print [GNUPG:] PROGRESS primegen + 0 0\n" + kFault + "print [GNUPG:] KEY_CREATED B " +
             kFingerprint + "\n",
         std::string("0 ") + kFingerprint, "43",
         [](GpgFaults& t) {
             char fingerprint[260] = "";
             ResultCode code =
                 GenerateKeyPair(t.conf.c_str(), t.folder.PathOf("conf/new-sec.gpg").c_str(),
                                 t.folder.PathOf("conf/new-pub.gpg").c_str(), "Taro Yamada",
                                 "taro@example.com", "", "password1", fingerprint, CountLines);
             return code == 0 ? Code(code) + " " + fingerprint : Code(code);
         }},
        {"ListPublicKeys",
         "print tru::1:1700000000:0:3:1:5\n" + kFault +
             "print pub:-:1024:17:2A6F6D7B5C4D3E2F:2026-11-01:::-:Hanako Suzuki "
             "<hanako@example.com>::scESC:\n"
             "print fpr:::::::::A372F7DF0A18D61A6EA7F6EC41E1C4DEFABAD9DC:\n",
         "0 keys=1", "0 keys=0",
         [](GpgFaults& t) {
             KeyList list{nullptr};
             ResultCode code = ListPublicKeys(t.conf.c_str(), t.keyFile.c_str(), &list);
             return Listed(code, &list);
         }},
        {"ListSecretKeys", kFault + secretListing, "0 keys=1", "0 keys=0",
         [](GpgFaults& t) {
             KeyList list{nullptr};
             ResultCode code = ListSecretKeys(t.conf.c_str(), t.secring.c_str(), &list);
             return Listed(code, &list);
         }},
        // The change lists the secret key ring first, then edits the key.
        {"ChangePassphrase (listing)",
         "on --list-secret-keys\n" + kFault + secretListing + "on --edit-key\n" + editor +
             editorEnd,
         "0", "45",
         [](GpgFaults& t) {
             return Code(ChangePassphrase(t.conf.c_str(), t.secring.c_str(), t.pubring.c_str(),
                                          "old pass 1", "new pass 1"));
         }},
        {"ChangePassphrase (editor)",
         "on --list-secret-keys\n" + secretListing + "on --edit-key\n" + editor + kFault +
             editorEnd,
         "0", "51",
         [](GpgFaults& t) {
             return Code(ChangePassphrase(t.conf.c_str(), t.secring.c_str(), t.pubring.c_str(),
                                          "old pass 1", "new pass 1"));
         }},
        // Export reads no status: any output that ends is a run of GnuPG.
        {"ExportPublicKey", "print something\n" + kFault + "print more\n", "0", "0",
         [](GpgFaults& t) {
             return Code(ExportPublicKey(t.conf.c_str(), t.pubring.c_str(), kFingerprint,
                                         t.output.c_str()));
         }},
    };
}

TEST_F(GpgFaults, EveryCommandServedWellGivesItsNormalResult) {
    for (const Command& command : Commands()) {
        EXPECT_EQ(RunWith(command, ""), command.complete) << command.name;
    }
}

TEST_F(GpgFaults, CrashInTheMiddleOfTheOutputGivesTheCodeForAnOutputThatEndedEarly) {
    for (const Command& command : Commands()) {
        EXPECT_EQ(RunWith(command, "crash\n"), command.endedEarly) << command.name;
    }
}

TEST_F(GpgFaults, FloodOfOutputIsReadThroughToTheNormalResult) {
    const std::string flood = "flood " + std::to_string(kFloodBytes) + "\n";
    for (const Command& command : Commands()) {
        EXPECT_EQ(RunWith(command, flood), command.complete) << command.name;
    }
}

TEST_F(GpgFaults, EndlessLineIsCutAndTheRunGoesOnToTheNormalResult) {
    const std::string line = "longline " + std::to_string(kLongLineBytes) + "\n";
    for (const Command& command : Commands()) {
        EXPECT_EQ(RunWith(command, line), command.complete) << command.name;
    }
}

TEST_F(GpgFaults, GpgThatStopsAnsweringIsEndedAndTheOutputCountsAsEndedEarly) {
    SetGpgIdleLimitForTesting(1000);
    for (const Command& command : Commands()) {
        Clock::time_point start = Clock::now();
        EXPECT_EQ(RunWith(command, "hang\n"), command.endedEarly) << command.name;
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(20)) << command.name;
    }
}

// Waiting for input: the commands that close GnuPG's input (the status loop,
// key generation) let it go on; where the input stays open (the listings,
// the key editor, the export) it waits until the watchdog ends it.
TEST_F(GpgFaults, GpgWaitingForInputThatNeverComesIsAnsweredOrEnded) {
    SetGpgIdleLimitForTesting(1000);
    for (const Command& command : Commands()) {
        std::string name = command.name;
        bool inputClosed = name.find("List") == std::string::npos &&
                           name.find("Change") == std::string::npos &&
                           name.find("Export") == std::string::npos;
        EXPECT_EQ(RunWith(command, "readall\n"),
                  inputClosed ? command.complete : command.endedEarly)
            << command.name;
    }
}

}  // namespace
