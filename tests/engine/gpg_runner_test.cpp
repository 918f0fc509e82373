#include "engine/gpg_runner.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

using test_support::ProgramFolder;

struct HandlerRecord {
    bool called = false;
    ResultCode answer = 0;
};

ResultCode RecordingHandler(ChildStreams* streams, void* data) {
    auto* record = static_cast<HandlerRecord*>(data);
    record->called = true;
    DrainOutput(streams, nullptr);
    return record->answer;
}

// The same folder, written with or without its trailing separator.
bool SameFolder(const std::string& recorded, const std::string& folder) {
    return recorded == folder || recorded + platform::kPathSeparator == folder;
}

TEST(RunGpg, MissingGpgGives10WithoutCallingTheHandlerOrLeavingAHandleOpen) {
    ProgramFolder folder;
    int before = test_support::CountOpenHandles();
    ASSERT_GT(before, 2) << "the handle count must work for this test to mean anything";
    HandlerRecord record;
    EXPECT_EQ(RunGpg("--version", RecordingHandler, &record), 10);
    EXPECT_FALSE(record.called);
    EXPECT_EQ(test_support::CountOpenHandles(), before);
}

TEST(RunGpg, ProgramFolderTooDeepForTheGpgPathGives10) {
    ProgramFolder folder;
    folder.InstallFakeGpg("print hello\n");
    // A program with a short name in a folder of 250 bytes: its own path
    // fits, bin/gpg.exe with its terminator does not.
    std::string deep = folder.Folder() + std::string(249 - folder.Folder().size(), 'd');
    deep.push_back(platform::kPathSeparator);
    std::string program = deep + "q.exe";
    ASSERT_LT(program.size(), 260u);
    platform::OverrideProgramPath(program.c_str());
    HandlerRecord record;
    EXPECT_EQ(RunGpg("--version", RecordingHandler, &record), 10);
    EXPECT_FALSE(record.called);
    // A program path that does not fit at all fails the same way.
    program = deep + std::string(20, 'q') + ".exe";
    platform::OverrideProgramPath(program.c_str());
    EXPECT_EQ(RunGpg("--version", RecordingHandler, &record), 10);
    EXPECT_FALSE(record.called);
}

TEST(RunGpg, DefaultHandlerDrainsTalkativeAndSilentChildren) {
    ProgramFolder folder;
    // Far more than a pipe holds: the run ends only if everything is read.
    folder.InstallFakeGpg("flood 2000000\nexit 2\n");
    int before = test_support::CountOpenHandles();
    EXPECT_EQ(RunGpg("--list-keys", nullptr, nullptr), 0);
    EXPECT_EQ(test_support::CountOpenHandles(), before);

    folder.InstallFakeGpg("exit 0\n");
    EXPECT_EQ(RunGpg("--list-keys", nullptr, nullptr), 0);
}

TEST(RunGpg, ReturnsTheHandlersResultWhateverGpgsExitStatus) {
    ProgramFolder folder;
    folder.InstallFakeGpg("print [GNUPG:] SOMETHING\nexit 2\n");
    HandlerRecord record;
    record.answer = 33;
    EXPECT_EQ(RunGpg("--batch", RecordingHandler, &record), 33);
    EXPECT_TRUE(record.called);
}

struct ClosingRecord {
    test_support::Probe probe{};
};

// Closes our end of GnuPG's input the way key generation does, then opens a
// probe that is likely to receive the very same handle value: a second close
// of stdinWriter by the runner would close the probe.
ResultCode ClosingHandler(ChildStreams* streams, void* data) {
    auto* record = static_cast<ClosingRecord*>(data);
    WriteText(streams->stdinWriter, "parameters\n");
    platform::CloseOsHandle(streams->stdinWriter);
    streams->stdinWriter = platform::kNoHandle;
    record->probe = test_support::OpenProbe();
    return DrainOutput(streams, nullptr);
}

TEST(RunGpg, HandlerThatClosesStdinWriterCausesNoSecondClose) {
    ProgramFolder folder;
    folder.InstallFakeGpg("readall\nprint done\n");
    ClosingRecord record;
    EXPECT_EQ(RunGpg("--gen-key", ClosingHandler, &record), 0);
    EXPECT_TRUE(test_support::ProbeIsOpen(record.probe));
    test_support::CloseProbe(record.probe);
    EXPECT_EQ(folder.FakeInput(), "parameters\n");
}

