// Files dropped on the main window.
#pragma once

#include "engine/result_codes.h"
#include "platform/ui.h"

// Hands the dropped files to the operation of the selected mode. The drop
// is valid during the call; the main window releases it afterwards.
void HandleDrop(ui::Window mainWindow, ui::Drop drop);
// Builds the list of dropped files (see shell/mode_entries.h for its form),
// allocated with std::malloc; nullptr with *code set to 3 when out of memory,
// or to 53 when the one file dropped has a name with characters that the
// system's code page cannot express (the program cannot open it).
char* CollectDroppedFiles(ui::Drop drop, ResultCode* code);
