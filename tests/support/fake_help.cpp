// No HTML Help control; the help and the about box are recorded.
#include "shell/about_box.h"
#include "shell/help_viewer.h"
#include "tests/support/fake_ui.h"

std::intptr_t CallHtmlHelp(ui::Window, const char* file, unsigned command, std::uintptr_t) {
    fake_ui::state.events.push_back("help " + std::to_string(command) + " " +
                                    (file != nullptr ? file : ""));
    return 0;
}

bool FindHelpControl(char* buffer) {
    buffer[0] = '\0';
    return false;
}

void ShowAboutBox(ui::Window) {
    fake_ui::state.events.push_back("about box");
}
