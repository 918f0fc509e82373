// The engine's tests: a scripted GnuPG (tests/fake_gpg) where a fault must be
// forced, the real GnuPG where its behaviour matters (TestKeys makes the test
// users' keys with the program's own key generation on every run, RoundTrip
// takes every command through GnuPG with them). CTest runs each suite alone.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "engine/encryption_commands.h"
#include "engine/gnupg_options.h"
#include "engine/gpg_runner.h"
#include "engine/key_export.h"
#include "engine/key_generation.h"
#include "engine/key_listing.h"
#include "engine/passphrase_change.h"
#include "engine/self_signature_renewal.h"
#include "engine/signature_commands.h"
#include "engine/status_reader.h"
#include "platform/command_line.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_keys.h"

namespace {

using namespace test_support;
using Clock = std::chrono::steady_clock;

enum Cmd { Encrypt, NoSign, Decrypt, Sign, Verify, Export, Generate, List, ListSecret, Change };

const std::string kFpr = "751D20E03751AA0FA82636AD6617CB8C9F217174";
const std::string kUid = "Taro Yamada <taro@example.com>";

// What GnuPG says, step by step, in the fake GnuPG's script lines (a saved
// passphrase change is followed by the check of the changed copies).
const std::string kSig = "print [GNUPG:] SIG_CREATED S 17 2 00 1 X\n",
                  kEncEnd = "print [GNUPG:] END_ENCRYPTION\n",
                  kValid = "print [GNUPG:] VALIDSIG " + kFpr +
                           " 2026-12-06 1796600183 0 4 0 17 2 00 " + kFpr + "\n",
                  kMdc = "print [GNUPG:] GOODMDC\n", kDecEnd = "print [GNUPG:] END_DECRYPTION\n",
                  kBad = "print [GNUPG:] BAD_PASSPHRASE 6617CB8C9F217174\n",
                  kPub =
                      "print pub:-:1024:17:6617CB8C9F217174:2026-11-01:::-:" + kUid + "::scESC:\n",
                  kFprLine = "print fpr:::::::::" + kFpr + ":\n",
                  kSecListing = "print sec::1024:17:6617CB8C9F217174:2026-11-01::::" + kUid +
                                ":::\n" + kFprLine,
                  kEditor = "on --list-secret-keys\n" + kSecListing + "on --edit-key\n",
                  kAskOld =
                      "print [GNUPG:] NEED_PASSPHRASE 6617CB8C9F217174 17 0\n"
                      "print [GNUPG:] GET_HIDDEN passphrase.enter\nreadline\n",
                  kAskNew =
                      "print [GNUPG:] GOOD_PASSPHRASE\n"
                      "print [GNUPG:] NEED_PASSPHRASE_SYM 3\n"
                      "print [GNUPG:] GET_HIDDEN passphrase.enter\nreadline\n"
                      "print [GNUPG:] GET_HIDDEN passphrase.repeat\nreadline\n",
                  kPrompt = "print [GNUPG:] GET_LINE keyedit.prompt\nreadline\n",
                  kSaved = "writefile --secret-keyring= the changed ring\non --list-keys\n" + kPub +
                           kFprLine + "on --detach-sign\n" + kSig;

// A GnuPG that serves each command well, before and after a fault's place.
const std::pair<std::string, std::string> kGoodGpg[] = {
    {"print [GNUPG:] BEGIN_ENCRYPTION 2 9\n", kSig + kEncEnd},
    {"print [GNUPG:] BEGIN_ENCRYPTION 2 9\n", kEncEnd},
    {"on -d\nprint [GNUPG:] BEGIN_DECRYPTION\nwritefile -o partial plaintext\n",
     kValid + kMdc + kDecEnd + "on --list-keys\n" + kPub + kFprLine},
    {"print [GNUPG:] BEGIN_SIGNING H2\n", kSig},
    {"print [GNUPG:] SIG_ID x\n", kValid},
    {"writefile -o exported key\n", "print more\n"},
    {"print [GNUPG:] PROGRESS primegen + 0 0\n", "print [GNUPG:] KEY_CREATED B " + kFpr + "\n"},
    {"print tru::1:1700000000:0:3:1:5\n", kPub + kFprLine},
    {"", kSecListing},
    {kEditor + kAskOld + kAskNew, kPrompt + kSaved}};
// A decryption whose good signature's key the key file's listing then shows.
std::string Decrypting(const std::string& script) {
    return "on -d\n" + script + "on --list-keys\n" + kPub + kFprLine;
}
std::string GoodGpg(Cmd cmd, const std::string& fault = "") {
    const auto& [before, after] = kGoodGpg[static_cast<int>(cmd)];
    return before + fault + after;
}

class EngineTest : public ::testing::Test {
public:  // the tables name the fields
    ProgramFolder folder;
    std::string conf = folder.PathOf("conf"), secring = folder.PathOf("conf/secring.gpg"),
                pubring = folder.PathOf("conf/pubring.gpg"),
                trustdb = folder.PathOf("conf/trustdb.gpg"), keyFile = folder.PathOf("hanako.gpg"),
                input = folder.PathOf("report.doc"), output = folder.PathOf("report.doc.gpg"),
                newSecring = folder.PathOf("conf/new-sec.gpg"),
                newPubring = folder.PathOf("conf/new-pub.gpg");
    std::string name = "Taro Yamada", email = "taro@example.com", passphrase = "password1",
                newPassphrase = "new pass 1", keyName = kFpr, comment = "";
    ProgressCallback progress = nullptr;
    std::int32_t flags = 0x7777;

    void SetUp() override {
        fake_ui::Reset();
        flags = 0x7777;  // a command sets it to 0 before GnuPG runs
        MakeFolderAt(conf);
        for (const std::string& file : {secring, pubring, trustdb, keyFile, input, output}) {
            WriteFile(file, "bytes of " + file);
        }
    }
    bool GpgRan() const { return Exists(folder.PathOf("bin/fake-gpg.args")); }
    std::string Line(const std::string& text) const { return text + platform::kLineEnd; }

    // Whether Run tells of the output of the encryption and signing commands too.
    bool showEveryOutput = false;

