// Dropped files and the four mode entries, through the scripted ui.
#include "shell/file_drop.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/mode_entries.h"
#include "tests/workflows/workflow_fixture.h"

namespace {

using namespace test_support;
using Texts = std::vector<std::string>;

class Drops : public WorkflowTest {
protected:
    // A drop with a mode selected (-1: none), the dialogs answered with
    // `names`: the window comes up, the timer runs.
    void Drop(int mode, Texts paths, Texts names = {}) {
        fake_ui::Reset();
        ui.fileDialogAnswers.assign(names.begin(), names.end());
        ui.buttonStates = {{mode >= 0 ? &windows[2 + mode] : nullptr, 1}};
        fake_ui::FakeDrop drop{std::move(paths)};
        HandleDrop(MainWindow(), &drop);
        EXPECT_EQ((ui.timers[{MainWindow(), 1u}]), 5000u);
        EXPECT_EQ(ui.windowsRaised, std::vector<ui::Window>{MainWindow()});
    }
};

// A path too long for 260 bytes is refused whole, never cut.
TEST_F(Drops, SeveralFilesAFolderAMissingFileOrALongPathStartNothing) {
    const std::pair<Texts, ResultCode> cases[] = {{{plain, plain + ".sig"}, 41},
                                                  {{taro.folder.PathOf("pubkey")}, 42},
                                                  {{taro.folder.PathOf("gone.doc")}, 51},
                                                  {{plain + std::string(260, 'x')}, 59}};
    for (const auto& [paths, code] : cases) {
        Drop(0, paths);
        EXPECT_EQ(ui.events,
                  (Texts{"message: Message Box: " + ResultMessage(code), "timer start 1"}));
        EXPECT_EQ(ui.messageBoxes.at(0).owner, MainWindow());
    }
}

// Cancelled: no message, the working text stays. No mode selected: nothing.
TEST_F(Drops, TheSelectedModeRunsWithItsStatusTexts) {
    Drop(2, {plain});
    EXPECT_EQ(ui.events,
              (Texts{"status: " + StringText(95), "save: " + StringText(20), "timer start 1"}));
    Drop(-1, {plain});
    EXPECT_EQ(ui.events, Texts{"timer start 1"});
    fake_ui::Reset();  // from the menu, without a file, whatever mode is selected
    EXPECT_EQ(StartDecrypt(nullptr), 1);
    EXPECT_EQ(ui.events, (Texts{"status: " + StringText(93), "open: " + StringText(3)}));
}

// Signed by Taro, verified against a key file of two keys: the box names him.
TEST_F(Drops, AGoodVerificationNamesTheSigner) {
    Drop(2, {plain}, {plain + ".sig"});
    Drop(3, {plain}, {plain + ".sig", TwoKeysFile()});
    EXPECT_EQ(ui.messageBoxes.at(0).text,
              StringText(99) + "\n" + StringText(119) + UserIdOf(Taro()));
}

}  // namespace
