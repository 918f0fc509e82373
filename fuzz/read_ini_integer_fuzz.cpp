// ReadIniInteger on any settings text, for the program's own section and
// keys and for ones taken from the input. The text sits in a heap block of
// exactly its own size, so a read past its terminator is caught; the value
// is the default or a decimal value of digits that stand in the text.
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_check.h"
#include "shell/settings.h"

namespace {

constexpr int kDefault = -7;  // no run of digits gives a negative value

void Check(const char* text, const char* section, const char* key) {
    int value = ReadIniInteger(text, section, key, kDefault);
    FUZZ_CHECK(value == kDefault || value >= 0);
    if (value != kDefault) {
        // The key and a value stand in the text: "0" for 0, its digits else.
        FUZZ_CHECK(std::strstr(text, key) != nullptr);
        FUZZ_CHECK(std::strstr(text, std::to_string(value).c_str()) != nullptr ||
                   value == 2147483647);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The settings text ends at the first zero byte; a key of the input's
    // own may follow it, up to the next one.
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string text = input.substr(0, input.find('\0'));
    std::string key;
    if (text.size() < input.size()) {
        key = input.substr(text.size() + 1);
        key = key.substr(0, key.find('\0'));
    }
    std::unique_ptr<char[]> block(new char[text.size() + 1]);
    std::memcpy(block.get(), text.c_str(), text.size() + 1);

    Check(block.get(), "global", "encrypt_no_sign");
    Check(block.get(), "global", "decrypt_no_verify");
    Check(block.get(), "global", key.c_str());
    Check(block.get(), key.c_str(), "encrypt_no_sign");
    return 0;
}
