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

TEST_F(DispatchCommandTest, FileCommandsStartTheirEntryWithoutAFileAndThenTheStatusTimer) {
    for (const FileCommand& command : kFileCommands) {
        SCOPED_TRACE(command.entry);
        fake_ui::Reset();
        gCalls.clear();
        DispatchCommand(MainWindow(), command.id);
        ASSERT_EQ(gCalls.size(), 1u);
        EXPECT_EQ(gCalls[0].name, command.entry);
        EXPECT_EQ(gCalls[0].dropList, nullptr);
        EXPECT_EQ(fake_ui::events, (std::vector<std::string>{std::string("call ") + command.entry,
                                                             "timer start 1"}));
        EXPECT_EQ((fake_ui::timers[{MainWindow(), 1u}]), 5000u);
    }
}

TEST_F(DispatchCommandTest, FileCommandFailureIsShownOverTheMainWindowBeforeTheTimerStarts) {
    for (const FileCommand& command : kFileCommands) {
        SCOPED_TRACE(command.entry);
        fake_ui::Reset();
        gResults[command.entry] = rc::kDecryptFailed;
        DispatchCommand(MainWindow(), command.id);
        EXPECT_EQ(fake_ui::events,
                  (std::vector<std::string>{std::string("call ") + command.entry,
                                            MessageEvent(rc::kDecryptFailed), "timer start 1"}));
        ASSERT_EQ(fake_ui::messageBoxes.size(), 1u);
        EXPECT_EQ(fake_ui::messageBoxes[0].owner, MainWindow());
    }
}

TEST_F(DispatchCommandTest, CancelledFileCommandShowsNothingButStillStartsTheTimer) {
    gResults["StartSign"] = rc::kCancelled;
    DispatchCommand(MainWindow(), IDM_SIGN_FILE);
    EXPECT_TRUE(fake_ui::messageBoxes.empty());
    EXPECT_EQ(fake_ui::timers.count({MainWindow(), 1u}), 1u);
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

TEST_F(DispatchCommandTest, KeyCommandsRunTheirWorkflowAndShowFailuresWithoutOwnerOrTimer) {
    for (const KeyCommand& command : kKeyCommands) {
        SCOPED_TRACE(command.workflow);
        fake_ui::Reset();
        gCalls.clear();
        gResults[command.workflow] = rc::kSecretKeyFormat;
        DispatchCommand(MainWindow(), command.id);
        ASSERT_EQ(gCalls.size(), 1u);
        EXPECT_EQ(gCalls[0].name, command.workflow);
        if (command.getsOwnerAndKeys) {
            EXPECT_EQ(gCalls[0].owner, MainWindow());
            EXPECT_EQ(gCalls[0].keyPaths, &gAppState.work.keyPaths);
        }
        EXPECT_EQ(fake_ui::events,
                  (std::vector<std::string>{std::string("call ") + command.workflow,
                                            MessageEvent(rc::kSecretKeyFormat)}));
        ASSERT_EQ(fake_ui::messageBoxes.size(), 1u);
        EXPECT_EQ(fake_ui::messageBoxes[0].owner, nullptr);
        EXPECT_TRUE(fake_ui::timers.empty());
    }
}

TEST_F(DispatchCommandTest, SuccessfulOrCancelledKeyCommandsShowNothing) {
    gResults["ExportWorkflow"] = rc::kCancelled;
    DispatchCommand(MainWindow(), IDM_EXPORT_KEY);
    DispatchCommand(MainWindow(), IDM_OWN_FINGERPRINT);
    EXPECT_TRUE(fake_ui::messageBoxes.empty());
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

TEST_F(DispatchCommandTest, SetStatusTextPutsTheStringTableTextIntoTheStatusBar) {
    SetStatusText(IDS_VERIFY_DONE);
    EXPECT_EQ(StatusBarText(), StringText(IDS_VERIFY_DONE));
}

TEST_F(DispatchCommandTest, TheTimerStopsAndBringsBackTheIdleTextOfTheSelectedMode) {
    const std::pair<ui::Window, int> modes[] = {
        {gAppState.encryptButton, IDS_ENCRYPT_IDLE},
        {gAppState.decryptButton, IDS_DECRYPT_IDLE},
        {gAppState.signButton, IDS_SIGN_IDLE},
        {gAppState.verifyButton, IDS_VERIFY_IDLE},
    };
    for (const auto& [button, idleText] : modes) {
        fake_ui::Reset();
        fake_ui::buttonStates[button] = 1;
        ui::StartTimer(MainWindow(), kStatusTimerId, kStatusTimerMilliseconds);
        SetStatusText(IDS_ENCRYPT_DONE);
        ResetStatusText(MainWindow());
        EXPECT_TRUE(fake_ui::timers.empty());
        EXPECT_EQ(StatusBarText(), StringText(idleText));
    }
}

TEST_F(DispatchCommandTest, AnyNonZeroButtonStateCountsAsSelectedInModeOrder) {
    fake_ui::buttonStates[gAppState.encryptButton] = 0;
    fake_ui::buttonStates[gAppState.signButton] = 2;
    fake_ui::buttonStates[gAppState.verifyButton] = 1;
    ResetStatusText(MainWindow());
    EXPECT_EQ(StatusBarText(), StringText(IDS_SIGN_IDLE));
}

TEST_F(DispatchCommandTest, WithNoModeSelectedTheTimerEmptiesTheStatusBar) {
    fake_ui::buttonStates.clear();
    SetStatusText(IDS_DECRYPT_DONE);
    ResetStatusText(MainWindow());
    EXPECT_EQ(fake_ui::events.back(), "status: ");
    EXPECT_EQ(StatusBarText(), "");
    EXPECT_EQ(fake_ui::events.front(), "status: " + StringText(IDS_DECRYPT_DONE));
}

}  // namespace
