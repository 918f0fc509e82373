// The scripted user interface the tests link instead of the real one: every
// request recorded and answered from a script, in one record Reset() clears.
#pragma once

#include <deque>
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
    std::vector<std::pair<std::string, std::string>> filters;
    std::string initialName;
    unsigned options;
};

struct State {
    // Every request in order, one line each: "message: <caption>: <text>",
    // "open: <title>", "save: <title>", "prompt: <caption>", "key setup"
    // (always cancelled), "enable <id>", "disable <id>", "wait cursor", "show
    // window", "status: <text>", "timer start <id>", "close request", "about
    // box", "help <command> <file>", "progress: <file>", "progress closed".
    std::vector<std::string> events;
    std::vector<MessageBoxCall> messageBoxes;
    std::deque<int> messageBoxAnswers;  // past the end: the first button
    std::vector<FileDialogCall> fileDialogs;
    // The names chosen, or nullopt to cancel; past the end: cancel.
    std::deque<std::optional<std::string>> fileDialogAnswers;
    // The texts confirmed, or nullopt to cancel; past the end: cancel. As
    // the real prompt does, one longer than maxLength - 1 bytes is refused
    // with a box (string 57) and the prompt takes the next text.
    std::deque<std::optional<std::string>> promptAnswers;
    std::map<int, std::string> dialogItemTexts;  // by control id
    std::map<int, bool> dialogItemEnabled;
    std::optional<std::string> clipboard;
    int clipboardResult = 0;  // of the next hand-over; on failure the clipboard stays
    std::map<ui::Window, std::string> windowTitles;
    std::vector<ui::Window> windowsRaised;
    std::map<ui::Window, std::string> statusBarTexts;
    std::map<std::pair<ui::Window, unsigned>, unsigned> timers;  // running: period
    std::map<ui::Window, int> buttonStates;                      // missing: 0
    std::map<std::pair<ui::Window, unsigned>, bool> menuChecks;
};
extern State state;

inline void Reset() {
    state = State{};
}

// A drop of files as the tests make it; pass its address as the drop.
struct FakeDrop {
    std::vector<std::string> paths;
};

}  // namespace fake_ui
