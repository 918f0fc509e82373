// TrimBlanks on any text, in place in a block of exactly its size: the
// spaces at both ends go, nothing else changes (tabs and other bytes stay),
// and nothing outside the text is touched.
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_check.h"
#include "workflows/key_setup_form.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string text = input.substr(0, input.find('\0'));
    std::unique_ptr<char[]> block(new char[text.size() + 1]);
    std::memcpy(block.get(), text.c_str(), text.size() + 1);

    TrimBlanks(block.get());
    std::size_t first = text.find_first_not_of(' ');
    std::string expected = first == std::string::npos
                               ? ""
                               : text.substr(first, text.find_last_not_of(' ') - first + 1);
    FUZZ_CHECK(expected == block.get());
    return 0;
}
