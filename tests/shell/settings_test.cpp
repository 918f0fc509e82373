// The settings file conf/Quillet.ini, read and written for real.
#include "shell/settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/result_codes.h"
#include "shell/app_state.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_support.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using test_support::ReadFile;
using test_support::WriteFile;

const char kOnOff[] = "[global]\nencrypt_no_sign=1\ndecrypt_no_verify=0\n";

class SettingsFile : public ::testing::Test {
protected:
    test_support::ProgramFolder folder;
    std::string ini = folder.PathOf("conf/Quillet.ini");

    void SetUp() override {
        fake_ui::Reset();
        test_support::MakeFolderAt(folder.PathOf("conf"));
    }
    void Set(int encryptNoSign, int decryptNoVerify) {
        gAppState.work.encryptNoSign = encryptNoSign;
        gAppState.work.decryptNoVerify = decryptNoVerify;
    }
    // Reads with values in memory that the read must replace.
    ResultCode Read() {
        Set(7, 7);
        return ReadSettings();
    }
};

// What a hand-edited file means for encrypt_no_sign (decrypt_no_verify is
// read by the same code).
TEST_F(SettingsFile, HandEditedFiles) {
    const std::pair<const char*, int> cases[] = {
        {"[global]\r\nencrypt_no_sign = 1\r\ndecrypt_no_verify=0\r\n", 1},
        {"\n\n  [global]\n\t encrypt_no_sign\t=\t1 \n", 1},
        {"[global] ; comment\n\n\nencrypt_no_sign=1\n", 1},
        {"[global]\nx encrypt_no_sign=1\n", 0},  // the key starts its line
        {"[global]\nencrypt_no_sign=1", 0},      // the last line needs its line feed
        {"[global]\nencrypt_no_sign=1\r", 1},
        {"encrypt_no_sign=1\n[global]", 0},  // keys above the header do not count
        {"encrypt_no_sign=1\n[global]\nx=1\n", 0},
        {"[global]\nencrypt_no_sign=2\n", 1},
        {"[global]\nencrypt_no_sign=0010\n", 1},
        {"[global]\nencrypt_no_sign=99999999999999999999999\n", 1},
        {"[global]\nencrypt_no_sign=0\n", 0},
        {"[global]\nencrypt_no_sign=yes\n", 0},
        {"[global]\nencrypt_no_sign=-1\n", 0},
        {"[global]\nencrypt_no_sign=+1\n", 0},
        {"[global]\nencrypt_no_sign=\n", 0},
        {"[global]\nencrypt_no_sign=1x\n", 0},
        {"[global]\nencrypt_no_sign\n1\n", 0},
        {"[global]\nencrypt_no_sign=", 0},
        {"[global]\nencrypt_no_sign :1\n", 1},  // any one character separates
        {"[global]\nencrypt_no_sign:1\n", 0},
        {"[global]\nEncrypt_No_Sign=1\n", 0},  // names are compared exactly
        {"[Global]\nencrypt_no_sign=1\n", 0},
        {"[ global ]\nencrypt_no_sign=1\n", 0},
        {"[global]\nencrypt_no_sign_x=1\n", 0},
        {"[global]\nencrypt_no_sign=x\nencrypt_no_sign=1\n", 0},  // the first line decides
        {"[global]\nencrypt_no_sign=1\nencrypt_no_sign=0\n", 1},
        {"[global]\ndecrypt_no_verify=0\n[other]\nencrypt_no_sign=1\n", 1},
        {"[first]\na=1\n[global]\nencrypt_no_sign=1\n", 1},
    };
    for (const auto& [content, value] : cases) {
        WriteFile(ini, content);
        EXPECT_EQ(Read(), rc::kOk) << content;
        EXPECT_EQ(gAppState.work.encryptNoSign, value) << content;
    }
    // No file, or a folder in its place: both off, without a message.
    for (bool folderInItsPlace : {false, true}) {
        test_support::RemoveTree(ini);
        if (folderInItsPlace) {
            test_support::MakeFolderAt(ini);
        }
        EXPECT_EQ(Read(), rc::kOk);
        EXPECT_EQ(gAppState.work.encryptNoSign + gAppState.work.decryptNoVerify, 0);
    }
    EXPECT_TRUE(fake_ui::state.events.empty());
}

