// The standard open and save dialogs on Windows.
#include <windows.h>

#include <commdlg.h>

#include <string>

#include "platform/ui.h"
#include "platform/win32/file_filter_list.h"

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
    // The c_str() of the list keeps its inner terminators: the dialog reads
    // pairs up to the double terminator at the end.
    std::string filters = BuildFilterList(request.filters, request.filterCount);
    const char* defaultExtension = request.defaultExtension;
    // The dialog wants the extension without its dot.
    if (defaultExtension != nullptr && defaultExtension[0] == '.') {
        ++defaultExtension;
    }

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = static_cast<HWND>(request.owner);
    dialog.lpstrFilter = request.filterCount > 0 ? filters.c_str() : nullptr;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = request.name;
    dialog.nMaxFile = kNameBufferSize;
    dialog.lpstrInitialDir = request.initialFolder;
    dialog.lpstrTitle = request.title;
    dialog.Flags = DialogFlags(request.options);
    dialog.lpstrDefExt = defaultExtension;

    BOOL chosen = request.kind == FileDialogKind::Open ? GetOpenFileNameA(&dialog)
                                                       : GetSaveFileNameA(&dialog);
    return chosen ? 0 : 1;
}

}  // namespace ui
