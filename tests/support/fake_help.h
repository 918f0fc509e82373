// The help viewer as the tests see it: there is no HTML Help control, and
// every call is recorded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace fake_help {

struct HelpCall {
    ui::Window owner;
    std::optional<std::string> file;
    unsigned command;
    std::uintptr_t data;
};
extern std::vector<HelpCall> calls;

}  // namespace fake_help
