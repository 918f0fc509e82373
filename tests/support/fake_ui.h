// The scripted user interface that tests link instead of the real one: it
// records every request and answers from a script. All of it lives in one
// record, `state`, which Reset() puts back to its start.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace fake_ui {

struct MessageBoxCall {
    ui::Window owner;
    std::string text;
    std::string caption;
    unsigned style;
};

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

struct PromptCall {
    ui::Window owner;
    int maxLength;
    std::optional<std::string> prompt;
    std::optional<std::string> caption;
};

struct HelpCall {
    ui::Window owner;
    std::string file;
    unsigned command;
};

struct State {
    // Every request in the order it came, one short line each, for example
    // "message: <caption>: <text>", "open: <title>", "prompt: <caption>",
    // "wait cursor", "status: <text>", "timer start 1", "about box", "help 1".
    std::vector<std::string> events;
    std::vector<MessageBoxCall> messageBoxes;
    // Answers of the next boxes; past the end a box answers its first button.
    std::deque<int> messageBoxAnswers;
    std::vector<FileDialogCall> fileDialogs;
    // Names chosen in the next file dialogs; nullopt or past the end cancels.
    std::deque<std::optional<std::string>> fileDialogAnswers;
    std::vector<PromptCall> prompts;
    // Texts confirmed in the next prompts; nullopt or past the end cancels.
    // Like the real prompt, one longer than maxLength - 1 bytes is refused
    // with a box (string 57) and the prompt takes the next text.
    std::deque<std::optional<std::string>> promptAnswers;
    // The key setup form; by default it is cancelled (1).
    std::function<int(ui::Window, KeyPaths*)> keySetupDialog;
    // Dialog controls by id: texts, enabled states, progress bar.
    std::map<int, std::string> dialogItemTexts;
    std::map<int, bool> dialogItemEnabled;
    std::map<int, int> progressSteps;
    std::map<int, int> progressPositions;
    bool waitCursorShown = false;
    // The clipboard, and what the next hand-over returns (on a failure the
    // clipboard stays as it was).
    std::optional<std::string> clipboard;
    int clipboardResult = 0;
    std::map<ui::Window, std::string> windowTitles;
    std::vector<ui::Window> windowsRaised;
    std::map<ui::Window, std::string> statusBarTexts;
    std::map<std::pair<ui::Window, unsigned>, unsigned> timers;  // period by window and id
    std::map<ui::Window, int> buttonStates;                      // missing: 0
    std::map<std::pair<ui::Window, unsigned>, bool> menuChecks;
    std::vector<HelpCall> helpCalls;
};
extern State state;
// Names that tests elsewhere use.
extern std::vector<MessageBoxCall>& messageBoxes;
extern std::deque<int>& messageBoxAnswers;

inline void Reset() {
    state = State{};
}

// A drop of files as the tests make it; pass its address as the drop.
struct FakeDrop {
    std::vector<std::string> paths;
};

}  // namespace fake_ui