    // Runs a command: its code, the new key's fingerprint, " user ID|fingerprint"
    // per key listed (and " outdated" for a revoked or expired one), " +output"
    // while the output of a decryption or export exists (of every command that
    // writes one with showEveryOutput).
    std::string Run(Cmd cmd) {
        const char *h = conf.c_str(), *s = secring.c_str(), *p = pubring.c_str(),
                   *k = keyFile.c_str(), *in = input.c_str(), *out = output.c_str(),
                   *pass = passphrase.c_str();
        KeyList list{nullptr};
        char made[260] = "";
        const std::function<ResultCode()> commands[] = {
            [&] { return EncryptFile(h, s, k, in, out, keyName.c_str(), pass, 0, &flags); },
            [&] { return EncryptFile(h, s, k, in, out, keyName.c_str(), pass, 1, &flags); },
            [&] { return DecryptFile(h, s, k, out, in, pass, &flags); },
            [&] { return SignFile(h, s, p, in, out, pass, &flags); },
            [&] { return VerifyFile(h, k, in, out, &flags); },
            [&] { return ExportPublicKey(h, p, keyName.c_str(), out); },
            [&] {
                return GenerateKeyPair(h, newSecring.c_str(), newPubring.c_str(), name.c_str(),
                                       email.c_str(), comment.c_str(), pass, made, progress);
            },
            [&] { return ListPublicKeys(h, k, &list); },
            [&] { return ListSecretKeys(h, s, &list); },
            [&] { return ChangePassphrase(h, s, p, pass, newPassphrase.c_str()); }};
        ResultCode code = commands[static_cast<int>(cmd)]();
        std::string outcome =
            std::to_string(code) + (code == 0 && made[0] ? " " + std::string(made) : "");
        for (KeyEntry* entry = list.head; entry != nullptr; entry = entry->next) {
            outcome += std::string(" ") + entry->userId + "|" + entry->fingerprint +
                       (entry->outdated ? " outdated" : "");
        }
        FreeKeyList(&list);
        bool showsOutput = cmd == Decrypt || cmd == Export ||
                           (showEveryOutput && (cmd == Encrypt || cmd == NoSign || cmd == Sign));
        return outcome + (showsOutput && Exists(output) ? " +output" : "");
    }
};

TEST(Frame, EveryCodeWithItsStringIdAndText) {
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
        std::size_t id = row.find(':') + 1;
        EXPECT_EQ(ResultMessage(std::stoi(row)), StringText(std::stoi(row.substr(id)))) << row;
#ifndef _WIN32  // the texts as written here; Windows holds them in code page 932
        EXPECT_EQ(ResultMessage(std::stoi(row)), row.substr(row.find(':', id) + 1)) << row;
#endif
    }
    EXPECT_EQ(count, 51);
    // The codes added since: keys from people on GnuPG 2, names, and what
    // GnuPG reports beyond success (texts with blanks or long ones).
    const std::tuple<ResultCode, int, const char*> later[] = {
        {52, 110,
         "この公開鍵ファイルの鍵はQuilletでは使えない方式です。RSA または DSA "
         "の鍵を送ってもらってください"},
        {53, 111,
         "ファイル名にQuilletで扱えない文字が含まれています。名前を変えてからもう一度お試しくださ"
         "い"},
        {54, 112,
         "このファイルの署名は、持ち主が失効させた鍵によるものです。鍵を盗まれたり失くしたりした可"
         "能性があり、本人から来たファイルとは限りません"},
        {55, 113,
         "署名は公開鍵ファイルの鍵と一致しますが、その鍵（または署名）の有効期限が切れています。送"
         "り主に最新の公開鍵ファイルを送ってもらってください"},
        {56, 114,
         "このファイルには改ざんを検出する保護がないため、復号しませんでした。送り主に、新しいソフ"
         "トウェアで暗号化し直してもらってください"},
        {57, 115,
         "この公開鍵ファイルの鍵は失効しているか、有効期限が切れているため、暗号化に使えません。受"
         "け取る人に最新の公開鍵ファイルを送ってもらってください"},
        {58, 117, "パスフレーズの先頭と末尾には空白を使えません"},
        {59, 118,
         "ファイルのパスが長すぎるため扱えません。短い名前のフォルダに移してからもう一度お試しくだ"
         "さい"}};
    for (const auto& [code, id, text] : later) {
        EXPECT_EQ(ResultMessage(code), StringText(id)) << code;
#ifndef _WIN32
        EXPECT_EQ(ResultMessage(code), text) << code;
#endif
        (void)text;
    }
    for (ResultCode code : {2, 60, 1000, -1}) {  // no pair of their own
        EXPECT_EQ(ResultMessage(code), ResultMessage(51)) << code;
    }
    char cut[8] = "zzzzzzz";
    EXPECT_EQ(LoadResultText(51, cut, 5), 0);
    EXPECT_EQ(std::string(cut, 6), ResultMessage(51).substr(0, 4) + std::string("\0z", 2));

    fake_ui::Reset();
    for (ResultCode code : {0, 1, 2}) {
        EXPECT_EQ(ShowResult(nullptr, code), code);  // silent
    }
    int owner = 0;
    ShowResult(&owner, 30);
    ShowResult(nullptr, -5);  // a negative code is shown, as the unknown error
    EXPECT_EQ(fake_ui::state.events,
              (std::vector<std::string>{"message: Message Box: " + ResultMessage(30),
                                        "message: Message Box: " + ResultMessage(51)}));
    EXPECT_EQ(fake_ui::state.messageBoxes[0].owner, &owner);
    EXPECT_EQ(fake_ui::state.messageBoxes[0].style, ui::kBoxOk);
}

// Closes our end of GnuPG's input as key generation does, then opens a probe
// likely to get the same handle: a second close by the runner would close it.
struct Handler {
    bool called = false;
    Probe probe{-1};
    static ResultCode Run(ChildStreams* streams, void* data) {
        auto* handler = static_cast<Handler*>(data);
        handler->called = true;
        WriteText(streams->stdinWriter, "parameters\n");
        platform::CloseOsHandle(streams->stdinWriter);
        streams->stdinWriter = platform::kNoHandle;
        handler->probe = OpenProbe();
        DrainOutput(streams, nullptr);
        return 33;
    }
};

TEST(Frame, HandlersHandlesAndTheChildsFolder) {
    // 表 in code page 932 is 0x95 0x5C: its second byte is no backslash.
    ProgramFolder folder("\x95\x5c");
    int before = CountOpenHandles();
    ASSERT_GT(before, 2) << "the handle count must work for this test to mean anything";
    // The child runs in the program folder whatever the current folder.
    Handler handler;
    folder.InstallFakeGpg("readall\n");
    std::string previous = CurrentFolder();
    ChangeFolder(NativePath("/"));
    EXPECT_EQ(RunGpg("--gen-key", Handler::Run, &handler), 33);
    ChangeFolder(previous);
    EXPECT_TRUE(ProbeIsOpen(handler.probe));
    CloseProbe(handler.probe);
    EXPECT_EQ(CountOpenHandles(), before);
    EXPECT_EQ(folder.FakeInput(), "parameters\n");
    std::string recorded = folder.FakeWorkingFolder() + platform::kPathSeparator;
    EXPECT_EQ(recorded.find(folder.Folder()), 0u) << recorded;
    EXPECT_LE(recorded.size(), folder.Folder().size() + 1) << recorded;

    // A program folder of 250 bytes: bin/gpg.exe does not fit; nor the program.
    std::string deep =
        folder.Folder() + std::string(249 - folder.Folder().size(), 'd') + platform::kPathSeparator;
    for (const std::string& program : {deep + "q.exe", deep + std::string(20, 'q') + ".exe"}) {
        platform::OverrideProgramPath(program.c_str());
        handler.called = false;
        EXPECT_EQ(RunGpg("--version", Handler::Run, &handler), 10);
        EXPECT_FALSE(handler.called);
    }
}

// A pipe that holds `bytes` and then ends, as GnuPG's output does.
platform::OsHandle OutputOf(const std::string& bytes) {
    platform::OsHandle readEnd, writeEnd;
    EXPECT_TRUE(platform::CreateInheritablePipe(&readEnd, &writeEnd));
    EXPECT_TRUE(WriteText(writeEnd, bytes.c_str()));
    platform::CloseOsHandle(writeEnd);
    return readEnd;
}

