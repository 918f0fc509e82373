#include "tests/support/fake_ui.h"

#include <cstring>

#include "platform/platform.h"

namespace fake_ui {

State state;

}  // namespace fake_ui

namespace {

using fake_ui::state;

// The next answer of a script, or `otherwise` past its end.
template <typename T>
T Next(std::deque<T>* answers, T otherwise = T{}) {
    if (!answers->empty()) {
        otherwise = answers->front();
        answers->pop_front();
    }
    return otherwise;
}

// Copies `text` whole when it fits `size` bytes with its terminator.
bool CopyWhole(const std::string& text, char* buffer, int size) {
    bool fits = text.size() < static_cast<std::size_t>(size);
    std::memcpy(buffer, text.c_str(), fits ? text.size() + 1 : 1);
    buffer[fits ? text.size() : 0] = '\0';
    return fits;
}

}  // namespace

namespace ui {

int ShowMessageBox(Window owner, const char* text, const char* caption, unsigned style) {
    state.messageBoxes.push_back({owner, text, caption, style});
    state.events.push_back(std::string("message: ") + caption + ": " + text);
    return Next(&state.messageBoxAnswers, (style & 0xF) == kBoxYesNo ? kAnswerYes : kAnswerOk);
}

int AskFileName(const FileDialogRequest& request) {
    fake_ui::FileDialogCall call{request.owner, request.kind, {}, request.name, request.options};
    for (int i = 0; i < request.filterCount; ++i) {
        call.filters.emplace_back(request.filters[i].label, request.filters[i].pattern);
    }
    state.fileDialogs.push_back(call);
    state.events.push_back(std::string(request.kind == FileDialogKind::Open ? "open: " : "save: ") +
                           (request.title != nullptr ? request.title : "(no title)"));
    std::optional<std::string> answer = Next(&state.fileDialogAnswers);
    return answer && CopyWhole(*answer, request.name, 260) ? 0 : 1;
}

int PromptPassphrase(Window, char* output, int maxLength, const char*, const char* caption) {
    output[0] = '\0';
    state.events.push_back(std::string("prompt: ") + (caption != nullptr ? caption : "Password"));
    while (std::optional<std::string> answer = Next(&state.promptAnswers)) {
        if (CopyWhole(*answer, output, maxLength)) {
            return 1;
        }
        char refusal[260];
        platform::LoadText(57, refusal, sizeof refusal);
        ShowMessageBox(nullptr, refusal, "Message Box", kBoxOk);
    }
    return 0;
}

int RunKeySetupDialog(Window, KeyPaths*) {
    state.events.push_back("key setup");
    return 1;
}

bool GetDialogItemText(Window, int id, char* buffer, int size) {
    return CopyWhole(state.dialogItemTexts[id], buffer, size);
}

void EnableDialogItem(Window, int id, bool enabled) {
    state.dialogItemEnabled[id] = enabled;
    state.events.push_back(std::string(enabled ? "enable " : "disable ") + std::to_string(id));
}

void StepProgressBar(Window, int) {}

void SetProgressBarPosition(Window, int, int) {}

void RepaintNow(Window) {}

ProgressWindow OpenProgressWindow(Window, const char* fileName, void (*)()) {
    state.events.push_back(std::string("progress: ") + fileName);
    return nullptr;
}

void ShowProgress(ProgressWindow, std::uint64_t, std::uint64_t) {}

void CloseProgressWindow(ProgressWindow) {
    state.events.push_back("progress closed");
}

CursorToken ShowWaitCursor() {
    state.events.push_back("wait cursor");
    return 1;
}

void RestoreCursor(CursorToken) {}

int PutTextOnClipboard(const char* text) {
    if (state.clipboardResult == 0) {
        state.clipboard = text;
    }
    return state.clipboardResult;
}

void SetWindowTitle(Window window, const char* title) {
    state.windowTitles[window] = title;
}

void ShowWindowNow(Window) {
    state.events.push_back("show window");
}

void RaiseToTopMost(Window window) {
    state.windowsRaised.push_back(window);
}

void SetStatusBarText(Window statusBar, const char* text) {
    state.statusBarTexts[statusBar] = text;
    state.events.push_back(std::string("status: ") + text);
}

void StartTimer(Window window, unsigned id, unsigned milliseconds) {
    state.timers[{window, id}] = milliseconds;
    state.events.push_back("timer start " + std::to_string(id));
}

void StopTimer(Window window, unsigned id) {
    state.timers.erase({window, id});
}

int GetButtonCheckState(Window button) {
    return state.buttonStates[button];
}

void SendCloseRequest(Window) {
    state.events.push_back("close request");
}

void SetMenuItemChecked(Window window, unsigned commandId, bool checked) {
    state.menuChecks[{window, commandId}] = checked;
}

int DroppedFileCount(Drop drop) {
    return static_cast<int>(static_cast<fake_ui::FakeDrop*>(drop)->paths.size());
}

int DroppedFilePath(Drop drop, int index, char* buffer, int size) {
    bool fits = CopyWhole(static_cast<fake_ui::FakeDrop*>(drop)->paths.at(index), buffer, size);
    return fits ? static_cast<int>(std::strlen(buffer)) : kNameTooLong;
}

}  // namespace ui
