// The main window's command handler and the status texts, worked through the
// scripted ui. The operations that the commands start are replaced here by
// recorders that answer scripted result codes; the settings file is real.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/result_codes.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/dispatch_command.h"
#include "shell/mode_entries.h"
#include "shell/status_text.h"
#include "tests/support/fake_help.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_support.h"
#include "workflows/export_workflow.h"
#include "workflows/fingerprint_display.h"
#include "workflows/passphrase_change_workflow.h"

namespace {

// What the stand-in operations were called with, and what they answer.
std::map<std::string, ResultCode> gResults;
struct OperationCall {
    std::string name;
    const char* dropList;
    ui::Window owner;
    KeyPaths* keyPaths;
};
std::vector<OperationCall> gCalls;

ResultCode Record(const char* name, const char* dropList, ui::Window owner, KeyPaths* keyPaths) {
    gCalls.push_back({name, dropList, owner, keyPaths});
    fake_ui::events.push_back(std::string("call ") + name);
    auto found = gResults.find(name);
    return found != gResults.end() ? found->second : rc::kOk;
}

}  // namespace

ResultCode StartEncrypt(const char* dropList) {
    return Record("StartEncrypt", dropList, nullptr, nullptr);
}
ResultCode StartDecrypt(const char* dropList) {
    return Record("StartDecrypt", dropList, nullptr, nullptr);
}
ResultCode StartSign(const char* dropList) {
    return Record("StartSign", dropList, nullptr, nullptr);
}
ResultCode StartVerify(const char* dropList) {
    return Record("StartVerify", dropList, nullptr, nullptr);
}
ResultCode KeyInfoWorkflow(ui::Window owner, KeyPaths* keyPaths) {
    return Record("KeyInfoWorkflow", nullptr, owner, keyPaths);
}
ResultCode OwnFingerprintWorkflow(ui::Window owner, KeyPaths* keyPaths) {
    return Record("OwnFingerprintWorkflow", nullptr, owner, keyPaths);
}
ResultCode ExportWorkflow(ui::Window owner, KeyPaths* keyPaths) {
    return Record("ExportWorkflow", nullptr, owner, keyPaths);
}
ResultCode PassphraseChangeWorkflow() {
    return Record("PassphraseChangeWorkflow", nullptr, nullptr, nullptr);
}

namespace {

using test_support::ResultMessage;
using test_support::StringText;

std::string MessageEvent(ResultCode code) {
    return "message: Message Box: " + ResultMessage(code);
}

class DispatchCommandTest : public testing::Test {
protected:
    void SetUp() override {
        fake_ui::Reset();
        fake_help::calls.clear();
        gResults.clear();
        gCalls.clear();
        gAppState = AppState{};
        gAppState.mainWindow = &windows_[0];
        gAppState.toolBar = &windows_[1];
        gAppState.encryptButton = &windows_[2];
        gAppState.decryptButton = &windows_[3];
        gAppState.signButton = &windows_[4];
        gAppState.verifyButton = &windows_[5];
        gAppState.statusBar = &windows_[6];
        fake_ui::buttonStates[gAppState.encryptButton] = 1;
        test_support::MakeFolderAt(folder_.PathOf("conf"));
    }

    ui::Window MainWindow() const { return gAppState.mainWindow; }
    std::string StatusBarText() const { return fake_ui::statusBarTexts[gAppState.statusBar]; }
    std::string SettingsFile() const {
        return test_support::ReadFile(folder_.PathOf("conf/Quillet.ini"));
    }
    bool Checked(unsigned commandId) const {
        auto found = fake_ui::menuChecks.find({MainWindow(), commandId});
        EXPECT_NE(found, fake_ui::menuChecks.end()) << "no check state set for " << commandId;
        return found != fake_ui::menuChecks.end() && found->second;
    }

