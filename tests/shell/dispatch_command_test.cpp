// The main window's command handler and the status texts, through the
// scripted ui. The operations the commands start are recorders handed in
// through the command table; the settings file is real.
#include "shell/dispatch_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "shell/app_state.h"
#include "shell/status_text.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_support.h"

namespace {

using test_support::ResultMessage;
using test_support::StringText;

// What the recorders were called with, and what they answer.
struct Call {
    std::string name;
    const char* dropList;
    ui::Window owner;
    KeyPaths* keyPaths;
};
std::vector<Call> gCalls;
ResultCode gAnswer = 0;

template <const char* kName>
ResultCode FileEntry(const char* dropList) {
    gCalls.push_back({kName, dropList, nullptr, nullptr});
    return gAnswer;
}
template <const char* kName>
ResultCode KeyEntry(ui::Window owner, KeyPaths* keyPaths) {
    gCalls.push_back({kName, nullptr, owner, keyPaths});
    return gAnswer;
}
constexpr char kEncrypt[] = "encrypt", kDecrypt[] = "decrypt", kSign[] = "sign",
               kVerify[] = "verify", kInfo[] = "info", kExport[] = "export",
               kFingerprint[] = "fingerprint", kChange[] = "change";
const CommandEntries kRecorders = {
    FileEntry<kEncrypt>, FileEntry<kDecrypt>, FileEntry<kSign>,       FileEntry<kVerify>,
    KeyEntry<kInfo>,     KeyEntry<kExport>,   KeyEntry<kFingerprint>, KeyEntry<kChange>,
};

class Commands : public testing::Test {
protected:
    fake_ui::State& ui = fake_ui::state;
    test_support::ProgramFolder folder;
    char windows[6] = {};

