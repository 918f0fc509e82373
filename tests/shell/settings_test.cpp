#include "shell/settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/result_codes.h"
#include "shell/app_state.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

using test_support::Exists;
using test_support::ReadFile;
using test_support::WriteFile;

const char kWrittenOnOff[] = "[global]\nencrypt_no_sign=1\ndecrypt_no_verify=0\n";

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        fake_ui::Reset();
        test_support::MakeFolderAt(folder_.PathOf("conf"));
        // Values that a read must replace, whatever it finds.
        gAppState.work.encryptNoSign = 7;
        gAppState.work.decryptNoVerify = 7;
    }

    std::string IniPath() const { return folder_.PathOf("conf/Quillet.ini"); }

    // Writes `content` as the settings file and reads it back.
    ResultCode Read(const std::string& content) {
        WriteFile(IniPath(), content);
        gAppState.work.encryptNoSign = 7;
        gAppState.work.decryptNoVerify = 7;
        return ReadSettings();
    }

    // Whether `content` makes encrypt_no_sign read as on.
    bool EncryptNoSignFrom(const std::string& content) {
        EXPECT_EQ(Read(content), rc::kOk) << content;
        return gAppState.work.encryptNoSign != 0;
    }

    void Set(int encryptNoSign, int decryptNoVerify) {
        gAppState.work.encryptNoSign = encryptNoSign;
        gAppState.work.decryptNoVerify = decryptNoVerify;
    }

    test_support::ProgramFolder folder_;
};

// A folder in place of the file counts as no file.
TEST_F(SettingsFile, NoFileReadsBothOffWithoutAMessage) {
    for (bool folderInItsPlace : {false, true}) {
        if (folderInItsPlace) {
            test_support::MakeFolderAt(IniPath());
        }
        Set(7, 7);
        EXPECT_EQ(ReadSettings(), rc::kOk);
        EXPECT_EQ(gAppState.work.encryptNoSign, 0);
        EXPECT_EQ(gAppState.work.decryptNoVerify, 0);
        EXPECT_TRUE(fake_ui::events.empty());
    }
}

TEST_F(SettingsFile, WriteCreatesTheFileWithExactly47Bytes) {
    Set(5, 0);  // any value other than 0 is written as 1
    EXPECT_EQ(WriteSettings(), rc::kOk);
    std::string content = ReadFile(IniPath());
    EXPECT_EQ(content.size(), 47u);
    EXPECT_EQ(content, kWrittenOnOff);
}

TEST_F(SettingsFile, WhatIsWrittenReadsBack) {
    for (int encrypt = 0; encrypt <= 1; ++encrypt) {
        for (int decrypt = 0; decrypt <= 1; ++decrypt) {
            Set(encrypt, decrypt);
            ASSERT_EQ(WriteSettings(), rc::kOk);
            Set(7, 7);
            ASSERT_EQ(ReadSettings(), rc::kOk);
            EXPECT_EQ(gAppState.work.encryptNoSign, encrypt);
            EXPECT_EQ(gAppState.work.decryptNoVerify, decrypt);
        }
    }
}

TEST_F(SettingsFile, WriteLeavesNothingOfALongerOrShorterFileBehind) {
    // A hand-edited file longer than 47 bytes: its tail must not survive,
    // or the decrypt_no_verify=1 below would be read at the next start.
    WriteFile(IniPath(), "[global]\nencrypt_no_sign = 0\r\n; my notes\r\n" + std::string(300, ' ') +
                             "\ndecrypt_no_verify=1\n");
    Set(1, 0);
    EXPECT_EQ(WriteSettings(), rc::kOk);
    EXPECT_EQ(ReadFile(IniPath()), kWrittenOnOff);
    ASSERT_EQ(ReadSettings(), rc::kOk);
    EXPECT_EQ(gAppState.work.decryptNoVerify, 0);

    WriteFile(IniPath(), "x");
    Set(1, 0);
    EXPECT_EQ(WriteSettings(), rc::kOk);
    EXPECT_EQ(ReadFile(IniPath()), kWrittenOnOff);
}

