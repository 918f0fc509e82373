// The frame under every command: starting GnuPG, reading its lines, the
// result codes and their texts.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "engine/status_reader.h"
#include "platform/command_line.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using test_support::ProgramFolder;
using test_support::ResultMessage;

// A text of this file as the program holds it: code page 932 bytes under
// a Japanese Windows, UTF-8 natively.
std::string Ansi(const std::string& utf8) {
#ifdef _WIN32
    wchar_t wide[260];
    char ansi[260];
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide, 260);
    WideCharToMultiByte(CP_ACP, 0, wide, length, ansi, sizeof ansi, nullptr, nullptr);
    return ansi;
#else
    return utf8;
#endif
}

TEST(ResultTexts, EveryCodeWithItsStringIdAndText) {
    // code:string id:text
    std::istringstream table(
        "0:43:正常に終了しました 1:70:ユーザーの指示による中断です "
        "3:44:メモリの割り当てに失敗しました 4:45:標準入力用パイプの作成に失敗しました "
        "5:46:標準入力用パイプの複製に失敗しました 6:47:標準出力用パイプの作成に失敗しました "
        "7:48:標準出力用パイプの複製に失敗しました "
        "8:49:標準エラー出力用パイプの作成に失敗しました "
        "9:50:標準エラー出力用パイプの複製に失敗しました 10:51:子プロセスの作成に失敗しました "
        "11:52:名前は5文字以上にしてください。 "
        "12:53:名前の1文字目は数字以外の文字にしてください "
        "13:54:名前に全角文字を使わないでください 14:55:名前に不正な文字が使われています "
        "15:56:メールアドレスに不正な文字が使われています 16:57:パスフレーズが不正です "
        "17:58:パスフレーズが短すぎます 18:59:作業用フォルダが作成できません "
        "19:60:作業用フォルダが利用できません 20:61:秘密鍵ファイルの作成に失敗しました "
        "21:62:公開鍵ファイルの作成に失敗しました 22:63:パスフレーズの確認に失敗しました "
        "23:64:入力ファイルを開く際にエラーが発生しました "
        "24:65:出力ファイルに書き込む際にエラーが発生しました "
        "25:66:ファイルを読む際にエラーが発生しました 26:67:秘密鍵ファイルがありません "
        "27:68:公開鍵ファイルがありません 28:69:鍵リストが初期化されていません "
        "29:71:ファイルの指定に誤りがあります 30:72:パスフレーズに誤りがあります "
        "31:73:鍵の削除に失敗しました 32:74:ファイルの暗号化に失敗しました "
        "33:75:ファイルへの署名に失敗しました 34:76:ファイルの復号に失敗しました "
        "35:77:署名の検証に失敗しました 36:78:ファイルの終端に達しました 37:79:行が長すぎます "
        "38:80:不正な指示です 39:81:プログラムのインストール状態に異常があります "
        "40:82:鍵格納用のフォルダが見つかりません 41:83:複数のファイルを扱うことはできません "
        "42:84:フォルダを処理することはできません 43:101:鍵の生成に失敗しました "
        "44:102:公開鍵ファイルのフォーマットが適切ではありません "
        "45:103:秘密鍵ファイルのフォーマットが適切ではありません "
        "46:104:メモリのロックに失敗しました 47:105:クリップボードのオープンに失敗しました "
        "48:106:復号しましたが署名の検証に失敗しました "
        "49:107:オプションファイルの書き込みに失敗しました "
        "50:108:オプションファイルの読み込みに失敗しました 51:85:未知のエラーが発生しました ");
    int count = 0;
    for (std::string row; table >> row; ++count) {
        std::size_t idEnd = row.find(':', row.find(':') + 1);
        std::string text = Ansi(row.substr(idEnd + 1));
        EXPECT_EQ(test_support::StringText(std::stoi(row.substr(row.find(':') + 1))), text) << row;
        EXPECT_EQ(ResultMessage(std::stoi(row)), text) << row;
    }
    EXPECT_EQ(count, 51);
    for (ResultCode code : {2, 52, 1000, -1}) {  // no pair of their own
        EXPECT_EQ(ResultMessage(code), ResultMessage(51)) << code;
    }
    char cut[8];
    std::memset(cut, 'z', sizeof cut);
    EXPECT_EQ(LoadResultText(51, cut, 5), 0);
    EXPECT_EQ(std::string(cut, 6), ResultMessage(51).substr(0, 4) + std::string("\0z", 2));

    fake_ui::Reset();
    for (ResultCode code : {0, 1, 2}) {
        EXPECT_EQ(ShowResult(nullptr, code), code);  // silent
    }
    int owner = 0;
    ShowResult(&owner, 30);
    ShowResult(nullptr, -5);  // a negative code is shown, as the unknown error
    ASSERT_EQ(fake_ui::messageBoxes.size(), 2u);
    EXPECT_EQ(fake_ui::messageBoxes[0].owner, &owner);
    EXPECT_EQ(fake_ui::messageBoxes[0].text, ResultMessage(30));
    EXPECT_EQ(fake_ui::messageBoxes[0].caption, "Message Box");
    EXPECT_EQ(fake_ui::messageBoxes[0].style, ui::kBoxOk);
    EXPECT_EQ(fake_ui::messageBoxes[1].text, ResultMessage(51));
}

