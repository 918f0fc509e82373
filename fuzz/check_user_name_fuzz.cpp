// CheckUserName on any text: a name it lets through can stand in GnuPG's
// key parameters as one line of printable ASCII (no line break, no "<" or
// ">" to confuse the user ID), and each refusal has its own reason.
#include <cstring>
#include <memory>
#include <string>

#include "engine/key_generation.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string name = input.substr(0, input.find('\0'));
    std::unique_ptr<char[]> block(new char[name.size() + 1]);
    std::memcpy(block.get(), name.c_str(), name.size() + 1);

    ResultCode result = CheckUserName(block.get());
    bool printable = true;
    bool angles = false;
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        printable = printable && byte >= 0x20 && byte <= 0x7E;
        angles = angles || c == '<' || c == '>';
    }
    switch (result) {
        case 0:
            FUZZ_CHECK(name.size() >= 5 && !(name[0] >= '0' && name[0] <= '9') && printable &&
                       !angles);
            break;
        case 11:
            FUZZ_CHECK(name.size() < 5);
            break;
        case 12:
            FUZZ_CHECK(name.size() >= 5 && name[0] >= '0' && name[0] <= '9');
            break;
        case 13:
            FUZZ_CHECK(name.size() >= 5 && !printable);
            break;
        case 14:
            FUZZ_CHECK(name.size() >= 5 && angles);
            break;
        default:
            FUZZ_CHECK(!"a code CheckUserName does not give");
    }
    return 0;
}
