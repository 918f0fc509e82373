// Files whose names the system's code page (932 under the tests' Japanese
// locale) cannot express: the drop's wide names, read through the real
// Windows functions, as the program spells them, and the names under which
// GnuPG is given such files.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/command_frame.h"
#include "engine/result_codes.h"
#include "platform/platform.h"
#include "platform/ui.h"
#include "platform/win32/ansi_name_win32.h"
#include "platform/win32/wide_names_win32.h"
#include "shell/file_drop.h"
#include "tests/support/test_support.h"
#include "workflows/gpg_names.h"

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

TEST(AnsiNames, NamesOutsideTheCodePageAreSpelledOut) {
    ASSERT_EQ(GetACP(), 932u) << "the tests run with the Japanese code page";
    WideDrop drop{kJapanese, kHangul, kEmoji};
    ASSERT_EQ(ui::DroppedFileCount(drop.Get()), 3);
    char path[260];
    const struct {
        std::wstring wide;
        std::string spelled;
    } rows[] = {{kJapanese, InCodePage(kJapanese)},
                {kHangul, "C:\\<D55C<AD6D<C5B4.txt"},
                {kEmoji, "C:\\<D83D<DE00.txt"}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ui::DroppedFilePath(drop.Get(), i, path, sizeof path),
                  static_cast<int>(rows[i].spelled.size()));
        EXPECT_EQ(path, rows[i].spelled);
        EXPECT_EQ(platform::WideName(path), rows[i].wide);
    }

    // A name too long for the buffer is no name at all, never a cut one; one
    // that is too long only once spelled out cannot be held. The user learns why.
    char small[8];
    EXPECT_EQ(ui::WideNameToAnsi(kJapanese.c_str(), small, sizeof small), ui::kNameTooLong);
    EXPECT_STREQ(small, "");
    const std::wstring longHangul = L"C:\\" + std::wstring(60, L'\ud55c') + L".txt";
    ResultCode code = rc::kOk;
    EXPECT_EQ(CollectDroppedFiles(WideDrop{longHangul}.Get(), &code), nullptr);
    EXPECT_EQ(code, rc::kNameNotInCodePage);
    const std::wstring longKanji = L"C:\\" + std::wstring(130, L'\u898b') + L".xlsx";
    EXPECT_EQ(CollectDroppedFiles(WideDrop{longKanji}.Get(), &code), nullptr);
    EXPECT_EQ(code, rc::kPathTooLong);

    // UTF-8 shown: one stand-in per character the code page lacks (an emoji too).
    char shown[64];
    platform::ShowableText(u8"\U0001F600\u00e9 \u898b", shown, sizeof shown);
    EXPECT_EQ(shown, "\x81\xac\x81\xac " + InCodePage(L"\u898b"));
}

bool SameFile(const char* a, const char* b) {
    platform::FileStamp x = platform::StampFile(a), y = platform::StampFile(b);
    return x.exists && y.exists && x.identity.volume == y.identity.volume &&
           x.identity.index == y.identity.index;
}

bool InCodePageOnly(const char* name) {
    return !platform::HoldsWideUnits(name) && std::strchr(name, '?') == nullptr;
}

// GnuPG gets a short name for a file outside the code page (an output is made
// first), the name itself for one in it, and 53 where no short name exists.
TEST(AnsiNames, GnupgGetsShortNamesOfFilesOutsideTheCodePage) {
    test_support::ProgramFolder folder;
    const std::string input = folder.PathOf(InCodePage(L"\u898b\u7a4d") + "<301C.txt");
    const std::string output = folder.PathOf("Caf<00E9.txt.gpg");
    HANDLE file = CreateFileW(platform::WideName(input.c_str()).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    GpgName gpg;
    ASSERT_EQ(NameInputForGpg(input.c_str(), &gpg), rc::kOk);
    EXPECT_TRUE(InCodePageOnly(gpg.path)) << gpg.path;
    EXPECT_TRUE(SameFile(gpg.path, input.c_str()));
    // An output onto the input is refused however either is spelled.
    const char* const inputs[] = {input.c_str(), nullptr};
    EXPECT_EQ(CheckOutputNamesNoOtherFile(gpg.path, inputs, nullptr), rc::kBadFileChoice);

    // GnuPG writes a temporary file of ASCII name beside the output, which
    // takes the real name only at the end; the output onto the input is
    // refused first. Without short names that still works.
    const std::string home = folder.PathOf("");
    GpgName out;
    EXPECT_EQ(NameOutputForGpg(gpg.path, inputs, home.c_str(), &out), rc::kBadFileChoice);
    for (bool shortNames : {true, false}) {
        platform::PretendNoShortNames(!shortNames);
        ASSERT_EQ(NameOutputForGpg(output.c_str(), inputs, home.c_str(), &out), rc::kOk);
        EXPECT_TRUE(InCodePageOnly(out.path)) << out.path;
        EXPECT_FALSE(test_support::Exists(output)) << "nothing under its name before the end";
        test_support::WriteFile(out.path, "sealed");
        EXPECT_EQ(SettleOutput(output.c_str(), home.c_str(), out, rc::kOk, true), rc::kOk);
        EXPECT_EQ(platform::StampFile(output.c_str()).size, 6u);
        platform::RemoveFile(output.c_str());
        EXPECT_FALSE(test_support::Exists(out.temporary));
    }
    EXPECT_EQ(NameInputForGpg(input.c_str(), &gpg), rc::kNameNotInCodePage);
    test_support::WriteFile(home + "plain.txt", "");
    EXPECT_EQ(NameInputForGpg((home + "plain.txt").c_str(), &gpg), rc::kOk);
    platform::PretendNoShortNames(false);
}

}  // namespace
