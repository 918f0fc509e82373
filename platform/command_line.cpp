#include "platform/command_line.h"

namespace platform {

std::vector<std::string> SplitCommandLine(const char* commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char* p = commandLine; *p != '\0'; ++p) {
        char c = *p;
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

}  // namespace platform