TEST_F(SettingsFile, WriteFailsWith49WhenTheFileCannotBeWritten) {
    Set(1, 1);

    // The conf folder is not made here.
    test_support::RemoveTree(folder_.PathOf("conf"));
    EXPECT_EQ(WriteSettings(), rc::kOptionsWrite);
    EXPECT_FALSE(Exists(folder_.PathOf("conf")));

    // A read-only file keeps its content.
    test_support::MakeFolderAt(folder_.PathOf("conf"));
    WriteFile(IniPath(), "[global]\nencrypt_no_sign=0\n");
    test_support::MakeReadOnly(IniPath());
    EXPECT_EQ(WriteSettings(), rc::kOptionsWrite);
    EXPECT_EQ(ReadFile(IniPath()), "[global]\nencrypt_no_sign=0\n");

    // A folder of that name.
    test_support::RemoveTree(folder_.PathOf("conf"));
    test_support::MakeFolderAt(folder_.PathOf("conf"));
    test_support::MakeFolderAt(IniPath());
    EXPECT_EQ(WriteSettings(), rc::kOptionsWrite);

    // The settings in memory are left as they were.
    EXPECT_EQ(gAppState.work.encryptNoSign, 1);
    EXPECT_EQ(gAppState.work.decryptNoVerify, 1);
}

TEST_F(SettingsFile, ThePathFollowsTheProgramFolderAtEveryWrite) {
    Set(1, 0);
    ASSERT_EQ(WriteSettings(), rc::kOk);
    std::string first = IniPath();
    {
        test_support::ProgramFolder other;
        test_support::MakeFolderAt(other.PathOf("conf"));
        Set(0, 1);
        ASSERT_EQ(WriteSettings(), rc::kOk);
        EXPECT_EQ(ReadFile(other.PathOf("conf/Quillet.ini")),
                  "[global]\nencrypt_no_sign=0\ndecrypt_no_verify=1\n");
        ASSERT_EQ(ReadSettings(), rc::kOk);
        EXPECT_EQ(gAppState.work.encryptNoSign, 0);
    }
    EXPECT_EQ(ReadFile(first), kWrittenOnOff);
}

TEST_F(SettingsFile, ReadsAFileThatAnotherProgramHoldsOpenForWriting) {
    WriteFile(IniPath(), kWrittenOnOff);
    std::ofstream writer(IniPath(), std::ios::binary | std::ios::app);
    ASSERT_TRUE(writer.is_open());
    EXPECT_EQ(ReadSettings(), rc::kOk);
    EXPECT_EQ(gAppState.work.encryptNoSign, 1);
}

TEST_F(SettingsFile, HandEditedLinesValuesAndNames) {
    // Hand-edited lines with carriage returns and blanks.
    EXPECT_TRUE(EncryptNoSignFrom("[global]\r\nencrypt_no_sign = 1\r\ndecrypt_no_verify=0\r\n"));
    EXPECT_TRUE(EncryptNoSignFrom("\n\n  [global]\n\t encrypt_no_sign\t=\t1 \n"));
    EXPECT_TRUE(EncryptNoSignFrom("[global] ; comment\n\n\nencrypt_no_sign=1\n"));
    // The key stands at the start of its line, after blanks only.
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nx encrypt_no_sign=1\n"));

    // The last line needs its line feed.
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nencrypt_no_sign=1"));
    EXPECT_TRUE(EncryptNoSignFrom("[global]\nencrypt_no_sign=1\r"));
    // A header on the last line has no body.
    EXPECT_FALSE(EncryptNoSignFrom("encrypt_no_sign=1\n[global]"));
    EXPECT_FALSE(EncryptNoSignFrom("encrypt_no_sign=1\n[global]\n"));

    // Values other than zero read as on, unreadable values as off.
    EXPECT_TRUE(EncryptNoSignFrom("[global]\nencrypt_no_sign=2\n"));
    EXPECT_TRUE(EncryptNoSignFrom("[global]\nencrypt_no_sign=0010\n"));
    EXPECT_TRUE(EncryptNoSignFrom("[global]\nencrypt_no_sign=99999999999999999999999\n"));
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nencrypt_no_sign=0\n"));
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nencrypt_no_sign=yes\n"));
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nencrypt_no_sign=-1\n"));
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nencrypt_no_sign=+1\n"));
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nencrypt_no_sign=\n"));
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nencrypt_no_sign=1x\n"));
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nencrypt_no_sign\n1\n"));
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nencrypt_no_sign"));
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nencrypt_no_sign="));
    // Any one character serves as the separator.
    EXPECT_TRUE(EncryptNoSignFrom("[global]\nencrypt_no_sign :1\n"));
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nencrypt_no_sign:1\n"));  // the key is longer

    // Names are compared exactly.
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nEncrypt_No_Sign=1\n"));
    EXPECT_FALSE(EncryptNoSignFrom("[Global]\nencrypt_no_sign=1\n"));
    EXPECT_FALSE(EncryptNoSignFrom("[ global ]\nencrypt_no_sign=1\n"));
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nencrypt_no_sign_x=1\n"));

    // The first line with the key decides.
    EXPECT_FALSE(EncryptNoSignFrom("[global]\nencrypt_no_sign=x\nencrypt_no_sign=1\n"));
    EXPECT_TRUE(EncryptNoSignFrom("[global]\nencrypt_no_sign=1\nencrypt_no_sign=0\n"));
}

