// A plain stand-in for libFuzzer, for the short seeded runs of `make test`:
// the same command line (-runs=N -seed=N -dict=FILE, then seed files or
// folders), and the same target entry point. It plays a fixed number of
// inputs made from the seeds by a fixed-seed random generator: bytes
// flipped, inserted, deleted, repeated, dictionary words and pieces of other
// seeds put in, now and then pure random bytes. Each input is handed over in
// a heap block of exactly its size. An input that fails is written to
// crash-<target>-<run> in the current folder before the run stops.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"

namespace {

using Bytes = std::string;

// The input being tried, for the crash handler.
const char* gCurrentData = nullptr;
std::size_t gCurrentSize = 0;
char gCrashName[512];

void WriteCrashInput() {
    int fd = open(gCrashName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    std::size_t done = 0;
    while (done < gCurrentSize) {
        ssize_t n = write(fd, gCurrentData + done, gCurrentSize - done);
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    close(fd);
    const char note[] = "fuzz: the failing input is in ";
    ssize_t ignored = write(2, note, sizeof note - 1);
    ignored = write(2, gCrashName, std::strlen(gCrashName));
    ignored = write(2, "\n", 1);
    (void)ignored;
}

void OnFatalSignal(int signal) {
    WriteCrashInput();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
#define QUILLET_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define QUILLET_SANITIZED 1
#endif
#endif
#ifdef QUILLET_SANITIZED
extern "C" void __sanitizer_set_death_callback(void (*callback)());
#endif

// A word of a libFuzzer dictionary line: name="text" with \\, \" and \xHH.
bool ParseDictionaryLine(const std::string& line, Bytes* word) {
    std::size_t open = line.find('"');
    std::size_t close = line.rfind('"');
    if (line.empty() || line[0] == '#' || open == std::string::npos || close <= open) {
        return false;
    }
    word->clear();
    for (std::size_t i = open + 1; i < close; ++i) {
        if (line[i] == '\\' && i + 1 < close) {
            char next = line[++i];
            if (next == 'x' && i + 2 < close) {
                *word += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                *word += next;
            }
        } else {
            *word += line[i];
        }
    }
    return true;
}

Bytes ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void AddSeeds(const std::string& path, std::vector<Bytes>* seeds) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        std::fprintf(stderr, "fuzz: no seeds at %s\n", path.c_str());
        return;
    }
    if (!S_ISDIR(info.st_mode)) {
        seeds->push_back(ReadWhole(path));
        return;
    }
    std::vector<std::string> names;
    if (DIR* folder = opendir(path.c_str())) {
        while (dirent* entry = readdir(folder)) {
            if (entry->d_name[0] != '.') {
                names.push_back(path + "/" + entry->d_name);
            }
        }
        closedir(folder);
    }
    std::sort(names.begin(), names.end());  // the same order on every machine
    for (const std::string& name : names) {
        AddSeeds(name, seeds);
    }
}

class Mutator {
public:
    Mutator(unsigned seed, std::vector<Bytes> seeds, std::vector<Bytes> words)
        : random_(seed), seeds_(std::move(seeds)), words_(std::move(words)) {
        if (seeds_.empty()) {
            seeds_.push_back("");
        }
    }

    Bytes Next() {
        if (Below(16) == 0) {
            Bytes noise(Below(600), '\0');
            for (char& c : noise) {
                c = static_cast<char>(Below(256));
            }
            return noise;
        }
        Bytes data = seeds_[Below(seeds_.size())];
        for (std::size_t steps = 1 + Below(6); steps > 0; --steps) {
            Mutate(&data);
        }
        return data.size() > kMaxSize ? data.substr(0, kMaxSize) : data;
    }

private:
    static constexpr std::size_t kMaxSize = 1 << 16;

    std::size_t Below(std::size_t limit) {
        return limit == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, limit - 1)(random_);
    }

    void Mutate(Bytes* data) {
        static const char kSpecial[] = {'\n', '\r', ':', ' ', '\0', '@', '.', '[',  ']',    '=',
                                        '/',  '\\', '<', '>', '0',  '9', 'A', '\t', '\x80', '\xff'};
        std::size_t at = Below(data->size() + 1);
        switch (Below(9)) {
            case 0:
                if (!data->empty()) {
                    (*data)[Below(data->size())] ^= static_cast<char>(1u << Below(8));
                }
                break;
            case 1:
                data->insert(at, 1, static_cast<char>(Below(256)));
                break;
            case 2:
                data->insert(at, 1, kSpecial[Below(sizeof kSpecial)]);
                break;
            case 3:
                if (!data->empty()) {
                    data->erase(Below(data->size()), 1 + Below(16));
                }
                break;
            case 4:
                if (!words_.empty()) {
                    data->insert(at, words_[Below(words_.size())]);
                }
                break;
            case 5: {
                // A piece repeated: long lines and long runs of one kind.
                std::size_t from = Below(data->size() + 1);
                Bytes piece = data->substr(from, 1 + Below(8));
                for (std::size_t times = 1 + Below(300); times > 0 && !piece.empty(); --times) {
                    data->insert(at, piece);
                }
                break;
            }
            case 6: {
                const Bytes& other = seeds_[Below(seeds_.size())];
                std::size_t from = Below(other.size() + 1);
                data->insert(at, other.substr(from, Below(other.size() - from + 1)));
                break;
            }
            case 7:
                if (!data->empty()) {
                    (*data)[Below(data->size())] = kSpecial[Below(sizeof kSpecial)];
                }
                break;
            default:
                if (at < data->size()) {
                    data->resize(at);
                }
                break;
        }
    }

    std::mt19937 random_;
    std::vector<Bytes> seeds_;
    std::vector<Bytes> words_;
};

const char* TargetName(const char* argv0) {
    const char* slash = std::strrchr(argv0, '/');
    return slash != nullptr ? slash + 1 : argv0;
}

}  // namespace

