// The Windows package as a user meets it: unpacked into an empty folder
// (by the fixture test package_unpacked), Quillet.exe starts at the first-
// start setup, makes the user's key pair with the packaged gpg.exe and
// shows the main window with the new key's user ID in its title.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/driver.h"
#include "tests/e2e/program_ids.h"
#include "tests/support/test_support.h"

namespace {

using namespace e2e;

// Key generation under Wine takes seconds; allow a generous limit.
constexpr int kGenerationMs = 180000;

TEST(Package, UnpackedFolderStartsAtTheSetupAndMakesAKeyPair) {
    const std::string exe = ProgramUnderTest();
    ASSERT_FALSE(exe.empty()) << "run with --program=<unpacked Quillet.exe>";
    std::string folder = exe.substr(0, exe.find_last_of('\\') + 1);
    ASSERT_TRUE(test_support::Exists(folder + "bin\\gpg.exe"));
    ASSERT_TRUE(test_support::Exists(folder + "manual.chm"));
    ASSERT_FALSE(test_support::Exists(folder + "conf"));

    Program program;
    ASSERT_TRUE(program.Start(exe, folder));
    HWND form = WaitForTopWindow(WindowsOf(program.Id(), "#32770", Ansi("Quillet セットアップ")));
    ASSERT_NE(form, nullptr);
    Screenshot("setup form");
    EXPECT_TRUE(test_support::Exists(folder + "conf"));
    EXPECT_TRUE(test_support::Exists(folder + "pubkey"));

    SetText(FindChild(form, IDC_SETUP_USER_NAME), "Package Tester");
    SetText(FindChild(form, IDC_SETUP_EMAIL), "tester@example.com");
    SetText(FindChild(form, IDC_SETUP_PASSPHRASE), "package pass");
    SetText(FindChild(form, IDC_SETUP_PASSPHRASE_AGAIN), "package pass");
    Click(FindChild(form, IDOK));

    // The export question after the generation; the key can be exported later.
    MessageBoxView question;
    ASSERT_TRUE(WaitForMessageBox(program.Id(), &question, "Message Box", kGenerationMs));
    Screenshot("export question");
    PressDialogButton(question.window, IDNO);

    WindowQuery main =
        WindowsOf(program.Id(), "QUILLET", "Quillet - Package Tester <tester@example.com>");
    HWND window = WaitForTopWindow(main);
    ASSERT_NE(window, nullptr);
    Screenshot("main window");
    PostCommand(window, IDM_EXIT);
    DWORD exitCode = 1;
    EXPECT_TRUE(program.WaitForExit(30000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(test_support::Exists(folder + "conf\\secring.gpg"));
}

}  // namespace
