// A stand-in for gpg.exe that plays a script, so that tests can force what
// real GnuPG will not do: crash, hang on a question, write malformed or
// endless lines. It is copied into a test program folder as bin/gpg.exe and
// reads "fake-gpg.script" from its own folder. It records what it was given
// beside the script: "fake-gpg.args" (the command line; on Windows the raw
// text, elsewhere one argument per line), "fake-gpg.cwd" (its working
// folder) and "fake-gpg.stdin" (every byte it read from its standard input).
//
// Script lines (escapes \r \n \t \\ \xHH work in TEXT):
//   on ARGUMENT        the lines up to the next "on" apply only to a run whose
//                      arguments include ARGUMENT ("on *": to every run)
//   print TEXT         write TEXT and a line feed to standard output
//   write TEXT         write TEXT alone
//   repeat N TEXT      write TEXT and a line feed N times
//   longline N         write N bytes of 'x' and a line feed
//   flood N            write N bytes of status-like lines
//   writeoutput TEXT   write TEXT into the file named after "-o" (as GnuPG would)
//   readline           read standard input up to a line feed or its end
//   readall            read standard input to its end
//   sleep MS           pause
//   busy MS            compute for MS milliseconds without a word
//   hang               wait forever without using the processor (until the
//                      runner's watchdog or the test's time limit ends it)
//   closeoutput        close standard output (the output ends, the run not)
//   exec PATH          run the program PATH with the same arguments and
//                      standard streams, and end with its exit code (a
//                      recording wrapper around the real GnuPG)
//   crash              end abnormally at once
//   exit N             end with exit code N
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

std::string gFolder;

std::string FolderOfProgram(const char* argv0) {
#ifdef _WIN32
    (void)argv0;
    char path[1024];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, n);
#else
    // The runner starts GnuPG by its full path, which may be a link.
    std::string text = argv0;
#endif
    std::size_t cut = text.find_last_of("\\/");
    return cut == std::string::npos ? "" : text.substr(0, cut + 1);
}

void Append(const char* name, const std::string& data) {
    std::ofstream out(gFolder + name, std::ios::binary | std::ios::app);
    out << data;
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out.push_back(text[i]);
            continue;
        }
        char c = text[++i];
        switch (c) {
            case 'r':
                out.push_back('\r');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'x':
                if (i + 2 < text.size() + 1) {
                    out.push_back(
                        static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16)));
                    i += 2;
                }
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

void Write(const std::string& data) {
    std::fwrite(data.data(), 1, data.size(), stdout);
    std::fflush(stdout);
}

// Reads one byte at a time so that nothing beyond the line is consumed.
bool ReadByte(char* c) {
#ifdef _WIN32
    return _read(0, c, 1) == 1;
#else
    return read(0, c, 1) == 1;
#endif
}

void ReadLine() {
    std::string line;
    char c;
    while (ReadByte(&c)) {
        line.push_back(c);
        if (c == '\n') {
            break;
        }
    }
    Append("fake-gpg.stdin", line);
}

// Keeps the processor busy for `ms` milliseconds.
void Busy(long ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    volatile unsigned long sum = 0;
    while (std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < 10000; ++i) {
            sum = sum + static_cast<unsigned long>(i);
        }
    }
}

// Runs `program` in place of this one with the same arguments and streams.
int Exec(const std::string& program, char** argv) {
#ifdef _WIN32
    (void)argv;
    // The rest of our own command line after our own name.
    const char* rest = GetCommandLineA();
    if (*rest == '"') {
        rest = std::strchr(rest + 1, '"');
        rest = rest != nullptr ? rest + 1 : "";
    } else {
        while (*rest != '\0' && *rest != ' ') {
            ++rest;
        }
    }
    std::string commandLine = "\"" + program + "\"" + rest;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startup, &info)) {
        std::fprintf(stderr, "fake gpg: cannot run %s\n", program.c_str());
        return 2;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 2;
    GetExitCodeProcess(info.hProcess, &code);
    return static_cast<int>(code);
#else
    argv[0] = const_cast<char*>(program.c_str());
    execv(program.c_str(), argv);
    std::fprintf(stderr, "fake gpg: cannot run %s\n", program.c_str());
    return 2;
#endif
}

