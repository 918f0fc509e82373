// Dropped files and the four mode entries, through the scripted ui.
#include "shell/file_drop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "shell/app_state.h"
#include "shell/mode_entries.h"
#include "tests/workflows/workflow_fixture.h"

namespace {

using namespace test_support;

// The texts of a drop list, up to its closing empty text.
std::vector<std::string> Texts(const char* list) {
    std::vector<std::string> texts;
    for (const char* text = list; *text != '\0'; text += std::strlen(text) + 1) {
        texts.push_back(text);
    }
    return texts;
}

std::vector<std::string> Collect(std::vector<std::string> paths) {
    fake_ui::FakeDrop drop{std::move(paths)};
    ResultCode code = 0;
    char* list = CollectDroppedFiles(&drop, &code);
    EXPECT_NE(list, nullptr);
    std::vector<std::string> texts = Texts(list);
    std::free(list);
    return texts;
}

TEST(CollectDroppedFiles, OneFileOrAFolderAndNamesRelativeToIt) {
    std::string s(1, platform::kPathSeparator);
    EXPECT_EQ(Collect({"C:" + s + "data" + s + "a.txt"}),
              (std::vector<std::string>{"C:" + s + "data" + s + "a.txt"}));
    EXPECT_EQ(Collect({"C:" + s + "data" + s + "a.txt", "C:" + s + "data" + s + "b.txt"}),
              (std::vector<std::string>{"C:" + s + "data", "a.txt", "b.txt"}));
    // At a drive's root the folder keeps its separator.
    EXPECT_EQ(Collect({"C:" + s + "a.txt", "C:" + s + "sub"}),
              (std::vector<std::string>{"C:" + s, "a.txt", "sub"}));
}

class Drops : public WorkflowTest {
protected:
    int encrypt = 0, decrypt = 0, sign = 0, verify = 0;
    std::string plain = taro.folder.PathOf("report.doc");

    void SetUp() override {
        WorkflowTest::SetUp();
        gAppState.encryptButton = &encrypt;
        gAppState.decryptButton = &decrypt;
        gAppState.signButton = &sign;
        gAppState.verifyButton = &verify;
        WriteFile(plain, "the report");
    }
    void Select(int* button) { fake_ui::buttonStates = {{button, 1}}; }
    void Drop(std::vector<std::string> paths) {
        fake_ui::FakeDrop drop{std::move(paths)};
        HandleDrop(MainWindow(), &drop);
    }
    std::string Status() { return fake_ui::statusBarTexts[&statusBarTag]; }
    bool TimerRunning() { return fake_ui::timers.count({MainWindow(), 1u}) == 1; }
};

TEST_F(Drops, SeveralFilesAFolderOrAMissingFileStartNothing) {
    const std::pair<std::vector<std::string>, ResultCode> cases[] = {
        {{plain, plain + ".sig"}, 41},
        {{taro.folder.PathOf("pubkey")}, 42},
        {{taro.folder.PathOf("gone.doc")}, 51},
    };
    for (const auto& [paths, code] : cases) {
        fake_ui::Reset();
        Select(&encrypt);
        Drop(paths);
        ASSERT_EQ(fake_ui::messageBoxes.size(), 1u);
        char message[260];
        LoadResultText(code, message, sizeof message);
        EXPECT_EQ(fake_ui::messageBoxes[0].text, message);
        EXPECT_EQ(fake_ui::messageBoxes[0].owner, MainWindow());
        EXPECT_TRUE(fake_ui::fileDialogs.empty());
        EXPECT_EQ(Status(), "");  // unchanged
        EXPECT_TRUE(TimerRunning());
        EXPECT_EQ(fake_ui::windowsRaised, std::vector<ui::Window>{MainWindow()});
    }
}

TEST_F(Drops, CancelledOperationLeavesTheWorkingTextAndStartsTheTimer) {
    Select(&sign);
    Drop({plain});
    EXPECT_TRUE(fake_ui::messageBoxes.empty());
    EXPECT_EQ(Status(), StringText(95));
    EXPECT_TRUE(TimerRunning());
}

TEST_F(Drops, SuccessfulVerificationIsConfirmedBeforeTheDoneText) {
    Select(&sign);
    fake_ui::fileDialogAnswers = {plain + ".sig"};
    Drop({plain});
    EXPECT_EQ(Status(), StringText(96));
    fake_ui::Reset();
    Select(&verify);
    fake_ui::fileDialogAnswers = {plain + ".sig", taroKey};
    Drop({plain});
    auto box = std::find(fake_ui::events.begin(), fake_ui::events.end(),
                         "message: Message Box: " + StringText(99));
    auto done =
        std::find(fake_ui::events.begin(), fake_ui::events.end(), "status: " + StringText(98));
    EXPECT_NE(box, fake_ui::events.end());
    EXPECT_LT(box, done);
    EXPECT_NE(done, fake_ui::events.end());
}

TEST_F(Drops, MenuEntriesStartWithoutAFile) {
    Select(&encrypt);  // the selected mode plays no part in the menu's entries
    EXPECT_EQ(StartDecrypt(nullptr), 1);
    EXPECT_EQ(Status(), StringText(93));
    EXPECT_EQ(fake_ui::fileDialogs.at(0).title, StringText(3));
}

TEST_F(Drops, NoModeSelectedRunsNothing) {
    Drop({plain});
    EXPECT_TRUE(fake_ui::messageBoxes.empty());
    EXPECT_TRUE(fake_ui::fileDialogs.empty());
    EXPECT_TRUE(TimerRunning());
}

}  // namespace
