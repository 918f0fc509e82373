// A small driver that works a Win32 program from outside, the way a person
// would: it starts the program, finds its windows and dialogs, types into
// edit fields, presses buttons, chooses menu commands, drops files on a
// window, reads titles, message boxes and the status bar, and keeps
// screenshots of every step.
//
// The program under test is another process, so every request either goes
// through the system's own cross-process window messages (window text,
// WM_SETTEXT, posted clicks and commands) or, where a common control wants a
// pointer into the caller's memory, through a block of memory in the
// program's own address space (status bar text, dropped files). Menus are
// the one thing Wine lets only their own process ask about; for them the
// driver loads a small probe DLL into the program (probe.h).
//
// Rules the driver keeps:
// - Nothing waits forever. Every wait polls with a limit; when the limit
//   passes the driver records a test failure that says what it waited for
//   and returns a "not found" value, so the test can stop with ASSERT_*.
// - Actions that may open a modal window (a click, a menu command, a drop)
//   are posted, never sent: the driver must stay free to answer the dialog
//   that the action opens.
// - Questions to the program (texts, check states) are sent with a time
//   limit, so a program that hangs makes the test fail instead of hang.
//
// Texts are bytes in the system's ANSI code page (932 under the test
// runner), as the program itself sees them. Ansi() turns a UTF-8 literal of
// a test into those bytes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// The limit of an ordinary wait: long enough for a slow machine, short
// enough that a broken program fails the test well within CTest's limit.
inline constexpr int kWaitMs = 20000;
// The limit of one question sent to the program's window.
inline constexpr int kSendMs = 5000;

// ---- Texts -----------------------------------------------------------------

// A UTF-8 text in the system's ANSI code page.
std::string Ansi(const char* utf8);
// Text `id` of the string table of the executable at `exePath`, loaded the
// way the program itself loads it (LoadStringA), so in ANSI bytes. Empty
// when there is no such text (and a failure is recorded).
std::string ModuleText(const std::string& exePath, int id);

// ---- Programs ----------------------------------------------------------------

// One started program. The destructor ends a program that still runs, so a
// failed test leaves nothing behind.
class Program {
public:
    Program() = default;
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts `exePath` with `folder` as its current folder.
    bool Start(const std::string& exePath, const std::string& folder);
    // Waits up to `timeoutMs` for the program to end and stores its exit
    // code. False (and a recorded failure) when it is still running then.
    bool WaitForExit(int timeoutMs, DWORD* exitCode);
    bool IsRunning() const;
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    // Ends the program at once (only for clean-up after a failure).
    void Kill();

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// ---- Finding windows -----------------------------------------------------------

// What a top-level window must be like. Empty texts match anything.
struct WindowQuery {
    DWORD processId = 0;       // 0: any process
    std::string className;     // e.g. "#32770" for dialogs and message boxes
    std::string title;         // whole title, unless titlePrefix
    bool titlePrefix = false;  // title only has to start with `title`
    bool visibleOnly = true;

