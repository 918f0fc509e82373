#include "tests/e2e/driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>

#include "tests/e2e/probe.h"
#include "tests/support/test_support.h"

namespace e2e {

namespace {

std::string Hex(const void* value) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", value);
    return text;
}

DWORD ProcessOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

// The programs started by this test program, still running or not.
std::vector<HANDLE> StartedPrograms;

// A block of memory in another process, released when it goes out of scope
// (unless Keep() handed it over to the other process for good).
class RemoteBlock {
public:
    RemoteBlock(DWORD processId, std::size_t size) : size_(size) {
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                   PROCESS_QUERY_INFORMATION | PROCESS_CREATE_THREAD,
                               FALSE, processId);
        if (process_ != nullptr) {
            address_ =
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
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
    HANDLE Process() const { return process_; }
    bool Write(const void* data, std::size_t size) {
        SIZE_T written = 0;
        return size <= size_ && WriteProcessMemory(process_, address_, data, size, &written) &&
               written == size;
    }
    bool Read(void* data, std::size_t size) {
        SIZE_T read = 0;
        return size <= size_ && ReadProcessMemory(process_, address_, data, size, &read) &&
               read == size;
    }
    void Keep() { keep_ = true; }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    std::size_t size_;
    bool keep_ = false;
};

bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* answer) {
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendMs,
                               answer) != 0;
}

void MakeFolders(const std::string& path) {
    for (std::size_t at = path.find('\\', 3); at != std::string::npos;
         at = path.find('\\', at + 1)) {
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryA(path.c_str(), nullptr);
}

// Runs `start` in `process` on a thread of its own with `parameter`, and
// gives the thread's exit code.
bool RunRemoteThread(HANDLE process, const void* start, void* parameter, DWORD* exitCode) {
    HANDLE thread = CreateRemoteThread(
        process, nullptr, 0,
        reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<std::uintptr_t>(start)),
        parameter, 0, nullptr);
    if (thread == nullptr) {
        return false;
    }
    bool ended = WaitForSingleObject(thread, kSendMs) == WAIT_OBJECT_0 &&
                 GetExitCodeThread(thread, exitCode);
    CloseHandle(thread);
    return ended;
}

// Runs the probe routine `routine` (probe.h) inside the process of `window`
// with a copy of `question`: the probe DLL is loaded there with LoadLibraryA
// on a remote thread (kernel32 lies at the same address in every process),
// found among the process's modules, and the routine's address worked out
// from its offset in the DLL as loaded here.
bool AskProbe(HWND window, const char* routine, const void* question, std::size_t size,
              DWORD* answer) {
    static const std::string probePath = test_support::HostPath(QUILLET_E2E_PROBE);
    HMODULE local = LoadLibraryA(probePath.c_str());
    FARPROC localRoutine = local != nullptr ? GetProcAddress(local, routine) : nullptr;
    if (localRoutine == nullptr) {
        ADD_FAILURE() << "cannot load the probe " << probePath;
        return false;
    }
    std::uintptr_t offset =
        reinterpret_cast<std::uintptr_t>(localRoutine) - reinterpret_cast<std::uintptr_t>(local);

    DWORD processId = ProcessOf(window);
    RemoteBlock path(processId, probePath.size() + 1);
    DWORD loaded = 0;
    const void* loader = reinterpret_cast<const void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA"));
    if (path.Address() == nullptr || !path.Write(probePath.c_str(), probePath.size() + 1) ||
        !RunRemoteThread(path.Process(), loader, path.Address(), &loaded) || loaded == 0) {
        ADD_FAILURE() << "cannot load the probe into process " << processId;
        return false;
    }

    std::uintptr_t base = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    if (snapshot != INVALID_HANDLE_VALUE) {
        for (BOOL more = Module32First(snapshot, &module); more;
             more = Module32Next(snapshot, &module)) {
            if (lstrcmpiA(module.szModule, "e2e_probe.dll") == 0) {
                base = reinterpret_cast<std::uintptr_t>(module.modBaseAddr);
            }
        }
        CloseHandle(snapshot);
    }
    RemoteBlock block(processId, size);
    if (base == 0 || block.Address() == nullptr || !block.Write(question, size) ||
        !RunRemoteThread(block.Process(), reinterpret_cast<const void*>(base + offset),
                         block.Address(), answer)) {
        ADD_FAILURE() << "the probe in process " << processId << " does not answer";
        return false;
    }
    return true;
}

}  // namespace

