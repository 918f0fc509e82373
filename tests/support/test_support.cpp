#include "tests/support/test_support.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/platform.h"

namespace test_support {

std::string StringText(int id) {
    char text[260];
    platform::LoadText(id, text, sizeof text);
    return text;
}

std::string NativePath(const std::string& path) {
    std::string result = path;
    for (char& c : result) {
        c = c == '/' ? platform::kPathSeparator : c;
    }
    return result;
}

ProgramFolder::ProgramFolder(const std::string& subfolder) {
    // The unique name of a new file becomes the folder's.
    char temp[platform::kMaxPath], unique[platform::kMaxPath];
    if (!platform::GetTempFolder(temp, sizeof temp) ||
        !platform::CreateUniqueTempFile(temp, "qt", unique) || !platform::RemoveFile(unique) ||
        !platform::MakeFolder(unique)) {
        throw std::runtime_error("test setup: cannot make a folder in the temporary folder");
    }
    root_ = unique;
    folder_ = root_ + platform::kPathSeparator;
    if (!subfolder.empty()) {
        folder_ += subfolder + platform::kPathSeparator;
        MakeFolderAt(folder_);
    }
    MakeFolderAt(PathOf("bin"));
    Activate();
}

void ProgramFolder::Activate() const {
    platform::OverrideProgramPath(PathOf("Quillet.exe").c_str());
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
    CopyFile(HostPath(QUILLET_TEST_GPG), PathOf("bin/gpg.exe"));
    MakeExecutable(PathOf("bin/gpg.exe"));
}

void ProgramFolder::InstallFakeGpg(const std::string& script) {
    // A new script starts a new recording.
    for (const char* record : {"args", "cwd", "stdin"}) {
        platform::RemoveFile(PathOf(std::string("bin/fake-gpg.") + record).c_str());
    }
    CopyFile(HostPath(QUILLET_FAKE_GPG), PathOf("bin/gpg.exe"));
    MakeExecutable(PathOf("bin/gpg.exe"));
    WriteFile(PathOf("bin/fake-gpg.script"), script);
}

std::string ProgramFolder::Recorded(const char* what) const {
    return ReadFile(PathOf(std::string("bin/fake-gpg.") + what));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!(out << content)) {
        throw std::runtime_error("test setup: cannot write " + path);
    }
}

void CopyFile(const std::string& from, const std::string& to) {
    if (!Exists(from)) {
        throw std::runtime_error("test setup: cannot read " + from);
    }
    WriteFile(to, ReadFile(from));
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
