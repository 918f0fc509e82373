#include "tests/support/fake_help.h"

#include "shell/help_viewer.h"
#include "tests/support/fake_ui.h"

namespace fake_help {

std::vector<HelpCall> calls;

}  // namespace fake_help

std::intptr_t CallHtmlHelp(ui::Window owner, const char* file, unsigned command,
                           std::uintptr_t data) {
    fake_help::calls.push_back(
        {owner, file != nullptr ? std::optional<std::string>(file) : std::nullopt, command, data});
    fake_ui::events.push_back("help " + std::to_string(command));
    return 0;
}

bool FindHelpControl(char* buffer) {
    buffer[0] = '\0';
    return false;
}
