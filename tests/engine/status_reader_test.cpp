#include "engine/status_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

// A pipe that holds `bytes` and then ends, as GnuPG's output does.
class OutputOf {
public:
    explicit OutputOf(const std::string& bytes) {
        platform::OsHandle writeEnd;
        EXPECT_TRUE(platform::CreateInheritablePipe(&readEnd_, &writeEnd));
        EXPECT_TRUE(WriteText(writeEnd, bytes.c_str()));
        platform::CloseOsHandle(writeEnd);
    }
    ~OutputOf() { platform::CloseOsHandle(readEnd_); }
    platform::OsHandle stream() const { return readEnd_; }

private:
    platform::OsHandle readEnd_ = platform::kNoHandle;
};

struct Line {
    ResultCode code;
    std::string text;
};

Line Read(const OutputOf& output) {
    char buffer[kStatusLineBufferSize];
    ResultCode code = ReadStatusLine(output.stream(), buffer, kStatusLineCapacity);
    return {code, buffer};
}

TEST(ReadStatusLine, EmptyLinesAndACrLfThatLosesBothBytes) {
    OutputOf output("\n\r\n");
    EXPECT_EQ(Read(output).code, 0);
    Line second = Read(output);
    EXPECT_EQ(second.code, 0);
    EXPECT_EQ(second.text, "");
}

TEST(ReadStatusLine, LengthBoundaries) {
    std::string b255(255, 'b');
    std::string b256(256, 'c');
    std::string b300(300, 'd');
    OutputOf output(b255 + "\n" + b256 + "\n" + b255 + "\r\n" + b300 + "\nnext\n");
    Line line = Read(output);
    EXPECT_EQ(line.code, 0);
    EXPECT_EQ(line.text, b255);
    line = Read(output);  // 256 bytes reach the capacity
    EXPECT_EQ(line.code, 37);
    EXPECT_EQ(line.text, b256);
    line = Read(output);  // the CR counts, and goes
    EXPECT_EQ(line.code, 37);
    EXPECT_EQ(line.text, b255);
    line = Read(output);  // the rest of the line is dropped, not the next line
    EXPECT_EQ(line.code, 37);
    EXPECT_EQ(line.text, b300.substr(0, 256));
    line = Read(output);
    EXPECT_EQ(line.code, 0);
    EXPECT_EQ(line.text, "next");
}

TEST(ReadStatusLine, EndOfOutput) {
    OutputOf unterminated("first\nlast piece\r");
    EXPECT_EQ(Read(unterminated).text, "first");
    Line last = Read(unterminated);
    EXPECT_EQ(last.code, 36);
    EXPECT_EQ(last.text, "last piece\r");  // a CR goes only before a LF

    OutputOf terminated("only\n");
    EXPECT_EQ(Read(terminated).code, 0);
    Line end = Read(terminated);
    EXPECT_EQ(end.code, 36);
    EXPECT_EQ(end.text, "");

    OutputOf longLast(std::string(256, 'e'));
    EXPECT_EQ(Read(longLast).code, 37);
}

TEST(ReadStatusLine, ReadFailureGives51) {
    platform::OsHandle readEnd;
    platform::OsHandle writeEnd;
    ASSERT_TRUE(platform::CreateInheritablePipe(&readEnd, &writeEnd));
    platform::CloseOsHandle(readEnd);
    platform::CloseOsHandle(writeEnd);
    char buffer[kStatusLineBufferSize];
    // Reading a handle that is no longer open fails for another reason than
    // the end of the output.
    EXPECT_EQ(ReadStatusLine(readEnd, buffer, kStatusLineCapacity), 51);
    EXPECT_STREQ(buffer, "");
}

TEST(IsStatusKeyword, MatchesTheWholeKeywordAfterThePrefixOnly) {
    EXPECT_TRUE(IsStatusKeyword("[GNUPG:] VALIDSIG", "VALIDSIG"));
    EXPECT_TRUE(IsStatusKeyword("[GNUPG:] VALIDSIG 1234 2026-12-06", "VALIDSIG"));
    EXPECT_TRUE(IsStatusKeyword("[GNUPG:] VALIDSIG\r", "VALIDSIG"));
    EXPECT_TRUE(IsStatusKeyword("[GNUPG:] VALIDSIG\n", "VALIDSIG"));
    EXPECT_FALSE(IsStatusKeyword("[GNUPG:] VALIDSIGNATURE", "VALIDSIG"));
    EXPECT_FALSE(IsStatusKeyword("[GNUPG:]VALIDSIG", "VALIDSIG"));
    EXPECT_FALSE(IsStatusKeyword("[gnupg:] VALIDSIG", "VALIDSIG"));
    EXPECT_FALSE(IsStatusKeyword("[GNUPG:] validsig", "VALIDSIG"));
    EXPECT_FALSE(IsStatusKeyword("[GNUPG:] VALID", "VALIDSIG"));
    EXPECT_FALSE(IsStatusKeyword("", "VALIDSIG"));
}

// ---- The status loop against a scripted GnuPG -----------------------------

constexpr StatusWatch kWatches[] = {{"SIG_CREATED", 1}, {"END_ENCRYPTION", 2}};

struct LoopRun {
    std::int32_t flags = 0;
    bool feed = true;
};

ResultCode LoopHandler(ChildStreams* streams, void* data) {
    auto* run = static_cast<LoopRun*>(data);
    CommandJob job{&run->flags, "secret pass"};
    StatusLoopPlan plan{run->feed, kWatches, 2};
    return RunStatusLoop(streams, job, plan);
}

TEST(StatusLoop, FeedsThePassphraseSetsTheWatchedBitsAndReadsToTheEnd) {
    const std::string fed = std::string("secret pass") + platform::kLineEnd;
    struct Case {
        const char* what;
        std::string script;
        bool feed;
        ResultCode expected;
        std::int32_t flags;
        std::string input;
    } cases[] = {
        {"the passphrase with the platform's line end, and a CR LF line",
         "readline\nprint [GNUPG:] SIG_CREATED D 17 2 00 1 ABC\r\n"
         "print [GNUPG:] END_ENCRYPTION\n",
         true, 0, 3, fed},
        // Reading its input to the end would wait forever if the input
        // stayed open.
        {"GnuPG that waits for more input gets the end of it",
         "readall\nprint [GNUPG:] SIG_CREATED D\n", true, 0, 1, fed},
        // Far more output after the refusal than a pipe holds: the run only
        // ends if the loop reads it all. END_ENCRYPTION after it is not seen.
        {"a bad passphrase drains the rest, gives 30 and keeps earlier bits",
         "readline\nprint [GNUPG:] SIG_CREATED D\n"
         "print [GNUPG:] BAD_PASSPHRASE 6617CB8C9F217174\n"
         "flood 1000000\nprint [GNUPG:] END_ENCRYPTION\n",
         true, 30, 1, fed},
        {"a last line without line feed and an overlong line still count",
         "write [GNUPG:] SIG_CREATED " + std::string(400, 'f') +
             "\\n\nwrite [GNUPG:] END_ENCRYPTION\n",
         false, 0, 3, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test_support::ProgramFolder folder;
        folder.InstallFakeGpg(c.script);
        LoopRun run;
        run.feed = c.feed;
        EXPECT_EQ(RunGpg("-e", LoopHandler, &run), c.expected);
        EXPECT_EQ(run.flags, c.flags);
        EXPECT_EQ(folder.FakeInput(), c.input);
    }
}

}  // namespace
