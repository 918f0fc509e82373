// The scripted user interface that tests link instead of the real one: it
// records every request and answers from a script.
#pragma once

#include <deque>
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

// Everything asked so far.
extern std::vector<MessageBoxCall> messageBoxes;
// Answers for the next message boxes, in order; when empty a box is answered
// with its first button (OK or Yes).
extern std::deque<int> messageBoxAnswers;

// Forgets all calls and answers.
void Reset();

}  // namespace fake_ui
