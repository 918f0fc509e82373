// Dropped files and the four mode entries, through the scripted ui.
#include "shell/file_drop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "shell/mode_entries.h"
#include "tests/workflows/workflow_fixture.h"

namespace {

using namespace test_support;

std::vector<std::string> Collect(std::vector<std::string> paths) {
    fake_ui::FakeDrop drop{std::move(paths)};
    ResultCode code = 0;
    char* list = CollectDroppedFiles(&drop, &code);
    std::vector<std::string> texts;
    for (const char* text = list; text != nullptr && *text != '\0'; text += std::strlen(text) + 1) {
        texts.push_back(text);
    }
    std::free(list);
    return texts;
}

TEST(CollectDroppedFiles, OneFileOrAFolderAndNamesRelativeToIt) {
    std::string c = std::string("C:") + platform::kPathSeparator;
    using Texts = std::vector<std::string>;
    EXPECT_EQ(Collect({c + "data" + platform::kPathSeparator + "a.txt"}),
              Texts{c + "data" + platform::kPathSeparator + "a.txt"});
    EXPECT_EQ(Collect({c + "data" + platform::kPathSeparator + "a.txt",
                       c + "data" + platform::kPathSeparator + "b.txt"}),
              (Texts{c + "data", "a.txt", "b.txt"}));
    // At a drive's root the folder keeps its separator.
    EXPECT_EQ(Collect({c + "a.txt", c + "sub"}), (Texts{c, "a.txt", "sub"}));
}

class Drops : public WorkflowTest {
protected:
    int buttons[4] = {};  // encrypt, decrypt, sign, verify

    void SetUp() override {
        WorkflowTest::SetUp();
        gAppState.encryptButton = &buttons[0];
        gAppState.decryptButton = &buttons[1];
        gAppState.signButton = &buttons[2];
        gAppState.verifyButton = &buttons[3];
    }
    void Drop(int mode, std::vector<std::string> paths) {
        ui.buttonStates = {{&buttons[mode], 1}};
        fake_ui::FakeDrop drop{std::move(paths)};
        HandleDrop(MainWindow(), &drop);
        EXPECT_EQ((ui.timers[{MainWindow(), 1u}]), 5000u);  // after every drop
        EXPECT_EQ(ui.windowsRaised.back(), MainWindow());
    }
};

TEST_F(Drops, SeveralFilesAFolderOrAMissingFileStartNothing) {
    const std::pair<std::vector<std::string>, ResultCode> cases[] = {
        {{plain, plain + ".sig"}, 41},
        {{taro.folder.PathOf("pubkey")}, 42},
        {{taro.folder.PathOf("gone.doc")}, 51},
    };
    for (const auto& [paths, code] : cases) {
        fake_ui::Reset();
        Drop(0, paths);
        ASSERT_EQ(ui.messageBoxes.size(), 1u);
        EXPECT_EQ(ui.messageBoxes[0].text, ResultMessage(code));
        EXPECT_EQ(ui.messageBoxes[0].owner, MainWindow());
        EXPECT_TRUE(ui.fileDialogs.empty());
        EXPECT_EQ(Status(), "");  // unchanged
    }
}

TEST_F(Drops, TheSelectedModeRunsWithItsStatusTexts) {
    // Cancelled: no message, the working text stays.
    Drop(2, {plain});
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(Status(), StringText(95));
    Choose({plain + ".sig"});
    Drop(2, {plain});
    EXPECT_EQ(Status(), StringText(96));
    // A verification is confirmed in a box before the done text.
    fake_ui::Reset();
    Choose({plain + ".sig", taroKey});
    Drop(3, {plain});
    EXPECT_EQ(std::vector<std::string>(ui.events.end() - 3, ui.events.end()),
              (std::vector<std::string>{"message: Message Box: " + StringText(99),
                                        "status: " + StringText(98), "timer start 1"}));
    // No mode selected: nothing runs.
    fake_ui::Reset();
    ui.buttonStates.clear();
    fake_ui::FakeDrop drop{{plain}};
    HandleDrop(MainWindow(), &drop);
    EXPECT_EQ(ui.events, std::vector<std::string>{"timer start 1"});
}

TEST_F(Drops, MenuEntriesStartWithoutAFile) {
    ui.buttonStates = {{&buttons[0], 1}};  // the selected mode plays no part
    EXPECT_EQ(StartDecrypt(nullptr), 1);
    EXPECT_EQ(Status(), StringText(93));
    EXPECT_EQ(ui.fileDialogs.at(0).title, StringText(3));
}

}  // namespace
