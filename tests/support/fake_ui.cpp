#include "tests/support/fake_ui.h"

#include <cstring>

#include "workflows/work_context.h"

namespace fake_ui {

std::vector<std::string> events;
std::vector<MessageBoxCall> messageBoxes;
std::deque<int> messageBoxAnswers;
std::vector<FileDialogCall> fileDialogs;
std::deque<std::optional<std::string>> fileDialogAnswers;
std::vector<PromptCall> prompts;
std::deque<std::optional<std::string>> promptAnswers;
std::function<int(ui::Window, KeyPaths*)> keySetupDialog;
std::map<int, std::string> dialogItemTexts;
std::map<int, bool> dialogItemEnabled;
std::map<int, int> progressSteps;
std::map<int, int> progressPositions;
int repaints = 0;
bool waitCursorShown = false;
std::optional<std::string> clipboard;
int clipboardResult = 0;
std::map<ui::Window, std::string> windowTitles;
std::vector<ui::Window> windowsShown;
std::vector<ui::Window> windowsRaised;
std::map<ui::Window, std::string> statusBarTexts;
std::map<std::pair<ui::Window, unsigned>, unsigned> timers;
std::map<ui::Window, int> buttonStates;
std::map<std::pair<ui::Window, unsigned>, bool> menuChecks;

void Reset() {
    events.clear();
    messageBoxes.clear();
    messageBoxAnswers.clear();
    fileDialogs.clear();
    fileDialogAnswers.clear();
    prompts.clear();
    promptAnswers.clear();
    keySetupDialog = nullptr;
    dialogItemTexts.clear();
    dialogItemEnabled.clear();
    progressSteps.clear();
    progressPositions.clear();
    repaints = 0;
    waitCursorShown = false;
    clipboard.reset();
    clipboardResult = 0;
    windowTitles.clear();
    windowsShown.clear();
    windowsRaised.clear();
    statusBarTexts.clear();
    timers.clear();
    buttonStates.clear();
    menuChecks.clear();
}

namespace {

std::optional<std::string> Optional(const char* text) {
    return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

void CopyCut(const std::string& text, char* buffer, int size) {
    if (size <= 0) {
        return;
    }
    std::size_t length = text.size() < static_cast<std::size_t>(size - 1)
                             ? text.size()
                             : static_cast<std::size_t>(size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

}  // namespace

}  // namespace fake_ui

namespace ui {

using namespace fake_ui;

int ShowMessageBox(Window owner, const char* text, const char* caption, unsigned style) {
    messageBoxes.push_back({owner, text, caption, style});
    events.push_back(std::string("message: ") + caption + ": " + text);
    if (!messageBoxAnswers.empty()) {
        int answer = messageBoxAnswers.front();
        messageBoxAnswers.pop_front();
        return answer;
    }
    return (style & 0xF) == kBoxYesNo ? kAnswerYes : kAnswerOk;
}

int AskFileName(const FileDialogRequest& request) {
    FileDialogCall call{request.owner,
                        request.kind,
                        Optional(request.title),
                        {},
                        request.name,
                        Optional(request.initialFolder),
                        request.options,
                        Optional(request.defaultExtension)};
    for (int i = 0; i < request.filterCount; ++i) {
        call.filters.emplace_back(request.filters[i].label, request.filters[i].pattern);
    }
    fileDialogs.push_back(call);
    events.push_back(std::string(request.kind == FileDialogKind::Open ? "open: " : "save: ") +
                     (request.title != nullptr ? request.title : "(no title)"));
    std::optional<std::string> answer;
    if (!fileDialogAnswers.empty()) {
        answer = fileDialogAnswers.front();
        fileDialogAnswers.pop_front();
    }
    if (!answer) {
        return 1;
    }
    CopyCut(*answer, request.name, 260);
    return 0;
}

int PromptPassphrase(Window owner, char* output, int maxLength, const char* prompt,
                     const char* caption) {
    output[0] = '\0';
    prompts.push_back({owner, maxLength, Optional(prompt), Optional(caption)});
    events.push_back(std::string("prompt: ") + (caption != nullptr ? caption : "Password"));
    std::optional<std::string> answer;
    if (!promptAnswers.empty()) {
        answer = promptAnswers.front();
        promptAnswers.pop_front();
    }
    if (!answer) {
        return 0;
    }
    CopyCut(*answer, output, maxLength);
    return 1;
}

int RunKeySetupDialog(Window owner, KeyPaths* keyPaths) {
    events.push_back("key setup");
    return keySetupDialog ? keySetupDialog(owner, keyPaths) : 1;
}

void GetDialogItemText(Window, int id, char* buffer, int size) {
    CopyCut(dialogItemTexts[id], buffer, size);
}

void EnableDialogItem(Window, int id, bool enabled) {
    dialogItemEnabled[id] = enabled;
    events.push_back(std::string(enabled ? "enable " : "disable ") + std::to_string(id));
}

void StepProgressBar(Window, int id) {
    ++progressSteps[id];
}

void SetProgressBarPosition(Window, int id, int position) {
    progressPositions[id] = position;
    events.push_back("progress " + std::to_string(id) + " at " + std::to_string(position));
}

void RepaintNow(Window) {
    ++repaints;
}

CursorToken ShowWaitCursor() {
    waitCursorShown = true;
    events.push_back("wait cursor");
    return 1;
}

void RestoreCursor(CursorToken) {
    waitCursorShown = false;
    events.push_back("cursor back");
}

int PutTextOnClipboard(const char* text) {
    events.push_back("clipboard");
    if (clipboardResult == 0) {
        clipboard = text;
    }
    return clipboardResult;
}

void SetWindowTitle(Window window, const char* title) {
    windowTitles[window] = title;
    events.push_back(std::string("title: ") + title);
}

void ShowWindowNow(Window window) {
    windowsShown.push_back(window);
    events.push_back("show window");
}

void RaiseToTopMost(Window window) {
    windowsRaised.push_back(window);
    events.push_back("top-most");
}

void SetStatusBarText(Window statusBar, const char* text) {
    statusBarTexts[statusBar] = text;
    events.push_back(std::string("status: ") + text);
}

void StartTimer(Window window, unsigned id, unsigned milliseconds) {
    timers[{window, id}] = milliseconds;
    events.push_back("timer start " + std::to_string(id));
}

void StopTimer(Window window, unsigned id) {
    timers.erase({window, id});
    events.push_back("timer stop " + std::to_string(id));
}

int GetButtonCheckState(Window button) {
    auto found = buttonStates.find(button);
    return found != buttonStates.end() ? found->second : 0;
}

void SendCloseRequest(Window) {
    events.push_back("close request");
}

void ShowAboutBox(Window) {
    events.push_back("about box");
}

void SetMenuItemChecked(Window window, unsigned commandId, bool checked) {
    menuChecks[{window, commandId}] = checked;
}

int DroppedFileCount(Drop drop) {
    return static_cast<int>(static_cast<FakeDrop*>(drop)->paths.size());
}

int DroppedFilePath(Drop drop, int index, char* buffer, int size) {
    const std::string& path = static_cast<FakeDrop*>(drop)->paths.at(index);
    CopyCut(path, buffer, size);
    return static_cast<int>(std::strlen(buffer));
}

}  // namespace ui
