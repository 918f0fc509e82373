// Start-up time and peak memory of Quillet.exe under Wine: from the start of
// the process to the main window that serves the user (the passphrase typed
// into its prompt at once, the trial signature made, the title set), the
// median of several starts; and the program's peak working set. Prints
//   bench startup-to-ready-window: VALUE s
//   bench peak-working-set: VALUE MB
#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "tests/e2e/driver.h"
#include "tests/e2e/program_ids.h"
#include "tests/support/test_keys.h"

namespace {

using namespace e2e;
using Clock = std::chrono::steady_clock;

constexpr int kStarts = 5;

TEST(Bench, StartUpToTheReadyWindowAndPeakMemory) {
    ASSERT_FALSE(ProgramUnderTest().empty()) << "run with --program=<Quillet.exe>";
    std::vector<double> seconds;
    SIZE_T peak = 0;
    for (int start = 0; start < kStarts; ++start) {
        test_support::UserFolder taro(test_support::Taro());
        std::string exe = taro.folder.PathOf("Quillet.exe");
        ASSERT_TRUE(CopyFileA(ProgramUnderTest().c_str(), exe.c_str(), FALSE));
        std::string caption = ModuleText(exe, text_id::kPassphrasePromptCaption);

        Program program;
        Clock::time_point begin = Clock::now();
        ASSERT_TRUE(program.Start(exe, taro.folder.Folder()));
        HWND prompt = WaitForTopWindow(WindowsOf(program.Id(), "#32770", caption));
        ASSERT_NE(prompt, nullptr);
        SetText(FindChild(prompt, IDC_PASSPHRASE_FIELD), taro.passphrase);
        Click(FindChild(prompt, IDOK));
        HWND window = WaitForTopWindow(WindowsOf(
            program.Id(), "QUILLET", "Quillet - " + test_support::UserIdOf(test_support::Taro())));
        ASSERT_NE(window, nullptr);
        seconds.push_back(std::chrono::duration<double>(Clock::now() - begin).count());

        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        if (GetProcessMemoryInfo(program.Handle(), &counters, sizeof counters)) {
            peak = std::max(peak, counters.PeakWorkingSetSize);
        }
        PostCommand(window, IDM_EXIT);
        DWORD exitCode = 1;
        EXPECT_TRUE(program.WaitForExit(30000, &exitCode));
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("bench startup-to-ready-window: %.3f s\n", seconds[seconds.size() / 2]);
    std::printf("bench peak-working-set: %.1f MB\n", static_cast<double>(peak) / (1024 * 1024));
    std::fflush(stdout);
}

}  // namespace
