// The gate to the platform's HTML Help control, which shows manual.chm.
#pragma once

#include <cstdint>

#include "platform/ui.h"

inline constexpr unsigned kHelpInitialize = 28;
inline constexpr unsigned kHelpUninitialize = 29;
inline constexpr unsigned kHelpDisplayTopic = 1;

// Calls the HTML Help control, loading it at the first call; 0 and nothing
// else when no help control can be found.
std::intptr_t CallHtmlHelp(ui::Window owner, const char* file, unsigned command,
                           std::uintptr_t data);
// Reads the registered path of the HTML Help control into `buffer` (260 bytes).
bool FindHelpControl(char* buffer);
