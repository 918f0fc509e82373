// Helpers shared by the tests: a program folder of the test's own, small
// file helpers, and a count of the process's open handles.
#pragma once

#include <string>
#include <vector>

#include "engine/result_codes.h"

namespace test_support {

// A fresh program folder in the temporary folder, with its bin folder:
// GetProgramPath answers "<folder>Quillet.exe" while it lives (the newest
// one, or the last activated). `subfolder` adds one more level.
class ProgramFolder {
public:
    explicit ProgramFolder(const std::string& subfolder = "");
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    void Activate() const;
    const std::string& Folder() const { return folder_; }  // with its trailing separator
    // The folder followed by `relative`, whose '/' become the platform's separator.
    std::string PathOf(const std::string& relative) const;
    // bin/gpg.exe becomes the real GnuPG, or the fake one playing `script`,
    // which records its command line, working folder and standard input.
    void InstallRealGpg();
    void InstallFakeGpg(const std::string& script);
    std::string FakeArguments() const { return Recorded("args"); }
    std::string FakeWorkingFolder() const { return Recorded("cwd"); }
    std::string FakeInput() const { return Recorded("stdin"); }

private:
    std::string Recorded(const char* what) const;
    std::string root_;
    std::string folder_;
};

// A string-table text, and the message of a result code.
std::string StringText(int id);
inline std::string ResultMessage(int code) {
    char text[260];
    LoadResultText(code, text, sizeof text);
    return text;
}

// A path with '/' turned into the platform's separator; a path of the build
// machine (a Linux path) as the test program sees it.
std::string NativePath(const std::string& path);
std::string HostPath(const std::string& linuxPath);

std::string ReadFile(const std::string& path);
void CopyFile(const std::string& from, const std::string& to);
void WriteFile(const std::string& path, const std::string& content);
bool Exists(const std::string& path);
void MakeFolderAt(const std::string& path);
// Removes a file, or a folder with everything in it.
void RemoveTree(const std::string& path);
void MakeReadOnly(const std::string& path);
void MakeExecutable(const std::string& path);
std::string CurrentFolder();
void ChangeFolder(const std::string& path);
// The system's temporary folder for this process; "": the usual one.
void SetTempFolder(const std::string& path);
std::vector<std::string> ListFolder(const std::string& path);

// The number of handles (file descriptors) the process holds open now; on
// Windows without the synchronisation objects that the system makes on its
// own (events, semaphores, mutexes).
int CountOpenHandles();
#ifdef _WIN32
// The same for another process, and how many of its handles are keys of the
// file dialogs' own registry branch (ComDlg32).
int CountHandlesOf(unsigned long processId);
int CountFileDialogKeysOf(unsigned long processId);
// A variable of the process's environment, which the programs it starts
// inherit; setting "" removes it.
std::string Environment(const std::string& name);
void SetEnvironment(const std::string& name, const std::string& value);
#endif
// A handle opened only to see whether something closes it behind our back.
struct Probe {
    long long handle;
};
Probe OpenProbe();
bool ProbeIsOpen(const Probe& probe);
void CloseProbe(const Probe& probe);

}  // namespace test_support
