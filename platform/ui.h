// The user-interface services that the engine, the workflows and the shell
// logic need, as plain functions. The Windows program links the real
// definitions (platform/win32); tests link a scripted stand-in that records
// every request and answers from a script (tests/support/fake_ui).
#pragma once

#include <cstdint>

struct KeyPaths;

namespace ui {

// A window of the platform (HWND on Windows), or nullptr for none.
using Window = void*;

// ---- Message boxes ---------------------------------------------------------

// Styles and answers, with the values Windows gives them.
inline constexpr unsigned kBoxOk = 0x0;
inline constexpr unsigned kBoxOkCancel = 0x1;
inline constexpr unsigned kBoxYesNo = 0x4;
inline constexpr unsigned kBoxIconQuestion = 0x20;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// Shows a modal message box and returns the button that closed it.
int ShowMessageBox(Window owner, const char* text, const char* caption, unsigned style);

// ---- File dialogs ----------------------------------------------------------

enum class FileDialogKind { Open, Save };

// Options of a file dialog.
inline constexpr unsigned kFileMustExist = 0x1;
inline constexpr unsigned kAskBeforeOverwrite = 0x2;
inline constexpr unsigned kKeepCurrentFolder = 0x4;

// A pair of a filter list: the label shown and the pattern; the first pair
// is preselected.
struct FileFilter {
    const char* label;
    const char* pattern;
};

struct FileDialogRequest {
    Window owner;
    FileDialogKind kind;
    const char* title;  // nullptr: the platform's own title
    const FileFilter* filters;
    int filterCount;
    char* name;                    // 260 bytes: the proposal in, the chosen full path out
    const char* initialFolder;     // nullptr: the platform's default
    unsigned options;              // kFileMustExist, kAskBeforeOverwrite, kKeepCurrentFolder
    const char* defaultExtension;  // added to a name typed without one; nullptr: none
};

// Given in place of a name's length (or of AskFileName's 0) when the name
// cannot be held: it has characters that the system's multibyte code page
// lacks, and written out as the program holds such names (see
// platform/win32/wide_names_win32.h) it is too long for its 260 bytes.
inline constexpr int kNameNotInCodePage = -1;
// Given in place of a dropped name's length when the name is too long for
// its buffer: it is never cut, as a cut name may name another file.
inline constexpr int kNameTooLong = -2;

// Shows the platform's standard open or save dialog. 0 when the user chose a
// name (now in request.name), 1 when the dialog was cancelled or cannot open,
// kNameNotInCodePage when the chosen name cannot be held.
int AskFileName(const FileDialogRequest& request);

// ---- Passphrase prompt (dialog 101) ----------------------------------------

// Asks for a passphrase in a small modal dialog with a masked field limited
// to maxLength - 1 characters. Returns 1 when the user confirmed with OK
// (output holds the typed text), 0 otherwise (output holds the empty text).
int PromptPassphrase(Window owner, char* output, int maxLength, const char* prompt,
                     const char* caption);

// ---- Key setup form (dialog 111) ---------------------------------------------

// Opens the key setup form modally over `owner` with `keyPaths` as its
// parameter. 0 when a key pair was created, 1 when the user cancelled.
int RunKeySetupDialog(Window owner, KeyPaths* keyPaths);

// Controls of an open dialog, by id. GetDialogItemText reads the whole text
// of a control into `buffer`; when it does not fit `size` bytes with its
// terminator it returns false and leaves the empty text: a text is never cut.
bool GetDialogItemText(Window dialog, int id, char* buffer, int size);
void EnableDialogItem(Window dialog, int id, bool enabled);
// Steps a progress bar by its step, starting again from the beginning past
// the end of its range; or sets its position.
void StepProgressBar(Window dialog, int id);
void SetProgressBarPosition(Window dialog, int id, int position);
// Repaints a window at once, while the program is busy.
void RepaintNow(Window window);

// ---- Progress window (dialog 112) --------------------------------------------

// A small window owned by `owner` for one GnuPG run on the file `fileName`,
// with a progress bar and the button "キャンセル", which calls `cancel`. It
// appears once the run has lasted about a second. While it is open the owner
// takes no input, as under a modal dialog, and the program's windows keep
// answering while GnuPG runs.
using ProgressWindow = void*;
ProgressWindow OpenProgressWindow(Window owner, const char* fileName, void (*cancel)());
// Moves the bar to `done` of `total` (bytes); a total of 0 moves nothing.
void ShowProgress(ProgressWindow window, std::uint64_t done, std::uint64_t total);
void CloseProgressWindow(ProgressWindow window);

// ---- Cursor, clipboard -------------------------------------------------------

using CursorToken = std::intptr_t;
// Shows the wait cursor and returns the cursor that was shown before.
CursorToken ShowWaitCursor();
void RestoreCursor(CursorToken previous);

// Puts `text` on the clipboard as plain text. Returns 0, or 3 when the
// memory block cannot be allocated, 46 when it cannot be locked, 47 when the
// clipboard cannot be opened; nothing reaches the clipboard on failure.
int PutTextOnClipboard(const char* text);

// ---- Main window pieces -------------------------------------------------------

void SetWindowTitle(Window window, const char* title);
// Shows a window that may still be hidden, so that dialogs have a visible owner.
void ShowWindowNow(Window window);
// Puts the window above all ordinary windows for good, without moving it.
void RaiseToTopMost(Window window);
void SetStatusBarText(Window statusBar, const char* text);
void StartTimer(Window window, unsigned id, unsigned milliseconds);
void StopTimer(Window window, unsigned id);
// The check state of a push-like radio button as the platform reports it
// (0 clear, 1 checked; other values are possible on Windows).
int GetButtonCheckState(Window button);
void SetMenuItemChecked(Window window, unsigned commandId, bool checked);
// Sends the close request to a window, as its close box does.
void SendCloseRequest(Window window);

// ---- Dropped files -------------------------------------------------------------

using Drop = void*;
int DroppedFileCount(Drop drop);
// The full path of dropped file `index` (0-based) into `buffer` of `size`
// bytes; returns its length, or kNameNotInCodePage or kNameTooLong (the
// buffer then holds the empty text).
int DroppedFilePath(Drop drop, int index, char* buffer, int size);

}  // namespace ui
