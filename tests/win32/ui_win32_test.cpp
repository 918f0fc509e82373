// The real Windows user interface, worked under Wine: the passphrase prompt
// driven from a second thread as a person would, the setup form's field
// reading, the clipboard, the menu check marks and the file dialogs' filters.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
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

HWND Field(HWND dialog) {
    return GetDlgItem(dialog, IDC_PASSPHRASE_FIELD);
}

// Types into the field (posted keys, handled by the dialog's thread) and
// waits until the field holds `expected` characters.
void Type(HWND dialog, const std::string& text, int expected) {
    for (char c : text) {
        PostMessageA(Field(dialog), WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    for (int i = 0; i < 100 && GetWindowTextLengthA(Field(dialog)) < expected; ++i) {
        Pause(20);
    }
}

void Press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

// Every text set into the field, and what it holds when it is destroyed.
struct FieldWatch {
    WNDPROC original = nullptr;
    std::vector<std::string> textsSet;
    std::string textAtDestroy = "(not destroyed)";
} gWatch;

LRESULT CALLBACK WatchingFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) {
        gWatch.textsSet.push_back(reinterpret_cast<const char*>(lParam));
    } else if (message == WM_DESTROY) {
        gWatch.textAtDestroy = TextOf(field);
    }
    return CallWindowProcA(gWatch.original, field, message, wParam, lParam);
}

// Runs PromptPassphrase here while `act` works its dialog from a second
// thread, with the field watched.
int PromptWhile(const char* caption, char* output, int maxLength,
                const std::function<void(HWND)>& act) {
    std::thread person([&] {
        HWND dialog = WaitForDialog(caption != nullptr ? caption : "Password");
        if (dialog != nullptr) {
            gWatch = FieldWatch{};
            gWatch.original = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                Field(dialog), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchingFieldProc)));
            act(dialog);
        }
    });
    int result = ui::PromptPassphrase(nullptr, output, maxLength,
                                      caption != nullptr ? "Prompt" : nullptr, caption);
    person.join();
    return result;
}

