#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace {

using Words = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndQuotesHoldAValueTogether) {
    EXPECT_EQ(platform::SplitCommandLine("--status-fd=1 --cipher-algo aes  --batch"),
              (Words{"--status-fd=1", "--cipher-algo", "aes", "--batch"}));
    EXPECT_EQ(platform::SplitCommandLine("--homedir=\"/a b/conf\" -o \"x y.gpg\" \"in put\""),
              (Words{"--homedir=/a b/conf", "-o", "x y.gpg", "in put"}));
}

TEST(SplitCommandLine, EmptyQuotesMakeAnEmptyWordAndBlanksAloneMakeNone) {
    EXPECT_EQ(platform::SplitCommandLine("-o \"\" -d"), (Words{"-o", "", "-d"}));
    EXPECT_EQ(platform::SplitCommandLine("   "), Words{});
    EXPECT_EQ(platform::SplitCommandLine(""), Words{});
}

}  // namespace
