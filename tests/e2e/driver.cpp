#include "tests/e2e/driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <map>

#include "platform/win32/wide_names_win32.h"
#include "tests/support/test_support.h"

namespace e2e {

namespace {

DWORD ProcessOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* answer) {
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, answer) !=
           0;
}

// A block of memory in the process of `window`, for the messages whose
// pointer must lie in the receiver's own address space. Released when it
// goes, unless handed over with Keep().
class RemoteBlock {
public:
    RemoteBlock(HWND window, const std::string& content)
        : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               ProcessOf(window))) {
        if (process_ != nullptr) {
            address_ = VirtualAllocEx(process_, nullptr, content.size(), MEM_COMMIT | MEM_RESERVE,
                                      PAGE_READWRITE);
        }
        if (address_ == nullptr ||
            !WriteProcessMemory(process_, address_, content.data(), content.size(), nullptr)) {
            ADD_FAILURE() << "cannot write into the process of window " << window;
            address_ = nullptr;
        }
    }
    ~RemoteBlock() {
        if (address_ != nullptr && !keep_) {
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
        if (process_ != nullptr) {
            CloseHandle(process_);
        }
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    void* Address() const { return address_; }
    std::string Read(std::size_t size) const {
        std::string bytes(size, '\0');
        SIZE_T read = 0;
        ReadProcessMemory(process_, address_, bytes.data(), size, &read);
        return bytes.substr(0, read);
    }
    void Keep() { keep_ = true; }

private:
    HANDLE process_;
    void* address_ = nullptr;
    bool keep_ = false;
};

std::string ClassOf(HWND window) {
    char name[256];
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM data) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

std::string Ansi(const char* utf8) {
    wchar_t wide[4096];
    char text[8192];
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 4096);
    int length = platform::SpellWideName(wide, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

std::string ModuleText(const std::string& exe, int id) {
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char text[4096];
    int length = module != nullptr ? LoadStringA(module, id, text, sizeof text) : 0;
    if (module != nullptr) {
        FreeLibrary(module);
    }
    if (length <= 0) {
        ADD_FAILURE() << exe << " has no text " << id;
        return "";
    }
    return std::string(text, length);
}

// ---- Programs ----------------------------------------------------------------

Program::~Program() {
    if (Running()) {
        TerminateProcess(process_, 255);
        WaitForSingleObject(process_, 5000);
    }
    if (process_ != nullptr) {
        CloseHandle(process_);
    }
}

bool Program::Start(const std::string& exe, const std::string& folder,
                    const std::string& arguments) {
    if (Running()) {
        ADD_FAILURE() << exe << " is started again while it runs";
        return false;
    }
    if (process_ != nullptr) {
        CloseHandle(process_);
    }
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // Detached from the test's console, as a program started from the
    // desktop is: GnuPG, started by it, then gets a console of its own.
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                        nullptr, folder.c_str(), &startup, &info)) {
        ADD_FAILURE() << "cannot start " << exe << " in " << folder << " (" << GetLastError()
                      << ")";
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

bool Program::WaitForExit(DWORD* code, int timeoutMs) {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "timed out waiting for process " << id_ << " to end";
        return false;
    }
    return GetExitCodeProcess(process_, code) != 0;
}

bool Program::Running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

// ---- Windows -----------------------------------------------------------------

bool WaitUntil(const std::function<bool()>& done, const std::string& what, int timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= deadline) {
            ADD_FAILURE() << "timed out after " << timeoutMs << " ms waiting for " << what;
            return false;
        }
        Sleep(50);
    }
    return true;
}

int ChildProcesses(DWORD parentId, const char* exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    int count = 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        count += entry.th32ParentProcessID == parentId && lstrcmpiA(entry.szExeFile, exeName) == 0;
    }
    CloseHandle(snapshot);
    return count;
}