struct HandlerRecord {
    bool called = false;
    ResultCode answer = 0;
    test_support::Probe probe{-1};
};

ResultCode RecordingHandler(ChildStreams* streams, void* data) {
    static_cast<HandlerRecord*>(data)->called = true;
    DrainOutput(streams, nullptr);
    return static_cast<HandlerRecord*>(data)->answer;
}

// Closes our end of GnuPG's input as key generation does, then opens a
// probe likely to get the same handle value: a second close of stdinWriter
// by the runner would close the probe.
ResultCode ClosingHandler(ChildStreams* streams, void* data) {
    WriteText(streams->stdinWriter, "parameters\n");
    platform::CloseOsHandle(streams->stdinWriter);
    streams->stdinWriter = platform::kNoHandle;
    static_cast<HandlerRecord*>(data)->probe = test_support::OpenProbe();
    return DrainOutput(streams, nullptr);
}

TEST(RunGpg, HandlersAndHandles) {
    ProgramFolder folder;
    int before = test_support::CountOpenHandles();
    ASSERT_GT(before, 2) << "the handle count must work for this test to mean anything";
    HandlerRecord record{false, 33};
    EXPECT_EQ(RunGpg("--version", RecordingHandler, &record), 10);  // no gpg.exe
    EXPECT_FALSE(record.called);
    EXPECT_EQ(test_support::CountOpenHandles(), before);

    folder.InstallFakeGpg("print [GNUPG:] SOMETHING\nexit 2\n");
    EXPECT_EQ(RunGpg("--batch", RecordingHandler, &record), 33);  // whatever GnuPG's exit
    EXPECT_TRUE(record.called);
    // Far more than a pipe holds: the run ends only if everything is read.
    for (const char* script : {"flood 2000000 [GNUPG:] X\\n\nexit 2\n", "exit 0\n"}) {
        folder.InstallFakeGpg(script);
        EXPECT_EQ(RunGpg("--list-keys", nullptr, nullptr), 0);
        EXPECT_EQ(test_support::CountOpenHandles(), before);
    }
    folder.InstallFakeGpg("readall\nprint done\n");
    EXPECT_EQ(RunGpg("--gen-key", ClosingHandler, &record), 0);
    EXPECT_TRUE(test_support::ProbeIsOpen(record.probe));
    test_support::CloseProbe(record.probe);
    EXPECT_EQ(folder.FakeInput(), "parameters\n");

    // A program folder of 250 bytes: bin/gpg.exe does not fit the path
    // buffer, and a program path that does not fit at all fails the same way.
    std::string deep =
        folder.Folder() + std::string(249 - folder.Folder().size(), 'd') + platform::kPathSeparator;
    for (const std::string& program : {deep + "q.exe", deep + std::string(20, 'q') + ".exe"}) {
        platform::OverrideProgramPath(program.c_str());
        record.called = false;
        EXPECT_EQ(RunGpg("--version", RecordingHandler, &record), 10);
        EXPECT_FALSE(record.called);
    }
}

TEST(RunGpg, ChildRunsInTheProgramFolderWhateverTheCurrentFolderAndItsName) {
    // 表 in code page 932 is 0x95 0x5C: its second byte has the value of a
    // backslash and must not be taken for one.
    ProgramFolder folder("\x95\x5c");
    ProgramFolder elsewhere;
    folder.Activate();
    folder.InstallFakeGpg("exit 0\n");
    std::string previous = test_support::CurrentFolder();
    test_support::ChangeFolder(elsewhere.Folder());
    EXPECT_EQ(RunGpg("--version", nullptr, nullptr), 0);
    test_support::ChangeFolder(previous);
    std::string recorded = folder.FakeWorkingFolder() + platform::kPathSeparator;
    EXPECT_TRUE(recorded.find(folder.Folder()) == 0 &&
                recorded.size() <= folder.Folder().size() + 1)
        << recorded;
}