TEST_F(SettingsFile, FilesOf4095BytesOrMoreAreRefused) {
    std::string body = "[global]\nencrypt_no_sign=1\ndecrypt_no_verify=1\n";
    std::string padded = body + std::string(4094 - body.size() - 1, ' ') + "\n";
    WriteFile(ini, padded);
    ASSERT_EQ(Read(), rc::kOk);
    EXPECT_EQ(gAppState.work.decryptNoVerify, 1);
    WriteFile(ini, padded + " ");
    EXPECT_EQ(Read(), rc::kUnknown);
    EXPECT_EQ(gAppState.work.encryptNoSign + gAppState.work.decryptNoVerify, 0);
}

// What is written reads back, and nothing of a longer file survives: its
// tail would be read at the next start.
TEST_F(SettingsFile, WriteReplacesTheWholeFile) {
    for (int encrypt = 0; encrypt <= 1; ++encrypt) {
        for (int decrypt = 0; decrypt <= 1; ++decrypt) {
            WriteFile(ini, "[global]\n; notes\r\n" + std::string(300, ' ') +
                               "\ndecrypt_no_verify=1\nencrypt_no_sign=1\n");
            Set(encrypt, decrypt);
            ASSERT_EQ(WriteSettings(), rc::kOk);
            ASSERT_EQ(Read(), rc::kOk);
            EXPECT_EQ(gAppState.work.encryptNoSign, encrypt);
            EXPECT_EQ(gAppState.work.decryptNoVerify, decrypt);
        }
    }
    Set(5, 0);  // any value other than 0 is written as 1
    ASSERT_EQ(WriteSettings(), rc::kOk);
    EXPECT_EQ(ReadFile(ini), kOnOff);
    // A file another program holds open for writing is read all the same.
    std::ofstream writer(ini, std::ios::binary | std::ios::app);
    ASSERT_EQ(Read(), rc::kOk);
    EXPECT_EQ(gAppState.work.encryptNoSign, 1);
}

TEST_F(SettingsFile, WriteFailuresGive49AndKeepTheSettingsInMemory) {
    Set(1, 1);
    test_support::RemoveTree(folder.PathOf("conf"));
    EXPECT_EQ(WriteSettings(), rc::kOptionsWrite);  // the folder is not made
    EXPECT_FALSE(test_support::Exists(folder.PathOf("conf")));
    test_support::MakeFolderAt(folder.PathOf("conf"));
    WriteFile(ini, "[global]\n");
    test_support::MakeReadOnly(ini);
    EXPECT_EQ(WriteSettings(), rc::kOptionsWrite);
    EXPECT_EQ(ReadFile(ini), "[global]\n");
    test_support::RemoveTree(ini);
    test_support::MakeFolderAt(ini);
    EXPECT_EQ(WriteSettings(), rc::kOptionsWrite);
    EXPECT_EQ(gAppState.work.encryptNoSign + gAppState.work.decryptNoVerify, 2);
}

#ifndef _WIN32
// A file that opens but cannot be read: this process's own memory file
// fails at its start. (Wine does not refuse reads of a locked region, so
// there is no such file under Wine.)
TEST_F(SettingsFile, AFailingReadGives50) {
    ASSERT_EQ(symlink("/proc/self/mem", ini.c_str()), 0);
    EXPECT_EQ(Read(), rc::kOptionsRead);
    EXPECT_EQ(gAppState.work.encryptNoSign + gAppState.work.decryptNoVerify, 0);
}
#endif

}  // namespace
