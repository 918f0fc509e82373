// The standard open and save dialogs on Windows.
#include <windows.h>

#include <commdlg.h>

#include <string>

#include "platform/ui.h"
#include "platform/win32/ansi_name_win32.h"
#include "platform/win32/file_filter_list.h"
#include "platform/win32/wide_names_win32.h"

namespace ui {

namespace {

constexpr DWORD kNameBufferSize = 260;

DWORD DialogFlags(unsigned options) {
    DWORD flags = 0;
    if (options & kFileMustExist) {
        flags |= OFN_FILEMUSTEXIST;
    }
    if (options & kAskBeforeOverwrite) {
        flags |= OFN_OVERWRITEPROMPT;
    }
    if (options & kKeepCurrentFolder) {
        flags |= OFN_NOCHANGEDIR;
    }
    return flags;
}

}  // namespace

int AskFileName(const FileDialogRequest& request) {
    // The wide dialog, so that a name with characters the code page lacks
    // comes back in the program's spelling of it (the ANSI dialog would give
    // stand-ins, naming no file) and a proposal made from such a name shows
    // its real characters. Every other text shown is the code page's.
    // The filter list keeps its inner terminators: the dialog reads pairs up
    // to the double terminator at the end.
    std::string filters = BuildFilterList(request.filters, request.filterCount);
    std::wstring wideFilters = AnsiToWide(filters.c_str(), static_cast<int>(filters.size()) + 1);
    std::wstring title = request.title != nullptr ? AnsiToWide(request.title, -1) : L"";
    std::wstring folder =
        request.initialFolder != nullptr ? platform::WideName(request.initialFolder) : L"";
    const char* defaultExtension = request.defaultExtension;
    // The dialog wants the extension without its dot.
    if (defaultExtension != nullptr && defaultExtension[0] == '.') {
        ++defaultExtension;
    }
    std::wstring extension = defaultExtension != nullptr ? AnsiToWide(defaultExtension, -1) : L"";

    wchar_t name[kNameBufferSize] = L"";
    std::wstring proposal = platform::WideName(request.name);
    if (proposal.size() <= kNameBufferSize) {
        proposal.copy(name, proposal.size());
    }
    name[kNameBufferSize - 1] = L'\0';

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = static_cast<HWND>(request.owner);
    dialog.lpstrFilter = request.filterCount > 0 ? wideFilters.c_str() : nullptr;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name;
    dialog.nMaxFile = kNameBufferSize;
    dialog.lpstrInitialDir = request.initialFolder != nullptr ? folder.c_str() : nullptr;
    dialog.lpstrTitle = request.title != nullptr ? title.c_str() : nullptr;
    dialog.Flags = DialogFlags(request.options);
    dialog.lpstrDefExt = defaultExtension != nullptr ? extension.c_str() : nullptr;

    BOOL chosen = request.kind == FileDialogKind::Open ? GetOpenFileNameW(&dialog)
                                                       : GetSaveFileNameW(&dialog);
    if (!chosen) {
        return 1;
    }
    int length = WideNameToAnsi(name, request.name, static_cast<int>(kNameBufferSize));
    if (length == kNameNotInCodePage) {
        return kNameNotInCodePage;
    }
    // A name too long for the program's path buffers, as the ANSI dialog
    // would refuse it.
    return length >= 0 ? 0 : 1;
}

}  // namespace ui