// ---- Texts -----------------------------------------------------------------

std::string Ansi(const char* utf8) {
    int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring wide(wideLength, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), wideLength);
    int length = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(length, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text.data(), length, nullptr, nullptr);
    text.resize(length > 0 ? length - 1 : 0);
    return text;
}

std::string ModuleText(const std::string& exePath, int id) {
    HMODULE module = LoadLibraryExA(exePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        ADD_FAILURE() << "cannot load the resources of " << exePath;
        return "";
    }
    char text[4096];
    int length = LoadStringA(module, id, text, sizeof text);
    FreeLibrary(module);
    if (length <= 0) {
        ADD_FAILURE() << exePath << " has no text " << id << " in its string table";
        return "";
    }
    return std::string(text, length);
}

// ---- Programs ----------------------------------------------------------------

Program::~Program() {
    if (IsRunning()) {
        Kill();
    }
    if (process_ != nullptr) {
        StartedPrograms.erase(std::remove(StartedPrograms.begin(), StartedPrograms.end(), process_),
                              StartedPrograms.end());
        CloseHandle(process_);
    }
}

bool Program::Start(const std::string& exePath, const std::string& folder) {
    // A program object can start its program again once the last run ended.
    if (IsRunning()) {
        ADD_FAILURE() << exePath << " is started again while it still runs";
        return false;
    }
    if (process_ != nullptr) {
        StartedPrograms.erase(std::remove(StartedPrograms.begin(), StartedPrograms.end(), process_),
                              StartedPrograms.end());
        CloseHandle(process_);
        process_ = nullptr;
    }
    std::string commandLine = "\"" + exePath + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // Detached from the test program's console, as a program started from
    // the desktop is: under Wine a GUI program would otherwise share that
    // console, and so would the console programs it starts (GnuPG), which
    // then cannot open a console of their own.
    if (!CreateProcessA(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS, nullptr, folder.c_str(), &startup, &info)) {
        ADD_FAILURE() << "cannot start " << exePath << " in " << folder << " (error "
                      << GetLastError() << ")";
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    StartedPrograms.push_back(process_);
    return true;
}

bool Program::WaitForExit(int timeoutMs, DWORD* exitCode) {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "timed out after " << timeoutMs << " ms waiting for process " << id_
                      << " to end";
        return false;
    }
    return GetExitCodeProcess(process_, exitCode) != 0;
}

bool Program::IsRunning() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

void Program::Kill() {
    if (process_ != nullptr) {
        TerminateProcess(process_, 255);
        WaitForSingleObject(process_, 5000);
    }
}

// ---- Finding windows -----------------------------------------------------------

std::string WindowQuery::Describe() const {
    std::string text = visibleOnly ? "a visible top-level window" : "a top-level window";
    if (!className.empty()) {
        text += " of class \"" + className + "\"";
    }
    if (!title.empty()) {
        text += (titlePrefix ? " titled \"" + title + "...\"" : " titled \"" + title + "\"");
    }
    if (processId != 0) {
        text += " of process " + std::to_string(processId);
    }
    return text;
}

WindowQuery WindowsOf(DWORD processId, const std::string& className, const std::string& title) {
    WindowQuery query;
    query.processId = processId;
    query.className = className;
    query.title = title;
    return query;
}

std::vector<HWND> FindTopWindows(const WindowQuery& query) {
    struct Search {
        const WindowQuery* query;
        std::vector<HWND> found;
    } search{&query, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            Search& s = *reinterpret_cast<Search*>(data);
            const WindowQuery& q = *s.query;
            if (q.processId != 0) {
                DWORD processId = 0;
                GetWindowThreadProcessId(window, &processId);
                if (processId != q.processId) {
                    return TRUE;
                }
            }
            if (q.visibleOnly && !IsWindowVisible(window)) {
                return TRUE;
            }
            if (!q.className.empty() && ClassOf(window) != q.className) {
                return TRUE;
            }
            if (!q.title.empty()) {
                std::string title = TitleOf(window);
                if (q.titlePrefix ? title.compare(0, q.title.size(), q.title) != 0
                                  : title != q.title) {
                    return TRUE;
                }
            }
            s.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTopWindow(const WindowQuery& query) {
    std::vector<HWND> found = FindTopWindows(query);
    return found.empty() ? nullptr : found.front();
}

bool Eventually(const std::function<bool()>& done, int timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) {
            return true;
        }
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(50);
    }
}

