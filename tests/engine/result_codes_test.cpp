#include "engine/result_codes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/fake_ui.h"

namespace {

// The texts as the program holds them: UTF-8 natively, code page 932 bytes
// under Windows with a Japanese locale.
#ifdef _WIN32
#define JA(utf8, cp932) cp932
#else
#define JA(utf8, cp932) utf8
#endif

const char* const kUnknownError =
    JA("未知のエラーが発生しました",
       "\x96\xa2\x92\x6d\x82\xcc\x83\x47\x83\x89\x81\x5b\x82\xaa\x94\xad\x90\xb6\x82\xb5\x82\xdc"
       "\x82\xb5\x82\xbd");
const char* const kKeyGenerationFailed =
    JA("鍵の生成に失敗しました",
       "\x8c\xae\x82\xcc\x90\xb6\x90\xac\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd");
const char* const kCancelledByUser =
    JA("ユーザーの指示による中断です",
       "\x83\x86\x81\x5b\x83\x55\x81\x5b\x82\xcc\x8e\x77\x8e\xa6\x82\xc9\x82\xe6\x82\xe9\x92\x86"
       "\x92\x66\x82\xc5\x82\xb7");
const char* const kWrongPassphrase =
    JA("パスフレーズに誤りがあります",
       "\x83\x70\x83\x58\x83\x74\x83\x8c\x81\x5b\x83\x59\x82\xc9\x8c\xeb\x82\xe8\x82\xaa\x82\xa0"
       "\x82\xe8\x82\xdc\x82\xb7");

std::string Text(ResultCode code) {
    char buffer[260];
    EXPECT_EQ(LoadResultText(code, buffer, sizeof buffer), 0);
    return buffer;
}

TEST(LoadResultText, CodesWithoutAMessageOfTheirOwnAndIdsThatDoNotFollowTheCodes) {
    // The texts of codes 43 and 1 have the ids 101 and 70.
    const std::pair<ResultCode, const char*> cases[] = {
        {51, kUnknownError},   {2, kUnknownError},  {52, kUnknownError},
        {1000, kUnknownError}, {-1, kUnknownError}, {43, kKeyGenerationFailed},
        {1, kCancelledByUser},
    };
    for (const auto& [code, text] : cases) {
        EXPECT_EQ(Text(code), text) << code;
    }
}

TEST(LoadResultText, EveryCodeHasItsOwnMessage) {
    // Codes 0, 1 and 3 to 50 each have a text of their own, distinct from
    // the unknown error and from one another.
    std::string seen[52];
    for (ResultCode code = 0; code <= 51; ++code) {
        if (code == 2) {
            continue;
        }
        seen[code] = Text(code);
        EXPECT_FALSE(seen[code].empty()) << code;
        for (ResultCode earlier = 0; earlier < code; ++earlier) {
            if (earlier != 2) {
                EXPECT_NE(seen[earlier], seen[code]) << earlier << " and " << code;
            }
        }
    }
}

TEST(LoadResultText, CutsToTheBufferAndTerminates) {
    char buffer[8];
    std::memset(buffer, 'z', sizeof buffer);
    LoadResultText(51, buffer, 5);
    EXPECT_EQ(buffer[4], '\0');
    EXPECT_EQ(buffer[5], 'z');
}

TEST(ShowResult, StaysSilentForSuccessCancellationAndTwo) {
    fake_ui::Reset();
    EXPECT_EQ(ShowResult(nullptr, 0), 0);
    EXPECT_EQ(ShowResult(nullptr, 1), 1);
    EXPECT_EQ(ShowResult(nullptr, 2), 2);
    EXPECT_TRUE(fake_ui::messageBoxes.empty());
}

TEST(ShowResult, ShowsTheMessageUnderMessageBoxWithAnOkButton) {
    fake_ui::Reset();
    int owner = 0;
    ShowResult(&owner, 30);
    ShowResult(nullptr, -5);  // a negative code is shown, as the unknown error
    ASSERT_EQ(fake_ui::messageBoxes.size(), 2u);
    EXPECT_EQ(fake_ui::messageBoxes[0].owner, &owner);
    EXPECT_EQ(fake_ui::messageBoxes[0].text, kWrongPassphrase);
    EXPECT_EQ(fake_ui::messageBoxes[0].caption, "Message Box");
    EXPECT_EQ(fake_ui::messageBoxes[0].style, ui::kBoxOk);
    EXPECT_EQ(fake_ui::messageBoxes[1].text, kUnknownError);
}

}  // namespace
