// The main window's command handler and the status texts, through the
// scripted ui, with recorders for the operations and a real settings file.
#include "shell/dispatch_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "shell/status_text.h"
#include "tests/workflows/workflow_fixture.h"

namespace {

using namespace test_support;
using Events = std::vector<std::string>;

// The recorders note which entry ran (-1: one given other arguments).
std::vector<int> gCalls;
ResultCode gAnswer = 0;
template <int kEntry>
ResultCode FileEntry(const char* dropList) {
    gCalls.push_back(dropList == nullptr ? kEntry : -1);
    return gAnswer;
}
template <int kEntry>
ResultCode KeyEntry(ui::Window owner, KeyPaths* keyPaths) {
    bool expected = owner == gAppState.mainWindow && keyPaths == &gAppState.work.keyPaths;
    gCalls.push_back(expected ? kEntry : -1);
    return gAnswer;
}
const CommandEntries kRecorders = {FileEntry<0>, FileEntry<1>, FileEntry<2>, FileEntry<3>,
                                   KeyEntry<4>,  KeyEntry<5>,  KeyEntry<6>,  KeyEntry<7>};

class Commands : public WorkflowTest {
protected:
    void Dispatch(unsigned id) { DispatchCommand(MainWindow(), id, kRecorders); }
    bool Checked(unsigned id) { return ui.menuChecks[{MainWindow(), id}]; }
};

// File commands show a failure over the main window and start the status
// timer; key commands show it without an owner and start no timer.
TEST_F(Commands, OperationsRunTheirEntryAndShowTheResult) {
    const unsigned commands[] = {IDM_ENCRYPT_FILE,     IDM_DECRYPT_FILE,     IDM_SIGN_FILE,
                                 IDM_VERIFY_SIGNATURE, IDM_KEY_INFO,         IDM_EXPORT_KEY,
                                 IDM_OWN_FINGERPRINT,  IDM_CHANGE_PASSPHRASE};
    for (int entry = 0; entry < 8; ++entry) {
        bool file = entry < 4;
        for (ResultCode result : {rc::kOk, rc::kCancelled, rc::kSecretKeyFormat}) {
            SCOPED_TRACE(std::to_string(entry) + " " + std::to_string(result));
            fake_ui::Reset();
            gCalls.clear();
            gAnswer = result;
            Dispatch(commands[entry]);
            EXPECT_EQ(gCalls, std::vector<int>{entry});
            Events events;
            if (result == rc::kSecretKeyFormat) {
                events.push_back("message: Message Box: " + ResultMessage(result));
                EXPECT_EQ(ui.messageBoxes[0].owner, file ? MainWindow() : nullptr);
            } else if (result == rc::kOk && entry == 7) {
                events.push_back("status: " + StringText(100));
            }
            if (file) {
                events.push_back("timer start 1");
                EXPECT_EQ((ui.timers[{MainWindow(), 1u}]), 5000u);
            }
            EXPECT_EQ(ui.events, events);
        }
    }
}

TEST_F(Commands, ExitAboutHelpAndOtherIds) {
    gCalls.clear();
    std::snprintf(gAppState.helpFilePath, sizeof gAppState.helpFilePath, "x\\manual.chm");
    for (unsigned id : {0u, 1u, 38u, 40010u, 40016u, 65535u, 40006u, 40012u, 40015u}) {
        Dispatch(id);
    }
    EXPECT_EQ(ui.events, (Events{"close request", "about box", "help 1 x\\manual.chm"}));
    EXPECT_TRUE(gCalls.empty());
}

// A failed write (no conf folder) is shown without an owner.
TEST_F(Commands, SettingsTogglesWriteTheFileAndSetTheCheckMarks) {
    const std::pair<unsigned, const char*> toggles[] = {
        {IDM_ENCRYPT_NO_SIGN, "encrypt_no_sign=1\ndecrypt_no_verify=0\n"},
        {IDM_DECRYPT_NO_VERIFY, "encrypt_no_sign=1\ndecrypt_no_verify=1\n"},
        {IDM_ENCRYPT_NO_SIGN, "encrypt_no_sign=0\ndecrypt_no_verify=1\n"}};
    for (const auto& [id, file] : toggles) {
        Dispatch(id);
        EXPECT_EQ(ReadFile(taro.folder.PathOf("conf/Quillet.ini")),
                  std::string("[global]\n") + file);
        EXPECT_EQ(Checked(IDM_ENCRYPT_NO_SIGN), gAppState.work.encryptNoSign == 1);
        EXPECT_EQ(Checked(IDM_DECRYPT_NO_VERIFY), gAppState.work.decryptNoVerify == 1);
    }
    EXPECT_TRUE(ui.events.empty());
    RemoveTree(taro.folder.PathOf("conf"));
    Dispatch(IDM_DECRYPT_NO_VERIFY);
    EXPECT_EQ(ui.events, Events{"message: Message Box: " + ResultMessage(49)});
    EXPECT_EQ(ui.messageBoxes[0].owner, nullptr);
    EXPECT_FALSE(gAppState.work.decryptNoVerify || Checked(IDM_DECRYPT_NO_VERIFY));
    EXPECT_FALSE(Exists(taro.folder.PathOf("conf"))) << "the write makes no folder";
}

// The idle text of the first mode whose button state is not zero, or none.
TEST_F(Commands, TheTimerBringsBackTheIdleTextOfTheSelectedMode) {
    const std::pair<std::vector<int>, int> cases[] = {{{1, 0, 0, 0}, 91}, {{0, 1, 0, 0}, 93},
                                                      {{0, 0, 1, 0}, 95}, {{0, 0, 0, 1}, 97},
                                                      {{0, 0, 2, 1}, 95}, {{0, 0, 0, 0}, 0}};
    for (const auto& [states, idleText] : cases) {
        fake_ui::Reset();
        for (int i = 0; i < 4; ++i) {
            ui.buttonStates[&windows[2 + i]] = states[i];
        }
        ui::StartTimer(MainWindow(), kStatusTimerId, kStatusTimerMilliseconds);
        SetStatusText(IDS_DECRYPT_DONE);
        ResetStatusText(MainWindow());
        EXPECT_TRUE(ui.timers.empty());
        EXPECT_EQ(ui.statusBarTexts[gAppState.statusBar],
                  idleText != 0 ? StringText(idleText) : "");
    }
}

}  // namespace
