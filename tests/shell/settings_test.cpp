// The settings file conf/Quillet.ini, read and written for real.
#include "shell/settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "shell/app_state.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_support.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using namespace test_support;

class SettingsFile : public ::testing::Test {
protected:
    ProgramFolder folder;
    std::string ini = folder.PathOf("conf/Quillet.ini");
    std::int32_t& encryptNoSign = gAppState.work.encryptNoSign;
    std::int32_t& decryptNoVerify = gAppState.work.decryptNoVerify;

    void SetUp() override { MakeFolderAt(folder.PathOf("conf")); }
    // Reads with values in memory that the read must replace.
    ResultCode Read() {
        encryptNoSign = decryptNoVerify = 7;
        return ReadSettings();
    }
};

// What a hand-edited file means for encrypt_no_sign (decrypt_no_verify is
// read by the same code). No file, or a folder in its place: both off.
TEST_F(SettingsFile, HandEditedFiles) {
    const std::pair<const char*, int> cases[] = {
        {"[global]\r\nencrypt_no_sign = 1\r\n", 1},
        {"\n  [global] ; notes\n\t encrypt_no_sign\t=\t1 \n", 1},
        {"[global]\nx encrypt_no_sign=1\n", 0},         // the key starts its line
        {"[global]\nencrypt_no_sign=1", 0},             // a line needs its end
        {"encrypt_no_sign=1\n[global]\nx=1\n", 0},      // above the header
        {"[global]\n[other]\nencrypt_no_sign=1\n", 1},  // later sections count
        {"[global]\nencrypt_no_sign=0010\n", 1},
        {"[global]\nencrypt_no_sign=0\n", 0},
        {"[global]\nencrypt_no_sign=yes\n", 0},
        {"[global]\nencrypt_no_sign=1x\n", 0},
        {"[global]\nencrypt_no_sign :1\n", 1},  // any one separator
        {"[global]\nencrypt_no_sign:1\n", 0},
        {"[Global]\nEncrypt_No_Sign=1\n", 0},                     // exact names
        {"[global]\nencrypt_no_sign=x\nencrypt_no_sign=1\n", 0},  // the first line decides
    };
    for (const auto& [content, value] : cases) {
        WriteFile(ini, content);
        EXPECT_EQ(Read(), rc::kOk) << content;
        EXPECT_EQ(encryptNoSign, value) << content;
    }
    for (int i = 0; i < 2; ++i) {  // a folder in its place, then none
        i == 0 ? (RemoveTree(ini), MakeFolderAt(ini)) : RemoveTree(ini);
        EXPECT_EQ(Read(), rc::kOk);
        EXPECT_EQ(encryptNoSign + decryptNoVerify, 0);
    }
    EXPECT_TRUE(fake_ui::state.events.empty());
    // 4094 bytes are read, 4095 refused.
    std::string body = "[global]\ndecrypt_no_verify=1\n";
    WriteFile(ini, body + std::string(4094 - body.size(), '\n'));
    EXPECT_EQ(Read(), rc::kOk);
    EXPECT_EQ(decryptNoVerify, 1);
    WriteFile(ini, body + std::string(4095 - body.size(), '\n'));
    EXPECT_EQ(Read(), rc::kUnknown);
    EXPECT_EQ(encryptNoSign + decryptNoVerify, 0);
}

// Nothing of a longer file survives (its tail would be read at the next
// start), and a file another program holds open for writing is still read.
TEST_F(SettingsFile, WriteReplacesTheWholeFile) {
    WriteFile(ini, "[global]\n" + std::string(300, ' ') + "\ndecrypt_no_verify=1\n");
    encryptNoSign = 5;  // written as 1
    decryptNoVerify = 0;
    ASSERT_EQ(WriteSettings(), rc::kOk);
    EXPECT_EQ(ReadFile(ini), "[global]\nencrypt_no_sign=1\ndecrypt_no_verify=0\n");
    std::ofstream writer(ini, std::ios::binary | std::ios::app);
    ASSERT_EQ(Read(), rc::kOk);
    EXPECT_EQ(encryptNoSign + decryptNoVerify, 1);
}

// A read-only file, a folder in its place (no conf folder: see the toggles).
TEST_F(SettingsFile, WriteFailuresGive49AndKeepTheSettingsInMemory) {
    encryptNoSign = decryptNoVerify = 1;
    WriteFile(ini, "[global]\n");
    MakeReadOnly(ini);
    EXPECT_EQ(WriteSettings(), rc::kOptionsWrite);
    EXPECT_EQ(ReadFile(ini), "[global]\n");
    RemoveTree(ini);
    MakeFolderAt(ini);
    EXPECT_EQ(WriteSettings(), rc::kOptionsWrite);
    EXPECT_EQ(encryptNoSign + decryptNoVerify, 2);
}

#ifndef _WIN32
// A file that opens but cannot be read: this process's memory at offset 0.
TEST_F(SettingsFile, AFailingReadGives50) {
    ASSERT_EQ(symlink("/proc/self/mem", ini.c_str()), 0);
    EXPECT_EQ(Read(), rc::kOptionsRead);
    EXPECT_EQ(encryptNoSign + decryptNoVerify, 0);
}
#endif

}  // namespace
