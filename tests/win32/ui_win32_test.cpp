// The real Windows user interface, worked under Wine: the passphrase prompt
// driven from a second thread as a person would (type, press OK or Cancel,
// Escape, the close box), the clipboard hand-over, the menu check marks and
// the filter list of the file dialogs.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/ui.h"
#include "platform/win32/file_filter_list.h"
#include "resources/resource.h"

namespace {

// Waits up to 10 seconds for a top-level dialog with this title.
HWND WaitForDialog(const char* title) {
    for (int i = 0; i < 200; ++i) {
        HWND window = FindWindowA("#32770", title);
        if (window != nullptr && IsWindowVisible(window)) {
            return window;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

std::string ItemText(HWND dialog, int id) {
    char text[512] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Runs PromptPassphrase on this thread while `act` works the dialog titled
// `title` from a second thread; returns the prompt's result.
int PromptWhile(const char* caption, const char* prompt, char* output, int maxLength,
                const char* title, const std::function<void(HWND)>& act) {
    std::thread person([&] {
        HWND dialog = WaitForDialog(title);
        if (dialog != nullptr) {
            act(dialog);
        }
    });
    int result = ui::PromptPassphrase(nullptr, output, maxLength, prompt, caption);
    person.join();
    return result;
}

void Type(HWND dialog, const std::string& text) {
    HWND field = GetDlgItem(dialog, IDC_PASSPHRASE_FIELD);
    for (char c : text) {
        PostMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
}

void Press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

// Waits until the dialog's field holds `length` characters (posted typing
// is handled by the dialog's own thread).
void WaitForFieldLength(HWND dialog, int length) {
    HWND field = GetDlgItem(dialog, IDC_PASSPHRASE_FIELD);
    for (int i = 0; i < 100 && GetWindowTextLengthA(field) < length; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Watches what becomes of the field's text until the dialog goes: every text
// set into it, and what it holds when it is destroyed.
struct FieldWatch {
    WNDPROC original = nullptr;
    std::vector<std::string> textsSet;
    std::string textAtDestroy = "(not destroyed)";
};
FieldWatch gFieldWatch;

LRESULT CALLBACK WatchingFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) {
        gFieldWatch.textsSet.push_back(reinterpret_cast<const char*>(lParam));
    } else if (message == WM_DESTROY) {
        gFieldWatch.textAtDestroy = WindowText(field);
    }
    return CallWindowProcA(gFieldWatch.original, field, message, wParam, lParam);
}

void WatchField(HWND dialog) {
    gFieldWatch = FieldWatch{};
    HWND field = GetDlgItem(dialog, IDC_PASSPHRASE_FIELD);
    gFieldWatch.original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchingFieldProc)));
}

TEST(PassphrasePromptTest, OkHandsOverWhatWasTypedWithCaptionAndPromptShown) {
    char output[260] = "left over";
    std::string title, prompt;
    int result = PromptWhile("Caption A", "Prompt A", output, 256, "Caption A", [&](HWND dialog) {
        title = WindowText(dialog);
        prompt = ItemText(dialog, IDC_PROMPT_TEXT);
        Type(dialog, "correct horse");
        WaitForFieldLength(dialog, 13);
        WatchField(dialog);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(output, "correct horse");
    EXPECT_EQ(title, "Caption A");
    EXPECT_EQ(prompt, "Prompt A");
    // The typed text is overwritten in place, then emptied, before the
    // dialog goes.
    EXPECT_EQ(gFieldWatch.textsSet, (std::vector<std::string>{"xxxxxxxxxxxxx", ""}));
    EXPECT_EQ(gFieldWatch.textAtDestroy, "");
}

TEST(PassphrasePromptTest, TheFieldTakesAtMostMaxLengthLessOneCharacters) {
    char output[8];
    LRESULT limit = 0;
    int result =
        PromptWhile("Caption B", nullptr, output, sizeof output, "Caption B", [&](HWND dialog) {
            limit = SendDlgItemMessageA(dialog, IDC_PASSPHRASE_FIELD, EM_GETLIMITTEXT, 0, 0);
            Type(dialog, "abcdefghij");
            WaitForFieldLength(dialog, 7);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            Press(dialog, IDOK);
        });
    EXPECT_EQ(limit, 7);
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(output, "abcdefg");
}

TEST(PassphrasePromptTest, OkOnAnEmptyFieldConfirmsTheEmptyText) {
    char output[32] = "old";
    int result = PromptWhile("Caption C", nullptr, output, sizeof output, "Caption C",
                             [&](HWND dialog) { Press(dialog, IDOK); });
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(output, "");
}

TEST(PassphrasePromptTest, CancelEscapeAndTheCloseBoxGiveZeroAndTheEmptyText) {
    const std::function<void(HWND)> ways[] = {
        [](HWND dialog) { Press(dialog, IDCANCEL); },
        [](HWND dialog) {
            HWND field = GetDlgItem(dialog, IDC_PASSPHRASE_FIELD);
            PostMessageA(field, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        },
        [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (const auto& way : ways) {
        char output[32] = "previous";
        int result =
            PromptWhile("Caption D", nullptr, output, sizeof output, "Caption D", [&](HWND dialog) {
                Type(dialog, "typed");
                WaitForFieldLength(dialog, 5);
                WatchField(dialog);
                way(dialog);
            });
        EXPECT_EQ(result, 0);
        EXPECT_STREQ(output, "");
        EXPECT_EQ(gFieldWatch.textAtDestroy, "") << "what was typed stays in the field";
    }
}

TEST(PassphrasePromptTest, WithoutCaptionAndPromptTheTemplateTextsStay) {
    char output[32];
    std::string prompt;
    int result = PromptWhile(nullptr, nullptr, output, sizeof output, "Password", [&](HWND dialog) {
        prompt = ItemText(dialog, IDC_PROMPT_TEXT);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(prompt, "Input your password");
}

// A field whose text needs more bytes than the buffer holds (double-byte
// characters counted as one by the field's limit) is refused with a message,
// never cut; the prompt stays open.
TEST(PassphrasePromptTest, ATextLongerThanTheBufferIsRefusedNotCut) {
    char invalid[260];
    platform::LoadText(57, invalid, sizeof invalid);
    char output[8] = "old";
    std::string refusal;
    bool stillOpen = false;
    int result =
        PromptWhile("Caption E", nullptr, output, sizeof output, "Caption E", [&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_PASSPHRASE_FIELD, "abcdefghijkl");
            Press(dialog, IDOK);
            HWND box = WaitForDialog("Message Box");
            if (box != nullptr) {
                char text[260] = {};
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                refusal = text;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            stillOpen = IsWindow(dialog) != FALSE;
            Press(dialog, IDCANCEL);
        });
    EXPECT_EQ(refusal, invalid);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, 0);
    EXPECT_STREQ(output, "");
}

// ---- Clipboard ------------------------------------------------------------------

TEST(ClipboardTest, TheTextArrivesAsPlainText) {
    const char fingerprint[] = "0123456789ABCDEF0123456789ABCDEF01234567";
    ASSERT_EQ(ui::PutTextOnClipboard(fingerprint), 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_TEXT);
    std::string text;
    if (data != nullptr) {
        text = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    EXPECT_EQ(text, fingerprint);
}

TEST(ClipboardTest, AnOpenClipboardIsReportedAndLeftAlone) {
    ASSERT_EQ(ui::PutTextOnClipboard("first"), 0);
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE tried = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread other([&] {
        // Another window holds the clipboard open until the attempt is over.
        HWND holder =
            CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        bool open = OpenClipboard(holder) != FALSE;
        SetEvent(opened);
        if (open) {
            WaitForSingleObject(tried, 10000);
            CloseClipboard();
        }
        DestroyWindow(holder);
    });
    WaitForSingleObject(opened, 10000);
    int result = ui::PutTextOnClipboard("second");
    SetEvent(tried);
    other.join();
    CloseHandle(opened);
    CloseHandle(tried);
    EXPECT_EQ(result, 47);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_TEXT);
    std::string text = data != nullptr ? static_cast<const char*>(GlobalLock(data)) : "";
    if (data != nullptr) {
        GlobalUnlock(data);
    }
    CloseClipboard();
    EXPECT_EQ(text, "first");
}

// ---- Menu check marks -------------------------------------------------------------

TEST(MenuTest, CheckMarksAreSetAndClearedLeavingTheItemEnabled) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_MENU));
    ASSERT_NE(menu, nullptr);
    HWND window = CreateWindowA("STATIC", "menu test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                menu, nullptr, nullptr);
    ASSERT_NE(window, nullptr);

    ui::SetMenuItemChecked(window, IDM_ENCRYPT_NO_SIGN, true);
    EXPECT_EQ(GetMenuState(menu, IDM_ENCRYPT_NO_SIGN, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED),
              static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(GetMenuState(menu, IDM_DECRYPT_NO_VERIFY, MF_BYCOMMAND) & MF_CHECKED, 0u);

    EnableMenuItem(menu, IDM_ENCRYPT_NO_SIGN, MF_BYCOMMAND | MF_GRAYED);
    ui::SetMenuItemChecked(window, IDM_ENCRYPT_NO_SIGN, false);
    EXPECT_EQ(GetMenuState(menu, IDM_ENCRYPT_NO_SIGN, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED), 0u);

    DestroyWindow(window);
}

// ---- Filter list ------------------------------------------------------------------

TEST(FilterListTest, PairsAreTerminatedAndTheListEndsInTwoTerminators) {
    const ui::FileFilter keyFiles[] = {{"gpg Files(*.gpg)", "*.gpg"}, {"All Files(*.*)", "*.*"}};
    EXPECT_EQ(ui::BuildFilterList(keyFiles, 2),
              std::string("gpg Files(*.gpg)\0*.gpg\0All Files(*.*)\0*.*\0\0", 43));
    const ui::FileFilter allFiles[] = {{"All Files(*.*)", "*.*"}};
    EXPECT_EQ(ui::BuildFilterList(allFiles, 1), std::string("All Files(*.*)\0*.*\0\0", 20));
    EXPECT_EQ(ui::BuildFilterList(nullptr, 0), std::string("\0\0", 2));
}

}  // namespace
