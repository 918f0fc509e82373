// A stand-in for gpg.exe that plays a script, so that tests can force what
// real GnuPG will not do: crash, flood, hang, ask what nobody answers. It is
// copied into a test program folder as bin/gpg.exe, reads "fake-gpg.script"
// beside itself and records there "fake-gpg.args" (on Windows the raw
// command line, elsewhere one argument a line), "fake-gpg.cwd" and
// "fake-gpg.stdin" (every byte it read).
//
// Script lines (TEXT knows the escapes \r \n \\; bytes go out as given):
//   on ARGUMENT         what follows, up to the next "on", applies only to a
//                       run with that argument ("on *": every run)
//   print TEXT          TEXT and a line feed      write TEXT   TEXT alone
//   repeat N TEXT       TEXT and a line feed, N times
//   longline N          N bytes of 'x' and a line feed
//   flood N             N bytes of status lines
//   writefile OPT TEXT  write TEXT into the file named by the option OPT
//                       ("-o" takes the next argument, "--x=" its own value)
//   readline / readall  read standard input to a line feed / to its end
//   sleep MS / busy MS  pause / compute, without a word
//   hang                wait forever without using the processor
//   closeoutput         close standard output; crash; exit N
//   exec PATH           run PATH with the same arguments and streams
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

void Append(const char* name, const std::string& data) {
    std::ofstream(gFolder + name, std::ios::binary | std::ios::app) << data;
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            c = text[++i];
            c = c == 'r' ? '\r' : c == 'n' ? '\n' : c;
        }
        out.push_back(c);
    }
    return out;
}

void Write(const std::string& data) {
    std::fwrite(data.data(), 1, data.size(), stdout);
    std::fflush(stdout);
}

// One byte at a time, so that nothing beyond the line is consumed.
void ReadInput(bool wholeInput) {
    std::string read;
    char c;
#ifdef _WIN32
    while (_read(0, &c, 1) == 1) {
#else
    while (::read(0, &c, 1) == 1) {
#endif
        read.push_back(c);
        if (c == '\n' && !wholeInput) {
            break;
        }
    }
    Append("fake-gpg.stdin", read);
}

int Exec(const std::string& program, char** argv) {
    std::fflush(stdout);
#ifdef _WIN32
    (void)argv;
    const char* rest = GetCommandLineA();  // our own name is skipped
    rest = *rest == '"' ? std::strchr(rest + 1, '"') + 1 : rest + std::strcspn(rest, " ");
    std::string commandLine = "\"" + program + "\"" + rest;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    DWORD code = 2;
    if (CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       nullptr, &startup, &info)) {
        WaitForSingleObject(info.hProcess, INFINITE);
        GetExitCodeProcess(info.hProcess, &code);
    }
    return static_cast<int>(code);
#else
    argv[0] = const_cast<char*>(program.c_str());
    execv(program.c_str(), argv);
    return 2;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    char cwd[1024] = "";
#ifdef _WIN32
    _setmode(0, _O_BINARY);
    _setmode(1, _O_BINARY);
    char self[1024];
    gFolder.assign(self, GetModuleFileNameA(nullptr, self, sizeof self));
    gFolder.erase(gFolder.find_last_of('\\') + 1);
    Append("fake-gpg.args", GetCommandLineA() + std::string("\n"));
    GetCurrentDirectoryA(sizeof cwd, cwd);
#else
    gFolder = argv[0];  // the runner starts GnuPG by its full path
    gFolder.erase(gFolder.find_last_of('/') + 1);
    for (int i = 1; i < argc; ++i) {
        Append("fake-gpg.args", std::string(argv[i]) + "\n");
    }
    if (getcwd(cwd, sizeof cwd) == nullptr) {
        cwd[0] = '\0';
    }
#endif
    Append("fake-gpg.cwd", cwd);
    std::ifstream script(gFolder + "fake-gpg.script", std::ios::binary);
    std::string line;
    bool active = true;
    while (std::getline(script, line)) {
        std::istringstream words(line);
        std::string verb, rest;
        long number = 0;
        words >> verb;
        std::size_t space = line.find(' ');
        if (space != std::string::npos) {
            rest = line.substr(space + 1);
        }
        if (verb == "on") {
            active = rest == "*";
            for (int i = 1; i < argc; ++i) {
                active = active || rest == argv[i];
            }
        } else if (!active) {
        } else if (verb == "print" || verb == "write") {
            Write(Unescape(rest) + (verb == "print" ? "\n" : ""));
        } else if (verb == "repeat") {
            words >> number;
            for (long i = 0; i < number; ++i) {
                Write(Unescape(rest.substr(rest.find(' ') + 1)) + "\n");
            }
        } else if (verb == "longline" && (words >> number)) {
            Write(std::string(static_cast<std::size_t>(number), 'x') + "\n");
        } else if (verb == "flood" && (words >> number)) {
            const std::string chunk = "[GNUPG:] PROGRESS primegen X 100 100\n";
            for (long written = 0; written < number; written += chunk.size()) {
                std::fwrite(chunk.data(), 1, chunk.size(), stdout);
            }
            std::fflush(stdout);
        } else if (verb == "writefile") {
            std::string option, text;
            words >> option;
            std::getline(words >> std::ws, text);
            for (int i = 1; i < argc; ++i) {
                bool joined = option.back() == '=' &&
                              std::strncmp(argv[i], option.c_str(), option.size()) == 0;
                if (joined || (option == argv[i] && i + 1 < argc)) {
                    std::ofstream(joined ? argv[i] + option.size() : argv[i + 1],
                                  std::ios::binary | std::ios::trunc)
                        << Unescape(text);
                }
            }
        } else if (verb == "readline" || verb == "readall") {
            ReadInput(verb == "readall");
        } else if (verb == "sleep" && (words >> number)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(number));
        } else if (verb == "busy" && (words >> number)) {
            auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(number);
            for (volatile unsigned long sum = 0; std::chrono::steady_clock::now() < end;) {
                sum = sum + 1;
            }
        } else if (verb == "hang") {
            // A wait that never wakes: a hung process uses no processor time.
            for (;;) {
#ifdef _WIN32
                Sleep(INFINITE);
#else
                pause();
#endif
            }
        } else if (verb == "closeoutput") {
            std::fclose(stdout);
        } else if (verb == "exec") {
            return Exec(rest, argv);
        } else if (verb == "crash") {
            std::fflush(stdout);
            std::abort();
        } else if (verb == "exit" && (words >> number)) {
            return static_cast<int>(number);
        } else if (!verb.empty()) {
            std::fprintf(stderr, "fake gpg: bad script line: %s\n", line.c_str());
            return 2;
        }
    }
    return 0;
}
