// The filter text of the standard file dialogs, made from label and pattern
// pairs.
#pragma once

#include <string>

#include "platform/ui.h"

namespace ui {

// Every label and pattern followed by a terminator, and one more terminator
// after the last pair (so the text ends in two). No pairs give the empty
// list, two terminators.
std::string BuildFilterList(const FileFilter* filters, int count);

}  // namespace ui