void ReadAll() {
    std::string all;
    char c;
    while (ReadByte(&c)) {
        all.push_back(c);
    }
    Append("fake-gpg.stdin", all);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(0, _O_BINARY);
    _setmode(1, _O_BINARY);
#endif
    gFolder = FolderOfProgram(argv[0]);
#ifdef _WIN32
    Append("fake-gpg.args", GetCommandLineA());
    char cwd[1024];
    DWORD n = GetCurrentDirectoryA(sizeof cwd, cwd);
    Append("fake-gpg.cwd", std::string(cwd, n));
#else
    std::string args;
    for (int i = 1; i < argc; ++i) {
        args += argv[i];
        args += '\n';
    }
    Append("fake-gpg.args", args);
    char cwd[1024];
    if (getcwd(cwd, sizeof cwd) != nullptr) {
        Append("fake-gpg.cwd", cwd);
    }
#endif
    std::ifstream script(gFolder + "fake-gpg.script", std::ios::binary);
    if (!script) {
        std::fprintf(stderr, "fake gpg: no script in %s\n", gFolder.c_str());
        return 2;
    }
    std::string line;
    bool active = true;
    while (std::getline(script, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream words(line);
        std::string verb;
        words >> verb;
        std::string rest;
        std::size_t space = line.find(' ');
        if (space != std::string::npos) {
            rest = line.substr(space + 1);
        }
        if (verb == "on") {
            active = rest == "*";
            for (int i = 1; i < argc; ++i) {
                active = active || rest == argv[i];
            }
            continue;
        }
        if (!active) {
            continue;
        }
        if (verb == "print") {
            Write(Unescape(rest) + "\n");
        } else if (verb == "write") {
            Write(Unescape(rest));
        } else if (verb == "repeat") {
            long count = 0;
            words >> count;
            std::string text = rest.substr(rest.find(' ') + 1);
            for (long i = 0; i < count; ++i) {
                Write(Unescape(text) + "\n");
            }
        } else if (verb == "longline") {
            long count = 0;
            words >> count;
            Write(std::string(static_cast<std::size_t>(count), 'x') + "\n");
        } else if (verb == "flood") {
            long count = 0;
            words >> count;
            const std::string chunk = "[GNUPG:] PROGRESS primegen X 100 100\n";
            for (long written = 0; written < count; written += chunk.size()) {
                std::fwrite(chunk.data(), 1, chunk.size(), stdout);
            }
            std::fflush(stdout);
        } else if (verb == "writeoutput") {
            for (int i = 1; i + 1 < argc; ++i) {
                if (std::strcmp(argv[i], "-o") == 0) {
                    std::ofstream out(argv[i + 1], std::ios::binary | std::ios::trunc);
                    out << Unescape(rest);
                }
            }
        } else if (verb == "readline") {
            ReadLine();
        } else if (verb == "readall") {
            ReadAll();
        } else if (verb == "sleep") {
            long ms = 0;
            words >> ms;
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        } else if (verb == "busy") {
            long ms = 0;
            words >> ms;
            Busy(ms);
        } else if (verb == "hang") {
            // A wait that never wakes up: a process that wakes now and then
            // (as the thread library's long sleeps do) uses a little
            // processor time, which a hung one does not.
            for (;;) {
#ifdef _WIN32
                Sleep(INFINITE);
#else
                pause();
#endif
            }
        } else if (verb == "closeoutput") {
            std::fflush(stdout);
            std::fclose(stdout);
        } else if (verb == "exec") {
            std::fflush(stdout);
            return Exec(rest, argv);
        } else if (verb == "crash") {
            std::fflush(stdout);
            std::abort();
        } else if (verb == "exit") {
            int code = 0;
            words >> code;
            return code;
        } else if (!verb.empty() && verb[0] != '#') {
            std::fprintf(stderr, "fake gpg: unknown script line: %s\n", line.c_str());
            return 2;
        }
    }
    return 0;
}