bool WaitUntil(const std::function<bool()>& done, const std::string& what, int timeoutMs) {
    if (Eventually(done, timeoutMs)) {
        return true;
    }
    ADD_FAILURE() << "timed out after " << timeoutMs << " ms waiting for " << what;
    return false;
}

HWND WaitForTopWindow(const WindowQuery& query, int timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(query)) != nullptr; }, query.Describe(),
              timeoutMs);
    return found;
}

bool WaitForNoTopWindow(const WindowQuery& query, int timeoutMs) {
    return WaitUntil([&] { return FindTopWindow(query) == nullptr; },
                     "no " + query.Describe() + " to be left", timeoutMs);
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

HWND FindChild(HWND parent, int id) {
    for (HWND child : Descendants(parent)) {
        if (GetDlgCtrlID(child) == id) {
            return child;
        }
    }
    return nullptr;
}

HWND FindChildByClass(HWND parent, const std::string& className, int index) {
    for (HWND child : Descendants(parent)) {
        if (ClassOf(child) == className && index-- == 0) {
            return child;
        }
    }
    return nullptr;
}

std::string ClassOf(HWND window) {
    char name[256];
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

std::string TitleOf(HWND window) {
    char title[1024];
    int length = GetWindowTextA(window, title, sizeof title);
    return std::string(title, length > 0 ? length : 0);
}

std::string TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!Ask(window, WM_GETTEXTLENGTH, 0, 0, &length)) {
        ADD_FAILURE() << "window " << Hex(window) << " does not tell its text length";
        return "";
    }
    // WM_GETTEXTLENGTH may count characters; leave room for double-byte ones.
    std::string text(length * 2 + 1, '\0');
    DWORD_PTR copied = 0;
    if (!Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied)) {
        ADD_FAILURE() << "window " << Hex(window) << " does not tell its text";
        return "";
    }
    text.resize(std::min<std::size_t>(copied, text.size()));
    return text.substr(0, text.find('\0'));
}

// ---- Acting ----------------------------------------------------------------------

bool SetText(HWND control, const std::string& text) {
    DWORD_PTR answer = 0;
    if (!Ask(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &answer) ||
        answer == 0) {
        ADD_FAILURE() << "control " << Hex(control) << " refused the text \"" << text << "\"";
        return false;
    }
    return true;
}

bool Click(HWND button) {
    if (!PostMessageA(button, BM_CLICK, 0, 0)) {
        ADD_FAILURE() << "cannot click button " << Hex(button);
        return false;
    }
    return true;
}

bool PostCommand(HWND window, int id, HWND control) {
    WPARAM wParam = MAKEWPARAM(id, control != nullptr ? BN_CLICKED : 0);
    if (!PostMessageA(window, WM_COMMAND, wParam, reinterpret_cast<LPARAM>(control))) {
        ADD_FAILURE() << "cannot post command " << id << " to window " << Hex(window);
        return false;
    }
    return true;
}

// An open menu is a top-level window of class "#32768" of the program.
bool OpenMenu(HWND window, char letter) {
    if (!PostMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, static_cast<unsigned char>(letter))) {
        ADD_FAILURE() << "cannot open a menu of window " << Hex(window);
        return false;
    }
    return WaitForTopWindow(WindowsOf(ProcessOf(window), "#32768")) != nullptr;
}

bool CloseMenu(HWND window) {
    // The first Escape closes the menu, the second leaves the menu bar.
    for (int i = 0; i < 2; ++i) {
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    }
    return WaitForNoTopWindow(WindowsOf(ProcessOf(window), "#32768"));
}

int ButtonState(HWND button) {
    DWORD_PTR state = 0;
    return Ask(button, BM_GETCHECK, 0, 0, &state) ? static_cast<int>(state) : -1;
}

