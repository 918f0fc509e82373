#include "tests/support/fake_ui.h"

namespace fake_ui {

std::vector<MessageBoxCall> messageBoxes;
std::deque<int> messageBoxAnswers;

void Reset() {
    messageBoxes.clear();
    messageBoxAnswers.clear();
}

}  // namespace fake_ui

namespace ui {

int ShowMessageBox(Window owner, const char* text, const char* caption, unsigned style) {
    fake_ui::messageBoxes.push_back({owner, text, caption, style});
    if (!fake_ui::messageBoxAnswers.empty()) {
        int answer = fake_ui::messageBoxAnswers.front();
        fake_ui::messageBoxAnswers.pop_front();
        return answer;
    }
    return (style & 0xF) == kBoxYesNo ? kAnswerYes : kAnswerOk;
}

}  // namespace ui