// OK hands over what was typed, up to maxLength - 1 characters; the typed
// text is overwritten in place and emptied before the dialog goes.
TEST(PassphrasePrompt, OkHandsOverWhatWasTyped) {
    const struct {
        std::string typed;
        int maxLength;
        std::string output;
    } cases[] = {
        {"correct horse", 256, "correct horse"}, {"abcdefghij", 8, "abcdefg"}, {"", 8, ""}};
    for (const auto& c : cases) {
        char output[260] = "left over";
        std::string title, prompt;
        LRESULT limit = 0;
        int result = PromptWhile("Caption A", output, c.maxLength, [&](HWND dialog) {
            title = TextOf(dialog);
            prompt = TextOf(GetDlgItem(dialog, IDC_PROMPT_TEXT));
            limit = SendMessageA(Field(dialog), EM_GETLIMITTEXT, 0, 0);
            Type(dialog, c.typed, static_cast<int>(c.output.size()));
            Pause(100);
            Press(dialog, IDOK);
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(output, c.output);
        EXPECT_EQ(title, "Caption A");
        EXPECT_EQ(prompt, "Prompt");
        EXPECT_EQ(limit, c.maxLength - 1);
        if (!c.output.empty()) {
            EXPECT_EQ(gWatch.textsSet,
                      (std::vector<std::string>{std::string(c.output.size(), 'x'), ""}));
        }
        EXPECT_EQ(gWatch.textAtDestroy, "");
    }
}

// Cancel, Escape and the close box give 0 and the empty text. Without a
// caption and a prompt the template's texts stay.
TEST(PassphrasePrompt, CancelEscapeAndTheCloseBox) {
    const std::function<void(HWND)> ways[] = {
        [](HWND dialog) { Press(dialog, IDCANCEL); },
        [](HWND dialog) { PostMessageA(Field(dialog), WM_KEYDOWN, VK_ESCAPE, 0x00010001); },
        [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (const auto& way : ways) {
        char output[32] = "previous";
        std::string prompt;
        int result = PromptWhile(nullptr, output, sizeof output, [&](HWND dialog) {
            prompt = TextOf(GetDlgItem(dialog, IDC_PROMPT_TEXT));
            Type(dialog, "typed", 5);
            way(dialog);
        });
        EXPECT_EQ(prompt, "Input your password");
        EXPECT_EQ(result, 0);
        EXPECT_STREQ(output, "");
        EXPECT_EQ(gWatch.textAtDestroy, "") << "what was typed stays in the field";
    }
}

// Text that needs more bytes than the buffer holds (a double-byte character
// counts as one against the field's limit) is refused with a message, never
// cut; the prompt stays open.
TEST(PassphrasePrompt, ATextLongerThanTheBufferIsRefusedNotCut) {
    char invalid[260];
    platform::LoadText(57, invalid, sizeof invalid);
    char output[8] = "old";
    std::string refusal;
    bool stillOpen = false;
    int result = PromptWhile("Caption E", output, sizeof output, [&](HWND dialog) {
        SetWindowTextA(Field(dialog), "abcdefghijkl");
        Press(dialog, IDOK);
        if (HWND box = WaitForDialog("Message Box")) {
            refusal = TextOf(GetDlgItem(box, 0xFFFF));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        Pause(300);
        stillOpen = IsWindow(dialog) != FALSE;
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(refusal, invalid);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, 0);
    EXPECT_STREQ(output, "");
}

// A field is read whole or not at all: 127 kanji (254 bytes) fit 256 bytes,
// 130 kanji (260 bytes) do not and leave the empty text.
TEST(DialogItems, FieldTextIsReadWholeOrNotAtAll) {
    HWND form =
        CreateWindowA("STATIC", "form", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    HWND field = CreateWindowA("EDIT", "", WS_CHILD, 0, 0, 50, 20, form,
                               reinterpret_cast<HMENU>(IDC_SETUP_PASSPHRASE), nullptr, nullptr);
    for (int kanji : {127, 130}) {
        SetWindowTextW(field, std::wstring(kanji, L'\x6f22').c_str());
        char buffer[256] = "old";
        EXPECT_EQ(ui::GetDialogItemText(form, IDC_SETUP_PASSPHRASE, buffer, sizeof buffer),
                  kanji == 127);
        EXPECT_EQ(std::string(buffer).size(), kanji == 127 ? 254u : 0u);
    }
    DestroyWindow(form);
}

// ---- Clipboard ------------------------------------------------------------------

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

// The text arrives as plain text; a clipboard another window holds open is
// reported (47) and left alone.
TEST(Clipboard, HandOverAndABusyClipboard) {
    ASSERT_EQ(ui::PutTextOnClipboard("0123456789ABCDEF0123456789ABCDEF01234567"), 0);
    EXPECT_EQ(ClipboardText(), "0123456789ABCDEF0123456789ABCDEF01234567");
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE tried = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread other([&] {
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
    EXPECT_EQ(ClipboardText(), "0123456789ABCDEF0123456789ABCDEF01234567");
}

// ---- Menu and file dialogs ---------------------------------------------------------

TEST(Menu, CheckMarksAreSetAndClearedLeavingTheItemEnabled) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_MENU));
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

TEST(FilterList, PairsAreTerminatedAndTheListEndsInTwoTerminators) {
    const ui::FileFilter keyFiles[] = {{"gpg Files(*.gpg)", "*.gpg"}, {"All Files(*.*)", "*.*"}};
    EXPECT_EQ(ui::BuildFilterList(keyFiles, 2),
              std::string("gpg Files(*.gpg)\0*.gpg\0All Files(*.*)\0*.*\0\0", 43));
    EXPECT_EQ(ui::BuildFilterList(nullptr, 0), std::string("\0\0", 2));
}

}  // namespace
