// IsStatusKeyword on any line, with any keyword and with every keyword the
// program watches: true exactly when the line is "[GNUPG:] ", the keyword,
// then a blank, CR, LF or the end. Line and keyword sit in heap blocks of
// their own size, so a read past a terminator is caught.
#include <cstring>
#include <memory>
#include <string>

#include "engine/status_reader.h"
#include "fuzz/fuzz_check.h"

namespace {

const char* const kWatched[] = {
    "BAD_PASSPHRASE", "GOOD_PASSPHRASE", "END_DECRYPTION", "DECRYPTION_FAILED",   "VALIDSIG",
    "END_ENCRYPTION", "SIG_CREATED",     "KEY_CREATED",    "KEY_NOT_CREATED",     "NEED_PASSPHRASE",
    "GET_HIDDEN",     "GET_LINE",        "GET_BOOL",       "NEED_PASSPHRASE_SYM", "",
    "GNUPG:]"};

std::unique_ptr<char[]> Block(const std::string& text) {
    std::unique_ptr<char[]> block(new char[text.size() + 1]);
    std::memcpy(block.get(), text.c_str(), text.size() + 1);
    return block;
}

bool Expected(const std::string& line, const std::string& keyword) {
    const std::string head = "[GNUPG:] " + keyword;
    if (line.compare(0, head.size(), head) != 0) {
        return false;
    }
    return line.size() == head.size() || std::strchr(" \r\n", line[head.size()]) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The line runs to the first zero byte, the keyword from there to the next.
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string line = text.substr(0, text.find('\0'));
    std::string keyword;
    if (line.size() < text.size()) {
        keyword = text.substr(line.size() + 1);
        keyword = keyword.substr(0, keyword.find('\0'));
    }
    auto lineBlock = Block(line);
    auto keywordBlock = Block(keyword);
    FUZZ_CHECK(IsStatusKeyword(lineBlock.get(), keywordBlock.get()) == Expected(line, keyword));
    for (const char* watched : kWatched) {
        auto watchedBlock = Block(watched);
        FUZZ_CHECK(IsStatusKeyword(lineBlock.get(), watchedBlock.get()) == Expected(line, watched));
    }
    return 0;
}