TEST(Frame, SeparatorsWordsAndStatusLines) {
    auto cp932 = [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || b >= 0xE0; };
    // C:\表\Quillet.exe and C:\表 : the 0x5C inside 表 is no separator.
    EXPECT_EQ(FindLastSeparator("C:\\\x95\x5c\\Quillet.exe", '\\', cp932), 5);
    EXPECT_EQ(FindLastSeparator("C:\\\x95\x5c", '\\', cp932), 2);
    EXPECT_EQ(FindLastSeparator("none", '\\', cp932), -1);
    EXPECT_EQ(FindLastSeparator("a\\\x95", '\\', cp932), 1);  // a lead byte at the end

    EXPECT_EQ(
        platform::SplitCommandLine("--status-fd=1 aes  --homedir=\"/a b/c\" -o \"\" x"),
        (std::vector<std::string>{"--status-fd=1", "aes", "--homedir=/a b/c", "-o", "", "x"}));
    EXPECT_TRUE(platform::SplitCommandLine("   ").empty());

    const std::string b255(255, 'b'), b256(256, 'c'), b300(300, 'd');
    platform::OsHandle stream = OutputOf("[GNUPG:] END_DECRYPTION\r\n\n\r\n" + b255 + "\n" + b256 +
                                         "\n" + b255 + "\r\n" + b300 + "\nnext\nlast piece\r");
    char buffer[kStatusLineBufferSize];
    std::string reads;
    for (int line = 0; line < 10; ++line) {
        reads += std::to_string(ReadStatusLine(stream, buffer, kStatusLineCapacity)) + " " +
                 buffer + "|";
    }
    // 256 bytes reach the capacity; the CR counts, and goes; the rest of a
    // long line is dropped, not the next line; a CR goes only before a LF.
    EXPECT_EQ(reads, "0 [GNUPG:] END_DECRYPTION|0 |0 |0 " + b255 + "|37 " + b256 + "|37 " + b255 +
                         "|37 " + b300.substr(0, 256) + "|0 next|36 last piece\r|36 |");
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

// What the options file gets: each missing option once, after a comment;
// whatever the user set stays, also to another value; a comment or a longer
// word does not count as setting an option.
TEST(Frame, OptionsFileGetsWhatItLacksAndKeepsWhatItHas) {
    const std::string added =
                          "# SHA-256 signatures, which today's OpenPGP programs require, "
                          "and a strong protection of the secret key\n",
                      cert = "cert-digest-algo SHA256\n",
                      personal = "personal-digest-preferences SHA256\n",
                      dsa2 =
                          "enable-dsa2\ns2k-count 4194304\ns2k-digest-algo SHA256\n"
                          "s2k-cipher-algo AES256\n",
                      progress = "# progress figures for long runs\nenable-progress-filter\n",
                      all = added + cert + personal + dsa2 + progress;
    const std::string set = "s2k-count 65536\ns2k-digest-algo SHA1\ns2k-cipher-algo CAST5";
    const struct {
        std::string before, after;  // after: "" when nothing is added
    } rows[] = {
        {"", all},
        {"keyserver x\n", "keyserver x\n" + all},
        {"keyserver x", "keyserver x\n" + all},
        {"cert-digest-algo SHA512\n",
         "cert-digest-algo SHA512\n" + added + personal + dsa2 + progress},
        {" \tenable-dsa2\r\ncert-digest-algo SHA1\npersonal-digest-preferences SHA1\n" + set,
         " \tenable-dsa2\r\ncert-digest-algo SHA1\npersonal-digest-preferences SHA1\n" + set +
             "\n" + progress},
        {"enable-progress-filter\nenable-dsa2\ncert-digest-algo SHA1\npersonal-digest-preferences "
         "x\n" +
             set,
         ""},
        {"# enable-dsa2\nenable-dsa2-x\n", "# enable-dsa2\nenable-dsa2-x\n" + all},
    };
    for (const auto& row : rows) {
        char out[600];
        long length =
            AddMissingGnupgOptions(row.before.data(), row.before.size(), out, sizeof out, "\n");
        EXPECT_EQ(length > 0 ? std::string(out, static_cast<std::size_t>(length)) : "", row.after)
            << row.before;
    }
    char small[10];
    EXPECT_EQ(AddMissingGnupgOptions("", 0, small, sizeof small, "\n"), -1);

    // On disk: written once, then left alone; a folder of that name is no file.
    ProgramFolder folder;
    std::string conf = folder.PathOf("conf"), file = folder.PathOf("conf/gpg.conf");
    MakeFolderAt(conf);
    EXPECT_TRUE(EnsureGnupgOptions(conf.c_str()));
    std::string written = ReadFile(file);
    EXPECT_NE(written.find("enable-dsa2" + std::string(platform::kLineEnd)), std::string::npos);
    platform::FileStamp before = platform::StampFile(file.c_str());
    EXPECT_TRUE(EnsureGnupgOptions(conf.c_str()));
    EXPECT_EQ(platform::StampFile(file.c_str()).modified, before.modified);
    RemoveTree(file);
    MakeFolderAt(file);
    EXPECT_FALSE(EnsureGnupgOptions(conf.c_str()));
}

// GnuPG's packet listing: the first key's own signatures on its user ID and
// subkey count, with their digests; another key's signature does not; the
// user ID's preferences come out as "setpref" takes them.
TEST(Frame, PacketListingSurvey) {
    const std::string key =
                          ":public key packet:\n\tversion 4, algo 17, created 1, expires 0\n"
                          "\tkeyid: 4B9C77A623656FC3\n:user ID packet: \"Jiro\"\n",
                      sig = ":signature packet: algo 17, keyid ",
                      uidSig = "\tversion 4, created 1, md5len 0, sigclass 0x13\n",
                      subSig = "\tversion 4, created 1, md5len 0, sigclass 0x18\n",
                      prefs =
                          "\thashed subpkt 11 len 5 (pref-sym-algos: 9 8 7 3 2)\n"
                          "\thashed subpkt 21 len 5 (pref-hash-algos: 8 2 9 10 11)\n"
                          "\thashed subpkt 22 len 3 (pref-zip-algos: 2 3 1)\n";
    const struct {
        std::string listing;
        int selfSignatures, outdated;
        std::string preferences;
    } rows[] = {
        {key + sig + "4B9C77A623656FC3\n" + uidSig + "\tdigest algo 2, begin\n" + prefs +
             "\thashed subpkt 30 len 1 (features: 01)\n"
             "\thashed subpkt 23 len 1 (key server preferences: 80)\n" +
             sig + "1111111111111111\n" + uidSig + "\tdigest algo 2, begin\n" +
             ":public sub key packet:\n" + sig + "4B9C77A623656FC3\r\n" + subSig +
             "\tdigest algo 8, begin\r\n",
         2, 1, "S9 S8 S7 S3 S2 H8 H2 H9 H10 H11 Z2 Z3 Z1 mdc no-ks-modify"},
        {key + sig + "4B9C77A623656FC3\n" + uidSig + "\tdigest algo 8, begin\n" + prefs, 1, 0,
         "S9 S8 S7 S3 S2 H8 H2 H9 H10 H11 Z2 Z3 Z1 no-mdc ks-modify"},
        // A second key's self-signatures are not the first key's.
        {key + key + sig + "4B9C77A623656FC3\n" + uidSig + "\tdigest algo 2, begin\n", 0, 0, ""},
        {"", 0, 0, ""},
    };
    for (const auto& row : rows) {
        SelfSignatureSurvey survey{};
        ReadPacketListing(row.listing.c_str(), &survey);
        EXPECT_EQ(survey.selfSignatures, row.selfSignatures) << row.listing;
        EXPECT_EQ(survey.outdated, row.outdated) << row.listing;
        EXPECT_EQ(survey.preferences, row.preferences) << row.listing;
    }
    // The weakest protection of the first key's secret packets; none is 0.
    const std::string secret = ":secret key packet:\n\tprotect count: 4194304 (192)\n",
                      sub = ":secret sub key packet:\n";
    for (const auto& [listing, weakest] :
         {std::pair{secret + sub + "\tprotect count: 65536 (96)\n", 65536ul},
          std::pair{secret + sub + ":secret key packet:\n", 0ul}}) {
        SelfSignatureSurvey survey{};
        ReadPacketListing(listing.c_str(), &survey);
        EXPECT_EQ(survey.secretKeys, 2) << listing;
        EXPECT_EQ(survey.weakestProtection, weakest) << listing;
    }
}

TEST_F(EngineTest, CommandLinesOfAllNineTemplates) {
    auto Q = [](const std::string& path) { return "\"" + path + "\""; };
    const std::string h = "--no-random-seed-file --status-fd=1 --cipher-algo aes  --homedir=" +
                          Q(conf) + " --",
                      s = h + "secret-keyring=", batch = " --batch --yes --always-trust ",
                      encrypt = s + Q(secring) + " --keyring=" + Q(keyFile) + batch +
                                "--passphrase-fd=0 ",
                      listSecret = s + Q(secring) +
                                   " --batch --no-default-keyring --list-secret-keys "
                                   "--with-colons --with-fingerprint",
                      copy = folder.PathOf("conf/change-");
    const std::vector<std::string> lines[] = {
        {encrypt + "-s -e -r " + kFpr + " -o " + Q(output) + " " + Q(input)},
        {encrypt + " -e -r " + kFpr + " -o " + Q(output) + " " + Q(input)},
        {s + Q(secring) + " --keyring=" + Q(keyFile) + " -o " + Q(output) + batch +
             "--passphrase-fd=0 -d " + Q(input),
         h + "keyring=" + Q(keyFile) +
             " --batch --no-default-keyring --list-keys --with-colons --with-fingerprint " + kFpr},
        {s + Q(secring) + " --keyring=" + Q(pubring) + batch +
         "--passphrase-fd=0 --detach-sign -o " + Q(output) + " " + Q(input)},
        {h + "keyring=" + Q(keyFile) + " --no-default-keyring" + batch + "--status-fd=1 --verify " +
         Q(output) + " " + Q(input)},
        {h + "keyring=" + Q(pubring) + " --batch --yes --no-default-keyring -o " + Q(output) +
         " --export " + kFpr},
        {s + Q(newSecring) + " --keyring=" + Q(newPubring) + " --batch --gen-key"},
        {h + "keyring=" + Q(keyFile) +
         " --batch --no-default-keyring --list-keys --with-colons --with-fingerprint"},
        {listSecret},
        {listSecret,
         s + Q(copy + "secring.gpg") + " --keyring=" + Q(copy + "pubring.gpg") +
             " --no-default-keyring --command-fd=0 --edit-key " + kFpr + " passwd",
         s + Q(copy + "secring.gpg") + listSecret.substr(s.size() + Q(secring).size()),
         h + "keyring=" + Q(copy + "pubring.gpg") +
             " --batch --no-default-keyring --list-keys --with-colons --with-fingerprint",
         s + Q(copy + "secring.gpg") + " --keyring=" + Q(copy + "pubring.gpg") +
             " --no-default-keyring" + batch + "--passphrase-fd=0 --detach-sign -o " +
             Q(copy + "check.sig") + " " + Q(copy + "pubring.gpg")},
    };
    for (int cmd = 0; cmd < 10; ++cmd) {
        folder.InstallFakeGpg(GoodGpg(Cmd(cmd)));
        Run(Cmd(cmd));
        // Windows hands the fake the text itself, POSIX its words.
        std::string expected;
        for (const std::string& line : lines[cmd]) {
#ifdef _WIN32
            expected += Q(folder.PathOf("bin/gpg.exe")) + " " + line + "\n";
#else
            for (const std::string& word : platform::SplitCommandLine(line.c_str())) {
                expected += word + "\n";
            }
#endif
        }
        EXPECT_EQ(folder.FakeArguments(), expected) << cmd;
    }
}

TEST_F(EngineTest, WhatEachCommandMakesOfGpgsOutputAndWhatItWroteToGpg) {
    const std::string pass = Line(passphrase), r = "readline\n", all = "readall\n",
                      news = pass + Line(newPassphrase) + Line(newPassphrase) + Line("save"),
                      keyParams = Line("Key-Type: RSA") + Line("Key-Length: 3072") +
                                  Line("Key-Usage: sign") + Line("Subkey-Type: RSA") +
                                  Line("Subkey-Length: 3072") + Line("Subkey-Usage: encrypt") +
                                  Line("Name-Real: Taro Yamada") +
                                  Line("Name-Email: taro@example.com") + Line("Expire-Date: 0") +
                                  Line("Passphrase: password1") + Line("%secring " + newSecring) +
                                  Line("%pubring " + newPubring) + Line("%commit"),
                      created = all + "print [GNUPG:] KEY_CREATED B ",
                      tru = "print tru::1:1796600000:0:3:1:5\n",
                      noField10 = "print pub:-:1024:17:X:2026-11-01:::-", full = " " + kUid + "|",
                      kLength =
                          "print [GNUPG:] PLAINTEXT 62 1796741010 big.bin\n"
                          "print [GNUPG:] PLAINTEXT_LENGTH 3000000\n",
                      kPlainLength = "print [GNUPG:] PLAINTEXT_LENGTH 5\n",
                      kBadSig = "print [GNUPG:] BADSIG 3A2FE4B901FD8824 Exp\n",
                      kRevoked = "print [GNUPG:] REVKEYSIG 7E4DD843BC2A02D3 Rev Signer\n",
                      kExpired = "print [GNUPG:] EXPKEYSIG 3A2FE4B901FD8824 Exp Signer\n",
                      kExpiredSub =
                          "print sub:e:2048:1:63D9CC0F944CD34A:2026-11-28:2026-11-29:::::e:\n";
    const struct {
        Cmd cmd;
        std::string script, outcome, input;  // input: what GnuPG read
    } rows[] = {
        {NoSign, r + kEncEnd, "33 +output", pass},  // the passphrase goes all the same
        // The rest, more than a pipe holds, is read but not taken.
        {Encrypt, r + kSig + kBad + "flood 1000000 [GNUPG:] X\\n\n" + kEncEnd, "30 +output", pass},
        // An overlong line counts by its start, a last line without LF too.
        {Encrypt, r + "flood 300 [GNUPG:] SIG_CREATED \nwrite \\n[GNUPG:] END_ENCRYPTION\n",
         "0 +output", pass},
        // A full disk: GnuPG announces what it could not write, and exits
        // with 2. What the run wrote goes; a file it did not touch stays.
        {Encrypt, r + kSig + "writefile -o part\n" + kEncEnd + "exit 2\n", "24", pass},
        {Encrypt, r + kSig + kEncEnd + "exit 2\n", "24 +output", pass},
        {Sign, r + "writefile -o \n" + kSig + "exit 2\n", "24", pass},
        {Export, "writefile -o \nexit 2\n", "24", ""},
        {Export, "print nothing exported\n", "24", ""},
        {Decrypt, r + "writefile -o part\n" + kLength + kMdc + kDecEnd + "exit 2\n", "24", pass},
        {Decrypt, r + "writefile -o part\n" + kLength + kMdc + kDecEnd, "24", pass},
        // Text is written with the platform's line ends: its length is not checked.
        {Decrypt,
         Decrypting(r + "writefile -o plain\nprint [GNUPG:] PLAINTEXT 74 0 x\n" + kLength + kValid +
                    kMdc + kDecEnd),
         "0 +output", pass},
        // A signature GnuPG could not check explains its exit status.
        {Decrypt,
         r + "writefile -o plain\n" + kPlainLength +
             "print [GNUPG:] ERRSIG 556B442EB4B6D574 1 8 00 "
             "1796740956 9\nprint [GNUPG:] NO_PUBKEY 556B442EB4B6D574\n" +
             kMdc + kDecEnd + "exit 2\n",
         "48 +output", pass},
        // A valid signature beside a bad one is no proof.
        {Decrypt, r + "writefile -o plain\n" + kValid + kBadSig + kMdc + kDecEnd + "exit 1\n",
         "48 +output", pass},
        // Signed by a key revoked or expired since: the output stays.
        {Decrypt, Decrypting(r + "writefile -o plain\n" + kRevoked + kValid + kMdc + kDecEnd),
         "54 +output", pass},
        {Decrypt, Decrypting(r + "writefile -o plain\n" + kExpired + kValid + kMdc + kDecEnd),
         "55 +output", pass},
        // A good signature by a key the key file does not list is none.
        {Decrypt, r + "writefile -o plain\n" + kValid + kMdc + kDecEnd, "48 +output", pass},
        // No protection against tampering ("DECRYPTION_INFO 0 3", no "GOODMDC").
        {Decrypt,
         r + "writefile -o plain\nprint [GNUPG:] DECRYPTION_INFO 0 3\n" + kValid +
             "print [GNUPG:] DECRYPTION_OKAY\n" + kDecEnd,
         "56", pass},
        // A failed decryption removes only what its own run wrote.
        {Decrypt, r + "writefile -o plain\n" + kMdc + kDecEnd, "48 +output", pass},
        {Decrypt, r + "print [GNUPG:] DECRYPTION_FAILED\n" + kDecEnd, "34 +output", pass},
        {Decrypt, r + "writefile -o x\n" + kBad + kDecEnd, "34", pass},
        {Verify, kBad + kValid, "35", ""},
        {Verify, kRevoked + kValid, "54", ""},
        {Verify, "print [GNUPG:] KEYEXPIRED 1795963379\n" + kExpired + kValid, "55", ""},
        {Verify, "print [GNUPG:] EXPSIG 3A2FE4B901FD8824 Exp\n" + kValid, "55", ""},
        {Verify, kValid + kBadSig + "exit 1\n", "35", ""},
        {Verify, kValid + "exit 2\n", "35", ""},
        // The fingerprint is the rest of the line, without the CR of a CR LF.
        {Generate, created + "0123ABCD\\r\n", "0 0123ABCD", keyParams},
        {Generate, all + "write [GNUPG:] KEY_CREATED P 0123ABCD", "0 0123ABCD", keyParams},
        {Generate, all + "print [GNUPG:] KEY_NOT_CREATED\n", "43", keyParams},
        {Generate, all + "print [GNUPG:] KEY_CREATED B\nflood 300000 x\n", "51", keyParams},
        {Generate, created + "F\nprint [GNUPG:] KEY_NOT_CREATED\n", "51", keyParams},
        {List, tru + kPub + kFprLine + "print sub:-:2048:16:9AB2:2026-11-01::::::e:\n",
         "0" + full + kFpr, ""},
        {List, kPub, "0" + full, ""},
        // Revoked, expired, or every key for encryption expired: as GnuPG 1.4
        // lists keys that GnuPG 2 revoked or let expire.
        {List, "print pub:r:2048:1:7E4DD843BC2A02D3:2026-12-08:::-:" + kUid + "::sc:\n" + kFprLine,
         "0" + full + kFpr + " outdated", ""},
        {List,
         "print pub:e:2048:1:EE44291BE1758F65:2026-11-28:2026-11-29::-:" + kUid + "::sc:\n" +
             kFprLine + kExpiredSub,
         "0" + full + kFpr + " outdated", ""},
        {List,
         "print pub:-:2048:1:EE44291BE1758F65:2026-11-28:::-:" + kUid + "::sc:\n" + kFprLine +
             kExpiredSub,
         "0" + full + kFpr + " outdated", ""},
        // One key for encryption still good, or none at all: not outdated.
        {List, kPub + kFprLine + kExpiredSub + "print sub:-:2048:16:9AB2:2026-11-01::::::e:\n",
         "0" + full + kFpr, ""},
        {List, "print pub:-:1024:17:X:2026-11-01:::-:" + kUid + "::scSC:\n" + kFprLine,
         "0" + full + kFpr, ""},
        // Format errors: the rest, more than a pipe holds, is read first.
        {List, kPub + kFprLine + kPub + "flood 500000 x\n", "44", ""},
        {List, kPub + kFprLine + kFprLine + "flood 500000 x\n", "44", ""},
        {List, noField10 + "\n", "44", ""},
        {List, noField10 + ":Taro\n", "44", ""},
        // A record longer than the reader keeps loses the colon after field 10.
        {List, noField10 + ":" + std::string(250, 'T') + ":s:\n", "44", ""},
        {ListSecret, kSecListing + "print ssb::2048:16:9AB2:2026-11-01:::::::\n", "0" + full + kFpr,
         ""},
        {ListSecret, kPub + kFprLine + kFprLine, "45", ""},
        // The current passphrase once, the new one as often as asked, then save.
        {Change, kEditor + kAskOld + kAskNew + kPrompt + kSaved, "0", news},
        // Saved, but the key ring is as it was: GnuPG could not write it.
        {Change, kEditor + kAskOld + kAskNew + kPrompt, "51", news},
        // GnuPG failed to save and asks again: no second save, no endless loop.
        {Change, kEditor + kAskOld + kAskNew + kPrompt + kPrompt, "51", news + Line("quit")},
        // A refused passphrase again as asked; "quit" and the input's end.
        {Change,
         kEditor + kAskOld + kBad + kAskOld + kBad + kPrompt +
             "print [GNUPG:] GET_BOOL k\nreadall\n",
         "30", pass + pass + Line("quit")},
        {Change, kEditor + kAskOld + "print [GNUPG:] GOOD_PASSPHRASE\n" + kBad + kPrompt, "30",
         pass + Line("quit")},
        // A question the program has no answer for ends GnuPG's input.
        {Change, kEditor + kAskOld + "print [GNUPG:] GET_BOOL k\nreadline\n" + kPrompt, "51", pass},
        {Change, kEditor + kAskOld + "flood 100000 [GNUPG:] GET_BOOL k\\n\nhang\n", "51", pass},
        // Deliberately 51, not 0: an editor ending without a question changed nothing.
        {Change, kEditor + "print [GNUPG:] USERID_HINT 6617CB8C9F217174 Taro\n", "51", ""},
        {Change, tru, "45", ""},
        {Change, kSecListing + kSecListing, "45", ""},
    };
    showEveryOutput = true;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        SetUp();  // every row starts from the same files
        folder.InstallFakeGpg(row.script);
        EXPECT_EQ(Run(row.cmd), row.outcome);
        EXPECT_EQ(folder.FakeInput(), row.input);
    }
}