// A file manager hands a window its dropped files as an HDROP: a DROPFILES
// header followed by the names, each ending with a zero byte, and one more
// zero byte after the last. The receiving program reads it with
// DragQueryFileA, which only locks the handle and reads the block. So the
// driver writes such a block into the program's own memory
// (VirtualAllocEx/WriteProcessMemory) and posts WM_DROPFILES with its
// address as the HDROP. Locking a plain address yields the address itself,
// so under Wine the names arrive at DragQueryFileA byte for byte, code-page
// 932 names included (fWide is 0: ANSI names). The program's DragFinish
// cannot free a block it did not allocate; the few bytes stay with the
// program under test until it ends.
bool DropFiles(HWND window, const std::vector<std::string>& paths, POINT at) {
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.pt = at;
    header.fNC = FALSE;
    header.fWide = FALSE;
    std::string block(reinterpret_cast<const char*>(&header), sizeof header);
    for (const std::string& path : paths) {
        block += path;
        block.push_back('\0');
    }
    block.push_back('\0');
    RemoteBlock remote(ProcessOf(window), block.size());
    if (remote.Address() == nullptr || !remote.Write(block.data(), block.size())) {
        ADD_FAILURE() << "cannot write the dropped names into the process of window "
                      << Hex(window);
        return false;
    }
    if (!PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote.Address()), 0)) {
        ADD_FAILURE() << "cannot post WM_DROPFILES to window " << Hex(window);
        return false;
    }
    remote.Keep();
    return true;
}

// ---- Reading ---------------------------------------------------------------------

MessageBoxView ReadMessageBox(HWND box) {
    MessageBoxView view;
    view.window = box;
    view.caption = TitleOf(box);
    for (HWND child : Descendants(box)) {
        std::string className = ClassOf(child);
        if (className == "Static") {
            // An icon's static control holds the icon's resource id as text.
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                continue;
            }
            std::string text = TextOf(child);
            if (!text.empty()) {
                view.text += (view.text.empty() ? "" : "\n") + text;
            }
        } else if (className == "Button") {
            view.buttons.push_back(TextOf(child));
        }
    }
    return view;
}

bool WaitForMessageBox(DWORD processId, MessageBoxView* box, const std::string& caption,
                       int timeoutMs) {
    HWND found = WaitForTopWindow(WindowsOf(processId, "#32770", caption), timeoutMs);
    if (found == nullptr) {
        return false;
    }
    *box = ReadMessageBox(found);
    return true;
}

bool PressDialogButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (button != nullptr) {
        return Click(button);
    }
    return PostCommand(dialog, id);
}

// A status bar hands its text out only into a buffer of the caller, so the
// buffer must lie in the status bar's own process. The single pane of a
// status bar in simple mode is set as pane 255 (SB_SIMPLEID) but read as
// pane 0: asking for 255 gets no text.
std::string StatusBarText(HWND statusBar, int pane) {
    if (pane == SB_SIMPLEID) {
        pane = 0;
    }
    DWORD_PTR lengthAndType = 0;
    if (!Ask(statusBar, SB_GETTEXTLENGTHA, pane, 0, &lengthAndType)) {
        ADD_FAILURE() << "status bar " << Hex(statusBar) << " does not tell its text length";
        return "";
    }
    // The length may count characters, and SB_GETTEXTA writes the whole text
    // without a limit: make the buffer big enough for double-byte text.
    std::size_t size = std::max<std::size_t>(4096, LOWORD(lengthAndType) * 4 + 16);
    RemoteBlock remote(ProcessOf(statusBar), size);
    std::string text(size, '\0');
    DWORD_PTR answer = 0;
    if (remote.Address() == nullptr || !remote.Write(text.data(), size) ||
        !Ask(statusBar, SB_GETTEXTA, pane, reinterpret_cast<LPARAM>(remote.Address()), &answer) ||
        !remote.Read(text.data(), size)) {
        ADD_FAILURE() << "cannot read the text of status bar " << Hex(statusBar);
        return "";
    }
    return text.substr(0, text.find('\0'));
}

// On Windows GetMenuState answers for the menu of another process; under
// Wine a menu can only be asked by its own process, so the probe asks there.
int MenuItemState(HWND window, int commandId) {
    HMENU menu = GetMenu(window);
    if (menu == nullptr) {
        ADD_FAILURE() << "window " << Hex(window) << " has no menu";
        return -1;
    }
    UINT state = GetMenuState(menu, commandId, MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1) && ProcessOf(window) != GetCurrentProcessId()) {
        e2e_probe::MenuQuestion question{window, static_cast<UINT>(commandId)};
        DWORD answer = 0;
        if (!AskProbe(window, e2e_probe::kReadMenuItemState, &question, sizeof question, &answer)) {
            return -1;
        }
        state = answer;
    }
    return state == static_cast<UINT>(-1) ? -1 : static_cast<int>(state);
}

bool MenuItemChecked(HWND window, int commandId) {
    int state = MenuItemState(window, commandId);
    if (state == -1) {
        ADD_FAILURE() << "the menu of window " << Hex(window) << " has no item " << commandId;
        return false;
    }
    return (state & MF_CHECKED) != 0;
}

