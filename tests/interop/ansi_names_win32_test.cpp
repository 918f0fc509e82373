// Dropped files whose names the system's code page (932 under the tests'
// Japanese locale) cannot express: the drop's wide names, read through the
// real Windows functions, and the code the program makes of them.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/result_codes.h"
#include "platform/ui.h"
#include "platform/win32/ansi_name_win32.h"
#include "shell/file_drop.h"

namespace {

// A drop as Explorer makes it: a DROPFILES header and wide names, each
// terminated, with one more terminator at the end.
class WideDrop {
public:
    explicit WideDrop(std::initializer_list<std::wstring> names) {
        std::wstring list;
        for (const std::wstring& name : names) {
            list += name;
            list.push_back(L'\0');
        }
        list.push_back(L'\0');
        std::size_t bytes = list.size() * sizeof(wchar_t);
        memory_ = GlobalAlloc(GHND, sizeof(DROPFILES) + bytes);
        auto* header = static_cast<DROPFILES*>(GlobalLock(memory_));
        header->pFiles = sizeof(DROPFILES);
        header->fWide = TRUE;
        std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(), bytes);
        GlobalUnlock(memory_);
    }
    ~WideDrop() { GlobalFree(memory_); }
    ui::Drop Get() const { return memory_; }

private:
    HGLOBAL memory_;
};

const std::wstring kJapanese = L"C:\\\u65e5\u672c\\\u5831\u544a.txt";  // 日本\報告.txt
const std::wstring kHangul = L"C:\\\ud55c\uad6d\uc5b4.txt";            // 한국어.txt
const std::wstring kEmoji = L"C:\\\U0001F600.txt";

std::string InCodePage(const std::wstring& wide) {
    char buffer[260];
    BOOL usedDefault = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, buffer, sizeof buffer,
                        nullptr, &usedDefault);
    EXPECT_FALSE(usedDefault);
    return buffer;
}

TEST(AnsiNames, ExactNamesPassAndOthersGiveTheirCode) {
    ASSERT_EQ(GetACP(), 932u) << "the tests run with the Japanese code page";
    WideDrop drop{kJapanese, kHangul, kEmoji};
    ASSERT_EQ(ui::DroppedFileCount(drop.Get()), 3);
    char path[260];
    std::string japanese = InCodePage(kJapanese);
    EXPECT_EQ(ui::DroppedFilePath(drop.Get(), 0, path, sizeof path),
              static_cast<int>(japanese.size()));
    EXPECT_EQ(path, japanese);
    EXPECT_EQ(ui::DroppedFilePath(drop.Get(), 1, path, sizeof path), ui::kNameNotInCodePage);
    EXPECT_EQ(ui::DroppedFilePath(drop.Get(), 2, path, sizeof path), ui::kNameNotInCodePage);

    // A name too long for the buffer is no name at all.
    char small[8];
    EXPECT_EQ(ui::WideNameToAnsi(kJapanese.c_str(), small, sizeof small), -2);
    EXPECT_STREQ(small, "");
    // One dropped file whose name cannot be used: the user learns why.
    ResultCode code = rc::kOk;
    EXPECT_EQ(CollectDroppedFiles(WideDrop{kHangul}.Get(), &code), nullptr);
    EXPECT_EQ(code, rc::kNameNotInCodePage);
}

}  // namespace