TEST_F(SettingsFile, SectionsAfterTheGlobalHeaderAreSearchedToo) {
    EXPECT_TRUE(EncryptNoSignFrom("[global]\ndecrypt_no_verify=0\n[other]\nencrypt_no_sign=1\n"));
    EXPECT_TRUE(EncryptNoSignFrom("[first]\na=1\n[global]\nencrypt_no_sign=1\n"));
    // Keys above the header are not in the section.
    EXPECT_FALSE(EncryptNoSignFrom("encrypt_no_sign=1\n[global]\nx=1\n"));

    ASSERT_EQ(Read("encrypt_no_sign=1\ndecrypt_no_verify=1\n"), rc::kOk);
    EXPECT_EQ(gAppState.work.encryptNoSign, 0);
    EXPECT_EQ(gAppState.work.decryptNoVerify, 0);
}

TEST_F(SettingsFile, FilesOf4095BytesOrMoreAreRefused) {
    std::string body = "[global]\nencrypt_no_sign=1\ndecrypt_no_verify=1\n";
    std::string padded = body + std::string(4094 - body.size() - 1, ' ') + "\n";
    ASSERT_EQ(padded.size(), 4094u);
    ASSERT_EQ(Read(padded), rc::kOk);
    EXPECT_EQ(gAppState.work.encryptNoSign, 1);
    EXPECT_EQ(gAppState.work.decryptNoVerify, 1);

    EXPECT_EQ(Read(padded + " "), rc::kUnknown);
    EXPECT_EQ(gAppState.work.encryptNoSign, 0);
    EXPECT_EQ(gAppState.work.decryptNoVerify, 0);
    EXPECT_EQ(Read(padded + std::string(5000, ' ')), rc::kUnknown);
}

TEST_F(SettingsFile, AFailingReadGives50) {
#ifdef _WIN32
    // A region locked by another handle cannot be read on Windows; Wine
    // does not hold its readers to such locks.
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr) {
        GTEST_SKIP() << "Wine does not refuse reads of a locked region";
    }
    WriteFile(IniPath(), kWrittenOnOff);
    HANDLE holder = CreateFileA(IniPath().c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(LockFile(holder, 0, 0, 4096, 0));
    EXPECT_EQ(ReadSettings(), rc::kOptionsRead);
    UnlockFile(holder, 0, 0, 4096, 0);
    CloseHandle(holder);
#else
    // This process's own memory file opens, but reading at its start fails.
    ASSERT_EQ(symlink("/proc/self/mem", IniPath().c_str()), 0);
    EXPECT_EQ(ReadSettings(), rc::kOptionsRead);
#endif
    EXPECT_EQ(gAppState.work.encryptNoSign, 0);
    EXPECT_EQ(gAppState.work.decryptNoVerify, 0);
}

}  // namespace