TEST_F(EngineTest, RefusalsComeBeforeGpgRunsAndChangeNothing) {
    using E = EngineTest;
    const std::string none = folder.PathOf("none"), quoted = folder.PathOf("say \"hi\".txt"),
                      in2 = folder.PathOf("./report.doc"), key2 = folder.PathOf("./hanako.gpg"),
                      longName(1700, 'r'), tooLong(257, 'p'), line = "password1\n%pubring x",
                      deep = none + "/deeper", cr = "a\rb", short7 = "1234567", edge = " password1";
    using Field = std::string E::*;
    const Field out = &E::output, in = &E::input, key = &E::keyName, pass = &E::passphrase,
                fresh = &E::newPassphrase, note = &E::comment, home = &E::conf, sec = &E::secring,
                pub = &E::pubring, kf = &E::keyFile, newSec = &E::newSecring,
                newPub = &E::newPubring;
    // An output that is another file of the same run, however spelled; a name
    // the command line cannot quote; a line that does not fit. A line break
    // would end GnuPG's passphrase line early and let the rest pass for more
    // input; GnuPG reads at most 256 bytes. Then folders and key files, in
    // the order of the checks.
    const struct {
        Cmd cmd;
        Field field;
        std::string value;
        ResultCode code;
    } rows[] = {
        {Encrypt, out, in2, 29},      {Encrypt, out, key2, 29},      {Decrypt, out, in2, 29},
        {Encrypt, out, trustdb, 29},  {Encrypt, out, pubring, 29},   {Decrypt, out, keyFile, 29},
        {Decrypt, out, secring, 29},  {Sign, out, input, 29},        {Sign, out, secring, 29},
        {Sign, out, pubring, 29},     {Export, out, pubring, 29},    {Encrypt, in, quoted, 29},
        {Verify, in, quoted, 29},     {Export, out, quoted, 29},     {Encrypt, key, longName, 51},
        {Export, key, longName, 51},  {Encrypt, pass, line, 16},     {Sign, pass, cr, 16},
        {Generate, pass, line, 16},   {Change, fresh, line, 16},     {Generate, note, line, 51},
        {Decrypt, pass, tooLong, 16}, {Generate, pass, tooLong, 16}, {Change, pass, tooLong, 16},
        {Generate, pass, short7, 17}, {Change, pass, short7, 17},    {Change, fresh, short7, 17},
        {Encrypt, home, secring, 19}, {Encrypt, sec, none, 26},      {Decrypt, kf, none, 27},
        {Verify, kf, none, 27},       {Sign, pub, none, 27},         {List, home, none, 19},
        {List, kf, none, 27},         {ListSecret, sec, none, 26},   {Change, sec, none, 26},
        {Export, pub, none, 27},      {Generate, home, none, 19},    {Generate, newSec, deep, 20},
        {Generate, newPub, deep, 21}, {Generate, pass, edge, 58}};
    const std::string files[] = {secring, pubring, trustdb, keyFile, input, output};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        folder.InstallFakeGpg(GoodGpg(row.cmd));
        std::string kept = this->*row.field;
        this->*row.field = row.value;
        std::string outcome = Run(row.cmd);
        this->*row.field = kept;
        EXPECT_EQ(outcome.substr(0, outcome.find(' ')), std::to_string(row.code));
        EXPECT_FALSE(GpgRan());
        for (const std::string& file : files) {
            EXPECT_EQ(ReadFile(file), "bytes of " + file);
        }
    }
    EXPECT_EQ(flags, 0x7777) << "no command got as far as GnuPG";
    folder.InstallFakeGpg("readline\n" + kSig);
    passphrase = std::string(256, 'x');  // the longest that fits
    EXPECT_EQ(Run(Sign), "0");
    EXPECT_EQ(folder.FakeInput(), Line(passphrase));
}

