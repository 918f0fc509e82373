// Prints the message of every result code, one a line, each once: the
// texts that the manual's message page must show.
#include <cstdio>
#include <set>
#include <string>

#include "engine/result_codes.h"

int main() {
    std::set<std::string> printed;
    for (ResultCode code = 0; code <= 53; ++code) {
        char text[260];
        LoadResultText(code, text, sizeof text);
        if (printed.insert(text).second) {
            std::printf("%s\n", text);
        }
    }
    return 0;
}
