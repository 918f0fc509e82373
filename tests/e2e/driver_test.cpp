// The driver's own test, on the small sample program (sample_app.cpp): it
// shows what the driver can do and proves each ability under Wine before
// the real program relies on it.
#include <gtest/gtest.h>

#include "tests/e2e/driver.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kEditId = 10;
constexpr int kShowButtonId = 11;
constexpr int kCheckItemId = 100;
constexpr int kExitItemId = 101;

class SampleApp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(e2e::ProgramUnderTest().empty()) << "no --program= given";
        exe_ = folder_.PathOf("sample_app.exe");
        ASSERT_TRUE(CopyFileA(e2e::ProgramUnderTest().c_str(), exe_.c_str(), FALSE));
        ASSERT_TRUE(program_.Start(exe_, folder_.Folder()));
        window_ = e2e::WaitForTopWindow(e2e::WindowsOf(program_.Id(), "E2E_SAMPLE"));
        ASSERT_NE(window_, nullptr);
    }

    test_support::ProgramFolder folder_;
    std::string exe_;
    e2e::Program program_;
    HWND window_ = nullptr;
};

TEST_F(SampleApp, TypesClicksAndReadsTheBoxAndTheStatusBar) {
    HWND statusBar = e2e::FindChildByClass(window_, "msctls_statusbar32");
    ASSERT_NE(statusBar, nullptr);
    EXPECT_EQ(e2e::TitleOf(window_), "E2E Sample");
    EXPECT_EQ(e2e::StatusBarText(statusBar), "ready");

    std::string shot = e2e::Screenshot("started");
    ASSERT_FALSE(shot.empty());
    std::string png = test_support::ReadFile(shot);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x04\0\0\0\x03\0", 8)) << "not 1024 x 768";

    HWND edit = e2e::FindChild(window_, kEditId);
    ASSERT_NE(edit, nullptr);
    RECT place = e2e::RectIn(edit, window_);
    EXPECT_EQ(place.left, 10);
    EXPECT_EQ(place.top, 10);
    EXPECT_EQ(place.right - place.left, 200);

    std::string typed = e2e::Ansi(u8"日本語のテキスト");
    ASSERT_TRUE(e2e::SetText(edit, typed));
    EXPECT_EQ(e2e::TextOf(edit), typed);
    ASSERT_TRUE(e2e::Click(e2e::FindChild(window_, kShowButtonId)));

    e2e::MessageBoxView box;
    ASSERT_TRUE(e2e::WaitForMessageBox(program_.Id(), &box, "Sample Box"));
    EXPECT_EQ(box.text, typed);
    ASSERT_EQ(box.buttons.size(), 1u);
    e2e::Screenshot("box-with-field-text");
    EXPECT_EQ(e2e::StatusBarText(statusBar), typed);
    ASSERT_TRUE(e2e::PressDialogButton(box.window, IDOK));
    EXPECT_TRUE(e2e::WaitForNoTopWindow(e2e::WindowsOf(program_.Id(), "#32770")));
}

TEST_F(SampleApp, FollowsAMenuCheckMark) {
    EXPECT_FALSE(e2e::MenuItemChecked(window_, kCheckItemId));
    ASSERT_TRUE(e2e::PostCommand(window_, kCheckItemId));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::MenuItemChecked(window_, kCheckItemId); },
                               "the check item to be checked"));
    ASSERT_TRUE(e2e::PostCommand(window_, kCheckItemId));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !e2e::MenuItemChecked(window_, kCheckItemId); },
                               "the check item to be clear again"));
    EXPECT_EQ(e2e::MenuItemState(window_, 4242), -1);
}

TEST_F(SampleApp, DropsFilesWithJapaneseNames) {
    std::string plain = folder_.PathOf("plain.txt");
    std::string japanese = folder_.PathOf(e2e::Ansi(u8"暗号化する資料.txt"));
    test_support::WriteFile(plain, "a");
    test_support::WriteFile(japanese, "b");

    ASSERT_TRUE(e2e::DropFiles(window_, {plain, japanese}));
    e2e::MessageBoxView box;
    ASSERT_TRUE(e2e::WaitForMessageBox(program_.Id(), &box, "Dropped"));
    EXPECT_EQ(box.text, plain + "\n" + japanese);
    e2e::Screenshot("dropped-names");
    ASSERT_TRUE(e2e::PressDialogButton(box.window, IDOK));
}

TEST_F(SampleApp, ExitCommandEndsTheProgramWithItsCode) {
    ASSERT_TRUE(e2e::PostCommand(window_, kExitItemId));
    DWORD code = 0;
    ASSERT_TRUE(program_.WaitForExit(e2e::kWaitMs, &code));
    EXPECT_EQ(code, 3u);
    e2e::WindowQuery query = e2e::WindowsOf(program_.Id(), "E2E_SAMPLE");
    query.visibleOnly = false;
    EXPECT_EQ(e2e::FindTopWindow(query), nullptr);
}

}  // namespace
