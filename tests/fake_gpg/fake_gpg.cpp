// A stand-in for gpg.exe playing the script "fake-gpg.script" beside it; it
// records there "fake-gpg.args" (Windows: the command line as given, POSIX:
// one argument a line), "fake-gpg.cwd" and "fake-gpg.stdin". Script lines
// (TEXT knows \r \n \\): on ARG (what follows applies to runs with ARG) |
// print TEXT (and a line feed) | write TEXT | flood N TEXT (N bytes of it) |
// writefile OPT TEXT (into the file of option "-o" FILE or "--x="FILE) |
// readline | readall | busy MS (computing) | sleep MS | hang | closeoutput |
// crash |
// exit N (ends with exit status N) | exec PATH (run it with the same
// arguments and streams).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#define read _read
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

int Exec(const std::string& program, char** argv) {
    std::fflush(stdout);
#ifdef _WIN32
    static_cast<void>(argv);
    const char* rest = GetCommandLineA();  // without our own name
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
    std::string args;
#ifdef _WIN32
    _setmode(0, _O_BINARY);
    _setmode(1, _O_BINARY);
    gFolder.assign(cwd, GetModuleFileNameA(nullptr, cwd, sizeof cwd));
    args = GetCommandLineA() + std::string("\n");
    GetCurrentDirectoryA(sizeof cwd, cwd);
#else
    gFolder = argv[0];  // the runner starts GnuPG by its full path
    for (int i = 1; i < argc; ++i) {
        args += std::string(argv[i]) + "\n";
    }
    if (getcwd(cwd, sizeof cwd) == nullptr) {
        cwd[0] = '\0';
    }
#endif
    gFolder.erase(gFolder.find_last_of("\\/") + 1);
    Append("fake-gpg.args", args);
    Append("fake-gpg.cwd", cwd);
    std::ifstream script(gFolder + "fake-gpg.script", std::ios::binary);
    std::string line;
    bool active = true;
    while (std::getline(script, line)) {
        std::istringstream words(line);
        std::string verb, text;
        long number = 0;
        words >> verb;
        std::getline(words >> std::ws, text);
        std::istringstream(text) >> number;
        std::size_t blank = text.find(' ');
        std::string rest = Unescape(blank == std::string::npos ? "" : text.substr(blank + 1));
        if (verb == "on") {
            active = false;
            for (int i = 1; i < argc; ++i) {
                active = active || text == argv[i];
            }
        } else if (!active) {
            continue;
        } else if (verb == "print" || verb == "write") {
            std::fputs((Unescape(text) + (verb == "print" ? "\n" : "")).c_str(), stdout);
        } else if (verb == "flood") {
            for (long written = 0; written < number; written += rest.size()) {
                std::fputs(rest.c_str(), stdout);
            }
        } else if (verb == "writefile") {
            std::string option = text.substr(0, text.find(' '));
            for (int i = 1; i < argc; ++i) {
                bool joined = option.back() == '=' &&
                              option.compare(0, option.size(), argv[i], option.size()) == 0;
                if (joined || (option == argv[i] && i + 1 < argc)) {
                    std::ofstream(joined ? argv[i] + option.size() : argv[i + 1],
                                  std::ios::binary | std::ios::trunc)
                        << rest;
                }
            }
        } else if (verb == "readline" || verb == "readall") {
            std::string input;
            char c;
            while (read(0, &c, 1) == 1 && (input += c, c != '\n' || verb == "readall")) {
            }
            Append("fake-gpg.stdin", input);
        } else if (verb == "busy") {
            auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(number);
            while (std::chrono::steady_clock::now() < end) {
            }
        } else if (verb == "sleep") {
#ifdef _WIN32
            Sleep(static_cast<DWORD>(number));
#else
            usleep(static_cast<useconds_t>(number) * 1000);
#endif
        } else if (verb == "hang") {
            for (;;) {  // a wait that never wakes: a hung process uses no processor time
#ifdef _WIN32
                Sleep(INFINITE);
#else
                pause();
#endif
            }
        } else if (verb == "closeoutput") {
            std::fclose(stdout);
            continue;
        } else if (verb == "exit") {
            std::fflush(stdout);
            return static_cast<int>(number);
        } else if (verb == "exec") {
            return Exec(text, argv);
        } else if (verb == "crash") {
            std::fflush(stdout);
            std::abort();
        }
        std::fflush(stdout);
    }
    return 0;
}
