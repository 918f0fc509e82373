// Every engine command against a GnuPG that misbehaves in the middle of its
// output. The program must neither crash nor hang nor leak a handle, and
// gives the command's normal result for an output that came whole, and its
// code for an output that ended early otherwise.
#include <chrono>
#include <string>

#include "tests/engine/engine_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

// The status reader reads a byte at a time, and under Wine each read costs
// 16 microseconds or far more: there a smaller flood still fills the pipe
// many times over.
#ifdef _WIN32
const std::string kFlood = "flood 131072 [GNUPG:] PROGRESS x\\n\n",
                  kLongLine = "flood 32768 x\nprint\n";
#else
const std::string kFlood = "flood 4000000 [GNUPG:] PROGRESS x\\n\n",
                  kLongLine = "flood 1000000 x\nprint\n";
#endif

struct CommandOutcomes {
    Cmd cmd;
    std::string complete;
    std::string endedEarly;
    bool closesInput;  // GnuPG waiting for more input gets its end
};

const CommandOutcomes kCommands[] = {
    {Cmd::Encrypt, "0", "32", true},
    {Cmd::Decrypt, "0 +output", "34", true},  // nothing is left of a failed decryption
    {Cmd::Sign, "0", "33", true},
    {Cmd::Verify, "0", "35", true},
    {Cmd::Generate, "0 " + kFpr, "43", true},
    {Cmd::List, "0 " + kUid + "|" + kFpr, "0", false},
    {Cmd::ListSecret, "0 " + kUid + "|" + kFpr, "0", false},
    {Cmd::Change, "0", "51", false},
    {Cmd::Export, "0", "0", false},  // no status: any output that ends is a run
};

class GpgFaults : public EngineTest {
public:
    void TearDown() override { SetGpgIdleLimitForTesting(0); }

    void RunAll(const std::string& fault, bool ended) {
        for (const CommandOutcomes& command : kCommands) {
            SCOPED_TRACE(static_cast<int>(command.cmd));
            SetUp();
            folder.InstallFakeGpg(GoodGpg(command.cmd, fault));
            int before = test_support::CountOpenHandles();
            Clock::time_point start = Clock::now();
            EXPECT_EQ(Run(command.cmd), ended ? command.endedEarly : command.complete);
            EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
            EXPECT_EQ(test_support::CountOpenHandles(), before);
        }
    }
};

TEST_F(GpgFaults, ServedWellCrashingAndEndlessLines) {
    RunAll("", false);
    RunAll("crash\n", true);
    RunAll(kLongLine, false);
}

TEST_F(GpgFaults, Flood) {
    RunAll(kFlood, false);
}

// The watchdog ends a GnuPG that sleeps; one that waits for input it will
// never get is either given the end of it or ended the same way.
TEST_F(GpgFaults, StopsAnsweringOrWaitsForInput) {
    SetGpgIdleLimitForTesting(1000);
    RunAll("hang\n", true);
    for (const CommandOutcomes& command : kCommands) {
        SetUp();
        folder.InstallFakeGpg(GoodGpg(command.cmd, "readall\n"));
        EXPECT_EQ(Run(command.cmd), command.closesInput ? command.complete : command.endedEarly)
            << static_cast<int>(command.cmd);
    }
}

TEST_F(GpgFaults, WatchdogEndsOnlyAGpgWithoutSignsOfLife) {
    std::string writesNowAndThen;
    for (int i = 0; i < 6; ++i) {
        writesNowAndThen += "print [GNUPG:] PROGRESS x\nsleep 500\n";
    }
    const std::string sig = "print [GNUPG:] SIG_CREATED D 17 2 00 1 X\n";
    const struct {
        std::string script;
        int limit;
        const char* outcome;
        double minSeconds;
    } cases[] = {
        {"busy 4000\n" + sig, 1000, "0", 3.9},  // computing without a word
        {writesNowAndThen + sig, 1000, "0", 2.9},
        {"print [GNUPG:] BEGIN_SIGNING H2\nhang\n", 1500, "33", 1.4},
        // The handler is done; RunGpg waits for a GnuPG that closed its
        // output but does not end.
        {sig + "closeoutput\nhang\n", 1000, "0", 0.9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        SetGpgIdleLimitForTesting(c.limit);
        folder.InstallFakeGpg(c.script);
        int before = test_support::CountOpenHandles();
        Clock::time_point start = Clock::now();
        EXPECT_EQ(Run(Cmd::Sign), c.outcome);
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_GE(seconds, c.minSeconds);
        EXPECT_LT(seconds, 15.0);
        EXPECT_EQ(test_support::CountOpenHandles(), before);
    }
}

}  // namespace
