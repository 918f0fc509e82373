#include "shell/file_drop.h"

#include <cstdlib>
#include <cstring>

#include "engine/gpg_runner.h"
#include "platform/platform.h"
#include "shell/app_state.h"
#include "shell/mode_entries.h"
#include "shell/status_text.h"

namespace {

constexpr int kPathSize = 260;

// The entry of the selected ModeButton, asked in the order Encrypt, Decrypt,
// Sign, Verify; 0 when none is selected.
ResultCode StartSelectedMode(const char* dropList) {
    const struct {
        ui::Window button;
        ResultCode (*start)(const char*);
    } modes[] = {
        {gAppState.encryptButton, StartEncrypt},
        {gAppState.decryptButton, StartDecrypt},
        {gAppState.signButton, StartSign},
        {gAppState.verifyButton, StartVerify},
    };
    for (const auto& mode : modes) {
        if (ui::GetButtonCheckState(mode.button) == 1) {
            return mode.start(dropList);
        }
    }
    return rc::kOk;
}

}  // namespace

void HandleDrop(ui::Window mainWindow, ui::Drop drop) {
    // From the first drop on, the window stays in front of ordinary windows.
    ui::RaiseToTopMost(mainWindow);
    ResultCode result = rc::kOk;
    char* dropList = CollectDroppedFiles(drop, &result);
    if (dropList != nullptr) {
        result = StartSelectedMode(dropList);
    }
    if (result != rc::kOk) {
        ShowResult(mainWindow, result);
    }
    ui::StartTimer(mainWindow, kStatusTimerId, kStatusTimerMilliseconds);
    std::free(dropList);
}

char* CollectDroppedFiles(ui::Drop drop, ResultCode* code) {
    int count = ui::DroppedFileCount(drop);
    char path[kPathSize];
    int firstLength = ui::DroppedFilePath(drop, 0, path, sizeof path);

    if (count == 1) {
        // A name the program cannot hold: say why.
        if (firstLength == ui::kNameNotInCodePage || firstLength == ui::kNameTooLong) {
            *code = firstLength == ui::kNameTooLong ? rc::kPathTooLong : rc::kNameNotInCodePage;
            return nullptr;
        }
        std::size_t length = std::strlen(path);
        char* list = static_cast<char*>(std::malloc(length + 2));
        if (list == nullptr) {
            *code = rc::kOutOfMemory;
            return nullptr;
        }
        std::memcpy(list, path, length + 1);
        list[length + 1] = '\0';
        return list;
    }

    // Several files: their folder (the first file's, without its last
    // separator; a drive name such as C: gets one back), then every file's
    // path relative to it.
    int separator = FindLastBackslash(path);
    std::size_t folderLength = separator > 0 ? static_cast<std::size_t>(separator) : 0;
    std::size_t skip = separator >= 0 ? folderLength + 1 : 0;
    char folder[kPathSize];
    std::memcpy(folder, path, folderLength);
    folder[folderLength] = '\0';
    if (folderLength == 2) {
        folder[2] = platform::kPathSeparator;
        folder[3] = '\0';
    }

    std::size_t size = std::strlen(folder) + 1 + 1;
    for (int i = 0; i < count; ++i) {
        ui::DroppedFilePath(drop, i, path, sizeof path);
        std::size_t length = std::strlen(path);
        size += (length > skip ? length - skip : 0) + 1;
    }
    char* list = static_cast<char*>(std::malloc(size));
    if (list == nullptr) {
        *code = rc::kOutOfMemory;
        return nullptr;
    }
    char* end = list;
    std::size_t folderTextLength = std::strlen(folder) + 1;
    std::memcpy(end, folder, folderTextLength);
    end += folderTextLength;
    for (int i = 0; i < count; ++i) {
        ui::DroppedFilePath(drop, i, path, sizeof path);
        std::size_t length = std::strlen(path);
        const char* relative = path + (length > skip ? skip : length);
        std::size_t relativeLength = std::strlen(relative) + 1;
        std::memcpy(end, relative, relativeLength);
        end += relativeLength;
    }
    *end = '\0';
    return list;
}
