// A small driver that works a Win32 program from outside, as a person would.
// Every wait polls with a limit and records a failure naming what it waited
// for. Actions that may open a modal window are posted, so the driver stays
// free to answer it; questions are sent with a time limit, so a hung program
// fails the test instead of hanging it. Texts are bytes of the ANSI code
// page (932 under the test runner), as the program sees them; characters the
// code page lacks in the program's spelling (platform/win32/wide_names_win32.h).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

inline constexpr int kWaitMs = 20000;

// A UTF-8 text in the ANSI code page (in the program's spelling where it lacks a character).
std::string Ansi(const char* utf8);
// Text `id` of the string table of the executable `exe`, as LoadStringA gives it.
std::string ModuleText(const std::string& exe, int id);

// One started program; ended by the destructor if it still runs.
class Program {
public:
    Program() = default;
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts `exe` (with `arguments`) in `folder`; again after an earlier run ended.
    bool Start(const std::string& exe, const std::string& folder,
               const std::string& arguments = "");
    // Waits for the end and gives the exit code; false (and a failure) on time-out.
    bool WaitForExit(DWORD* code, int timeoutMs = kWaitMs);
    bool Running() const;
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// How many processes named `exeName` that `parentId` started still run.
int ChildProcesses(DWORD parentId, const char* exeName);

// Polls `done` until it holds; after the limit records "timed out waiting for <what>".
bool WaitUntil(const std::function<bool()>& done, const std::string& what, int timeoutMs = kWaitMs);

// The visible top-level windows of class `className` of process `processId`.
std::vector<HWND> TopWindows(DWORD processId, const char* className);
HWND FindChild(HWND parent, int id);                        // a descendant by control id
HWND FindChildByClass(HWND parent, const char* className);  // the first descendant of a class
std::string TitleOf(HWND window);
std::string TextOf(HWND control);  // asked from the control itself, so edit fields too

bool SetText(HWND control, const std::string& text);
bool Click(HWND button);
bool PostCommand(HWND window, int id);
// Presses the button `id` of a dialog (IDOK, IDYES, ...).
bool PressDialogButton(HWND dialog, int id);
// Drops `paths` on `window` as a file manager would.
bool DropFiles(HWND window, const std::vector<std::string>& paths);

struct MessageBoxView {
    std::string caption;
    std::string text;  // the static texts, one per line
};
MessageBoxView ReadMessageBox(HWND box);
// The text of a status bar in simple mode.
std::string StatusBarText(HWND statusBar);
// The file-name field of an open or save dialog, or nullptr for any other window.
HWND FileNameField(HWND dialog);
// The plain text on the clipboard ("" when there is none).
std::string ClipboardText();

// Where screenshots go: <folder>\<suite>.<test>\NN-step.bmp, or with `flat`
// <folder>\NN-step.bmp numbered across the run and announced on stdout.
void SetScreenshotFolder(const std::string& folder, bool flat);
// Saves the screen after `program` has settled; a failure when it cannot.
void Screenshot(const std::string& step, const Program* program = nullptr);

}  // namespace e2e
