// Measures what the engine adds to GnuPG: every file command is timed
// against the identical GnuPG command line started directly with the same
// input, alternately, and the ratio of their medians is printed as
//   bench NAME ratio: VALUE x
// together with both medians. The command line that GnuPG receives from the
// engine is recorded once by the scripted fake GnuPG, so the direct run is
// given exactly the same arguments.
//
// With --photo=MB (the Windows build, under Wine) it times instead a
// photo-like file of that many megabytes (a JPEG's first bytes, then data
// that does not compress): the engine's sign + encrypt against gpg.exe with
// "-z 0" added, and the engine's decryption against gpg.exe decrypting it.
#ifdef _WIN32
#include <windows.h>
// The engine's commands, not the system's file encryption of the same names.
#undef EncryptFile
#undef DecryptFile
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/encryption_commands.h"
#include "engine/key_export.h"
#include "engine/key_generation.h"
#include "engine/key_listing.h"
#include "engine/passphrase_change.h"
#include "engine/signature_commands.h"
#include "platform/platform.h"
#include "tests/support/fake_ui.h"
#include "tests/support/test_support.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace {

using namespace test_support;
using Clock = std::chrono::steady_clock;

struct Keys {
    std::string home, secring, pubring, keyFile, fingerprint;
};

// GnuPG started directly with `argv`, `input` on its standard input, its
// output read and thrown away, as the engine does.
#ifdef _WIN32
void RunDirect(const std::string& gpg, const std::vector<std::string>& args,
               const std::string& folder, const std::string& input) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE inRead, inWrite, outRead, outWrite;
    if (!CreatePipe(&inRead, &inWrite, &inherit, 0) ||
        !CreatePipe(&outRead, &outWrite, &inherit, 0)) {
        std::fprintf(stderr, "bench: CreatePipe failed\n");
        std::exit(1);
    }
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    // The fake records the whole command line on Windows, the program's
    // quoted path first: the arguments before it are put in after that path.
    std::string commandLine = args.back();
    commandLine.erase(commandLine.find_last_not_of("\r\n") + 1);
    std::size_t afterProgram = commandLine.find('"', 1) + 1;
    for (std::size_t i = args.size() - 1; i-- > 0;) {
        commandLine.insert(afterProgram, " " + args[i]);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info;
    if (!CreateProcessA(gpg.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                        folder.c_str(), &startup, &info)) {
        std::fprintf(stderr, "bench: cannot start %s\n", gpg.c_str());
        std::exit(1);
    }
    CloseHandle(info.hThread);
    CloseHandle(inRead);
    CloseHandle(outWrite);
    DWORD written = 0;
    ::WriteFile(inWrite, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    char chunk[4096];
    DWORD received = 0;
    while (::ReadFile(outRead, chunk, sizeof chunk, &received, nullptr) && received > 0) {
    }
    CloseHandle(outRead);
    CloseHandle(inWrite);
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
}
#else
void RunDirect(const std::string& gpg, const std::vector<std::string>& args,
               const std::string& folder, const std::string& input) {
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(gpg.c_str()));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, gpg.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (!input.empty() && write(in[1], input.data(), input.size()) < 0) {
        std::perror("write");
    }
    char chunk[4096];
    while (read(out[0], chunk, sizeof chunk) > 0) {
    }
    close(out[0]);
    close(in[1]);
    int status;
    waitpid(pid, &status, 0);
}
#endif