TEST(RunGpg, ChildRunsInTheProgramFolderWhateverTheCurrentFolder) {
    ProgramFolder folder;
    ProgramFolder elsewhere;
    folder.InstallFakeGpg("exit 0\n");
    platform::OverrideProgramPath(folder.PathOf("Quillet.exe").c_str());
    std::string previous = test_support::CurrentFolder();
    test_support::ChangeFolder(elsewhere.Folder());
    ResultCode result = RunGpg("--version", nullptr, nullptr);
    test_support::ChangeFolder(previous);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(SameFolder(folder.FakeWorkingFolder(), folder.Folder()))
        << folder.FakeWorkingFolder();
}

TEST(RunGpg, EveryWordOfTheCommandLineReachesGpgAsAnArgument) {
    ProgramFolder folder;
    folder.InstallFakeGpg("exit 0\n");
    const char* commandLine =
        "--no-random-seed-file --status-fd=1 --cipher-algo aes  --homedir=\"a b\" -o \"c d.gpg\"";
    EXPECT_EQ(RunGpg(commandLine, nullptr, nullptr), 0);
#ifdef _WIN32
    // Windows hands the child one text: the quoted program path, a blank and
    // the command line exactly as the command built it.
    EXPECT_EQ(folder.FakeArguments(),
              "\"" + folder.PathOf("bin/gpg.exe") + "\" " + std::string(commandLine));
#else
    EXPECT_EQ(folder.FakeArguments(),
              "--no-random-seed-file\n--status-fd=1\n--cipher-algo\naes\n--homedir=a b\n-o\n"
              "c d.gpg\n");
#endif
}

#ifdef _WIN32
TEST(RunGpg, FindsGpgInAFolderWhoseDoubleByteNameEndsInA5C) {
    // 表 in code page 932 is 0x95 0x5C: its second byte has the value of a
    // backslash and must not be taken for one.
    ASSERT_TRUE(platform::IsLeadByte(0x95)) << "the tests need code page 932 (LANG=ja_JP.UTF-8)";
    ProgramFolder folder("\x95\x5c");
    folder.InstallFakeGpg("print [GNUPG:] HELLO\n");
    EXPECT_EQ(RunGpg("--version", nullptr, nullptr), 0);
    EXPECT_TRUE(SameFolder(folder.FakeWorkingFolder(), folder.Folder()))
        << folder.FakeWorkingFolder();
}
#endif

bool Cp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

TEST(FindLastSeparator, StepsOverTheSecondByteOfADoubleByteCharacter) {
    // C:\表\Quillet.exe and C:\表 : the 0x5C inside 表 is no separator.
    EXPECT_EQ(FindLastSeparator("C:\\\x95\x5c\\Quillet.exe", '\\', Cp932LeadByte), 5);
    EXPECT_EQ(FindLastSeparator("C:\\\x95\x5c", '\\', Cp932LeadByte), 2);
    // Without the lead-byte rule the same bytes would mislead.
    EXPECT_EQ(FindLastSeparator("C:\\\x95\x5c", '\\', [](unsigned char) { return false; }), 4);
    EXPECT_EQ(FindLastSeparator("no separator", '\\', Cp932LeadByte), -1);
    EXPECT_EQ(FindLastSeparator("", '\\', Cp932LeadByte), -1);
    // A lead byte at the very end does not step over the terminator.
    EXPECT_EQ(FindLastSeparator("a\\\x95", '\\', Cp932LeadByte), 1);
}

TEST(FindLastBackslash, FindsThePlatformsSeparator) {
    std::string path = test_support::NativePath("/x/y/z.exe");
    EXPECT_EQ(FindLastBackslash(path.c_str()), 4);
}

TEST(WriteText, WritesTheWholeTextAndAcceptsAnEmptyOne) {
    platform::OsHandle readEnd;
    platform::OsHandle writeEnd;
    ASSERT_TRUE(platform::CreateInheritablePipe(&readEnd, &writeEnd));
    EXPECT_TRUE(WriteText(writeEnd, "abc"));
    EXPECT_TRUE(WriteText(writeEnd, ""));
    platform::CloseOsHandle(writeEnd);
    char buffer[8] = {};
    std::size_t received = 0;
    EXPECT_EQ(platform::ReadStream(readEnd, buffer, sizeof buffer, &received),
              platform::ReadOutcome::Data);
    EXPECT_EQ(std::string(buffer, received), "abc");
    platform::CloseOsHandle(readEnd);
    // A write that fails counts as nothing written.
    ASSERT_TRUE(platform::CreateInheritablePipe(&readEnd, &writeEnd));
    platform::CloseOsHandle(readEnd);
    EXPECT_FALSE(WriteText(writeEnd, "abc"));
    platform::CloseOsHandle(writeEnd);
}

}  // namespace