    // "a window of class X titled Y of process N", for failure messages.
    std::string Describe() const;
};

// The visible windows of class `className` (and titled `title`, when
// given) of one process.
WindowQuery WindowsOf(DWORD processId, const std::string& className, const std::string& title = "");

std::vector<HWND> FindTopWindows(const WindowQuery& query);
HWND FindTopWindow(const WindowQuery& query);  // the first, or nullptr
// Waits until such a window exists; nullptr and a failure after the limit.
HWND WaitForTopWindow(const WindowQuery& query, int timeoutMs = kWaitMs);
// Waits until no such window is left.
bool WaitForNoTopWindow(const WindowQuery& query, int timeoutMs = kWaitMs);

// Polls `done` every 50 ms until it is true. After the limit records the
// failure "timed out after N ms waiting for <what>" and returns false.
bool WaitUntil(const std::function<bool()>& done, const std::string& what, int timeoutMs = kWaitMs);

// Polls like WaitUntil but records no failure: for a test that decides
// itself what it means when nothing happens.
bool Eventually(const std::function<bool()>& done, int timeoutMs);

// Every descendant of `parent` (children, their children, ...).
std::vector<HWND> Descendants(HWND parent);
// The descendant with control id `id`, or nullptr.
HWND FindChild(HWND parent, int id);
// The `index`-th descendant of class `className`, or nullptr.
HWND FindChildByClass(HWND parent, const std::string& className, int index = 0);

std::string ClassOf(HWND window);
// The text the system keeps as the window's title (GetWindowTextA).
std::string TitleOf(HWND window);
// A control's text, asked from the control itself (WM_GETTEXT), which is
// right for edit fields too.
std::string TextOf(HWND window);

// ---- Acting ----------------------------------------------------------------------

bool SetText(HWND control, const std::string& text);
// Presses a button as a click would (posted BM_CLICK): the button changes
// its state and notifies its parent itself.
bool Click(HWND button);
// Posts WM_COMMAND with `id` (a menu command, or a control's notification
// when `control` is given) to `window`.
bool PostCommand(HWND window, int id, HWND control = nullptr);
// Opens the menu of `window`'s menu bar whose label has the mnemonic
// `letter` (the "&O" of "設定(&O)"), as Alt and the letter would, and waits
// until it shows; for a screenshot of the menu.
bool OpenMenu(HWND window, char letter);
// Closes an open menu of `window` as Escape does, and waits until it is gone.
bool CloseMenu(HWND window);
// BST_CHECKED, BST_UNCHECKED, ..., or -1 when the button does not answer.
int ButtonState(HWND button);

// Drops `paths` on `window` as a file manager would, at client point `at`.
bool DropFiles(HWND window, const std::vector<std::string>& paths, POINT at = {20, 20});

// ---- Reading ---------------------------------------------------------------------

// A message box as the user sees it.
struct MessageBoxView {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;  // button labels in window order
};
// Waits for a message box of `processId` (captioned `caption`, when given).
bool WaitForMessageBox(DWORD processId, MessageBoxView* box, const std::string& caption = "",
                       int timeoutMs = kWaitMs);
// Reads an open message box or other dialog.
MessageBoxView ReadMessageBox(HWND box);
// Presses the dialog's button with control id `id` (IDOK, IDYES, ...).
bool PressDialogButton(HWND dialog, int id);

// The text of a status bar's pane (255 or 0: the single pane of a status
// bar in simple mode).
std::string StatusBarText(HWND statusBar, int pane = 255);

// How far a progress bar is filled, as the screen shows it: the share of
// its width up to the last pixel of its middle row drawn in the system's
// highlight colour (0 when empty, about 1 when full). Read from the screen,
// not asked from the bar, so it also works while the program is too busy to
// answer messages. Nothing may cover the bar.
double ProgressBarFill(HWND bar);

// The state of the menu item with command `commandId` in the menu bar of
// `window` (GetMenuState flags), or -1 when there is no such item.
int MenuItemState(HWND window, int commandId);
bool MenuItemChecked(HWND window, int commandId);

// The window's rectangle in the client coordinates of `reference`
// (nullptr: screen coordinates).
RECT RectIn(HWND window, HWND reference);

// ---- Standard file dialogs ---------------------------------------------------------

// The platform's open and save dialogs (GetOpenFileNameA, GetSaveFileNameA)
// are dialogs of class "#32770" with a file-name field: the edit field
// inside the combo box with control id 1148 (0x47C).
inline constexpr int kFileNameComboId = 1148;
// The combo box that names the folder the dialog shows.
inline constexpr int kFolderComboId = 1137;

// The file-name field of a file dialog, or nullptr when `dialog` is none.
HWND FileNameField(HWND dialog);
bool IsFileDialog(HWND window);

// A file dialog as the user sees it.
struct FileDialogView {
    HWND window = nullptr;
    std::string title;
    std::string name;    // what the file-name field holds (the proposed name)
    std::string folder;  // the name of the folder shown, without its path
};
FileDialogView ReadFileDialog(HWND dialog);
// Types `name` (a full path, or a name in the folder shown) into the
// file-name field and presses the dialog's OK button ("開く" or "保存").
// An empty `name` keeps what the field holds.
bool ChooseFileName(HWND dialog, const std::string& name);

// ---- Clipboard -----------------------------------------------------------------------

// The plain text (CF_TEXT) on the clipboard. False when the clipboard
// cannot be opened or holds no text.
bool ReadClipboardText(std::string* text);
// Puts plain text on the clipboard, replacing what was there.
bool WriteClipboardText(const std::string& text);

// ---- Screenshots -----------------------------------------------------------------

// Writes 24-bit RGB rows (top to bottom, `width` * 3 bytes each) as a PNG.
bool WritePng(const std::string& path, int width, int height,
              const std::vector<unsigned char>& rgb);
// Saves the whole virtual screen as a PNG file.
bool SaveScreenPng(const std::string& path);

// ---- Test set-up -----------------------------------------------------------------

// The program that the test works on, as the test's command line names it
// (--program=PATH, a path of the build machine); empty when none is named.
const std::string& ProgramUnderTest();
void SetProgramUnderTest(const std::string& path);

// Where the screenshots of the tests go: <root>\<suite>.<test>\NN-step.png,
// or, with `perTest` false, straight into <root>\NN-step.png.
void SetArtifactRoot(const std::string& folder, bool perTest = true);
const std::string& ArtifactRoot();
// Saves a screenshot of the current step of the running test and returns
// its path (empty when it could not be saved; a failure is recorded). The
// first screenshot of a test empties the test's folder of older pictures.
std::string Screenshot(const std::string& step);

}  // namespace e2e