    test_support::ProgramFolder folder_;

private:
    char windows_[7] = {};
};

struct FileCommand {
    unsigned id;
    const char* entry;
};
const FileCommand kFileCommands[] = {
    {IDM_ENCRYPT_FILE, "StartEncrypt"},
    {IDM_DECRYPT_FILE, "StartDecrypt"},
    {IDM_SIGN_FILE, "StartSign"},
    {IDM_VERIFY_SIGNATURE, "StartVerify"},
};

// A failure is shown over the main window before the status timer starts; a
// success or a cancellation shows nothing and starts the timer all the same.
TEST_F(DispatchCommandTest, FileCommandsStartTheirEntryWithoutAFileAndThenTheStatusTimer) {
    for (const FileCommand& command : kFileCommands) {
        for (ResultCode result : {rc::kOk, rc::kCancelled, rc::kDecryptFailed}) {
            SCOPED_TRACE(std::string(command.entry) + " answering " + std::to_string(result));
            fake_ui::Reset();
            gCalls.clear();
            gResults[command.entry] = result;
            DispatchCommand(MainWindow(), command.id);
            ASSERT_EQ(gCalls.size(), 1u);
            EXPECT_EQ(gCalls[0].name, command.entry);
            EXPECT_EQ(gCalls[0].dropList, nullptr);
            std::vector<std::string> events = {std::string("call ") + command.entry};
            if (result == rc::kDecryptFailed) {
                events.push_back(MessageEvent(rc::kDecryptFailed));
                ASSERT_EQ(fake_ui::messageBoxes.size(), 1u);
                EXPECT_EQ(fake_ui::messageBoxes[0].owner, MainWindow());
            } else {
                EXPECT_TRUE(fake_ui::messageBoxes.empty());
            }
            events.push_back("timer start 1");
            EXPECT_EQ(fake_ui::events, events);
            EXPECT_EQ((fake_ui::timers[{MainWindow(), 1u}]), 5000u);
        }
    }
}

struct KeyCommand {
    unsigned id;
    const char* workflow;
    bool getsOwnerAndKeys;
};
const KeyCommand kKeyCommands[] = {
    {IDM_KEY_INFO, "KeyInfoWorkflow", true},
    {IDM_EXPORT_KEY, "ExportWorkflow", true},
    {IDM_OWN_FINGERPRINT, "OwnFingerprintWorkflow", true},
    {IDM_CHANGE_PASSPHRASE, "PassphraseChangeWorkflow", false},
};

// Success and cancellation show nothing, a failure a box without owner.
TEST_F(DispatchCommandTest, KeyCommandsRunTheirWorkflowAndShowFailuresWithoutOwnerOrTimer) {
    for (const KeyCommand& command : kKeyCommands) {
        for (ResultCode result : {rc::kOk, rc::kCancelled, rc::kSecretKeyFormat}) {
            SCOPED_TRACE(std::string(command.workflow) + " answering " + std::to_string(result));
            fake_ui::Reset();
            gCalls.clear();
            gResults[command.workflow] = result;
            DispatchCommand(MainWindow(), command.id);
            ASSERT_EQ(gCalls.size(), 1u);
            EXPECT_EQ(gCalls[0].name, command.workflow);
            if (command.getsOwnerAndKeys) {
                EXPECT_EQ(gCalls[0].owner, MainWindow());
                EXPECT_EQ(gCalls[0].keyPaths, &gAppState.work.keyPaths);
            }
            std::vector<std::string> events = {std::string("call ") + command.workflow};
            if (result == rc::kSecretKeyFormat) {
                events.push_back(MessageEvent(rc::kSecretKeyFormat));
                ASSERT_EQ(fake_ui::messageBoxes.size(), 1u);
                EXPECT_EQ(fake_ui::messageBoxes[0].owner, nullptr);
            } else {
                EXPECT_TRUE(fake_ui::messageBoxes.empty());
            }
            EXPECT_EQ(fake_ui::events, events);
            EXPECT_TRUE(fake_ui::timers.empty());
        }
    }
}

TEST_F(DispatchCommandTest, ModeButtonClicksShowTheIdleTextOfTheirMode) {
    const std::pair<unsigned, int> clicks[] = {
        {IDC_SIGN_BUTTON, IDS_SIGN_IDLE},
        {IDC_VERIFY_BUTTON, IDS_VERIFY_IDLE},
        {IDC_DECRYPT_BUTTON, IDS_DECRYPT_IDLE},
        {IDC_ENCRYPT_BUTTON, IDS_ENCRYPT_IDLE},
    };
    for (const auto& [button, idleText] : clicks) {
        DispatchCommand(MainWindow(), button);
        EXPECT_EQ(StatusBarText(), StringText(idleText)) << "button " << button;
    }
    EXPECT_TRUE(fake_ui::timers.empty());
    EXPECT_TRUE(gCalls.empty());
}

TEST_F(DispatchCommandTest, SettingsTogglesFlipTheSettingWriteTheFileAndSetTheCheckMarks) {
    DispatchCommand(MainWindow(), IDM_ENCRYPT_NO_SIGN);
    EXPECT_EQ(gAppState.work.encryptNoSign, 1);
    EXPECT_EQ(SettingsFile(), "[global]\nencrypt_no_sign=1\ndecrypt_no_verify=0\n");
    EXPECT_TRUE(Checked(IDM_ENCRYPT_NO_SIGN));
    EXPECT_FALSE(Checked(IDM_DECRYPT_NO_VERIFY));

    DispatchCommand(MainWindow(), IDM_DECRYPT_NO_VERIFY);
    EXPECT_EQ(gAppState.work.decryptNoVerify, 1);
    EXPECT_EQ(SettingsFile(), "[global]\nencrypt_no_sign=1\ndecrypt_no_verify=1\n");
    EXPECT_TRUE(Checked(IDM_DECRYPT_NO_VERIFY));

    DispatchCommand(MainWindow(), IDM_ENCRYPT_NO_SIGN);
    EXPECT_EQ(gAppState.work.encryptNoSign, 0);
    EXPECT_EQ(SettingsFile(), "[global]\nencrypt_no_sign=0\ndecrypt_no_verify=1\n");
    EXPECT_FALSE(Checked(IDM_ENCRYPT_NO_SIGN));
    EXPECT_TRUE(Checked(IDM_DECRYPT_NO_VERIFY));
    EXPECT_EQ(fake_ui::menuChecks.size(), 2u);  // no other menu entry is touched

    EXPECT_TRUE(fake_ui::messageBoxes.empty());
    EXPECT_TRUE(fake_ui::timers.empty());
}

TEST_F(DispatchCommandTest, AFailedSaveIsShownWithoutOwnerAndTheCheckMarkStillFollows) {
    test_support::RemoveTree(folder_.PathOf("conf"));
    for (unsigned command : {IDM_DECRYPT_NO_VERIFY, IDM_ENCRYPT_NO_SIGN}) {
        SCOPED_TRACE(command);
        fake_ui::Reset();
        DispatchCommand(MainWindow(), command);
        ASSERT_EQ(fake_ui::messageBoxes.size(), 1u);
        EXPECT_EQ(fake_ui::events[0], MessageEvent(rc::kOptionsWrite));
        EXPECT_EQ(fake_ui::messageBoxes[0].owner, nullptr);
        EXPECT_TRUE(Checked(command));
    }
    EXPECT_EQ(gAppState.work.decryptNoVerify, 1);
    EXPECT_EQ(gAppState.work.encryptNoSign, 1);
    EXPECT_FALSE(test_support::Exists(folder_.PathOf("conf/Quillet.ini")));
}

TEST_F(DispatchCommandTest, ExitAboutAndHelpReachTheWindowTheBoxAndTheManual) {
    std::snprintf(gAppState.helpFilePath, sizeof gAppState.helpFilePath, "%s",
                  folder_.PathOf("manual.chm").c_str());

    DispatchCommand(MainWindow(), IDM_EXIT);
    DispatchCommand(MainWindow(), IDM_ABOUT);
    DispatchCommand(MainWindow(), IDM_HELP);
    EXPECT_EQ(fake_ui::events, (std::vector<std::string>{"close request", "about box", "help 1"}));
    ASSERT_EQ(fake_help::calls.size(), 1u);
    EXPECT_EQ(fake_help::calls[0].owner, MainWindow());
    EXPECT_EQ(fake_help::calls[0].file, folder_.PathOf("manual.chm"));
    EXPECT_EQ(fake_help::calls[0].data, 0u);
    // No help control exists here: the command shows nothing.
    EXPECT_TRUE(fake_ui::messageBoxes.empty());
}

TEST_F(DispatchCommandTest, OtherIdsDoNothing) {
    for (unsigned id : {0u, 1u, 2u, 38u, 43u, 40010u, 40011u, 40016u, 65535u}) {
        DispatchCommand(MainWindow(), id);
    }
    EXPECT_TRUE(fake_ui::events.empty());
    EXPECT_TRUE(gCalls.empty());
    EXPECT_TRUE(fake_help::calls.empty());
}

// ---- The status texts ----------------------------------------------------------

// The timer stops and brings back the idle text of the first mode whose
// button state is not zero; with none selected the status bar is emptied.
TEST_F(DispatchCommandTest, TheTimerStopsAndBringsBackTheIdleTextOfTheSelectedMode) {
    struct Case {
        int encrypt, decrypt, sign, verify;
        std::string idleText;
    } cases[] = {
        {1, 0, 0, 0, StringText(IDS_ENCRYPT_IDLE)}, {0, 1, 0, 0, StringText(IDS_DECRYPT_IDLE)},
        {0, 0, 1, 0, StringText(IDS_SIGN_IDLE)},    {0, 0, 0, 1, StringText(IDS_VERIFY_IDLE)},
        {0, 0, 2, 1, StringText(IDS_SIGN_IDLE)},    {0, 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.idleText);
        fake_ui::Reset();
        fake_ui::buttonStates = {{gAppState.encryptButton, c.encrypt},
                                 {gAppState.decryptButton, c.decrypt},
                                 {gAppState.signButton, c.sign},
                                 {gAppState.verifyButton, c.verify}};
        ui::StartTimer(MainWindow(), kStatusTimerId, kStatusTimerMilliseconds);
        SetStatusText(IDS_DECRYPT_DONE);
        EXPECT_EQ(StatusBarText(), StringText(IDS_DECRYPT_DONE));
        ResetStatusText(MainWindow());
        EXPECT_TRUE(fake_ui::timers.empty());
        EXPECT_EQ(StatusBarText(), c.idleText);
        EXPECT_EQ(fake_ui::events.back(), "status: " + c.idleText);
    }
}

}  // namespace
