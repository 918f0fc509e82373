// The scripted user interface that tests link instead of the real one: it
// records every request and answers from a script. Call Reset() at the start
// of each test.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace fake_ui {

// Every request in the order it came, one short line each, for example
// "message: <caption>: <text>", "open: <title>", "save: <title>",
// "prompt: <caption>", "wait cursor", "cursor back", "status: <text>",
// "timer start <id>", "timer stop <id>", "title: <text>", "clipboard",
// "close request", "about box".
extern std::vector<std::string> events;

struct MessageBoxCall {
    ui::Window owner;
    std::string text;
    std::string caption;
    unsigned style;
};
extern std::vector<MessageBoxCall> messageBoxes;
// Answers for the next message boxes; when none is left a box is answered
// with its first button (OK or Yes).
extern std::deque<int> messageBoxAnswers;

struct FileDialogCall {
    ui::Window owner;
    ui::FileDialogKind kind;
    std::optional<std::string> title;
    std::vector<std::pair<std::string, std::string>> filters;
    std::string initialName;
    std::optional<std::string> initialFolder;
    unsigned options;
    std::optional<std::string> defaultExtension;
};
extern std::vector<FileDialogCall> fileDialogs;
// The names chosen in the next file dialogs; std::nullopt cancels. When none
// is left a dialog is cancelled.
extern std::deque<std::optional<std::string>> fileDialogAnswers;

struct PromptCall {
    ui::Window owner;
    int maxLength;
    std::optional<std::string> prompt;
    std::optional<std::string> caption;
};
extern std::vector<PromptCall> prompts;
// The texts typed into the next prompts; std::nullopt cancels. A text is
// cut to maxLength - 1 bytes, as the masked field would. When none is left
// the prompt is cancelled.
extern std::deque<std::optional<std::string>> promptAnswers;

// What the key setup form does when opened; by default it is cancelled (1).
extern std::function<int(ui::Window, KeyPaths*)> keySetupDialog;

// Controls of dialogs: texts read by GetDialogItemText, enabled states, and
// the progress bar's steps and position, by control id.
extern std::map<int, std::string> dialogItemTexts;
extern std::map<int, bool> dialogItemEnabled;
extern std::map<int, int> progressSteps;
extern std::map<int, int> progressPositions;
extern int repaints;

// True while the wait cursor is shown.
extern bool waitCursorShown;

// The clipboard's text, and the code the next clipboard hand-over returns
// (on a failure the clipboard is left as it was).
extern std::optional<std::string> clipboard;
extern int clipboardResult;

extern std::map<ui::Window, std::string> windowTitles;
extern std::vector<ui::Window> windowsShown;
extern std::vector<ui::Window> windowsRaised;
extern std::map<ui::Window, std::string> statusBarTexts;
// Running timers, by window and id, with their period.
extern std::map<std::pair<ui::Window, unsigned>, unsigned> timers;
// Check states of the ModeButtons, by window (missing: 0).
extern std::map<ui::Window, int> buttonStates;
extern std::map<std::pair<ui::Window, unsigned>, bool> menuChecks;

// A drop of files as the tests make it; pass its address as the drop.
struct FakeDrop {
    std::vector<std::string> paths;
};

// Forgets all calls and answers, and puts every state back.
void Reset();

}  // namespace fake_ui