int main(int argc, char** argv) {
    long runs = 1000;
    unsigned seed = 1;
    std::vector<Bytes> seeds;
    std::vector<Bytes> words;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument.rfind("-runs=", 0) == 0) {
            runs = std::stol(argument.substr(6));
        } else if (argument.rfind("-seed=", 0) == 0) {
            seed = static_cast<unsigned>(std::stoul(argument.substr(6)));
        } else if (argument.rfind("-dict=", 0) == 0) {
            std::ifstream dictionary(argument.substr(6));
            std::string line;
            Bytes word;
            while (std::getline(dictionary, line)) {
                if (ParseDictionaryLine(line, &word)) {
                    words.push_back(word);
                }
            }
        } else if (argument[0] == '-') {
            std::fprintf(stderr, "fuzz: option %s is for libFuzzer only; ignored\n", argv[i]);
        } else {
            AddSeeds(argument, &seeds);
        }
    }

    for (int fatal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        std::signal(fatal, OnFatalSignal);
    }
#ifdef QUILLET_SANITIZED
    __sanitizer_set_death_callback(WriteCrashInput);
#endif

    const char* target = TargetName(argv[0]);
    Mutator mutator(seed, seeds, words);
    // The seeds themselves first, then the mutated inputs.
    long total = 0;
    auto Try = [&](const Bytes& input, long run) {
        std::unique_ptr<char[]> block(new char[input.size()]);
        std::memcpy(block.get(), input.data(), input.size());
        gCurrentData = block.get();
        gCurrentSize = input.size();
        std::snprintf(gCrashName, sizeof gCrashName, "crash-%s-%ld", target, run);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(block.get()), input.size());
        ++total;
    };
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        Try(seeds[i], -static_cast<long>(i) - 1);
    }
    for (long run = 0; run < runs; ++run) {
        Try(mutator.Next(), run);
    }
    std::printf("fuzz %s: %ld inputs (%zu seeds, %zu dictionary words, seed %u), no failure\n",
                target, total, seeds.size(), words.size(), seed);
    return 0;
}
