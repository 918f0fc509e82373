// Prints the message of every result code that has one of its own, one a
// line: the texts that the manual's message page must show.
#include <cstdio>

#include "engine/result_codes.h"

int main() {
    for (ResultCode code = 0; code <= rc::kLastCode; ++code) {
        char text[260];
        LoadResultText(code, text, sizeof text);
        if (code != 2) {
            std::printf("%s\n", text);
        }
    }
    return 0;
}
