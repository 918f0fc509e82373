// The real Windows user interface under Wine: the passphrase prompt driven
// from a second thread, the clipboard and the file dialogs' filters.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/ui.h"
#include "platform/win32/file_filter_list.h"
#include "resources/resource.h"

namespace {

void Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Waits up to 10 seconds for a visible top-level dialog with this title.
HWND WaitForDialog(const char* title) {
    for (int i = 0; i < 200; ++i) {
        HWND window = FindWindowA("#32770", title);
        if (window != nullptr && IsWindowVisible(window)) {
            return window;
        }
        Pause(50);
    }
    return nullptr;
}

std::string TextOf(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// What the person saw, and every text the program set into the field.
struct Watch {
    WNDPROC original = nullptr;
    std::string title, prompt, refusal;
    LRESULT limit = 0;
    std::vector<std::string> textsSet;
} gWatch;

LRESULT CALLBACK WatchingFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) {
        gWatch.textsSet.push_back(reinterpret_cast<const char*>(lParam));
    }
    return CallWindowProcA(gWatch.original, field, message, wParam, lParam);
}

void Press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

// OK hands over what was typed; Cancel and Escape give 0 and the empty
// text; a text that needs more bytes than the buffer holds is refused with
// message 57 and never cut, the prompt staying open. Whatever was typed is
// overwritten and emptied before the dialog goes.
TEST(PassphrasePrompt, WorkedAsAPersonWould) {
    char invalid[260];
    platform::LoadText(57, invalid, sizeof invalid);
    const struct {
        const char* caption;  // nullptr: the template's texts stay
        int maxLength;
        const char* typed;
        int key;  // IDOK, IDCANCEL or VK_ESCAPE
        int result;
        std::string output;
        bool refused;
    } cases[] = {
        {"A", 256, "correct horse", IDOK, 1, "correct horse", false},
        {"A", 8, "", IDOK, 1, "", false},
        {"A", 8, "typed", IDCANCEL, 0, "", false},
        {nullptr, 8, "typed", VK_ESCAPE, 0, "", false},
        {"A", 8, "abcdefghijkl", IDOK, 0, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        char output[260] = "left over";
        std::thread person([&] {
            HWND dialog = WaitForDialog(c.caption != nullptr ? c.caption : "Password");
            if (dialog == nullptr) {
                return;
            }
            HWND field = GetDlgItem(dialog, IDC_PASSPHRASE_FIELD);
            SetWindowTextA(field, c.typed);
            gWatch = Watch{};
            gWatch.original = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchingFieldProc)));
            gWatch.title = TextOf(dialog);
            gWatch.prompt = TextOf(GetDlgItem(dialog, IDC_PROMPT_TEXT));
            gWatch.limit = SendMessageA(field, EM_GETLIMITTEXT, 0, 0);
            if (c.key == VK_ESCAPE) {
                PostMessageA(field, WM_KEYDOWN, VK_ESCAPE, 0x10001);
            } else {
                Press(dialog, c.key);
            }
            if (c.refused) {
                if (HWND box = WaitForDialog("Message Box")) {
                    gWatch.refusal = TextOf(GetDlgItem(box, 0xFFFF));
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                }
                Pause(300);
                Press(dialog, IDCANCEL);  // the prompt is still open
            }
        });
        int result = ui::PromptPassphrase(nullptr, output, c.maxLength,
                                          c.caption != nullptr ? "Prompt" : nullptr, c.caption);
        person.join();
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(output, c.output);
        EXPECT_EQ(gWatch.title, c.caption != nullptr ? c.caption : "Password");
        EXPECT_EQ(gWatch.prompt, c.caption != nullptr ? "Prompt" : "Input your password");
        EXPECT_EQ(gWatch.limit, c.maxLength - 1);
        EXPECT_EQ(gWatch.refusal, c.refused ? invalid : "");
        if (*c.typed != '\0') {
            EXPECT_EQ(gWatch.textsSet,
                      (std::vector<std::string>{std::string(std::strlen(c.typed), 'x'), ""}));
        }
    }
}

std::string ClipboardText() {
    std::string text;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    return text;
}

// The text arrives as plain text; a clipboard that another window holds open
// is reported (47) and left alone.
TEST(Clipboard, HandOverAndABusyClipboard) {
    ASSERT_EQ(ui::PutTextOnClipboard("0123456789ABCDEF"), 0);
    EXPECT_EQ(ClipboardText(), "0123456789ABCDEF");
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE tried = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread other([&] {
        HWND holder = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
        bool open = OpenClipboard(holder) != FALSE;
        SetEvent(opened);
        if (open) {
            WaitForSingleObject(tried, 10000);
            CloseClipboard();
        }
        DestroyWindow(holder);
    });
    WaitForSingleObject(opened, 10000);
    EXPECT_EQ(ui::PutTextOnClipboard("second"), 47);
    SetEvent(tried);
    other.join();
    CloseHandle(opened);
    CloseHandle(tried);
    EXPECT_EQ(ClipboardText(), "0123456789ABCDEF");
}

// The filters of a file dialog: pairs of terminated texts, and one more
// terminator at the end.
TEST(FileDialogs, FilterList) {
    const ui::FileFilter keyFiles[] = {{"gpg Files(*.gpg)", "*.gpg"}, {"All Files(*.*)", "*.*"}};
    EXPECT_EQ(ui::BuildFilterList(keyFiles, 2),
              std::string("gpg Files(*.gpg)\0*.gpg\0All Files(*.*)\0*.*\0\0", 43));
}

}  // namespace
