// The POSIX half of the test helpers.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/test_support.h"

namespace test_support {

std::string HostPath(const std::string& linuxPath) {
    return linuxPath;
}

void RemoveTree(const std::string& path) {
    if (std::system(("rm -rf '" + path + "'").c_str()) != 0) {
        throw std::runtime_error("test cleanup failed: " + path);
    }
}

void MakeReadOnly(const std::string& path) {
    chmod(path.c_str(), 0444);
}

void MakeExecutable(const std::string& path) {
    chmod(path.c_str(), 0755);
}

std::string CurrentFolder() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

void ChangeFolder(const std::string& path) {
    if (chdir(path.c_str()) != 0) {
        throw std::runtime_error("cannot change to " + path);
    }
}

void SetTempFolder(const std::string& path) {
    path.empty() ? unsetenv("TMPDIR") : setenv("TMPDIR", path.c_str(), 1);
}

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* folder = opendir(path.c_str())) {
        while (dirent* entry = readdir(folder)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        closedir(folder);
    }
    return names;
}

int CountOpenHandles() {
    return static_cast<int>(ListFolder("/proc/self/fd").size()) - 1;  // the listing's own
}

Probe OpenProbe() {
    return Probe{open("/dev/null", O_RDONLY | O_CLOEXEC)};
}

bool ProbeIsOpen(const Probe& probe) {
    return fcntl(static_cast<int>(probe.handle), F_GETFD) >= 0;
}

void CloseProbe(const Probe& probe) {
    close(static_cast<int>(probe.handle));
}

}  // namespace test_support