std::vector<HWND> TopWindows(DWORD processId, const char* className) {
    struct Search {
        DWORD processId;
        const char* className;
        std::vector<HWND> found;
    } search{processId, className, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            Search& s = *reinterpret_cast<Search*>(data);
            if (ProcessOf(window) == s.processId && IsWindowVisible(window) &&
                ClassOf(window) == s.className) {
                s.found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindChild(HWND parent, int id) {
    for (HWND child : Descendants(parent)) {
        if (GetDlgCtrlID(child) == id) {
            return child;
        }
    }
    return nullptr;
}

HWND FindChildByClass(HWND parent, const char* className) {
    for (HWND child : Descendants(parent)) {
        if (ClassOf(child) == className) {
            return child;
        }
    }
    return nullptr;
}

std::string TitleOf(HWND window) {
    char title[1024];
    int length = GetWindowTextA(window, title, sizeof title);
    return std::string(title, length > 0 ? length : 0);
}

std::string TextOf(HWND control) {
    std::string text(1024, '\0');
    DWORD_PTR copied = 0;
    if (!Ask(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied)) {
        ADD_FAILURE() << "control " << control << " does not tell its text";
        return "";
    }
    // A text with characters the code page lacks (a file name) is read in
    // wide form and spelled as the program spells such names.
    wchar_t wide[1024] = L"";
    BOOL usedDefault = FALSE;
    if (SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(wide),
                            SMTO_ABORTIFHUNG, 5000, &copied) != 0 &&
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr,
                            &usedDefault) > 0 &&
        usedDefault) {
        platform::SpellWideName(wide, text.data(), static_cast<int>(text.size()));
    }
    return text.substr(0, text.find('\0'));
}

bool SetText(HWND control, const std::string& text) {
    DWORD_PTR answer = 0;
    std::wstring wide = platform::WideName(text.c_str());
    bool sent =
        control != nullptr &&
        (platform::HoldsWideUnits(text.c_str())
             ? SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()),
                                   SMTO_ABORTIFHUNG, 5000, &answer) != 0
             : Ask(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &answer));
    if (!sent || answer == 0) {
        ADD_FAILURE() << "control " << control << " refused the text \"" << text << "\"";
        return false;
    }
    return true;
}

bool Click(HWND button) {
    if (button == nullptr || !PostMessageA(button, BM_CLICK, 0, 0)) {
        ADD_FAILURE() << "cannot click button " << button;
        return false;
    }
    return true;
}

bool PostCommand(HWND window, int id) {
    if (!PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0)) {
        ADD_FAILURE() << "cannot post command " << id << " to window " << window;
        return false;
    }
    return true;
}

bool PressDialogButton(HWND dialog, int id) {
    // The OK button of a file dialog is a direct child with id 1; its file
    // list, deeper down, has id 1 as well.
    HWND button = GetDlgItem(dialog, id);
    return button != nullptr ? Click(button) : PostCommand(dialog, id);
}

// A file manager hands over an HDROP: a DROPFILES header, the names each
// ending with a zero byte, and one more zero byte. The program reads it
// with DragQueryFileA, which only locks the handle, so a block of that form
// written into the program's memory serves as the HDROP. DragFinish cannot
// free it; the few bytes stay with the program until it ends.
bool DropFiles(HWND window, const std::vector<std::string>& paths) {
    // Wide names, as Explorer drops them: so names with characters the code
    // page lacks reach the program as they are.
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.pt = {20, 20};
    header.fWide = TRUE;
    std::wstring names;
    for (const std::string& path : paths) {
        names += platform::WideName(path.c_str()) + L'\0';
    }
    names += L'\0';
    std::string block(reinterpret_cast<const char*>(&header), sizeof header);
    block.append(reinterpret_cast<const char*>(names.data()), names.size() * sizeof(wchar_t));
    RemoteBlock remote(window, block);
    if (remote.Address() == nullptr ||
        !PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote.Address()), 0)) {
        ADD_FAILURE() << "cannot drop files on window " << window;
        return false;
    }
    remote.Keep();
    return true;
}

MessageBoxView ReadMessageBox(HWND box) {
    MessageBoxView view;
    view.caption = TitleOf(box);
    for (HWND child : Descendants(box)) {
        std::string className = ClassOf(child);
        if (className == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
            std::string text = TextOf(child);
            if (!text.empty()) {
                view.text += (view.text.empty() ? "" : "\n") + text;
            }
        }
    }
    return view;
}

