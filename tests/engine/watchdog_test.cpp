// The runner's watchdog: it ends a GnuPG that shows no sign of life for its
// limit, and leaves alone one that computes or writes, however long.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "engine/gpg_runner.h"
#include "engine/signature_commands.h"
#include "tests/support/test_support.h"

namespace {

using test_support::ProgramFolder;
using Clock = std::chrono::steady_clock;

class Watchdog : public ::testing::Test {
protected:
    ProgramFolder folder;
    std::string conf = folder.PathOf("conf");
    std::string ring = folder.PathOf("conf/ring.gpg");
    std::int32_t flags = 0;

    void SetUp() override {
        test_support::MakeFolderAt(conf);
        test_support::WriteFile(ring, "bytes");
    }
    void TearDown() override { SetGpgIdleLimitForTesting(0); }

    // A signature run: 0 only when GnuPG got as far as SIG_CREATED.
    ResultCode Sign() {
        return SignFile(conf.c_str(), ring.c_str(), ring.c_str(), ring.c_str(),
                        folder.PathOf("ring.sig").c_str(), "password1", &flags);
    }
    static double SecondsSince(Clock::time_point start) {
        return std::chrono::duration<double>(Clock::now() - start).count();
    }
};

TEST_F(Watchdog, GpgThatComputesLongerThanTheLimitWithoutAWordIsLeftAlone) {
    SetGpgIdleLimitForTesting(1000);
    folder.InstallFakeGpg("busy 4000\nprint [GNUPG:] SIG_CREATED D 17 2 00 1 X\n");
    Clock::time_point start = Clock::now();
    EXPECT_EQ(Sign(), 0);
    EXPECT_GE(SecondsSince(start), 3.9);
}

TEST_F(Watchdog, GpgThatWritesNowAndThenWithoutComputingIsLeftAlone) {
    SetGpgIdleLimitForTesting(1000);
    std::string script;
    for (int i = 0; i < 6; ++i) {
        script += "print [GNUPG:] PROGRESS x\nsleep 500\n";
    }
    folder.InstallFakeGpg(script + "print [GNUPG:] SIG_CREATED D 17 2 00 1 X\n");
    EXPECT_EQ(Sign(), 0);
}

TEST_F(Watchdog, SilentGpgIsEndedOnceTheLimitHasPassedNotBefore) {
    SetGpgIdleLimitForTesting(1500);
    folder.InstallFakeGpg("print [GNUPG:] BEGIN_SIGNING H2\nhang\n");
    Clock::time_point start = Clock::now();
    EXPECT_EQ(Sign(), 33);
    double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 1.4);
    EXPECT_LT(seconds, 15.0);
}

// The handler is done, and RunGpg waits for a GnuPG that closed its output
// but does not end.
TEST_F(Watchdog, GpgThatClosedItsOutputButDoesNotEndIsEndedWhileRunGpgWaits) {
    SetGpgIdleLimitForTesting(1000);
    folder.InstallFakeGpg("print [GNUPG:] SIG_CREATED D 17 2 00 1 X\ncloseoutput\nhang\n");
    int before = test_support::CountOpenHandles();
    EXPECT_EQ(Sign(), 0);
    EXPECT_EQ(test_support::CountOpenHandles(), before);
}

TEST_F(Watchdog, NoHandlerGpgThatHangsIsEndedToo) {
    SetGpgIdleLimitForTesting(1000);
    folder.InstallFakeGpg("print exported\nhang\n");
    EXPECT_EQ(RunGpg("--export", nullptr, nullptr), 0);
}

}  // namespace