double Seconds(const std::function<void()>& work) {
    Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The arguments GnuPG receives from one engine command, recorded by the fake.
std::vector<std::string> RecordArguments(ProgramFolder& folder,
                                         const std::function<void()>& command) {
    folder.InstallFakeGpg("readall\n");
    command();
    std::vector<std::string> args;
    std::string recorded = folder.FakeArguments();
    std::size_t start = 0;
    while (start < recorded.size()) {
        std::size_t end = recorded.find('\n', start);
        args.push_back(recorded.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

void Compare(const char* name, ProgramFolder& folder, int rounds, const std::string& input,
             const std::function<void()>& command, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = RecordArguments(folder, command);
    args.insert(args.begin(), extra.begin(), extra.end());
    folder.InstallRealGpg();
    std::string gpg = folder.PathOf("bin/gpg.exe");
    command();  // warm the caches once
    std::vector<double> engine;
    std::vector<double> direct;
    auto runDirect = [&] { RunDirect(gpg, args, folder.Folder(), input); };
    // Alternate which goes first, so that neither always finds warm caches.
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            engine.push_back(Seconds(command));
            direct.push_back(Seconds(runDirect));
        } else {
            direct.push_back(Seconds(runDirect));
            engine.push_back(Seconds(command));
        }
    }
    double e = Median(engine);
    double d = Median(direct);
    std::printf("bench %s engine: %.4f s\n", name, e);
    std::printf("bench %s direct: %.4f s\n", name, d);
    std::printf("bench %s ratio: %.3f x\n", name, e / d);
    std::fflush(stdout);
}

std::string RandomBytes(std::size_t size) {
    std::mt19937_64 generator(20261206);
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        std::uint64_t value = generator();
        std::memcpy(&bytes[i], &value, std::min<std::size_t>(8, size - i));
    }
    return bytes;
}

// What the protection of the secret key costs: the key is given the same
// passphrase again with each count of hashed octets from 2^20 to 2^24 (the
// options file takes 2^22), and a signature of 1 KB with it is timed against
// one with GnuPG 1.4's old 65,536, alternately; printed as
//   bench s2k-2^N added per signature: VALUE s
bool MeasureKeyProtection(ProgramFolder& folder, const Keys& keys, const std::string& plain) {
    std::vector<std::pair<int, std::string>> homes;
    for (int power : {16, 20, 21, 22, 23, 24}) {
        std::string home = folder.PathOf("s2k-" + std::to_string(power));
        MakeFolderAt(home);
        platform::CopyFileOver(keys.secring.c_str(), (home + "/secring.gpg").c_str());
        platform::CopyFileOver(keys.pubring.c_str(), (home + "/pubring.gpg").c_str());
        WriteFile(home + "/gpg.conf", ReadFile(keys.home + "/gpg.conf") + "s2k-count " +
                                          std::to_string(1ul << power) + "\n");
        if (ChangePassphrase(home.c_str(), (home + "/secring.gpg").c_str(),
                             (home + "/pubring.gpg").c_str(), "password1", "password1") != 0) {
            std::fprintf(stderr, "bench: cannot protect the key with 2^%d\n", power);
            return false;
        }
        homes.emplace_back(power, home);
    }
    auto signer = [&](const std::string& home) {
        return [&plain, home] {
            std::int32_t flags = 0;
            SignFile(home.c_str(), (home + "/secring.gpg").c_str(), (home + "/pubring.gpg").c_str(),
                     plain.c_str(), (plain + ".s2k.sig").c_str(), "password1", &flags);
        };
    };
    auto base = signer(homes[0].second);
    for (std::size_t i = 1; i < homes.size(); ++i) {
        auto sign = signer(homes[i].second);
        std::vector<double> added;
        for (int round = 0; round < 21; ++round) {
            double b = round % 2 == 0 ? Seconds(base) : 0;
            double t = Seconds(sign);
            b = round % 2 == 0 ? b : Seconds(base);
            added.push_back(t - b);
        }
        std::printf("bench s2k-2^%d added per signature: %.4f s\n", homes[i].first, Median(added));
        std::fflush(stdout);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t photoMegabytes = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--photo=", 8) == 0) {
            photoMegabytes = std::strtoul(argv[i] + 8, nullptr, 10);
        }
    }
    ProgramFolder folder;
    folder.InstallRealGpg();
    Keys keys{folder.PathOf("conf"), folder.PathOf("conf/secring.gpg"),
              folder.PathOf("conf/pubring.gpg"), folder.PathOf("own.gpg"), ""};
    MakeFolderAt(keys.home);
    char fingerprint[260];
    if (GenerateKeyPair(keys.home.c_str(), keys.secring.c_str(), keys.pubring.c_str(), "Bench User",
                        "bench@example.com", "", "password1", fingerprint, nullptr) != 0 ||
        ExportPublicKey(keys.home.c_str(), keys.pubring.c_str(), fingerprint,
                        keys.keyFile.c_str()) != 0) {
        std::fprintf(stderr, "bench: cannot make the bench key\n");
        return 1;
    }
    const std::string passphraseLine = std::string("password1") + platform::kLineEnd;
    std::int32_t flags = 0;
    // `plain` encrypted and decrypted again, each against GnuPG started
    // directly (with `extra` before its arguments).
    auto CompareRoundTrip = [&](const std::string& label, const std::string& plain, int rounds,
                                const std::vector<std::string>& extra) {
        std::string sealed = plain + ".gpg", opened = plain + ".out";
        auto encrypt = [&] {
            EncryptFile(keys.home.c_str(), keys.secring.c_str(), keys.keyFile.c_str(),
                        plain.c_str(), sealed.c_str(), fingerprint, "password1", 0, &flags);
        };
        auto decrypt = [&] {
            DecryptFile(keys.home.c_str(), keys.secring.c_str(), keys.keyFile.c_str(),
                        opened.c_str(), sealed.c_str(), "password1", &flags);
        };
        Compare(("encrypt-" + label).c_str(), folder, rounds, passphraseLine, encrypt, extra);
        encrypt();
        Compare(("decrypt-" + label).c_str(), folder, rounds, passphraseLine, decrypt);
    };

    if (photoMegabytes > 0) {
        const std::string label = "photo-" + std::to_string(photoMegabytes) + "MB";
        std::string plain = folder.PathOf(label + ".jpg");
        WriteFile(plain, std::string("\xff\xd8\xff\xe0\x00\x10JFIF\x00", 11) +
                             RandomBytes(photoMegabytes << 20));
        CompareRoundTrip(label, plain, 5, {"-z", "0"});
        return 0;
    }

    for (const auto& [label, size, rounds] : {std::make_tuple("1KB", std::size_t{1024}, 101),
                                              std::make_tuple("64MB", std::size_t{64} << 20, 9)}) {
        std::string plain = folder.PathOf(std::string("plain-") + label);
        WriteFile(plain, RandomBytes(size));
        CompareRoundTrip(label, plain, rounds, {});
        if (size == 1024) {
            std::string signature = plain + ".sig";
            auto sign = [&] {
                SignFile(keys.home.c_str(), keys.secring.c_str(), keys.pubring.c_str(),
                         plain.c_str(), signature.c_str(), "password1", &flags);
            };
            auto verify = [&] {
                VerifyFile(keys.home.c_str(), keys.keyFile.c_str(), plain.c_str(),
                           signature.c_str(), &flags);
            };
            Compare("sign-1KB", folder, rounds, passphraseLine, sign);
            sign();
            Compare("verify-1KB", folder, rounds, "", verify);
        }
    }
    return MeasureKeyProtection(folder, keys, folder.PathOf("plain-1KB")) ? 0 : 1;
}
