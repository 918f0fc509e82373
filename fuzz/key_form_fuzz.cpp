// The key setup form's checks on any text: an accepted name or address,
// written into GnuPG's key parameters, cannot break its line or the user ID
// around it, and trimming stays inside the text.
#include <cstring>
#include <memory>
#include <string>

#include "engine/key_generation.h"
#include "fuzz/fuzz_check.h"
#include "workflows/key_setup_form.h"

namespace {

bool OneSafeLine(const char* text) {
    for (const char* c = text; *c != '\0'; ++c) {
        unsigned char byte = static_cast<unsigned char>(*c);
        if (byte < 0x20 || byte == 0x7F || *c == '<' || *c == '>') {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string text = input.substr(0, input.find('\0'));
    std::unique_ptr<char[]> block(new char[text.size() + 1]);
    std::memcpy(block.get(), text.c_str(), text.size() + 1);

    ResultCode name = CheckUserName(block.get());
    FUZZ_CHECK(name == 0 || (name >= 11 && name <= 14));
    FUZZ_CHECK(name != 0 || (OneSafeLine(block.get()) && text.size() >= 5));
    ResultCode address = CheckEmailAddress(block.get());
    FUZZ_CHECK(address == 0 || address == 15);
    FUZZ_CHECK(address != 0 || (OneSafeLine(block.get()) && text.find('@') != std::string::npos));

    TrimBlanks(block.get());
    std::size_t kept = std::strlen(block.get());
    FUZZ_CHECK(kept <= text.size() && text.find(block.get()) != std::string::npos);
    FUZZ_CHECK(kept == 0 || (block[0] != ' ' && block[kept - 1] != ' '));
    return 0;
}