TEST_F(EngineTest, KeyGenerationItsChecksAndKeyLists) {
    comment = "at work";
    std::string script = "readall\n";
    for (int line = 1; line < 250; ++line) {
        script += "print [GNUPG:] PROGRESS primegen . 1 0\n";
    }
    folder.InstallFakeGpg(script + "write [GNUPG:] KEY_CREATED B FPR\n");
    static std::vector<int> seen;
    progress = [](std::int32_t* counter) { return seen.push_back(*counter), 0; };
    ASSERT_EQ(Run(Generate), "0 FPR");
    EXPECT_NE(folder.FakeInput().find(Line("Name-Email: taro@example.com") +
                                      Line("Name-Comment: at work") + Line("Expire-Date: 0")),
              std::string::npos);
    // One call per line, the last line included, with a counter that wraps at 100.
    std::vector<int> wrapping;
    for (int line = 1; line <= 250; ++line) {
        wrapping.push_back(line % 100);
    }
    EXPECT_EQ(seen, wrapping);
    // The new rings were proved writable and removed again, without a question.
    EXPECT_FALSE(test_support::Exists(newSecring));
    EXPECT_TRUE(fake_ui::state.messageBoxes.empty());

    // Existing rings: Cancel ends it; both questions come before the checks.
    newSecring = secring;
    newPubring = pubring;
    fake_ui::state.messageBoxAnswers = {ui::kAnswerCancel};
    EXPECT_EQ(Run(Generate), "1");
    passphrase = "short";
    EXPECT_EQ(Run(Generate), "17");
    const std::string secretBox = "message: CONFIRMATION: " + StringText(88);
    EXPECT_EQ(fake_ui::state.events,
              (std::vector<std::string>{secretBox, secretBox,
                                        "message: CONFIRMATION: " + StringText(90)}));
    EXPECT_EQ(fake_ui::state.messageBoxes[0].style, ui::kBoxOkCancel);
    EXPECT_EQ(fake_ui::state.messageBoxes[0].owner, nullptr);
    EXPECT_EQ(ReadFile(secring), "bytes of " + secring);

    // The first offending byte decides.
    const std::pair<ResultCode, std::vector<const char*>> names[] = {
        {0, {"Taroo", "T1aro", "Taro  Yamada ~!#$%&'()*+,-./:;=?@[]^_`{|}"}},
        {11, {"Taro", ""}},
        {12, {"1Taro"}},
        {13,
         {"\xe5\xa4\xaa\xe9\x83\x8e", "Taro \xe5\xa4\xaa", "Ta\tro Yamada", "Taro\x7fY",
          "Taro \xe5\xa4\xaa >"}},
        {14, {"Taro <x>", "Taro > \xe5\xa4\xaa"}}};
    for (const auto& [code, list] : names) {
        for (const char* name : list) {
            EXPECT_EQ(CheckUserName(name), code) << name;
        }
    }
    for (const char* good : {"a@b", ".a@b", "a.@b", "a@.b", "a+b-c_d.e@f-g.h_i+j", "A9@Z0"}) {
        EXPECT_EQ(CheckEmailAddress(good), 0) << good;
    }
    for (const char* bad : {"", "a@b.", "@ab", "ab@", "a@@b", "a@b@c", "ab", "a b@c", "a..b@c",
                            "a@b..c", "a@b\xe3\x81\x82", "a@b\x80", "a#b@c", "a@b\n"}) {
        EXPECT_EQ(CheckEmailAddress(bad), 15) << bad;
    }
    EXPECT_EQ(CheckPassphraseLength("   4 678"), 0);  // blanks count

    KeyList list{nullptr};
    ASSERT_EQ(AddKeyEntry(&list, "someone", "1111"), 0);
    folder.InstallFakeGpg(kSecListing);
    EXPECT_EQ(ListPublicKeys(conf.c_str(), keyFile.c_str(), &list), 28);
    EXPECT_FALSE(GpgRan());
    FreeKeyList(&list);
    char fingerprint[260] = "";
    EXPECT_EQ(GetOwnFingerprint(conf.c_str(), secring.c_str(), fingerprint), 0);
    EXPECT_EQ(fingerprint, kFpr);
    EXPECT_EQ(GetOwnFingerprint(conf.c_str(), folder.PathOf("none").c_str(), fingerprint), 45);
    folder.InstallFakeGpg("print tru::1\n");
    EXPECT_EQ(GetOwnFingerprint(conf.c_str(), secring.c_str(), fingerprint), 45);
}

