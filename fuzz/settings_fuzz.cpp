// The settings file on any text, for the program's keys and for names from
// the input, in a block of exactly its size (a read past its end is caught):
// a value read is the default or a number that is not negative.
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_check.h"
#include "shell/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The text runs to the first zero byte; a name of the input's own may follow.
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string text = input.substr(0, input.find('\0'));
    std::string name = text.size() < input.size() ? input.substr(text.size() + 1) : "";
    name = name.substr(0, name.find('\0'));
    std::unique_ptr<char[]> block(new char[text.size() + 1]);
    std::memcpy(block.get(), text.c_str(), text.size() + 1);

    const char* const pairs[][2] = {{"global", "encrypt_no_sign"},
                                    {"global", "decrypt_no_verify"},
                                    {"global", name.c_str()},
                                    {name.c_str(), "encrypt_no_sign"}};
    for (const auto& pair : pairs) {
        int value = ReadIniInteger(block.get(), pair[0], pair[1], -7);
        FUZZ_CHECK(value == -7 || value >= 0);
    }
    return 0;
}
