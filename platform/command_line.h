// Turns a command line into an argument vector for systems that start a
// program with separate arguments.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Words are separated by blanks; a part in double quotes belongs to its word
// as it stands, without the quotes, blanks included ("--homedir=\"a b\""
// gives --homedir=a b). A pair of quotes alone makes an empty word.
std::vector<std::string> SplitCommandLine(const char* commandLine);

}  // namespace platform