TEST(PathsAndPipes, LastSeparatorWriteTextAndCommandLineWords) {
    auto cp932 = [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || b >= 0xE0; };
    // C:\表\Quillet.exe and C:\表 : the 0x5C inside 表 is no separator.
    EXPECT_EQ(FindLastSeparator("C:\\\x95\x5c\\Quillet.exe", '\\', cp932), 5);
    EXPECT_EQ(FindLastSeparator("C:\\\x95\x5c", '\\', cp932), 2);
    EXPECT_EQ(FindLastSeparator("C:\\\x95\x5c", '\\', [](unsigned char) { return false; }), 4);
    EXPECT_EQ(FindLastSeparator("none", '\\', cp932), -1);
    EXPECT_EQ(FindLastSeparator("a\\\x95", '\\', cp932), 1);  // a lead byte at the end
    EXPECT_EQ(FindLastBackslash(test_support::NativePath("/x/y/z.exe").c_str()), 4);

    platform::OsHandle readEnd, writeEnd;
    ASSERT_TRUE(platform::CreateInheritablePipe(&readEnd, &writeEnd));
    EXPECT_TRUE(WriteText(writeEnd, "abc"));
    EXPECT_TRUE(WriteText(writeEnd, ""));
    platform::CloseOsHandle(readEnd);
    EXPECT_FALSE(WriteText(writeEnd, "abc"));  // a failed write counts as nothing written
    platform::CloseOsHandle(writeEnd);

    EXPECT_EQ(
        platform::SplitCommandLine("--status-fd=1 aes  --homedir=\"/a b/c\" -o \"\" x"),
        (std::vector<std::string>{"--status-fd=1", "aes", "--homedir=/a b/c", "-o", "", "x"}));
    EXPECT_TRUE(platform::SplitCommandLine("   ").empty());
}

// A pipe that holds `bytes` and then ends, as GnuPG's output does.
platform::OsHandle OutputOf(const std::string& bytes) {
    platform::OsHandle readEnd, writeEnd;
    EXPECT_TRUE(platform::CreateInheritablePipe(&readEnd, &writeEnd));
    EXPECT_TRUE(WriteText(writeEnd, bytes.c_str()));
    platform::CloseOsHandle(writeEnd);
    return readEnd;
}

TEST(StatusLines, ReadStatusLineAndIsStatusKeyword) {
    const std::string b255(255, 'b'), b256(256, 'c'), b300(300, 'd');
    platform::OsHandle stream = OutputOf("[GNUPG:] END_DECRYPTION\r\n\n\r\n" + b255 + "\n" + b256 +
                                         "\n" + b255 + "\r\n" + b300 + "\nnext\nlast piece\r");
    const std::pair<ResultCode, std::string> reads[] = {
        {0, "[GNUPG:] END_DECRYPTION"},
        {0, ""},
        {0, ""},
        {0, b255},
        {37, b256},                 // 256 bytes reach the capacity
        {37, b255},                 // the CR counts, and goes
        {37, b300.substr(0, 256)},  // the rest of the line is dropped
        {0, "next"},
        {36, "last piece\r"},  // a CR goes only before a LF
        {36, ""}};
    char buffer[kStatusLineBufferSize];
    for (const auto& [code, text] : reads) {
        EXPECT_EQ(ReadStatusLine(stream, buffer, kStatusLineCapacity), code) << text;
        EXPECT_EQ(buffer, text);
    }
    platform::CloseOsHandle(stream);
    stream = OutputOf(std::string(256, 'e'));
    EXPECT_EQ(ReadStatusLine(stream, buffer, kStatusLineCapacity), 37);
    platform::CloseOsHandle(stream);
    // A handle that is no longer open fails for another reason than the end.
    EXPECT_EQ(ReadStatusLine(stream, buffer, kStatusLineCapacity), 51);
    EXPECT_STREQ(buffer, "");

    for (const char* line : {"[GNUPG:] VALIDSIG", "[GNUPG:] VALIDSIG 1234 2026-12-06",
                             "[GNUPG:] VALIDSIG\r", "[GNUPG:] VALIDSIG\n"}) {
        EXPECT_TRUE(IsStatusKeyword(line, "VALIDSIG")) << line;
    }
    for (const char* line : {"[GNUPG:] VALIDSIGNATURE", "[GNUPG:]VALIDSIG", "[gnupg:] VALIDSIG",
                             "[GNUPG:] validsig", "[GNUPG:] VALID", ""}) {
        EXPECT_FALSE(IsStatusKeyword(line, "VALIDSIG")) << line;
    }
}

}  // namespace
