// One program folder holding every file an engine command names, a scripted
// GnuPG in its bin folder, and each command run by name with its outcome
// told as a short text: the result code, then what else the command gives.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/encryption_commands.h"
#include "engine/gpg_runner.h"
#include "engine/key_export.h"
#include "engine/key_generation.h"
#include "engine/key_listing.h"
#include "engine/passphrase_change.h"
#include "engine/signature_commands.h"
#include "platform/platform.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_support.h"

enum class Cmd {
    Encrypt,
    NoSign,
    Decrypt,
    Sign,
    Verify,
    Export,
    Generate,
    List,
    ListSecret,
    Change
};

inline const std::string kFpr = "751D20E03751AA0FA82636AD6617CB8C9F217174";
inline const std::string kUid = "Taro Yamada <taro@example.com>";

// What GnuPG says, step by step, in the fake GnuPG's script lines.
inline const std::string kSig = "print [GNUPG:] SIG_CREATED S 17 2 00 1 X\n",
                         kEncEnd = "print [GNUPG:] END_ENCRYPTION\n",
                         kValid = "print [GNUPG:] VALIDSIG " + kFpr + "\n",
                         kDecEnd = "print [GNUPG:] END_DECRYPTION\n",
                         kBad = "print [GNUPG:] BAD_PASSPHRASE 6617CB8C9F217174\n",
                         kPub = "print pub:-:1024:17:6617CB8C9F217174:2026-11-01:::-:" + kUid +
                                "::scESC:\n",
                         kFprLine = "print fpr:::::::::" + kFpr + ":\n",
                         kSecListing = "print sec::1024:17:6617CB8C9F217174:2026-11-01::::" + kUid +
                                       ":::\n" + kFprLine,
                         // the key editor, after the listing that finds the key
    kEditor = "on --list-secret-keys\n" + kSecListing + "on --edit-key\n",
                         kAskOld =
                             "print [GNUPG:] NEED_PASSPHRASE 6617CB8C9F217174 17 0\n"
                             "print [GNUPG:] GET_HIDDEN passphrase.enter\nreadline\n",
                         kAskNew =
                             "print [GNUPG:] GOOD_PASSPHRASE\n"
                             "print [GNUPG:] NEED_PASSPHRASE_SYM 3\n"
                             "print [GNUPG:] GET_HIDDEN passphrase.enter\nreadline\n"
                             "print [GNUPG:] GET_HIDDEN passphrase.repeat\nreadline\n",
                         kPrompt = "print [GNUPG:] GET_LINE keyedit.prompt\nreadline\n",
                         kSaved = "writefile --secret-keyring= the changed ring\n";

// A GnuPG that serves each command well: what it says before and after the
// place where a test puts a fault.
inline const std::pair<std::string, std::string> kGoodGpg[] = {
    {"print [GNUPG:] BEGIN_ENCRYPTION 2 9\n", kSig + kEncEnd},
    {"print [GNUPG:] BEGIN_ENCRYPTION 2 9\n", kSig + kEncEnd},
    {"print [GNUPG:] BEGIN_DECRYPTION\nwritefile -o partial plaintext\n", kValid + kDecEnd},
    {"print [GNUPG:] BEGIN_SIGNING H2\n", kSig},
    {"print [GNUPG:] SIG_ID x\n", kValid},
    {"print exported\n", "print more\n"},
    {"print [GNUPG:] PROGRESS primegen + 0 0\n", "print [GNUPG:] KEY_CREATED B " + kFpr + "\n"},
    {"print tru::1:1700000000:0:3:1:5\n", kPub + kFprLine},
    {"", kSecListing},
    {kEditor + kAskOld + kAskNew, kPrompt + kSaved}};
inline std::string GoodGpg(Cmd cmd, const std::string& fault = "") {
    const auto& [before, after] = kGoodGpg[static_cast<int>(cmd)];
    return before + fault + after;
}

class EngineTest : public ::testing::Test {
public:  // the tables name the fields
    test_support::ProgramFolder folder;
    std::string conf = folder.PathOf("conf"), secring = folder.PathOf("conf/secring.gpg"),
                pubring = folder.PathOf("conf/pubring.gpg"),
                trustdb = folder.PathOf("conf/trustdb.gpg"), keyFile = folder.PathOf("hanako.gpg"),
                input = folder.PathOf("report.doc"), output = folder.PathOf("report.doc.gpg"),
                newSecring = folder.PathOf("conf/new-sec.gpg"),
                newPubring = folder.PathOf("conf/new-pub.gpg");
    std::string name = "Taro Yamada", email = "taro@example.com", passphrase = "password1",
                newPassphrase = "new pass 1", keyName = kFpr, comment = "";
    ProgressCallback progress = nullptr;
    std::int32_t flags = 0x7777;

    void SetUp() override {
        fake_ui::Reset();
        test_support::MakeFolderAt(conf);
        for (const std::string* file : Files()) {
            test_support::WriteFile(*file, "bytes of " + *file);
        }
    }
    std::vector<const std::string*> Files() const {
        return {&secring, &pubring, &trustdb, &keyFile, &input, &output};
    }
    bool GpgRan() const { return test_support::Exists(folder.PathOf("bin/fake-gpg.args")); }
    std::string Line(const std::string& text) const { return text + platform::kLineEnd; }

    // Runs a command against the files above. Decryption and export add
    // " +output" while the output file exists; key generation adds the new
    // fingerprint, a listing " user ID|fingerprint" per key.
    std::string Run(Cmd cmd) {
        const char *h = conf.c_str(), *s = secring.c_str(), *p = pubring.c_str(),
                   *k = keyFile.c_str(), *in = input.c_str(), *out = output.c_str(),
                   *pass = passphrase.c_str();
        KeyList list{nullptr};
        char made[260] = "";
        const std::function<ResultCode()> commands[] = {
            [&] { return EncryptFile(h, s, k, in, out, keyName.c_str(), pass, 0, &flags); },
            [&] { return EncryptFile(h, s, k, in, out, keyName.c_str(), pass, 1, &flags); },
            [&] { return DecryptFile(h, s, k, out, in, pass, &flags); },
            [&] { return SignFile(h, s, p, in, out, pass, &flags); },
            [&] { return VerifyFile(h, k, in, out, &flags); },
            [&] { return ExportPublicKey(h, p, keyName.c_str(), out); },
            [&] {
                return GenerateKeyPair(h, newSecring.c_str(), newPubring.c_str(), name.c_str(),
                                       email.c_str(), comment.c_str(), pass, made, progress);
            },
            [&] { return ListPublicKeys(h, k, &list); },
            [&] { return ListSecretKeys(h, s, &list); },
            [&] { return ChangePassphrase(h, s, p, pass, newPassphrase.c_str()); }};
        ResultCode code = commands[static_cast<int>(cmd)]();
        std::string outcome =
            std::to_string(code) + (code == 0 && made[0] ? " " + std::string(made) : "");
        for (KeyEntry* entry = list.head; entry != nullptr; entry = entry->next) {
            outcome += std::string(" ") + entry->userId + "|" + entry->fingerprint;
        }
        FreeKeyList(&list);
        bool showsOutput = cmd == Cmd::Decrypt || cmd == Cmd::Export;
        return outcome + (showsOutput && test_support::Exists(output) ? " +output" : "");
    }
};
