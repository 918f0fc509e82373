// The status bar's one line of text.
#pragma once

#include "platform/ui.h"

// Shows string-table text `textId` in the status bar.
void SetStatusText(int textId);
// The status timer's handler: stops timer 1 and shows the idle text of the
// selected mode.
void ResetStatusText(ui::Window mainWindow);