std::string gFigures;
int gCancelAt = 0;  // the figure at which the sink cancels the run; 0: never
void NoteFigures(std::uint64_t done, std::uint64_t total, void*) {
    gFigures += std::to_string(done) + "/" + std::to_string(total) + " ";
    if (--gCancelAt == 0) {
        CancelGpgRun();
    }
}

// GnuPG's figures go to the sink and never into the outcome, also for a file
// named like a keyword; a cancel in the middle of a run ends GnuPG, removes
// what the run wrote and gives 1, and the next run is not cancelled.
TEST_F(EngineTest, ProgressAndCancel) {
    const std::string r = "readline\n", p = "print [GNUPG:] PROGRESS ",
                      part = "writefile -o part\n", stop = p + "x ? 5 10\nhang\n";
    const struct {
        Cmd cmd;
        std::string script;
        int cancelAt;
        std::string outcome, figures;
    } rows[] = {
        {Encrypt,
         r + p + "big file.doc ? 0 300\n" + part + p + "big file.doc ? 100 300\nsleep 300\n" + p +
             "x ? 300 300\n" + kSig + kEncEnd,
         0, "0 +output", "0/300 100/300 300/300 "},
        {Decrypt, r + part + p + "END_DECRYPTION ? 5 10\n" + p + "GOODMDC ? 10 10\n", 0, "34",
         "5/10 10/10 "},
        {Decrypt, r + part + stop, 1, "1", "5/10 "},
        {Encrypt, r + part + p + "x ? 4 10\n" + stop, 2, "1", "4/10 5/10 "},
        {Sign, r + part + stop, 1, "1", "5/10 "},
        {Verify, stop, 1, "1", "5/10 "},
        {Verify, kValid, 0, "0", ""},
    };
    showEveryOutput = true;
    SetGpgProgressSink(NoteFigures, nullptr);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        SetUp();
        folder.InstallFakeGpg(row.script);
        gFigures.clear();
        gCancelAt = row.cancelAt;
        EXPECT_EQ(Run(row.cmd), row.outcome);
        EXPECT_EQ(gFigures, row.figures);
        EXPECT_FALSE(GpgRunning());
    }
    SetGpgProgressSink(nullptr, nullptr);
}

// A GnuPG that the program started ends with it, however the program ends:
// one that outlived it would write its signature file a second later. (The
// file has a fixed name: on Windows the dying program is this test again.)
TEST_F(EngineTest, GpgEndsWithTheProgram) {
    char temp[260];
    ASSERT_TRUE(platform::GetTempFolder(temp, sizeof temp));
    output = std::string(temp) + "quillet-engine-test.sig";
    WriteFile(output, "bytes of " + output);
    folder.InstallFakeGpg("print [GNUPG:] PROGRESS x ? 1 2\nsleep 1000\nwritefile -o alive\n");
    SetGpgProgressSink([](std::uint64_t, std::uint64_t, void*) { std::_Exit(3); }, nullptr);
    EXPECT_EXIT(Run(Sign), ::testing::ExitedWithCode(3), "");
    SetGpgProgressSink(nullptr, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(ReadFile(output), "bytes of " + output);
    RemoveTree(output);
}

// Under Wine each one-byte read costs 16 microseconds or far more: a smaller
// flood still fills the pipe many times over.
#ifdef _WIN32
constexpr long kFloodBytes = 131072;
#else
constexpr long kFloodBytes = 4000000;
#endif
const std::string kFlood = "flood " + std::to_string(kFloodBytes) + " [GNUPG:] PROGRESS x\\n\n",
                  kLongLine = "flood " + std::to_string(kFloodBytes / 4) + " x\nprint\n";

// Each command's outcome for an output that came whole, that ended early, and
// without GnuPG; and whether GnuPG waiting for input gets its end.
const struct {
    Cmd cmd;
    std::string outcomes[3];  // whole, ended early, no GnuPG
    bool closesInput;
} kCommands[] = {
    {Encrypt, {"0", "32", "10"}, true},
    {Decrypt, {"0 +output", "34", "34 +output"}, true},  // a failed run leaves nothing it wrote
    {Sign, {"0", "33", "10"}, true},
    {Verify, {"0", "35", "35"}, true},
    {Generate, {"0 " + kFpr, "43", "10"}, true},
    {List, {"0 " + kUid + "|" + kFpr, "0", "10"}, false},
    {ListSecret, {"0 " + kUid + "|" + kFpr, "0", "10"}, false},
    {Change, {"0", "51", "45"}, false},
    {Export, {"0 +output", "24", "10"}, false}};  // no status: only a clean end counts

class GpgFaults : public EngineTest {
public:
    void TearDown() override { SetGpgIdleLimitForTesting(0); }

    // Puts `fault` in every command's GnuPG ("none": no GnuPG); each gives its
    // outcome of that index (3: whole if it closes GnuPG's input, else early)
    // and holds no handle more afterwards than before; without `counted` the
    // handles are not compared (Wine makes objects of its own on first need).
    void RunAll(const std::string& fault, int outcome, bool counted = true) {
        SetGpgIdleLimitForTesting(1000);
        for (const auto& command : kCommands) {
            SCOPED_TRACE(fault + " in " + std::to_string(command.cmd));
            SetUp();
            folder.InstallFakeGpg(GoodGpg(command.cmd, fault));
            if (fault == "none") {
                RemoveTree(folder.PathOf("bin/gpg.exe"));
            }
            int before = CountOpenHandles();
            int pick = outcome < 3 ? outcome : command.closesInput ? 0 : 1;
            EXPECT_EQ(Run(command.cmd), command.outcomes[pick]);
            if (counted) {
                EXPECT_EQ(CountOpenHandles(), before);
            }
        }
    }
};

// Twice over, so that a hundred runs in one process hold no handle more.
TEST_F(GpgFaults, EveryCommandAgainstEveryFault) {
    RunAll("", 0, false);
    for (int round = 0; round < 2; ++round) {
        RunAll("", 0);
        RunAll("crash\n", 1);
        RunAll(kLongLine, 0);
        RunAll("hang\n", 1);
        RunAll("readall\n", 3);  // waits for input
        RunAll("none", 2);
    }
}

TEST_F(GpgFaults, FloodAndTheWatchdog) {
    RunAll("", 0, false);
    RunAll(kFlood, 0);

    SetGpgIdleLimitForTesting(1000);
    folder.InstallFakeGpg("busy 3000\n" + kSig);  // computing without a word: no hang
    EXPECT_EQ(Run(Sign), "0");
    // RunGpg waits for a GnuPG that closed its output but does not end.
    // Ended by force, it made no clean end: its signature file may be short.
    folder.InstallFakeGpg(kSig + "closeoutput\nhang\n");
    Clock::time_point start = Clock::now();
    EXPECT_EQ(Run(Sign), "24");
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(900));  // not before the limit
}

