// CheckEmailAddress on any text: an address it lets through has exactly one
// "@", not at either end, only letters, digits, "+", "-", "_" and "." (so
// nothing that could break GnuPG's parameter line), no ".." and no dot at
// its end; everything else is refused with 15.
#include <cstring>
#include <memory>
#include <string>

#include "engine/key_generation.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string address = input.substr(0, input.find('\0'));
    std::unique_ptr<char[]> block(new char[address.size() + 1]);
    std::memcpy(block.get(), address.c_str(), address.size() + 1);

    ResultCode result = CheckEmailAddress(block.get());
    FUZZ_CHECK(result == 0 || result == 15);
    bool allowed = address.find_first_not_of(
                       "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                       "0123456789@+-_.") == std::string::npos;
    std::size_t at = address.find('@');
    bool valid = !address.empty() && allowed && at != std::string::npos &&
                 address.find('@', at + 1) == std::string::npos && at != 0 &&
                 address.back() != '@' && address.back() != '.' &&
                 address.find("..") == std::string::npos;
    FUZZ_CHECK((result == 0) == valid);
    return 0;
}
