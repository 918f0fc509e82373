// The real Windows user interface under Wine: the passphrase prompt driven
// from a second thread, a busy clipboard, the file dialogs' filters and what
// the dialogs leave open.
#include <windows.h>

#include <commdlg.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/ui.h"
#include "platform/win32/file_filter_list.h"
#include "resources/resource.h"
#include "tests/support/test_support.h"

namespace {

// Waits up to 10 seconds for a visible top-level dialog with this title.
HWND WaitForDialog(const char* title) {
    for (int i = 0; i < 200; ++i) {
        HWND window = FindWindowA("#32770", title);
        if (window != nullptr && IsWindowVisible(window)) {
            return window;
        }
        Sleep(50);
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
    std::string prompt, refusal;
    LRESULT limit = 0;
    std::vector<std::string> textsSet;
} gWatch;

LRESULT CALLBACK WatchingFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) {
        gWatch.textsSet.push_back(reinterpret_cast<const char*>(lParam));
    }
    return CallWindowProcA(gWatch.original, field, message, wParam, lParam);
}

// OK hands over what was typed, Cancel the empty text; a text that needs
// more bytes than the buffer holds is refused with message 57, never cut.
// Whatever was typed is overwritten and emptied before the dialog goes.
TEST(PassphrasePrompt, WorkedAsAPersonWould) {
    char invalid[260];
    platform::LoadText(57, invalid, sizeof invalid);
    const struct {
        int maxLength;
        const char* typed;
        int key;  // IDOK or IDCANCEL
        int result;
    } cases[] = {
        {256, "correct horse", IDOK, 1},
        {8, "", IDOK, 1},
        {8, "typed", IDCANCEL, 0},
        {8, "abcdefghijkl", IDOK, 0},  // refused, then cancelled
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        bool refused = std::strlen(c.typed) >= static_cast<std::size_t>(c.maxLength);
        char output[260] = "left over";
        std::thread person([&] {
            HWND dialog = WaitForDialog("A");
            if (dialog == nullptr) {
                return;
            }
            HWND field = GetDlgItem(dialog, IDC_PASSPHRASE_FIELD);
            SetWindowTextA(field, c.typed);
            gWatch = Watch{};
            gWatch.original = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchingFieldProc)));
            gWatch.prompt = TextOf(GetDlgItem(dialog, IDC_PROMPT_TEXT));
            gWatch.limit = SendMessageA(field, EM_GETLIMITTEXT, 0, 0);
            PostMessageA(dialog, WM_COMMAND, c.key, 0);  // a button clicked
            if (refused) {
                if (HWND box = WaitForDialog("Message Box")) {
                    gWatch.refusal = TextOf(GetDlgItem(box, 0xFFFF));
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                }
                Sleep(300);
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);  // the prompt is still open
            }
        });
        int result = ui::PromptPassphrase(nullptr, output, c.maxLength, "Prompt", "A");
        person.join();
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(output, std::string(c.result == 1 ? c.typed : ""));
        EXPECT_EQ(gWatch.prompt, "Prompt");
        EXPECT_EQ(gWatch.limit, c.maxLength - 1);
        EXPECT_EQ(gWatch.refusal, refused ? invalid : "");
        if (*c.typed != '\0') {
            EXPECT_EQ(gWatch.textsSet,
                      (std::vector<std::string>{std::string(std::strlen(c.typed), 'x'), ""}));
        }
    }
}

// A clipboard that another window holds open is reported (47); the hand-over
// itself is proven on the real window (the own fingerprint).
TEST(Clipboard, ABusyClipboardIsReported) {
    HWND holder = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
    ASSERT_TRUE(OpenClipboard(holder));
    EXPECT_EQ(ui::PutTextOnClipboard("second"), 47);
    CloseClipboard();
    DestroyWindow(holder);
}

// A file dialog's filters: pairs of terminated texts, one more terminator.
TEST(FileDialogs, FilterList) {
    const ui::FileFilter keyFiles[] = {{"gpg Files(*.gpg)", "*.gpg"}, {"All Files(*.*)", "*.*"}};
    EXPECT_EQ(ui::BuildFilterList(keyFiles, 2),
              std::string("gpg Files(*.gpg)\0*.gpg\0All Files(*.*)\0*.*\0\0", 43));
}

// Wine's file dialogs keep a key of their registry branch (ComDlg32) open
// each time a file is chosen in them. A bare dialog gains exactly those
// handles and nothing else, and ours gains exactly what the bare one does:
// the share is Wine's (the end-to-end test counts those keys apart).
TEST(FileDialogs, WhatStaysOpenAfterThemIsWinesOwn) {
    const std::string file = test_support::CurrentFolder() + "\\chosen.txt";
    test_support::WriteFile(file, "chosen");
    auto choose = [&](bool ours) {
        std::thread person([] {
            if (HWND dialog = WaitForDialog("Choose")) {
                PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            }
        });
        char name[260] = {};
        file.copy(name, file.size());
        if (ours) {
            ui::AskFileName({nullptr, ui::FileDialogKind::Open, "Choose", nullptr, 0, name, nullptr,
                             ui::kFileMustExist, nullptr});
        } else {
            OPENFILENAMEA dialog{};
            dialog.lStructSize = sizeof dialog;
            dialog.lpstrFile = name;
            dialog.nMaxFile = sizeof name;
            dialog.lpstrTitle = "Choose";
            dialog.Flags = OFN_FILEMUSTEXIST;
            GetOpenFileNameA(&dialog);
        }
        person.join();
        return std::string(name);
    };
    ASSERT_EQ(choose(false), file);
    ASSERT_EQ(choose(true), file);
    const DWORD self = GetCurrentProcessId();
    int handles[3], keys[3];
    for (int round = 0; round < 3; ++round) {
        handles[round] = test_support::CountHandlesOf(self);
        keys[round] = test_support::CountFileDialogKeysOf(self);
        for (int i = 0; round < 2 && i < 5; ++i) {
            choose(round == 1);
        }
    }
    EXPECT_EQ(handles[1] - handles[0], keys[1] - keys[0]) << "the bare dialog: only its keys";
    EXPECT_EQ(handles[2] - handles[1], handles[1] - handles[0]) << "ours: what the bare one keeps";
    std::printf("a file dialog leaves %d of Wine's registry keys open\n", (keys[1] - keys[0]) / 5);
    test_support::RemoveTree(file);
}

}  // namespace
