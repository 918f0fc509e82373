#include "tests/support/test_support.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/platform.h"

namespace test_support {

namespace {

std::string Join(const std::string& folder, const std::string& name) {
    std::string path = folder;
    if (!path.empty() && path.back() != platform::kPathSeparator) {
        path.push_back(platform::kPathSeparator);
    }
    return path + name;
}

}  // namespace

std::string StringText(int id) {
    char text[260];
    platform::LoadText(id, text, sizeof text);
    return text;
}

std::string NativePath(const std::string& path) {
    std::string result = path;
    for (char& c : result) {
        if (c == '/') {
            c = platform::kPathSeparator;
        }
    }
    return result;
}

ProgramFolder::ProgramFolder(const std::string& subfolder) {
    char temp[platform::kMaxPath];
    if (!platform::GetTempFolder(temp, sizeof temp)) {
        throw std::runtime_error("test setup: no temporary folder");
    }
    static int counter = 0;
    for (int attempt = 0;; ++attempt) {
        root_ = Join(temp, "quillet-test-" + std::to_string(std::rand() % 100000) + "-" +
                               std::to_string(++counter));
        if (platform::MakeFolder(root_.c_str())) {
            break;
        }
        if (attempt > 100) {
            throw std::runtime_error("test setup: cannot make a folder in " + std::string(temp));
        }
    }
    folder_ = root_;
    if (!subfolder.empty()) {
        folder_ = Join(folder_, subfolder);
        MakeFolderAt(folder_);
    }
    folder_.push_back(platform::kPathSeparator);
    MakeFolderAt(PathOf("bin"));
    Activate();
}

void ProgramFolder::Activate() const {
    std::string program = PathOf("Quillet.exe");
    platform::OverrideProgramPath(program.c_str());
}

ProgramFolder::~ProgramFolder() {
    platform::OverrideProgramPath(nullptr);
    if (std::getenv("QUILLET_KEEP_TEST_FOLDERS") == nullptr) {
        RemoveTree(root_);
    }
}

std::string ProgramFolder::PathOf(const std::string& relative) const {
    return folder_ + NativePath(relative);
}

void ProgramFolder::InstallRealGpg() {
    std::string gpg = HostPath(QUILLET_TEST_GPG);
    if (!Exists(gpg)) {
        throw std::runtime_error("GnuPG for the tests is missing: " + gpg);
    }
    CopyFile(gpg, PathOf("bin/gpg.exe"));
    MakeExecutable(PathOf("bin/gpg.exe"));
}

void ProgramFolder::InstallFakeGpg(const std::string& script) {
    // A new script starts a new recording.
    for (const char* record : {"bin/fake-gpg.args", "bin/fake-gpg.cwd", "bin/fake-gpg.stdin"}) {
        platform::RemoveFile(PathOf(record).c_str());
    }
    CopyFile(HostPath(QUILLET_FAKE_GPG), PathOf("bin/gpg.exe"));
    MakeExecutable(PathOf("bin/gpg.exe"));
    WriteFile(PathOf("bin/fake-gpg.script"), script);
}

std::string ProgramFolder::FakeArguments() const {
    return ReadFile(PathOf("bin/fake-gpg.args"));
}
std::string ProgramFolder::FakeWorkingFolder() const {
    return ReadFile(PathOf("bin/fake-gpg.cwd"));
}
std::string ProgramFolder::FakeInput() const {
    return ReadFile(PathOf("bin/fake-gpg.stdin"));
}

void CopyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) {
        throw std::runtime_error("test setup: cannot read " + from);
    }
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    if (!out) {
        throw std::runtime_error("test setup: cannot write " + to);
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) {
        throw std::runtime_error("test setup: cannot write " + path);
    }
}

bool Exists(const std::string& path) {
    return platform::LookUpPath(path.c_str()) != platform::PathKind::Missing;
}

void MakeFolderAt(const std::string& path) {
    if (!platform::MakeFolder(path.c_str()) &&
        platform::LookUpPath(path.c_str()) != platform::PathKind::Folder) {
        throw std::runtime_error("test setup: cannot make folder " + path);
    }
}

}  // namespace test_support