double ProgressBarFill(HWND bar) {
    RECT place{};
    if (!GetWindowRect(bar, &place) || place.right <= place.left) {
        ADD_FAILURE() << "progress bar " << Hex(bar) << " has no place on the screen";
        return 0;
    }
    int width = place.right - place.left;
    int row = (place.top + place.bottom) / 2;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, 1);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BOOL copied =
        BitBlt(memory, 0, 0, width, 1, screen, place.left - GetSystemMetrics(SM_XVIRTUALSCREEN),
               row - GetSystemMetrics(SM_YVIRTUALSCREEN), SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = 1;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(width);
    int rows = GetDIBits(memory, bitmap, 0, 1, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied || rows != 1) {
        ADD_FAILURE() << "cannot read progress bar " << Hex(bar) << " from the screen";
        return 0;
    }
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    std::uint32_t wanted =
        (GetRValue(highlight) << 16) | (GetGValue(highlight) << 8) | GetBValue(highlight);
    int last = -1;
    for (int x = 0; x < width; ++x) {
        if ((pixels[x] & 0xFFFFFF) == wanted) {
            last = x;
        }
    }
    return static_cast<double>(last + 1) / width;
}

RECT RectIn(HWND window, HWND reference) {
    RECT rect{};
    GetWindowRect(window, &rect);
    if (reference != nullptr) {
        MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&rect), 2);
    }
    return rect;
}

// ---- Standard file dialogs ---------------------------------------------------------

HWND FileNameField(HWND dialog) {
    if (dialog == nullptr || ClassOf(dialog) != "#32770") {
        return nullptr;
    }
    // Explorer-style dialogs hold the field inside the combo box 1148 (the
    // field has that id too); the old-style ones have a plain field, edt1.
    for (HWND child : Descendants(dialog)) {
        if (ClassOf(child) == "Edit" &&
            (GetDlgCtrlID(child) == kFileNameComboId || GetDlgCtrlID(child) == 0x480)) {
            return child;
        }
    }
    return nullptr;
}

bool IsFileDialog(HWND window) {
    return FileNameField(window) != nullptr;
}

FileDialogView ReadFileDialog(HWND dialog) {
    FileDialogView view;
    view.window = dialog;
    view.title = TitleOf(dialog);
    HWND field = FileNameField(dialog);
    if (field == nullptr) {
        ADD_FAILURE() << "window " << Hex(dialog) << " (\"" << view.title
                      << "\") is no file dialog";
        return view;
    }
    view.name = TextOf(field);
    HWND folder = GetDlgItem(dialog, kFolderComboId);
    if (folder != nullptr) {
        view.folder = TextOf(folder);
    }
    return view;
}

bool ChooseFileName(HWND dialog, const std::string& name) {
    HWND field = FileNameField(dialog);
    if (field == nullptr) {
        ADD_FAILURE() << "window " << Hex(dialog) << " has no file-name field";
        return false;
    }
    if (!name.empty() && !SetText(field, name)) {
        return false;
    }
    // The OK button is a direct child with id 1 ("開く" or "保存"); the file
    // list inside the dialog has the id 1 as well, but is no direct child.
    return PressDialogButton(dialog, IDOK);
}

// ---- Clipboard -----------------------------------------------------------------------

bool ReadClipboardText(std::string* text) {
    if (!OpenClipboard(nullptr)) {
        return false;
    }
    bool found = false;
    HANDLE block = GetClipboardData(CF_TEXT);
    const char* data = block != nullptr ? static_cast<const char*>(GlobalLock(block)) : nullptr;
    if (data != nullptr) {
        *text = data;
        found = true;
        GlobalUnlock(block);
    }
    CloseClipboard();
    return found;
}