// A status bar writes its text only into memory of its own process. The
// single pane of simple mode is read as pane 0. A window long busy with GnuPG
// gives no text: a caller that waits for one asks again.
std::string StatusBarText(HWND statusBar) {
    const std::size_t size = 4096;
    RemoteBlock remote(statusBar, std::string(size, '\0'));
    DWORD_PTR answer = 0;
    if (remote.Address() == nullptr) {
        ADD_FAILURE() << "cannot read the status bar " << statusBar;
        return "";
    }
    if (!Ask(statusBar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(remote.Address()), &answer)) {
        return "";
    }
    std::string text = remote.Read(size);
    return text.substr(0, text.find('\0'));
}

HWND FileNameField(HWND dialog) {
    // Explorer-style dialogs hold the field (id 1148) inside a combo box of
    // the same id; old-style ones have a plain field, edt1 (0x480).
    for (HWND child : Descendants(dialog)) {
        int id = GetDlgCtrlID(child);
        if ((id == 1148 || id == 0x480) && ClassOf(child) == "Edit") {
            return child;
        }
    }
    return nullptr;
}

std::string ClipboardText() {
    std::string text;
    if (OpenClipboard(nullptr)) {
        HANDLE block = GetClipboardData(CF_TEXT);
        const char* data = block != nullptr ? static_cast<const char*>(GlobalLock(block)) : nullptr;
        if (data != nullptr) {
            text = data;
            GlobalUnlock(block);
        }
        CloseClipboard();
    }
    return text;
}

// ---- Screenshots ------------------------------------------------------------

namespace {

std::string gShotFolder;
bool gFlat = false;
std::map<std::string, int> gShotCounters;

// The screen as a 24-bit BMP file: the file header, the bitmap header and
// the rows as GetDIBits gives them.
bool SaveScreen(const std::string& path) {
    int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BOOL copied = BitBlt(memory, 0, 0, width, height, screen, GetSystemMetrics(SM_XVIRTUALSCREEN),
                         GetSystemMetrics(SM_YVIRTUALSCREEN), SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // rows from the bottom, as BMP files keep them
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string pixels(static_cast<std::size_t>((width * 3 + 3) & ~3) * height, '\0');
    int rows = GetDIBits(memory, bitmap, 0, height, pixels.data(),
                         reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof file + sizeof info + pixels.size()), 0,
                          0, sizeof file + sizeof info};
    FILE* out = copied && rows == height ? std::fopen(path.c_str(), "wb") : nullptr;
    bool written = out != nullptr && std::fwrite(&file, sizeof file, 1, out) == 1 &&
                   std::fwrite(&info, sizeof info, 1, out) == 1 &&
                   std::fwrite(pixels.data(), pixels.size(), 1, out) == 1;
    if (out != nullptr) {
        written = std::fclose(out) == 0 && written;
    }
    return written;
}

}  // namespace

void SetScreenshotFolder(const std::string& folder, bool flat) {
    gShotFolder = folder;
    gFlat = flat;
}

void Screenshot(const std::string& step, const Program* program) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name =
        test != nullptr ? std::string(test->test_suite_name()) + "." + test->name() : "run";
    std::string folder = gFlat ? gShotFolder : gShotFolder + "\\" + name;
    int& counter = gShotCounters[gFlat ? "" : name];
    if (counter == 0 && !gFlat) {
        test_support::RemoveTree(folder);  // the pictures of an earlier run
    }
    CreateDirectoryA(gShotFolder.c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    if (program != nullptr && program->Running()) {
        WaitForInputIdle(program->Handle(), 2000);
        Sleep(100);  // a window just shown may not be painted yet
    }
    char number[16];
    std::snprintf(number, sizeof number, "%02d-", ++counter);
    std::string path = folder + "\\" + number + step + ".bmp";
    EXPECT_TRUE(SaveScreen(path)) << "cannot save the screenshot " << path;
    if (gFlat) {
        std::printf("walkthrough %s: %s%s.bmp\n", name.c_str(), number, step.c_str());
        std::fflush(stdout);
    }
}

}  // namespace e2e