const std::string kSample = "Quillet test\r\n\x01\x02\xff" + std::string(80000, 'q') + "\n";

class RealGpg : public EngineTest {
public:
    void SetUp() override {
        EngineTest::SetUp();
        folder.InstallRealGpg();
        for (const std::string& file : {secring, pubring, trustdb}) {
            RemoveTree(file);
        }
        WriteFile(input, kSample);
#ifdef QUILLET_LIBRARY_PROBE
        // "iconv.dll" lies wherever a program looks for a library by name:
        // beside gpg.exe, in the program folder (its working folder) and in a
        // folder on PATH. It marks its loading; no run of GnuPG may load it.
        MakeFolderAt(folder.PathOf("on-path"));
        for (const char* place : {"bin/iconv.dll", "iconv.dll", "on-path/iconv.dll"}) {
            CopyFile(HostPath(QUILLET_LIBRARY_PROBE), folder.PathOf(place));
        }
        SetEnvironment("PATH", folder.PathOf("on-path") + ";" + path);
        SetEnvironment("QUILLET_PROBE_MARK", mark);
    }
    const std::string mark = folder.PathOf("iconv-loaded.mark"), path = Environment("PATH");
    void TearDown() override {
        SetEnvironment("PATH", path);
        SetEnvironment("QUILLET_PROBE_MARK", "");
        EXPECT_FALSE(Exists(mark)) << "a run of GnuPG loaded the planted iconv.dll";
#endif
    }
    // Makes the program folder `user`'s, with `peer`'s public key file.
    void Be(const TestUser& user, const TestUser& peer) {
        CopyFile(CacheFolder(user) + "secring.gpg", secring);
        CopyFile(CacheFolder(user) + "pubring.gpg", pubring);
        keyFile = PublicKeyFileOf(peer);
        keyName = FingerprintOf(peer);
    }
};
using TestKeys = RealGpg;
using RoundTrip = RealGpg;

TEST_F(TestKeys, MadeByTheProgramsKeyGenerationOnEveryRun) {
    MakeFolderAt(KeyCache());
    for (const TestUser* user : {&Taro(), &Hanako()}) {
        std::string cache = CacheFolder(*user);
        MakeFolderAt(cache);
        RemoveTree(cache + "fingerprint.txt");  // the cache is incomplete until it is written
        name = user->name;
        email = user->email;
        passphrase = user->passphrase;
        newSecring = folder.PathOf("conf/" + user->cacheName + "-sec.gpg");
        newPubring = folder.PathOf("conf/" + user->cacheName + "-pub.gpg");
        std::string made = Run(Generate);
        ASSERT_EQ(made.size(), 42u) << made;
        keyName = made.substr(2);
        secring = newSecring;
        pubring = newPubring;
        output = keyFile = cache + "public.gpg";
        ASSERT_EQ(Run(Export), "0 +output");
        EXPECT_EQ(Run(List), "0 " + UserIdOf(*user) + "|" + keyName);
        CopyFile(secring, cache + "secring.gpg");
        CopyFile(pubring, cache + "pubring.gpg");
        WriteFile(cache + "fingerprint.txt", keyName);  // last: it marks the cache complete
    }
    WriteFile(TwoKeysFile(),
              ReadFile(PublicKeyFileOf(Taro())) + ReadFile(PublicKeyFileOf(Hanako())));
}

TEST_F(RoundTrip, EncryptionAndDecryption) {
    Be(Taro(), Hanako());
    ASSERT_EQ(Run(Encrypt), "0");
    std::string sealed = ReadFile(output);
    input = output;
    output = folder.PathOf("opened.doc");
    // Taro cannot read what he encrypted for Hanako.
    EXPECT_EQ(Run(Decrypt), "34");
    Be(Hanako(), Taro());
    EXPECT_EQ(Run(Decrypt), "0 +output");
    EXPECT_EQ(ReadFile(output), kSample);
    keyFile = pubring;  // Hanako's own ring does not hold Taro's key: unverified
    EXPECT_EQ(Run(Decrypt), "48 +output");
    EXPECT_EQ(ReadFile(output), kSample);

    // One byte changed; cut short (GnuPG writes plaintext before it notices);
    // not encrypted at all: no plaintext is left.
    std::string damaged = sealed;
    damaged[damaged.size() / 2] ^= 0x55;
    keyFile = PublicKeyFileOf(Taro());
    for (const std::string& content : {damaged, sealed.substr(0, sealed.size() - 30), kSample}) {
        WriteFile(input, content);
        RemoveTree(output);
        EXPECT_EQ(Run(Decrypt), "34");
    }

    // Signed by Taro himself: his own key ring, which GnuPG searches too,
    // does not make Hanako's key file vouch for it; his exported key does.
    Be(Taro(), Taro());
    ASSERT_EQ(Run(Encrypt), "0");
    std::swap(input, output);
    EXPECT_EQ(Run(Decrypt), "0 +output");
    keyFile = PublicKeyFileOf(Hanako());
    EXPECT_EQ(Run(Decrypt), "48 +output");
}

