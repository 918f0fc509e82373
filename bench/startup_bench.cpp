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
#include <cstring>
#include <vector>

#include "resources/resource.h"
#include "tests/e2e/driver.h"
#include "tests/support/test_keys.h"

namespace {

using namespace e2e;
using Clock = std::chrono::steady_clock;

constexpr int kStarts = 5;
constexpr int kPromptCaption = 21;  // the start-up prompt's caption
std::string gProgram;               // --program=PATH

// The first visible window of `className` titled `title` of the program.
HWND WaitForWindow(const Program& program, const char* className, const std::string& title) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopWindows(program.Id(), className)) {
                found = TitleOf(window) == title ? window : found;
            }
            return found != nullptr;
        },
        title);
    return found;
}

TEST(Bench, StartUpToTheReadyWindowAndPeakMemory) {
    ASSERT_FALSE(gProgram.empty()) << "run with --program=<Quillet.exe>";
    std::vector<double> seconds;
    SIZE_T peak = 0;
    // One program folder for every start: the first one surveys the key
    // rings once and remembers them, and is not counted; the others are the
    // start a user meets every day.
    test_support::UserFolder taro(test_support::Taro());
    std::string exe = taro.folder.PathOf("Quillet.exe");
    ASSERT_TRUE(CopyFileA(gProgram.c_str(), exe.c_str(), FALSE));
    std::string caption = ModuleText(exe, kPromptCaption);
    for (int start = 0; start <= kStarts; ++start) {
        Program program;
        Clock::time_point begin = Clock::now();
        ASSERT_TRUE(program.Start(exe, taro.folder.Folder()));
        HWND prompt = WaitForWindow(program, "#32770", caption);
        ASSERT_NE(prompt, nullptr);
        SetText(FindChild(prompt, IDC_PASSPHRASE_FIELD), taro.passphrase);
        Click(FindChild(prompt, IDOK));
        HWND window = WaitForWindow(program, "QUILLET",
                                    "Quillet - " + test_support::UserIdOf(test_support::Taro()));
        ASSERT_NE(window, nullptr);
        if (start > 0) {
            seconds.push_back(std::chrono::duration<double>(Clock::now() - begin).count());
        }

        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        if (GetProcessMemoryInfo(program.Handle(), &counters, sizeof counters)) {
            peak = std::max(peak, counters.PeakWorkingSetSize);
        }
        PostCommand(window, IDM_EXIT);
        DWORD exitCode = 1;
        EXPECT_TRUE(program.WaitForExit(&exitCode, 30000));
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("bench startup-to-ready-window: %.3f s\n", seconds[seconds.size() / 2]);
    std::printf("bench peak-working-set: %.1f MB\n", static_cast<double>(peak) / (1024 * 1024));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--program=", 10) == 0) {
            gProgram = test_support::HostPath(argv[i] + 10);
        }
    }
    return RUN_ALL_TESTS();
}