bool WriteClipboardText(const std::string& text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    char* data = block != nullptr ? static_cast<char*>(GlobalLock(block)) : nullptr;
    if (data == nullptr) {
        if (block != nullptr) {
            GlobalFree(block);
        }
        ADD_FAILURE() << "no memory for the clipboard text";
        return false;
    }
    std::memcpy(data, text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    bool put = false;
    if (Eventually([] { return OpenClipboard(nullptr) != FALSE; }, kSendMs)) {
        put = EmptyClipboard() && SetClipboardData(CF_TEXT, block) != nullptr;
        CloseClipboard();
    }
    if (!put) {
        GlobalFree(block);
        ADD_FAILURE() << "cannot put \"" << text << "\" on the clipboard";
    }
    return put;
}

// ---- Screenshots -----------------------------------------------------------------

namespace {

std::uint32_t Crc32(const unsigned char* data, std::size_t size, std::uint32_t crc = 0) {
    static std::uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            table[n] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

void PutBig32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBig32(out, static_cast<std::uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    PutBig32(out, Crc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

std::string ArtifactFolder;
bool ArtifactsPerTest = true;
std::string ProgramPath;

// Lets the programs under test finish painting before a screenshot: a
// window that has just opened may not be drawn yet.
void LetProgramsSettle() {
    for (HANDLE program : StartedPrograms) {
        if (WaitForSingleObject(program, 0) == WAIT_TIMEOUT) {
            WaitForInputIdle(program, 2000);
        }
    }
    Sleep(150);
}
std::map<std::string, int> StepCounters;

}  // namespace

// A PNG needs no compression: a zlib stream of "stored" deflate blocks
// (each at most 65535 bytes, with its length and the length's complement)
// and an Adler-32 checksum is a valid image that every viewer reads.
bool WritePng(const std::string& path, int width, int height,
              const std::vector<unsigned char>& rgb) {
    std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    if (width <= 0 || height <= 0 || rgb.size() != rowBytes * height) {
        ADD_FAILURE() << "no picture to write to " << path;
        return false;
    }
    std::string raw;
    raw.reserve((rowBytes + 1) * height);
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');  // filter type 0: the row as it is
        raw.append(reinterpret_cast<const char*>(rgb.data()) + y * rowBytes, rowBytes);
    }
    std::string zlib = "\x78\x01";
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        std::size_t size = std::min<std::size_t>(65535, raw.size() - at);
        bool last = at + size >= raw.size();
        zlib.push_back(last ? '\x01' : '\x00');
        zlib.push_back(static_cast<char>(size & 0xFF));
        zlib.push_back(static_cast<char>(size >> 8));
        zlib.push_back(static_cast<char>(~size & 0xFF));
        zlib.push_back(static_cast<char>((~size >> 8) & 0xFF));
        zlib.append(raw, at, size);
        if (last) {
            break;
        }
    }
    PutBig32(zlib, (b << 16) | a);

    std::string header;
    PutBig32(header, width);
    PutBig32(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, no interlace

    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", "");

    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr) &&
              written == png.size();
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    if (!ok) {
        ADD_FAILURE() << "cannot write " << path;
    }
    return ok;
}

bool SaveScreenPng(const std::string& path) {
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BOOL copied = BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY | CAPTUREBLT);
    SelectObject(memory, previous);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    std::vector<unsigned char> bgr(stride * height);
    int rows = GetDIBits(memory, bitmap, 0, height, bgr.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied || rows != height) {
        ADD_FAILURE() << "cannot capture the screen (" << width << "x" << height << ")";
        return false;
    }
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * 3 * height);
    for (int y = 0; y < height; ++y) {
        const unsigned char* from = bgr.data() + y * stride;
        unsigned char* to = rgb.data() + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            to[x * 3] = from[x * 3 + 2];
            to[x * 3 + 1] = from[x * 3 + 1];
            to[x * 3 + 2] = from[x * 3];
        }
    }
    return WritePng(path, width, height, rgb);
}

void SetArtifactRoot(const std::string& folder, bool perTest) {
    ArtifactFolder = folder;
    ArtifactsPerTest = perTest;
}

const std::string& ArtifactRoot() {
    return ArtifactFolder;
}

const std::string& ProgramUnderTest() {
    return ProgramPath;
}
void SetProgramUnderTest(const std::string& path) {
    ProgramPath = path;
}

std::string Screenshot(const std::string& step) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (ArtifactFolder.empty() || test == nullptr) {
        ADD_FAILURE() << "no folder for the screenshot \"" << step << "\"";
        return "";
    }
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    std::string folder = ArtifactsPerTest ? ArtifactFolder + "\\" + name : ArtifactFolder;
    int& counter = StepCounters[name];
    if (counter == 0) {
        MakeFolders(folder);
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((folder + "\\*.png").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((folder + "\\" + entry.cFileName).c_str());
            } while (FindNextFileA(search, &entry));
            FindClose(search);
        }
    }
    char number[16];
    std::snprintf(number, sizeof number, "%02d-", ++counter);
    std::string path = folder + "\\" + number + step + ".png";
    LetProgramsSettle();
    return SaveScreenPng(path) ? path : "";
}

}  // namespace e2e