TEST_F(RoundTrip, SignaturesPassphraseChangeExportAndListings) {
    Be(Taro(), Taro());
    passphrase = "wrong pass";
    EXPECT_EQ(Run(Sign), "30");
    EXPECT_EQ(Run(Change), "30");  // a wrong current passphrase changes nothing
    passphrase = "password1";
    EXPECT_EQ(Run(Sign), "0");
    EXPECT_EQ(Run(Verify), "0");
    keyFile = PublicKeyFileOf(Hanako());
    EXPECT_EQ(Run(Verify), "35");  // the wrong person's: Taro's own key ring is not searched
    keyFile = PublicKeyFileOf(Taro());
    WriteFile(input, kSample + "changed");
    EXPECT_EQ(Run(Verify), "35");
    RemoveTree(secring);  // verification needs no secret key ring
    WriteFile(input, kSample);
    EXPECT_EQ(Run(Verify), "0");

    // GnuPG cannot write the secret key ring (a folder takes the name of its
    // new copy): no success is reported, and the old passphrase stays.
    Be(Taro(), Taro());
    const std::string posixCopy = folder.PathOf("conf/change-secring.gpg.tmp"),
                      windowsCopy = folder.PathOf("conf/change-secring.tmp");
    MakeFolderAt(posixCopy);
    MakeFolderAt(windowsCopy);
    EXPECT_EQ(Run(Change), "51");
    EXPECT_EQ(Run(Sign), "0");
    RemoveTree(posixCopy);
    RemoveTree(windowsCopy);
    EXPECT_EQ(Run(Change), "0");
    EXPECT_EQ(Run(Sign), "30");
    passphrase = newPassphrase;
    EXPECT_EQ(Run(Sign), "0");
    EXPECT_EQ(Run(Verify), "0");

    Be(Taro(), Hanako());
    keyName = FingerprintOf(Taro());
    ASSERT_EQ(Run(Export), "0 +output");
    EXPECT_EQ(ReadFile(output), ReadFile(PublicKeyFileOf(Taro())));
    // A read-only file cannot be emptied: nothing is exported over it.
    WriteFile(output, "read-only content");
    MakeReadOnly(output);
    EXPECT_EQ(Run(Export), "51 +output");
    EXPECT_EQ(ReadFile(output), "read-only content");

    EXPECT_EQ(Run(List), "0 " + UserIdOf(Hanako()) + "|" + FingerprintOf(Hanako()));
    EXPECT_EQ(Run(ListSecret), "0 " + UserIdOf(Taro()) + "|" + FingerprintOf(Taro()));
    keyFile = TwoKeysFile();
    EXPECT_EQ(Run(List), "44");
    keyFile = input;
    WriteFile(input, "");
    EXPECT_EQ(Run(List), "0");
}

// A hundred runs of the round trip's commands in one process: afterwards it
// holds exactly the handles it held after the first round (in which Wine
// makes objects of its own, once, on first need).
TEST_F(RoundTrip, EveryCommandAgainAndAgainLeavesNoHandle) {
    Be(Taro(), Taro());
    const std::string plain = input, sealed = folder.PathOf("sealed.gpg"),
                      opened = folder.PathOf("opened.doc"), signature = folder.PathOf("report.sig"),
                      exported = folder.PathOf("taro.gpg"),
                      listed = "0 " + UserIdOf(Taro()) + "|" + FingerprintOf(Taro());
    const struct {
        Cmd cmd;
        const std::string &in, &out, outcome;
    } steps[] = {{Encrypt, plain, sealed, "0"},          {Decrypt, sealed, opened, "0 +output"},
                 {Sign, plain, signature, "0"},          {Verify, plain, signature, "0"},
                 {Export, plain, exported, "0 +output"}, {List, plain, plain, listed},
                 {ListSecret, plain, plain, listed},     {Change, plain, plain, "0"}};
    int before = 0;
    for (int round = 0; round < 13; ++round) {
        before = round == 1 ? CountOpenHandles() : before;
        for (const auto& step : steps) {
            input = step.in;
            output = step.out;
            ASSERT_EQ(Run(step.cmd), step.outcome) << "round " << round << ", " << step.cmd;
        }
        std::swap(passphrase, newPassphrase);  // the change made the new one current
    }
    EXPECT_EQ(CountOpenHandles(), before);
}

// Outputs onto a disk that fills up: GnuPG announces what it could not
// write; nothing is called done and nothing partial stays.
TEST_F(RoundTrip, OutputsOntoAFullDiskAreNeitherLeftNorCalledDone) {
    std::string disk = NativePath(HostPath(QUILLET_SMALL_DISK)) + NativePath("/");
    if (!Exists(disk + "mounted")) {
        GTEST_SKIP() << "no small disk: mounting a tmpfs was refused on this machine";
    }
    showEveryOutput = true;
    const std::string big(3000000, 'b'), signedFile = folder.PathOf("big.signed.gpg"),
                                         unsignedFile = folder.PathOf("big.gpg");
    WriteFile(input, big);
    Be(Hanako(), Taro());
    output = signedFile;
    ASSERT_EQ(Run(Encrypt), "0 +output");
    output = unsignedFile;
    ASSERT_EQ(Run(NoSign), "33 +output");
    Be(Taro(), Hanako());
    output = disk + "big.txt";  // a third of it fits
    for (const std::string& sealed : {signedFile, unsignedFile}) {
        input = sealed;
        EXPECT_EQ(Run(Decrypt), "24") << sealed;
    }
    try {
        WriteFile(disk + "filler", std::string(2000000, 'f'));
    } catch (const std::exception&) {  // as much as fits: the disk is full now
    }
    input = unsignedFile;
    output = disk + "big.sig";
    EXPECT_EQ(Run(Sign), "24");
    keyName = FingerprintOf(Taro());
    output = disk + "taro.gpg";
    EXPECT_EQ(Run(Export), "24");
    RemoveTree(disk + "filler");
}

// A key made before, with GnuPG 1.4's SHA-1 self-signatures and protection: a refused
// passphrase, or an edit that still signs with SHA-1 (the user's options
// file says so), leaves both key rings exactly as they were and no copy
// behind; then one renewal signs again with SHA-256 and protects the key
// anew (same fingerprint, passphrase and preferences), and a second one
// finds nothing to do.
TEST_F(RoundTrip, AnOldStyleKeyIsRenewedOnce) {
    const std::string old = OldStyleKeyFolder(), oldSecret = ReadFile(old + "secring.gpg"),
                      oldPublic = ReadFile(old + "pubring.gpg"),
                      fingerprint = ReadFile(old + "fingerprint.txt").substr(0, 40),
                      options = folder.PathOf("conf/gpg.conf");
    auto Survey = [&](const std::string& ring) {
        SelfSignatureSurvey survey{};
        EXPECT_EQ(SurveySelfSignatures(conf.c_str(), ring.c_str(), &survey), 0);
        return survey;
    };
    auto Renew = [&](const std::string& pass) {
        bool renewed = false;
        ResultCode code = RenewSelfSignatures(conf.c_str(), secring.c_str(), pubring.c_str(),
                                              pass.c_str(), &renewed);
        return std::to_string(code) + (renewed ? " renewed" : "");
    };
    const struct {
        std::string passphrase, options, outcome;
    } failures[] = {
        {"wrong pass", "", "30"},
        {"password1", "cert-digest-algo SHA1\n", "51"},
    };
    for (const auto& row : failures) {
        SCOPED_TRACE(row.options);
        WriteFile(secring, oldSecret);
        WriteFile(pubring, oldPublic);
        WriteFile(options, row.options);
        EXPECT_EQ(Renew(row.passphrase), row.outcome);
        EXPECT_EQ(ReadFile(secring), oldSecret);
        EXPECT_EQ(ReadFile(pubring), oldPublic);
        EXPECT_EQ(ChangeFilesIn(conf), std::vector<std::string>{});
    }
    RemoveTree(options);
    SelfSignatureSurvey before = Survey(pubring);
    EXPECT_EQ(before.selfSignatures, 2);
    EXPECT_EQ(before.outdated, 2);
    EXPECT_EQ(Survey(secring).weakestProtection, 65536u);
    EXPECT_EQ(Renew("password1"), "0 renewed");
    EXPECT_EQ(Survey(secring).weakestProtection, kKeyProtectionCount);
    SelfSignatureSurvey after = Survey(pubring);
    EXPECT_EQ(after.selfSignatures, 2);
    EXPECT_EQ(after.outdated, 0);
    EXPECT_STREQ(after.keyId, before.keyId);
    EXPECT_STREQ(after.preferences, before.preferences);
    keyFile = pubring;
    EXPECT_EQ(Run(List), "0 Jiro Tanaka <jiro@example.com>|" + fingerprint);
    EXPECT_EQ(Run(ListSecret), "0 Jiro Tanaka <jiro@example.com>|" + fingerprint);
    EXPECT_EQ(Run(Sign), "0");  // the same passphrase
    EXPECT_EQ(Run(Verify), "0");
    for (const std::string& name : ListFolder(conf)) {
        EXPECT_EQ(name.find("change-"), std::string::npos) << name;
    }

    // Up to date and remembered so: no GnuPG run, no change.
    platform::FileStamp secret = platform::StampFile(secring.c_str()),
                        pub = platform::StampFile(pubring.c_str());
    int runs = GpgRunCount();
    EXPECT_EQ(Renew("password1"), "0");
    EXPECT_EQ(GpgRunCount(), runs);
    EXPECT_EQ(platform::StampFile(secring.c_str()).modified, secret.modified);
    EXPECT_EQ(platform::StampFile(pubring.c_str()).modified, pub.modified);
}

}  // namespace