    void SetUp() override {
        fake_ui::Reset();
        gCalls.clear();
        gAppState = AppState{};
        gAppState.mainWindow = &windows[0];
        gAppState.statusBar = &windows[1];
        gAppState.encryptButton = &windows[2];
        gAppState.decryptButton = &windows[3];
        gAppState.signButton = &windows[4];
        gAppState.verifyButton = &windows[5];
        test_support::MakeFolderAt(folder.PathOf("conf"));
    }
    void Dispatch(unsigned id) { DispatchCommand(gAppState.mainWindow, id, kRecorders); }
    std::string Status() { return ui.statusBarTexts[gAppState.statusBar]; }
};

// File commands start their entry without a file; a failure is shown over
// the main window; the status timer starts after every one. Key commands
// get the main window and the key paths; a failure is shown without an
// owner, and no timer starts. A changed passphrase is told in the status bar.
TEST_F(Commands, OperationsRunTheirEntryAndShowTheResult) {
    const struct {
        unsigned id;
        const char* entry;
        bool file;
    } commands[] = {
        {IDM_ENCRYPT_FILE, kEncrypt, true},
        {IDM_DECRYPT_FILE, kDecrypt, true},
        {IDM_SIGN_FILE, kSign, true},
        {IDM_VERIFY_SIGNATURE, kVerify, true},
        {IDM_KEY_INFO, kInfo, false},
        {IDM_EXPORT_KEY, kExport, false},
        {IDM_OWN_FINGERPRINT, kFingerprint, false},
        {IDM_CHANGE_PASSPHRASE, kChange, false},
    };
    for (const auto& command : commands) {
        for (ResultCode result : {rc::kOk, rc::kCancelled, rc::kSecretKeyFormat}) {
            SCOPED_TRACE(std::string(command.entry) + " " + std::to_string(result));
            fake_ui::Reset();
            gCalls.clear();
            gAnswer = result;
            Dispatch(command.id);
            ASSERT_EQ(gCalls.size(), 1u);
            EXPECT_EQ(gCalls[0].name, command.entry);
            EXPECT_EQ(gCalls[0].owner, command.file ? nullptr : gAppState.mainWindow);
            EXPECT_EQ(gCalls[0].keyPaths, command.file ? nullptr : &gAppState.work.keyPaths);
            std::vector<std::string> events;
            if (result == rc::kSecretKeyFormat) {
                events.push_back("message: Message Box: " + ResultMessage(result));
                EXPECT_EQ(ui.messageBoxes.at(0).owner,
                          command.file ? gAppState.mainWindow : nullptr);
            } else if (result == rc::kOk && command.entry == kChange) {
                events.push_back("status: " + StringText(100));
            }
            if (command.file) {
                events.push_back("timer start 1");
                EXPECT_EQ((ui.timers[{gAppState.mainWindow, 1u}]), 5000u);
            }
            EXPECT_EQ(ui.events, events);
        }
    }
}

TEST_F(Commands, ButtonsExitAboutHelpAndOtherIds) {
    const std::pair<unsigned, int> clicks[] = {
        {IDC_SIGN_BUTTON, IDS_SIGN_IDLE},
        {IDC_VERIFY_BUTTON, IDS_VERIFY_IDLE},
        {IDC_DECRYPT_BUTTON, IDS_DECRYPT_IDLE},
        {IDC_ENCRYPT_BUTTON, IDS_ENCRYPT_IDLE},
    };
    for (const auto& [button, idleText] : clicks) {
        Dispatch(button);
        EXPECT_EQ(Status(), StringText(idleText)) << button;
    }
    fake_ui::Reset();
    std::snprintf(gAppState.helpFilePath, sizeof gAppState.helpFilePath, "%s", "x\\manual.chm");
    for (unsigned id : {0u, 1u, 2u, 38u, 43u, 40010u, 40011u, 40016u, 65535u, unsigned(IDM_EXIT),
                        unsigned(IDM_ABOUT), unsigned(IDM_HELP)}) {
        Dispatch(id);
    }
    EXPECT_EQ(ui.events, (std::vector<std::string>{"close request", "about box", "help 1"}));
    ASSERT_EQ(ui.helpCalls.size(), 1u);
    EXPECT_EQ(ui.helpCalls[0].owner, gAppState.mainWindow);
    EXPECT_EQ(ui.helpCalls[0].file, "x\\manual.chm");
    EXPECT_TRUE(gCalls.empty());
}

// Each toggle flips its setting, writes the file and sets both check marks;
// a failed write is shown without an owner and the marks still follow.
TEST_F(Commands, SettingsTogglesWriteTheFileAndSetTheCheckMarks) {
    const struct {
        unsigned id;
        const char* file;
    } toggles[] = {
        {IDM_ENCRYPT_NO_SIGN, "[global]\nencrypt_no_sign=1\ndecrypt_no_verify=0\n"},
        {IDM_DECRYPT_NO_VERIFY, "[global]\nencrypt_no_sign=1\ndecrypt_no_verify=1\n"},
        {IDM_ENCRYPT_NO_SIGN, "[global]\nencrypt_no_sign=0\ndecrypt_no_verify=1\n"},
    };
    for (const auto& toggle : toggles) {
        Dispatch(toggle.id);
        EXPECT_EQ(test_support::ReadFile(folder.PathOf("conf/Quillet.ini")), toggle.file);
        EXPECT_EQ((ui.menuChecks[{gAppState.mainWindow, unsigned(IDM_ENCRYPT_NO_SIGN)}]),
                  gAppState.work.encryptNoSign == 1);
        EXPECT_EQ((ui.menuChecks[{gAppState.mainWindow, unsigned(IDM_DECRYPT_NO_VERIFY)}]),
                  gAppState.work.decryptNoVerify == 1);
    }
    EXPECT_TRUE(ui.events.empty());
    test_support::RemoveTree(folder.PathOf("conf"));
    Dispatch(IDM_DECRYPT_NO_VERIFY);
    EXPECT_EQ(ui.events, std::vector<std::string>{"message: Message Box: " + ResultMessage(49)});
    EXPECT_EQ(ui.messageBoxes[0].owner, nullptr);
    EXPECT_EQ(gAppState.work.decryptNoVerify, 0);
    EXPECT_FALSE((ui.menuChecks[{gAppState.mainWindow, unsigned(IDM_DECRYPT_NO_VERIFY)}]));
}

// The timer stops and brings back the idle text of the first mode whose
// button state is not zero; with none selected the status bar is emptied.
TEST_F(Commands, TheTimerBringsBackTheIdleTextOfTheSelectedMode) {
    const struct {
        int states[4];
        std::string idleText;
    } cases[] = {
        {{1, 0, 0, 0}, StringText(IDS_ENCRYPT_IDLE)}, {{0, 1, 0, 0}, StringText(IDS_DECRYPT_IDLE)},
        {{0, 0, 1, 0}, StringText(IDS_SIGN_IDLE)},    {{0, 0, 0, 1}, StringText(IDS_VERIFY_IDLE)},
        {{0, 0, 2, 1}, StringText(IDS_SIGN_IDLE)},    {{0, 0, 0, 0}, ""},
    };
    for (const auto& c : cases) {
        fake_ui::Reset();
        for (int i = 0; i < 4; ++i) {
            ui.buttonStates[&windows[2 + i]] = c.states[i];
        }
        ui::StartTimer(gAppState.mainWindow, kStatusTimerId, kStatusTimerMilliseconds);
        SetStatusText(IDS_DECRYPT_DONE);
        ResetStatusText(gAppState.mainWindow);
        EXPECT_TRUE(ui.timers.empty());
        EXPECT_EQ(Status(), c.idleText);
    }
}

}  // namespace
