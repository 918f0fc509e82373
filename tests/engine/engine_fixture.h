// One program folder holding every file an engine command names, a scripted
// GnuPG in its bin folder, and each command run by name with its outcome
// told as a short text: the result code, then what else the command gives.
#pragma once

#include <gtest/gtest.h>

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
    EncryptNoSign,
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
inline const std::string kSecListing = "print sec::1024:17:6617CB8C9F217174:2026-11-01::::" + kUid +
                                       ":::\nprint fpr:::::::::" + kFpr + ":\n";

class EngineTest : public ::testing::Test {
public:  // the tables name the fields
    test_support::ProgramFolder folder;
    std::string conf = folder.PathOf("conf"), secring = folder.PathOf("conf/secring.gpg"),
                pubring = folder.PathOf("conf/pubring.gpg"),
                trustdb = folder.PathOf("conf/trustdb.gpg"), keyFile = folder.PathOf("hanako.gpg"),
                input = folder.PathOf("report.doc"), output = folder.PathOf("report.doc.gpg"),
                newSecring = folder.PathOf("conf/new-sec.gpg"),
                newPubring = folder.PathOf("conf/new-pub.gpg");
    std::string passphrase = "password1", newPassphrase = "new pass 1", keyName = kFpr,
                comment = "";
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
        ResultCode code = 0;
        std::string extra;
        KeyList list{nullptr};
        char fingerprint[260] = "";
        switch (cmd) {
            case Cmd::Encrypt:
            case Cmd::EncryptNoSign:
                code = EncryptFile(conf.c_str(), secring.c_str(), keyFile.c_str(), input.c_str(),
                                   output.c_str(), keyName.c_str(), passphrase.c_str(),
                                   cmd == Cmd::EncryptNoSign, &flags);
                break;
            case Cmd::Decrypt:
                code = DecryptFile(conf.c_str(), secring.c_str(), keyFile.c_str(), output.c_str(),
                                   input.c_str(), passphrase.c_str(), &flags);
                break;
            case Cmd::Sign:
                code = SignFile(conf.c_str(), secring.c_str(), pubring.c_str(), input.c_str(),
                                output.c_str(), passphrase.c_str(), &flags);
                break;
            case Cmd::Verify:
                code = VerifyFile(conf.c_str(), keyFile.c_str(), input.c_str(), output.c_str(),
                                  &flags);
                break;
            case Cmd::Export:
                code =
                    ExportPublicKey(conf.c_str(), pubring.c_str(), keyName.c_str(), output.c_str());
                break;
            case Cmd::Generate:
                code = GenerateKeyPair(conf.c_str(), newSecring.c_str(), newPubring.c_str(),
                                       "Taro Yamada", "taro@example.com", comment.c_str(),
                                       passphrase.c_str(), fingerprint, progress);
                extra = code == 0 ? std::string(" ") + fingerprint : "";
                break;
            case Cmd::List:
            case Cmd::ListSecret:
                code = cmd == Cmd::List ? ListPublicKeys(conf.c_str(), keyFile.c_str(), &list)
                                        : ListSecretKeys(conf.c_str(), secring.c_str(), &list);
                for (KeyEntry* entry = list.head; entry != nullptr; entry = entry->next) {
                    extra += std::string(" ") + entry->userId + "|" + entry->fingerprint;
                }
                FreeKeyList(&list);
                break;
            case Cmd::Change:
                code = ChangePassphrase(conf.c_str(), secring.c_str(), pubring.c_str(),
                                        passphrase.c_str(), newPassphrase.c_str());
                break;
        }
        bool showsOutput = cmd == Cmd::Decrypt || cmd == Cmd::Export;
        return std::to_string(code) + extra +
               (showsOutput && test_support::Exists(output) ? " +output" : "");
    }

    // A GnuPG that serves `cmd` well, with `fault` put in the middle of its
    // output.
    static std::string GoodGpg(Cmd cmd, const std::string& fault) {
        switch (cmd) {
            case Cmd::Encrypt:
            case Cmd::EncryptNoSign:
                return "print [GNUPG:] BEGIN_ENCRYPTION 2 9\n" + fault +
                       "print [GNUPG:] SIG_CREATED S 17 2 00 1 X\nprint [GNUPG:] END_ENCRYPTION\n";
            case Cmd::Decrypt:
                return "print [GNUPG:] BEGIN_DECRYPTION\nwritefile -o partial plaintext\n" + fault +
                       "print [GNUPG:] VALIDSIG " + kFpr + "\nprint [GNUPG:] END_DECRYPTION\n";
            case Cmd::Sign:
                return "print [GNUPG:] BEGIN_SIGNING H2\n" + fault +
                       "print [GNUPG:] SIG_CREATED D 17 2 00 1 X\n";
            case Cmd::Verify:
                return "print [GNUPG:] SIG_ID x\n" + fault + "print [GNUPG:] VALIDSIG " + kFpr +
                       "\n";
            case Cmd::Export:
                return "print exported\n" + fault + "print more\n";
            case Cmd::Generate:
                return "print [GNUPG:] PROGRESS primegen + 0 0\n" + fault +
                       "print [GNUPG:] KEY_CREATED B " + kFpr + "\n";
            case Cmd::List:
                return "print tru::1:1700000000:0:3:1:5\n" + fault +
                       "print pub:-:1024:17:6617CB8C9F217174:2026-11-01:::-:" + kUid +
                       "::scESC:\nprint fpr:::::::::" + kFpr + ":\n";
            case Cmd::ListSecret:
                return fault + kSecListing;
            case Cmd::Change:
                return "on --list-secret-keys\n" + kSecListing +
                       "on --edit-key\n"
                       "print [GNUPG:] NEED_PASSPHRASE 6617CB8C9F217174 6617CB8C9F217174 17 0\n"
                       "print [GNUPG:] GET_HIDDEN passphrase.enter\nreadline\n"
                       "print [GNUPG:] GOOD_PASSPHRASE\nprint [GNUPG:] NEED_PASSPHRASE_SYM 3\n"
                       "print [GNUPG:] GET_HIDDEN passphrase.enter\nreadline\n"
                       "print [GNUPG:] GET_HIDDEN passphrase.repeat\nreadline\n" +
                       fault +
                       "print [GNUPG:] GET_LINE keyedit.prompt\nreadline\n"
                       "writefile --secret-keyring= the changed ring\n";
        }
        return "";
    }
};
