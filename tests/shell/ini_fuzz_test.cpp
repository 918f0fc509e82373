// ReadIniInteger on many random texts. Each text sits in a heap block of
// exactly its own size, so that a read past its terminator is caught when
// the tests run under AddressSanitizer.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "shell/settings.h"

namespace {

constexpr int kDefault = -7;  // no run of digits can give a negative value

// Random texts made of lines that look like settings lines (headers, keys,
// separators, values, line ends, each drawn from valid and broken forms),
// with random bytes thrown in, so that headers, keys and values meet often
// and every rule is reached from both sides.
class TextMaker {
public:
    explicit TextMaker(unsigned seed) : random_(seed) {}

    std::string Make() {
        static const char* const kHeaders[] = {"[global]", "[global]",   "[global]", "[other]",
                                               "[other]",  "[ global ]", "[",        "]",
                                               "[glo",     "[]",         "[global"};
        static const char* const kKeys[] = {
            "encrypt_no_sign", "encrypt_no_sign",  "encrypt_no_sign", "decrypt_no_verify", "x", "",
            "Encrypt_No_Sign", "encrypt_no_sign_x"};
        static const char* const kSeparators[] = {
            "=", "=", "=", " = ", "\t=", ":", "", " ", "==", "\v"};
        static const char* const kValues[] = {
            "0", "1", "2", "-1", "", "yes", "0010", "99999999999999999999", "1x"};
        static const char* const kLineEnds[] = {"\n", "\n", "\n", "\r\n", "", "\r", "\n\n", " \n"};
        std::string text = Below(2) ? "[global]\n" : "";
        int lines = Below(8);
        for (int i = 0; i < lines; ++i) {
            text += std::string(static_cast<std::size_t>(Below(3)), Below(2) ? ' ' : '\t');
            if (Below(3) == 0) {
                text += Pick(kHeaders);
            } else {
                text += Pick(kKeys);
                text += Pick(kSeparators);
                text += Pick(kValues);
            }
            text += Pick(kLineEnds);
        }
        // Random bytes (never 0) at random places.
        for (int noise = Below(3); noise > 0 && !text.empty(); --noise) {
            std::size_t at = static_cast<std::size_t>(Below(static_cast<int>(text.size()) + 1));
            text.insert(at, 1, static_cast<char>(1 + Below(255)));
        }
        return text;
    }

    int Below(int limit) { return std::uniform_int_distribution<int>(0, limit - 1)(random_); }

    template <std::size_t N>
    const char* Pick(const char* const (&choices)[N]) {
        return choices[Below(static_cast<int>(N))];
    }

private:
    std::mt19937 random_;
};

int ReadFromExactBlock(const std::string& text, const char* section, const char* key) {
    std::unique_ptr<char[]> block(new char[text.size() + 1]);
    std::memcpy(block.get(), text.c_str(), text.size() + 1);
    return ReadIniInteger(block.get(), section, key, kDefault);
}

TEST(ReadIniIntegerFuzz, RandomTextsGiveTheDefaultOrADigitValue) {
    TextMaker maker(20240611u);
    const char* const kKeys[] = {"encrypt_no_sign", "encrypt_no_sign", "decrypt_no_verify", "",
                                 "x"};
    const char* const kSections[] = {"global", "global", "other", ""};
    int values = 0;
    for (int round = 0; round < 60000; ++round) {
        std::string text = maker.Make();
        const char* key = maker.Pick(kKeys);
        const char* section = maker.Pick(kSections);
        int result = ReadFromExactBlock(text, section, key);
        ASSERT_TRUE(result == kDefault || result >= 0) << "text: " << text;
        if (result != kDefault) {
            ++values;
            // A value is only ever found under the section's header, in a
            // line that starts with the key.
            ASSERT_NE(text.find("[" + std::string(section) + "]"), std::string::npos);
            ASSERT_NE(text.find(key), std::string::npos);
        }
    }
    // The texts are made so that a fair share of them hold a readable value.
    EXPECT_GT(values, 500) << values;
}

TEST(ReadIniIntegerFuzz, EveryCutOfAValidTextIsSafe) {
    // Every prefix of a valid text ends at an awkward place: inside a header,
    // a key, right after the separator or inside the digits.
    const std::string text =
        " [other]\r\nencrypt_no_sign=5\r\n[global]\r\n\tencrypt_no_sign = 12 \r\n";
    const std::size_t readable = text.find("12 ") + 3;
    for (std::size_t length = 0; length <= text.size(); ++length) {
        int result = ReadFromExactBlock(text.substr(0, length), "global", "encrypt_no_sign");
        EXPECT_EQ(result, length >= readable ? 12 : kDefault) << length;
    }
}

}  // namespace
